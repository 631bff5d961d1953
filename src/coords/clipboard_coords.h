// The coordinates dialog and the clipboard: the dialog is a member of the
// clipboard viewer chain while it is open, so that "From Clipboard!" is
// enabled exactly while the clipboard holds text, and the button reads a
// position from that text.
#pragma once
#include <windows.h>

struct CoordinatesDialogState;

// Capacity of the text read from the clipboard: 63 characters and the end.
const int kClipboardTextCapacity = 64;

// Joins the chain (the last step of the dialog's initialisation).
void JoinClipboardChain(CoordinatesDialogState* state);
// Leaves it (when the dialog window is destroyed).
void LeaveClipboardChain(CoordinatesDialogState* state);
// WM_DRAWCLIPBOARD and WM_CHANGECBCHAIN.
void OnClipboardChanged(CoordinatesDialogState* state, WPARAM wParam, LPARAM lParam);
void OnClipboardChainChanged(CoordinatesDialogState* state, WPARAM wParam, LPARAM lParam);

// "From Clipboard!": reads a position from the clipboard's text into the
// state and the fields, or tells the user that the text is not one.
void TakeFromClipboard(CoordinatesDialogState* state);
