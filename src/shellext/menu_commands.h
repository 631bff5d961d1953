// What the context menu asks of the other subsystems: the one-time checks of
// its first use, and the five commands it dispatches to. Each command shows
// its own messages; the menu ignores the results.
#pragma once
#include <windows.h>

class ImageSelection;

// Google Earth is installed (its automation server is registered and its
// program file exists).
bool QueryEarthInstalled();
// Loads the user's settings word.
void LoadUserSettings();

// selection may be null (the partner was never initialised): the commands
// then see an empty selection.
HRESULT RunShowLocation(const ImageSelection* selection);
HRESULT RunGetLocation(const ImageSelection* selection);
HRESULT RunEditLocation(HWND owner, const ImageSelection* selection);
HRESULT RunAbout(HWND owner);
HRESULT RunGeotagFromTrack(HWND owner, const ImageSelection* selection);
