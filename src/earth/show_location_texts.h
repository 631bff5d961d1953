// Messages of the "Show location in Google Earth" command (MessageBoxA, no
// owner window).
#pragma once
#include <windows.h>

const char kShowLocationTitle[] = "Vantrelo Zerli";
const UINT kShowLocationMessageFlags = MB_SETFOREGROUND | MB_ICONERROR;
const char kKmlCreateFailedMessage[] = "Couldn't create temporary KML file!";
// Takes the shell's result as a decimal number.
const char kEarthLaunchFailedFormat[] = "Couldn't launch Google Earth client!\n(Error code: %d)";
const size_t kShowLocationMessageCapacity = 256;
