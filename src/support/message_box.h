// The product's message boxes: every message the user sees in a box is shown
// here, titled with the product's name.
#pragma once
#include <windows.h>

// Shows text in a message box of the given MB_ flags, owned by owner (may
// be null); returns the button chosen (IDOK, IDYES, ...), or 0 when the
// box could not be shown. The narrow form shows a text of the ANSI code
// page, as the messages of the Google Earth link, the coordinates dialog
// and the installation always were.
int ShowMessage(HWND owner, const wchar_t* text, UINT flags);
int ShowMessage(HWND owner, const char* text, UINT flags);
