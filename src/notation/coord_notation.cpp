#include "notation/coord_notation.h"

#include <cmath>

#include "support/geo_position.h"

namespace {

AngleParts Split(double degrees, char hemisphere)
{
    AngleParts parts;
    parts.hemisphere = hemisphere;
    double absolute = std::fabs(degrees);
    parts.degrees = TruncateToUInt32(absolute);
    double fraction = absolute - parts.degrees;
    parts.decimalMinutes = fraction * kMinutesPerDegree;
    parts.minutes = TruncateToUInt32(parts.decimalMinutes);
    parts.seconds = (parts.decimalMinutes - parts.minutes) * kMinutesPerDegree;
    return parts;
}

}  // namespace

double RadiansToDegrees(double radians)
{
    return radians * kDegreesPerRadian;
}

double RadiansToShownDegrees(double radians)
{
    double degrees = RadiansToDegrees(radians);
    if (degrees > 180.0) {
        degrees -= 360.0;
    }
    return degrees;
}

char LatitudeHemisphere(double degrees)
{
    return degrees >= 0.0 ? 'N' : 'S';
}

char LongitudeHemisphere(double degrees)
{
    return degrees >= 0.0 ? 'E' : 'W';
}

AngleParts SplitLatitude(double degrees)
{
    return Split(degrees, LatitudeHemisphere(degrees));
}

AngleParts SplitLongitude(double degrees)
{
    return Split(degrees, LongitudeHemisphere(degrees));
}

double CombineDegreesMinutes(uint32_t degrees, double minutes, BOOL negative)
{
    double value = degrees + minutes * kDegreesPerMinute;
    return negative ? -value : value;
}

double CombineDegreesMinutesSeconds(uint32_t degrees, uint32_t minutes, double seconds,
                                    BOOL negative)
{
    double value = degrees + minutes * kDegreesPerMinute;
    value += seconds * kDegreesPerSecond;
    return negative ? -value : value;
}

double LatitudeToRadians(double degrees)
{
    double r = std::fmod(degrees, 180.0);
    if (r > 90.0) {
        r -= 180.0;
    }
    return r * kRadiansPerDegree;
}

double LongitudeToRadians(double degrees)
{
    double r = std::fmod(degrees, 360.0);
    if (r > 180.0) {
        r -= 360.0;
    }
    return r * kRadiansPerDegree;
}

double HeadingToRadians(double degrees)
{
    return std::fmod(degrees, 360.0) * kRadiansPerDegree;
}

int32_t TruncateToInt32(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

uint32_t TruncateToUInt32(double value)
{
    if (std::isnan(value) || value <= 0.0) {
        return 0;
    }
    if (value >= 4294967295.0) {
        return UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}
