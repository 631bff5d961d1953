// The time scale of tracks and photos: GPX times, Exif dates and offsets.
#include <gtest/gtest.h>

#include <cstring>

#include "track/track_time.h"

namespace {

double Track(const wchar_t* text)
{
    double seconds = -1;
    EXPECT_TRUE(ParseTrackTime(text, &seconds)) << text;
    return seconds;
}

bool TrackRefused(const wchar_t* text)
{
    double seconds = 123;
    bool parsed = ParseTrackTime(text, &seconds);
    return !parsed && seconds == 123;
}

bool ExifDate(const char* text, double* seconds)
{
    return ParseExifDateTime(text, std::strlen(text) + 1, seconds);
}

}  // namespace

TEST(TrackTime, CivilDaysCountFromNineteenSeventyAcrossLeapRules)
{
    EXPECT_EQ(0.0, CivilDaySeconds(1970, 1, 1));
    EXPECT_EQ(951782400.0, CivilDaySeconds(2000, 2, 29));
    EXPECT_EQ(951868800.0, CivilDaySeconds(2000, 3, 1));
    EXPECT_EQ(4107542400.0, CivilDaySeconds(2100, 3, 1));  // 2100 is no leap year
    EXPECT_EQ(CivilDaySeconds(2100, 3, 1) - 86400.0, CivilDaySeconds(2100, 2, 28));
    EXPECT_EQ(-86400.0, CivilDaySeconds(1969, 12, 31));
    EXPECT_EQ(253402214400.0, CivilDaySeconds(9999, 12, 31));
}

TEST(TrackTime, GpxTimesWithZonesAndFractionsBecomeUtc)
{
    EXPECT_EQ(1714557600.0, Track(L"2024-05-01T10:00:00Z"));
    EXPECT_EQ(1714557600.0, Track(L"2024-05-01T10:00:00"));  // no zone: UTC
    EXPECT_EQ(1714557600.0, Track(L"2024-05-01T12:00:00+02:00"));
    EXPECT_EQ(1714557600.0, Track(L"2024-05-01T04:30:00-0530"));
    EXPECT_EQ(1714557600.0, Track(L"2024-05-01T15:00:00+05"));
    EXPECT_EQ(1714557600.25, Track(L"2024-05-01T10:00:00.25Z"));
    EXPECT_EQ(1714557600.5, Track(L"  2024-05-01T10:00:00.500000000000Z \n"));
    EXPECT_EQ(1709164800.0, Track(L"2024-02-29T00:00:00Z"));
    // A leap second reads as the next minute's first second.
    EXPECT_EQ(Track(L"2016-12-31T23:59:60Z"), Track(L"2017-01-01T00:00:00Z"));
}

TEST(TrackTime, MalformedGpxTimesAreRefusedUntouched)
{
    for (const wchar_t* text : {L"", L"2024-05-01", L"2024-05-01 10:00:00Z", L"2024-05-01t10:00:00Z",
                                L"2024-13-01T10:00:00Z", L"2023-02-29T10:00:00Z", L"2024-05-01T24:00:00Z",
                                L"2024-05-01T10:60:00Z", L"2024-05-01T10:00:00.Z", L"2024-05-01T10:00:00ZZ",
                                L"2024-05-01T10:00:00+15:00", L"2024-05-01T10:00:00+02:7", L"24-05-01T10:00:00Z",
                                L"0000-01-01T00:00:00Z", L"2024-05-01T10:00:00 junk"})
        EXPECT_TRUE(TrackRefused(text)) << text;
    EXPECT_FALSE(ParseTrackTime(nullptr, nullptr));
}

TEST(TrackTime, ExifDatesAreTheCameraClockAndRefuseBlanks)
{
    double seconds = 0;
    ASSERT_TRUE(ExifDate("2024:05:01 12:00:00", &seconds));
    EXPECT_EQ(1714564800.0, seconds);
    // Padding after the text is allowed; anything else is not.
    EXPECT_TRUE(ParseExifDateTime("2024:05:01 12:00:00\0\0 ", 22, &seconds));
    EXPECT_TRUE(ParseExifDateTime("2024:05:01 12:00:00", 19, &seconds));
    for (const char* text : {"    :  :     :  :  ", "0000:00:00 00:00:00", "2024:05:01 12:00", "2024-05-01 12:00:00",
                             "2024:02:30 12:00:00", "2024:05:01 12:00:00Z", "2024:05:01T12:00:00"})
        EXPECT_FALSE(ExifDate(text, &seconds)) << text;
    // A length that cuts the text short.
    EXPECT_FALSE(ParseExifDateTime("2024:05:01 12:00:00", 18, &seconds));
}

TEST(TrackTime, ExifOffsetsAreSignedMinutesWithinFourteenHours)
{
    int minutes = 0;
    EXPECT_TRUE(ParseExifUtcOffset("+02:00", 7, &minutes));
    EXPECT_EQ(120, minutes);
    EXPECT_TRUE(ParseExifUtcOffset("-09:30", 6, &minutes));
    EXPECT_EQ(-570, minutes);
    EXPECT_TRUE(ParseExifUtcOffset("+14:00", 7, &minutes));
    EXPECT_EQ(840, minutes);
    for (const char* text : {"", "02:00", "+2:00", "+14:01", "+02:60", "+0200", "   :  "})
        EXPECT_FALSE(ParseExifUtcOffset(text, std::strlen(text) + 1, &minutes)) << text;
}
