// The small dialog that sets the camera's clock from a photo of the GPS's
// screen: the photo the user picked in the list, the time its screen shows
// and the zone it shows it in.
#pragma once
#include <windows.h>

#include "geotag/geotag_plan.h"

// Shows the dialog over owner for a photo that has a time, taken with the
// camera's clock at offsetMinutes to UTC (its own offset, else the one the
// user chose). S_OK with *correction the clock correction that makes the
// photo's moment the time shown; E_ABORT when the user cancelled or the
// dialog could not be shown. Bad input is said in a message box and leaves
// the dialog open, *correction untouched.
HRESULT RunGpsClockDialog(HWND owner, const GeotagPhoto& photo, int offsetMinutes, int* correction);
