// Pictures of windows as they are on the screen.
#pragma once
#include <windows.h>

#include <string>

namespace shell_driver {

// Writes what the screen shows of the window (caption and frame included)
// as a 24-bit BMP file at path (a Windows path). False when the window has
// no area or the file cannot be written.
bool SaveWindowPicture(HWND window, const std::wstring& path);

}  // namespace shell_driver
