// Reading positions from pasted text: the accepted and rejected forms, the
// 90 and 180 degree limits, and the two hemisphere-letter faults mended.
#include <gtest/gtest.h>

#include <string>

#include "notation/coord_parse.h"
#include "support/geo_position.h"

namespace {

struct Parsed {
    BOOL ok;
    double latitude;   // degrees
    double longitude;  // degrees
};

Parsed Parse(const std::wstring& text)
{
    double latitude = 99.0;
    double longitude = 99.0;
    BOOL ok = ParsePositionText(text.c_str(), &latitude, &longitude);
    if (!ok) {
        // A failure leaves both values 0.
        EXPECT_EQ(0.0, latitude) << "text: " << testing::PrintToString(text);
        EXPECT_EQ(0.0, longitude) << "text: " << testing::PrintToString(text);
    }
    return Parsed{ok, latitude * kDegreesPerRadian, longitude * kDegreesPerRadian};
}

void ExpectPosition(const std::wstring& text, double latitude, double longitude)
{
    SCOPED_TRACE(testing::PrintToString(text));
    Parsed parsed = Parse(text);
    ASSERT_TRUE(parsed.ok);
    EXPECT_NEAR(latitude, parsed.latitude, 1e-9);
    EXPECT_NEAR(longitude, parsed.longitude, 1e-9);
}

void ExpectRejected(const std::wstring& text)
{
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_FALSE(Parse(text).ok);
}

TEST(ParsePositionText, AcceptedExamples)
{
    ExpectPosition(L"48.137154, 11.575382", 48.137154, 11.575382);
    ExpectPosition(L"-33.8568, 151.2153", -33.8568, 151.2153);
    ExpectPosition(L"48\u00b0 08' 13.75'' N 011\u00b0 34' 31.38'' E",
                   48.0 + 8.0 / 60.0 + 13.75 / 3600.0, 11.0 + 34.0 / 60.0 + 31.38 / 3600.0);
    ExpectPosition(L"33\u00b0 51.407' S, 151\u00b0 12.918' E",
                   -(33.0 + 51.407 / 60.0), 151.0 + 12.918 / 60.0);
    ExpectPosition(L"48\u00b0 N 11\u00b0 E", 48.0, 11.0);
    ExpectPosition(L"12.5\u00b0 S\t77\u00b0 30' W", -12.5, -77.5);
}

TEST(ParsePositionText, DecimalFormIgnoresWhatFollowsEachNumber)
{
    ExpectPosition(L"48.1xyz, 11.5", 48.1, 11.5);
    ExpectPosition(L"48.1 n, 11.5 e", 48.1, 11.5);
    ExpectPosition(L"  +48.1 ,  -1.5e1 ", 48.1, -15.0);
}

TEST(ParsePositionText, RejectedExamples)
{
    ExpectRejected(L"48.137154 N, 11.575382 E");                          // no degree sign
    ExpectRejected(L"48\u00b0 08' 13.75\" N 011\u00b0 34' 31.38\" E");    // " for ''
    ExpectRejected(L"-48\u00b0 8' N, 11\u00b0 E");                        // sign with letters
    ExpectRejected(L"48\u00b0 8' N, +11\u00b0 E");
    ExpectRejected(L"11\u00b0 E, 48\u00b0 N");                            // longitude first
    ExpectRejected(L"48.1 11.5");                                         // no comma
    ExpectRejected(L"");
    ExpectRejected(L"hello, world");
    ExpectRejected(L"48\u00b0\u00b0 N, 11\u00b0 E");                      // two degree signs
    ExpectRejected(L"48\u00b0 8 N, 11\u00b0 E");                          // minutes without mark
    ExpectRejected(L"48\u00b0 8'' N, 11\u00b0 E");                        // two marks on minutes
    ExpectRejected(L"48\u00b0 8' 13' N, 11\u00b0 E");                     // one mark on seconds
    ExpectRejected(L"48.1, 11.5 W");                                      // letter in decimal form
}

TEST(ParsePositionText, NumbersThatAreNotFiniteAreRejected)
{
    ExpectRejected(L"nan, 11.5");
    ExpectRejected(L"48.1, inf");
    ExpectRejected(L"1e999, 11.5");
    ExpectRejected(L"48\u00b0 1e999' N, 11\u00b0 E");
}

TEST(ParsePositionText, NinetyAndOneHundredEightyDegreesAreTheLimits)
{
    ExpectPosition(L"90, 0", 90.0, 0.0);
    ExpectPosition(L"-90, -180", -90.0, -180.0);
    ExpectPosition(L"0, 180", 0.0, 180.0);
    ExpectPosition(L"90\u00b0 S, 180\u00b0 W", -90.0, -180.0);
    ExpectRejected(L"90.0000001, 0");
    ExpectRejected(L"-90.0000001, 0");
    ExpectRejected(L"0, 180.0000001");
    ExpectRejected(L"89\u00b0 60.0001' N, 0\u00b0 E");
    // The parser's constants give exactly pi/2 and pi at the limits.
    double latitude = 0.0;
    double longitude = 0.0;
    ASSERT_TRUE(ParsePositionText(L"90, -180", &latitude, &longitude));
    EXPECT_EQ(kLatitudeLimit, latitude);
    EXPECT_EQ(-kLongitudeLimit, longitude);
}

TEST(ParsePositionText, LetterWithoutSeparatorKeepsTheLongitudeWhole)
{
    // Once the character after N was swallowed, which lost the 1 of 11.
    ExpectPosition(L"48\u00b0N11\u00b0E", 48.0, 11.0);
    ExpectPosition(L"48\u00b0N11\u00b0W", 48.0, -11.0);
    ExpectPosition(L"48\u00b0 08'S151\u00b0 12'E", -(48.0 + 8.0 / 60.0), 151.2);
    // One blank or tab after the letter is the separator, as before.
    ExpectPosition(L"48\u00b0N 11\u00b0E", 48.0, 11.0);
    ExpectPosition(L"48\u00b0N\t11\u00b0E", 48.0, 11.0);
}

TEST(ParsePositionText, LowerCaseSouthOrWestMakesDecimalTextInvalid)
{
    // These would otherwise be read silently as north and east.
    ExpectRejected(L"33.85 s, 151.2 e");
    ExpectRejected(L"33.85, 151.2 w");
    ExpectRejected(L"-33.85 south, 151.2");
    ExpectPosition(L"33.85 n, 151.2 e", 33.85, 151.2);
}

TEST(ParsePositionText, OnlyTheFirst63CharactersAreRead)
{
    std::wstring padding(55, L' ');
    // The first 63 characters end with "48.1, 11".
    ExpectPosition(padding + L"48.1, 11.5678", 48.1, 11.0);
}

TEST(ParseCoordinate, DegreeSignSyntax)
{
    double value = 7.0;
    ASSERT_TRUE(ParseCoordinate(L"48\u00b0 30' 36''", FALSE, kLatitudeLimit, &value));
    EXPECT_NEAR(48.51, value * kDegreesPerRadian, 1e-12);
    ASSERT_TRUE(ParseCoordinate(L"48 \u00b0 30 ' S", FALSE, kLatitudeLimit, &value));
    EXPECT_NEAR(-48.5, value * kDegreesPerRadian, 1e-12);
    ASSERT_TRUE(ParseCoordinate(L"  151\u00b0", FALSE, kLongitudeLimit, &value));
    EXPECT_NEAR(151.0, value * kDegreesPerRadian, 1e-12);

    EXPECT_FALSE(ParseCoordinate(L"-48\u00b0", FALSE, kLatitudeLimit, &value));
    EXPECT_EQ(0.0, value);
    EXPECT_FALSE(ParseCoordinate(L"48", FALSE, kLatitudeLimit, &value));
    EXPECT_FALSE(ParseCoordinate(L"\u00b0 48", FALSE, kLatitudeLimit, &value));
    EXPECT_FALSE(ParseCoordinate(L"151\u00b0", FALSE, kLatitudeLimit, &value));
}

TEST(ParseCoordinate, DecimalSyntaxTakesTheSignAndIgnoresLetters)
{
    double value = 7.0;
    ASSERT_TRUE(ParseCoordinate(L"-33.5 S", TRUE, kLatitudeLimit, &value));
    EXPECT_NEAR(-33.5, value * kDegreesPerRadian, 1e-12);
    ASSERT_TRUE(ParseCoordinate(L"33.5 S", TRUE, kLatitudeLimit, &value));
    EXPECT_NEAR(33.5, value * kDegreesPerRadian, 1e-12);
    ASSERT_TRUE(ParseCoordinate(L".5", TRUE, kLatitudeLimit, &value));
    EXPECT_NEAR(0.5, value * kDegreesPerRadian, 1e-12);
    EXPECT_FALSE(ParseCoordinate(L"x1", TRUE, kLatitudeLimit, &value));
    EXPECT_FALSE(ParseCoordinate(L"-", TRUE, kLatitudeLimit, &value));
    // Hexadecimal is not a form of number here: only the 0 before the x is read.
    ASSERT_TRUE(ParseCoordinate(L"0x5A", TRUE, kLatitudeLimit, &value));
    EXPECT_EQ(0.0, value);
}

}  // namespace
