// Splitting angles into the parts of a notation and recombining typed parts,
// with the normalisation of latitudes, longitudes and headings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "notation/coord_notation.h"
#include "support/geo_position.h"

namespace {

double InDegrees(double radians)
{
    return radians * kDegreesPerRadian;
}

TEST(CoordNotation, SplitGivesHemisphereWholeDegreesMinutesAndSeconds)
{
    AngleParts lat = SplitLatitude(48.137154);
    EXPECT_EQ('N', lat.hemisphere);
    EXPECT_EQ(48u, lat.degrees);
    EXPECT_NEAR(8.22924, lat.decimalMinutes, 1e-9);
    EXPECT_EQ(8u, lat.minutes);
    EXPECT_NEAR(13.7544, lat.seconds, 1e-7);

    AngleParts south = SplitLatitude(-33.856784);
    EXPECT_EQ('S', south.hemisphere);
    EXPECT_EQ(33u, south.degrees);
    EXPECT_NEAR(51.40704, south.decimalMinutes, 1e-9);

    AngleParts west = SplitLongitude(-0.5);
    EXPECT_EQ('W', west.hemisphere);
    EXPECT_EQ(0u, west.degrees);
    EXPECT_DOUBLE_EQ(30.0, west.decimalMinutes);
    EXPECT_EQ(30u, west.minutes);
    EXPECT_DOUBLE_EQ(0.0, west.seconds);

    EXPECT_EQ('N', SplitLatitude(0.0).hemisphere);
    EXPECT_EQ('E', SplitLongitude(0.0).hemisphere);
}

TEST(CoordNotation, ShownDegreesTakeAnglesAbove180As360Lower)
{
    EXPECT_DOUBLE_EQ(-160.0, RadiansToShownDegrees(200.0 * kRadiansPerDegree));
    EXPECT_DOUBLE_EQ(180.0, RadiansToShownDegrees(kPi));
    EXPECT_DOUBLE_EQ(200.0, RadiansToDegrees(200.0 * kRadiansPerDegree));
}

TEST(CoordNotation, RecombinationAddsMinutesThenSecondsAndAppliesTheHemisphere)
{
    EXPECT_DOUBLE_EQ(48.5, CombineDegreesMinutes(48, 30.0, FALSE));
    EXPECT_DOUBLE_EQ(-(33.0 + 51.407 * kDegreesPerMinute), CombineDegreesMinutes(33, 51.407, TRUE));
    double expected = (48.0 + 8.0 * kDegreesPerMinute) + 13.75 * kDegreesPerSecond;
    EXPECT_DOUBLE_EQ(expected, CombineDegreesMinutesSeconds(48, 8, 13.75, FALSE));
    EXPECT_DOUBLE_EQ(-expected, CombineDegreesMinutesSeconds(48, 8, 13.75, TRUE));
}

TEST(CoordNotation, SplitAndRecombinationRoundTrip)
{
    const double angles[] = {48.137154, -33.856784, 151.215297, -0.5, 89.999999};
    for (double angle : angles) {
        AngleParts parts = SplitLongitude(angle);
        BOOL negative = parts.hemisphere == 'W';
        EXPECT_NEAR(angle, CombineDegreesMinutes(parts.degrees, parts.decimalMinutes, negative), 1e-12);
        EXPECT_NEAR(angle, CombineDegreesMinutesSeconds(parts.degrees, parts.minutes, parts.seconds, negative),
                    1e-12);
    }
}

TEST(CoordNotation, LatitudeNormalisation)
{
    EXPECT_DOUBLE_EQ(-80.0, InDegrees(LatitudeToRadians(100.0)));
    EXPECT_DOUBLE_EQ(90.0, InDegrees(LatitudeToRadians(90.0)));
    EXPECT_DOUBLE_EQ(-85.0, InDegrees(LatitudeToRadians(CombineDegreesMinutes(95, 0.0, FALSE))));
    // Below -90 the remainder keeps its sign and nothing changes.
    EXPECT_DOUBLE_EQ(-100.0, InDegrees(LatitudeToRadians(-100.0)));
    EXPECT_DOUBLE_EQ(48.5 * kRadiansPerDegree, LatitudeToRadians(48.5));
}

TEST(CoordNotation, LongitudeAndHeadingNormalisation)
{
    EXPECT_DOUBLE_EQ(-170.0, InDegrees(LongitudeToRadians(190.0)));
    EXPECT_DOUBLE_EQ(180.0, InDegrees(LongitudeToRadians(180.0)));
    EXPECT_DOUBLE_EQ(-160.0, InDegrees(LongitudeToRadians(200.0)));
    EXPECT_DOUBLE_EQ(-200.0, InDegrees(LongitudeToRadians(-200.0)));
    EXPECT_DOUBLE_EQ(10.0, InDegrees(HeadingToRadians(370.0)));
    EXPECT_DOUBLE_EQ(40.0, InDegrees(HeadingToRadians(400.0)));
}

TEST(CoordNotation, TruncationIsDefinedForEveryValue)
{
    EXPECT_EQ(519, TruncateToInt32(519.9));
    EXPECT_EQ(-12, TruncateToInt32(-12.7));
    EXPECT_EQ(0, TruncateToInt32(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(INT32_MAX, TruncateToInt32(1e300));
    EXPECT_EQ(INT32_MIN, TruncateToInt32(-1e300));
    EXPECT_EQ(359u, TruncateToUInt32(359.99));
    EXPECT_EQ(0u, TruncateToUInt32(-3.0));
    EXPECT_EQ(UINT32_MAX, TruncateToUInt32(std::numeric_limits<double>::infinity()));
    AngleParts absurd = SplitLatitude(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(0u, absurd.degrees);
    EXPECT_EQ(0u, absurd.minutes);
}

}  // namespace
