// The coordinates dialog of the command "Edit location manually": the
// position of the selected photos in one of three notations, with altitude,
// heading and "Position is known", filled by hand, from Google Earth or from
// the clipboard, and saved into (or removed from) every photo that may be
// written.
#pragma once
#include <windows.h>

#include "support/geo_position.h"

class ImageSelection;

// One run of the command; owned by RunCoordinatesDialog and lent to the
// dialog as its creation parameter.
struct CoordinatesDialogState {
    HWND owner = nullptr;                          // the window Explorer passed
    HWND dialog = nullptr;                         // set at initialisation
    const ImageSelection* selection = nullptr;     // borrowed
    wchar_t title[128] = {};                       // the dialog's caption
    GeoPosition position;                          // what the fields show
    const wchar_t* source = nullptr;               // where a raw file's position was read, or null
    BOOL busy = FALSE;                             // the dialog writes its own fields
    BOOL saved = FALSE;                            // the user pressed "Save!"
    HWND nextViewer = nullptr;                     // next window of the clipboard viewer chain
};

// Runs the dialog over owner for the selection and writes the result into
// the photos. S_OK when at least one photo was written; the dialog's own
// negative result when it was cancelled (E_FAIL) or could not be created;
// E_FAIL after telling the user when no photo could be written.
HRESULT RunCoordinatesDialog(HWND owner, const ImageSelection* selection);

// The steps of RunCoordinatesDialog, for the tests.
// Fills owner, selection, the title and (for one photo) its position, and
// for a raw file where that position comes from (its sidecar, else the
// raw file).
void PrepareCoordinatesDialog(CoordinatesDialogState* state, HWND owner, const ImageSelection* selection);
// Writes the state's position into, or removes it from, every selected photo
// that is not read-only. S_OK when at least one was written, else E_FAIL
// after the message.
HRESULT SavePositionToPhotos(const CoordinatesDialogState& state);

INT_PTR CALLBACK CoordinatesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Operations on the open dialog.
// Shows the state in the fields of the chosen notation.
void FillFields(CoordinatesDialogState* state);
// Takes the fields of the notation shown into the state and stores that
// notation as the user's setting.
void ReadFields(CoordinatesDialogState* state);
// Enables the fields by "Position is known" and "From Clipboard!" by the
// clipboard's text.
void UpdateEnabling(CoordinatesDialogState* state);
// Enables "Save!" (nothing disables it again) and clears the text that
// says where the position shown was read from.
void EnableSave(CoordinatesDialogState* state);
