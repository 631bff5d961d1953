// Shortcut (.lnk) files among the selected names.
#pragma once
#include <windows.h>

// How long the shell may search for a moved shortcut target when no window
// is given (and so no search UI may be shown), in milliseconds.
const WORD kShortcutResolveTimeoutMs = 200;

// Puts into out (cchOut characters, may be the same buffer as path) the file
// a selected name stands for:
// - a name whose extension is not ".lnk" (any case), unless force is set, is
//   copied unchanged: S_FALSE;
// - a shortcut is loaded and resolved by the shell-link object (with hwnd as
//   the owner of the shell's search UI; without one no UI is shown and the
//   search gives up after kShortcutResolveTimeoutMs), and out receives its
//   target path: the result of IShellLinkW::GetPath (S_OK, or S_FALSE when
//   the shortcut names no file), or the failing step's result with out empty.
//   A target that does not exist is unresolved: HRESULT_FROM_WIN32(
//   ERROR_FILE_NOT_FOUND) and an empty out.
// A name is never cut: a path of MAX_PATH (260) characters or more, or a name
// or target that does not fit out whole, gives E_INVALIDARG and an empty out.
// Needs COM initialised on the calling thread.
HRESULT ResolveShortcut(const wchar_t* path, wchar_t* out, int cchOut, HWND hwnd, BOOL force);
