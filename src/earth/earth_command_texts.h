// Messages of the two Google Earth commands, shown in narrow message boxes
// (texts of the ANSI code page).
#pragma once
#include <windows.h>

// "Show location in Google Earth" (no owner window).
const UINT kShowLocationMessageFlags = MB_SETFOREGROUND | MB_ICONERROR;
const char kKmlCreateFailedMessage[] = "Couldn't create temporary KML file!";
// Takes the shell's result as a decimal number.
const char kEarthLaunchFailedFormat[] = "Couldn't launch Google Earth client!\n(Error code: %d)";
const size_t kShowLocationMessageCapacity = 256;

// "Get location from Google Earth". The confirmation takes the position line
// already converted to the ANSI code page.
const char kGetLocationConfirmOne[] =
    "The Google Earth client's current position is\n%s.\n\n"
    "Coordinates will be assigned to the image file.";
const char kGetLocationConfirmMany[] =
    "The Google Earth client's current position is\n%s.\n\n"
    "Coordinates will be assigned to %ld image files.";
