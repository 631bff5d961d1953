// The About box: product, version and copyright over the product's picture,
// whether Google Earth is installed, and three buttons that open pages of the
// maker's web site.
#pragma once
#include <windows.h>

// Runs the About box (dialog template 100) modally over owner.
void ShowAboutBox(HWND owner);

// Its dialog procedure.
INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The main text, at most capacity - 1 characters: product and version, the
// copyright line and the terms of use, then the pointer to the maker's site.
void FormatAboutText(wchar_t* buffer, size_t capacity);
