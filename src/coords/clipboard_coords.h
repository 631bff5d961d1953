// The coordinates dialog and the clipboard: the dialog is a member of the
// clipboard viewer chain while it is open, so that "From Clipboard!" is
// enabled exactly while the clipboard holds text, and the button reads a
// position from that text.
#pragma once
#include <windows.h>

struct CoordinatesDialogState;

// A plain position is read from the clipboard text's first 63 characters
// (this capacity, the end included); links and placemarks from up to 64 KiB.
const int kClipboardTextCapacity = 64;

// Joins the chain (the last step of the dialog's initialisation).
void JoinClipboardChain(CoordinatesDialogState* state);
// Leaves it (when the dialog window is destroyed).
void LeaveClipboardChain(CoordinatesDialogState* state);
// WM_DRAWCLIPBOARD and WM_CHANGECBCHAIN.
void OnClipboardChanged(CoordinatesDialogState* state, WPARAM wParam, LPARAM lParam);
void OnClipboardChainChanged(CoordinatesDialogState* state, WPARAM wParam, LPARAM lParam);

// "From Clipboard!": reads a position from the clipboard's text (a plain
// position, a geo: URI, a map link or a KML placemark) into the state and the
// fields, or tells the user that the text is not one.
void TakeFromClipboard(CoordinatesDialogState* state);
