// Texts of "Get location from Google Earth".
#pragma once

// "Get location from Google Earth". The confirmation takes the position line
// already converted to the ANSI code page of the narrow message box.
constexpr char kGetLocationFailedMessage[] = "Couldn't get the current position from the Google Earth client!";
constexpr char kGetLocationConfirmOne[] =
    "The Google Earth client's current position is\n%s.\n\n"
    "Coordinates will be assigned to the image file.";
constexpr char kGetLocationConfirmMany[] =
    "The Google Earth client's current position is\n%s.\n\n"
    "Coordinates will be assigned to %ld image files.";
