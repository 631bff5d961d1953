// The three notations in which latitudes and longitudes are shown and typed,
// and the arithmetic between an angle and the parts a notation shows.
// Angles are radians inside the product; the parts are degrees.
#pragma once
#include <cstdint>

#include "support/platform.h"

// Also the value of the stored setting. Any other value names no notation.
enum CoordNotation : uint32_t {
    DecimalDegrees = 1,         // +-DDD.dddddd°
    DegreesMinutes = 2,         // DDD° MM.mmmm' N
    DegreesMinutesSeconds = 3,  // DDD° MM' SS.ss'' N
};

const double kMinutesPerDegree = 60.0;
const double kDegreesPerMinute = 0.016666666666666666;
const double kDegreesPerSecond = 0.0002777777777777778;

// An angle in degrees as notations 2 and 3 show it. Nothing is rounded or
// carried: the real parts are rounded only when printed.
struct AngleParts {
    char hemisphere;        // 'N' or 'S' for a latitude, 'E' or 'W' for a longitude
    uint32_t degrees;       // whole degrees of the absolute value
    double decimalMinutes;  // notation 2
    uint32_t minutes;       // notation 3: whole minutes
    double seconds;         // notation 3
};

double RadiansToDegrees(double radians);
// Degrees as the coordinates dialog shows a latitude or longitude: above 180
// the angle is taken 360 lower.
double RadiansToShownDegrees(double radians);

char LatitudeHemisphere(double degrees);   // 'N' from 0 up, else 'S'
char LongitudeHemisphere(double degrees);  // 'E' from 0 up, else 'W'
AngleParts SplitLatitude(double degrees);
AngleParts SplitLongitude(double degrees);

// Typed parts back to signed degrees; negative for "S" or "W".
double CombineDegreesMinutes(uint32_t degrees, double minutes, BOOL negative);
double CombineDegreesMinutesSeconds(uint32_t degrees, uint32_t minutes, double seconds,
                                    BOOL negative);

// Typed degrees to the stored radians, normalised: a latitude above 90 is
// taken 180 lower (100 -> -80), a longitude above 180 is taken 360 lower
// (190 -> -170), a heading is the remainder by 360 (370 -> 10). Each keeps
// the remainder's sign, so -100 stays -100.
double LatitudeToRadians(double degrees);
double LongitudeToRadians(double degrees);
double HeadingToRadians(double degrees);

// Truncation toward zero that stays defined for every double: values beyond
// the range give its nearest end, "not a number" gives 0.
int32_t TruncateToInt32(double value);
uint32_t TruncateToUInt32(double value);
