// The menu command "Get location from Google Earth" (verb GeToJpeg).
#pragma once
#include <windows.h>

class ImageSelection;

// Takes the point at the centre of Google Earth's view and its heading,
// shows it for confirmation (OK/Cancel) and, on OK, writes it as the GPS
// position into every selected photo that can be written. S_OK when at least
// one photo was written; E_FAIL when none was, when the user cancelled or the
// selection is empty; the failure of GetEarthViewPoint, after its warning
// and an error message, when Google Earth delivered no position.
HRESULT GetLocationFromEarth(const ImageSelection& selection);
