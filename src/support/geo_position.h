// GeoPosition: one place on the Earth, handed by value between the photo
// engine, the KML writer, the Google Earth client and the coordinates dialog.
// Angles are radians everywhere inside the product; degrees appear only in
// texts and in the Exif tags.
#pragma once
#include "support/platform.h"

struct GeoPosition {
    // FALSE: the four numbers mean nothing, and writing such a position into
    // a photo removes its position tags.
    BOOL known = FALSE;
    // Radians, north positive, -pi/2 .. pi/2 when read from or written to a photo.
    double latitude = 0.0;
    // Radians, east positive, -pi .. pi when read from or written to a photo.
    double longitude = 0.0;
    // Metres, negative below sea level; 0 when the source records none.
    double altitude = 0.0;
    // Radians clockwise from true north; 0 when the source records none.
    double heading = 0.0;
};

// Conversion constants shared by every subsystem.
const double kDegreesPerRadian = 57.29577951308232;
const double kRadiansPerDegree = 0.017453292519943295;
const double kPi = 3.141592653589793;
const double kHalfPi = 1.5707963267948966;
