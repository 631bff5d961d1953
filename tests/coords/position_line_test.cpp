// The one-line text of a position in the three notations, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "notation/position_line.h"

namespace {

GeoPosition Degrees(double latitude, double longitude, double altitude = 0.0, double heading = 0.0)
{
    GeoPosition position;
    position.known = TRUE;
    position.latitude = latitude * kRadiansPerDegree;
    position.longitude = longitude * kRadiansPerDegree;
    position.altitude = altitude;
    position.heading = heading * kRadiansPerDegree;
    return position;
}

std::wstring Line(const GeoPosition& position, uint32_t notation, BOOL suffix, size_t capacity = 64)
{
    wchar_t buffer[128];
    for (wchar_t& ch : buffer) {
        ch = L'#';
    }
    FormatPositionLine(position, notation, suffix, buffer, capacity);
    return buffer;
}

TEST(PositionLine, ThreeNotationsOfTheExamples)
{
    EXPECT_EQ(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0",
              Line(Degrees(48.137154, 11.575382, 519.7, 45.6), DecimalDegrees, TRUE));
    EXPECT_EQ(L"33\u00b0 51.4070' S / 151\u00b0 12.9178' E",
              Line(Degrees(-33.856784, 151.215297), DegreesMinutes, FALSE));
    EXPECT_EQ(L"48\u00b0 08' 13.75'' N / 011\u00b0 34' 31.38'' E",
              Line(Degrees(48.137154, 11.575382), DegreesMinutesSeconds, FALSE));
}

TEST(PositionLine, DecimalDegreesKeepTheSignAndAPoint)
{
    EXPECT_EQ(L"-33.856784\u00b0 / -0.500000\u00b0",
              Line(Degrees(-33.856784, -0.5), DecimalDegrees, FALSE));
}

TEST(PositionLine, HemisphereLettersAndPadding)
{
    // 0 is north and east; whole degrees are padded, minutes and seconds are not.
    EXPECT_EQ(L"00\u00b0 0.0000' N / 000\u00b0 30.0000' W",
              Line(Degrees(0.0, -0.5), DegreesMinutes, FALSE));
    EXPECT_EQ(L"05\u00b0 8.2292' N / 011\u00b0 0.0000' E",
              Line(Degrees(5.137154, 11.0), DegreesMinutes, FALSE));
    EXPECT_EQ(L"48\u00b0 30' 0.00'' N / 000\u00b0 00' 0.00'' E",
              Line(Degrees(48.5, 0.0), DegreesMinutesSeconds, FALSE));
}

TEST(PositionLine, RoundingIsNotCarriedIntoMinutesOrDegrees)
{
    EXPECT_EQ(L"10\u00b0 60.0000' N / 020\u00b0 60.0000' W",
              Line(Degrees(10.99999999, -20.99999999), DegreesMinutes, FALSE));
    double almost = 10.0 + 59.0 / 60.0 + 59.999 / 3600.0;
    EXPECT_EQ(L"10\u00b0 59' 60.00'' N / 010\u00b0 59' 60.00'' E",
              Line(Degrees(almost, almost), DegreesMinutesSeconds, FALSE));
}

TEST(PositionLine, SuffixRoundsTheHeadingAndTruncatesTheAltitude)
{
    EXPECT_EQ(L"1.000000\u00b0 / 2.000000\u00b0 / -12 m / -> 360\u00b0",
              Line(Degrees(1.0, 2.0, -12.9, 359.6), DecimalDegrees, TRUE));
    EXPECT_EQ(L"1.000000\u00b0 / 2.000000\u00b0 / 0 m / -> 359\u00b0",
              Line(Degrees(1.0, 2.0, 0.4, 359.4), DecimalDegrees, TRUE));
    EXPECT_EQ(L"48\u00b0 08' 13.75'' N / 011\u00b0 34' 31.38'' E / 519 m / -> 000\u00b0",
              Line(Degrees(48.137154, 11.575382, 519.7, 0.0), DegreesMinutesSeconds, TRUE));
}

TEST(PositionLine, SuffixIsLeftOffWhenItDoesNotFitWhole)
{
    GeoPosition position = Degrees(48.137154, 11.575382, 519.7, 45.6);
    // 23 characters of line and 18 of suffix: 41 need a capacity of 42.
    EXPECT_EQ(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0",
              Line(position, DecimalDegrees, TRUE, 42));
    EXPECT_EQ(L"48.137154\u00b0 / 11.575382\u00b0", Line(position, DecimalDegrees, TRUE, 41));
    EXPECT_EQ(L"48.137154\u00b0 / 11.575382\u00b0", Line(position, DecimalDegrees, TRUE, 24));
}

TEST(PositionLine, LongLineIsCutAndTerminated)
{
    GeoPosition position = Degrees(48.137154, 11.575382, 519.7, 45.6);
    EXPECT_EQ(L"48.137154", Line(position, DecimalDegrees, TRUE, 10));
    EXPECT_EQ(L"", Line(position, DecimalDegrees, TRUE, 1));
}

TEST(PositionLine, UnknownNotationGivesAnEmptyText)
{
    GeoPosition position = Degrees(48.137154, 11.575382, 519.7, 45.6);
    EXPECT_EQ(L"", Line(position, 0, TRUE));
    EXPECT_EQ(L"", Line(position, 4, TRUE));
}

}  // namespace
