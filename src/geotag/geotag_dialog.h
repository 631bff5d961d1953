// The dialog of "Geotag from GPS track": the camera's offset to UTC, a
// clock correction (typed, or set from a photo of the GPS's screen),
// whether positions the photos already have are replaced, and the list of
// the photos with the time and the place the track gives each under them,
// matched again at every change.
#pragma once
#include <windows.h>
#include <cstdint>

#include "geotag/geotag_plan.h"

// One run of the dialog; owned by the command and lent to the dialog as its
// creation parameter.
struct GeotagDialogState {
    HWND dialog = nullptr;               // set at initialisation
    const GpsTrack* track = nullptr;     // borrowed
    GeotagPlan* plan = nullptr;          // borrowed; matched under settings
    const wchar_t* trackPath = nullptr;  // borrowed
    BOOL trackIncomplete = FALSE;        // the file ends in the middle of an element
    GeotagSettings settings;             // as the controls last showed them
    BOOL settingsValid = TRUE;           // the clock correction shown can be read: the plan is matched under settings
    uint32_t notation = 1;               // of the positions shown
    BOOL busy = FALSE;                   // the dialog writes its own fields
    BOOL matchPosted = FALSE;            // a request to match again waits in the queue
    BOOL geotag = FALSE;                 // the user pressed "Geotag"
};

// Shows the dialog over owner; its offset list starts at the listed offset
// nearest to state->settings.offsetMinutes. S_OK when the user chose
// "Geotag": the plan is then matched under the settings the dialog shows.
// E_ABORT when the user cancelled or the dialog could not be shown (an
// owner window that is gone); E_FAIL when the list control is unavailable.
HRESULT RunGeotagDialog(HWND owner, GeotagDialogState* state);

// Fills a combo box with the offsets to UTC the dialogs offer, each item's
// data its minutes, and selects the listed offset chosenMinutes.
void FillOffsetList(HWND list, int chosenMinutes);

INT_PTR CALLBACK GeotagDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
