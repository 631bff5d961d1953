// Prints the items a context-menu handler put into a menu, with what the
// handler answers about each command (verb, help text, validation).
#pragma once
#include <windows.h>
#include <shlobj.h>

// Walks hmenu (and its submenus). Identifiers from idCmdFirst up to, not
// including, idCmdFirst + reserved belong to the handler; for those the
// handler is asked GetCommandString with the command offset.
void PrintMenu(HMENU hmenu, IContextMenu* handler, UINT idCmdFirst, UINT reserved);

// Describes an HRESULT briefly: "S_OK", "S_FALSE", "E_FAIL" or eight hex digits.
const wchar_t* ResultName(HRESULT hr, wchar_t* buffer, size_t capacity);
