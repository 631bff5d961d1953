// Reading latitudes and longitudes from text, such as a position copied from
// a web page or a map program.
#pragma once

#include "support/platform.h"

// Largest absolute values accepted, in radians: 90 and 180 degrees.
const double kLatitudeLimit = 1.5707963267948966;
const double kLongitudeLimit = 3.141592653589793;

// Reads one angle into *radians (0 on failure).
// decimalOnly: a signed decimal number of degrees; anything after it is
//   ignored ("48.1 n").
// Otherwise degrees with a degree sign, optionally minutes with one
//   apostrophe and seconds with two: 48° 08' 13.75'' N. The number of
//   degrees may not be negative; an upper-case "S" or "W" anywhere in the
//   text makes the angle negative.
// Fails when the absolute value exceeds limit (radians); the limit itself passes.
BOOL ParseCoordinate(const wchar_t* text, BOOL decimalOnly, double limit, double* radians);

// Reads a latitude and a longitude from one text of up to 63 characters
// (longer texts are read from their first 63), in one of two forms:
//   decimal:    48.137154, 11.575382   or   -33.8568, 151.2153
//   hemisphere: 48° 08' 13.75'' N 011° 34' 31.38'' E  or  33° 51.407' S, 151° 12.918' E
// On failure both outputs are 0. Altitude and heading are not read.
BOOL ParsePositionText(const wchar_t* text, double* latitude, double* longitude);
