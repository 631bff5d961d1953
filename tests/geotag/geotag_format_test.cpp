// The texts of the geotagging dialog: offsets to UTC and the list of them,
// times on the track time scale, the clock correction as typed, and a
// position in the user's notation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "notation/coord_notation.h"
#include "geotag/geotag_format.h"
#include "geotag/gps_clock.h"
#include "track/track_time.h"

namespace {

std::wstring Offset(int minutes)
{
    wchar_t text[kGeotagTextCapacity];
    FormatUtcOffset(minutes, text, kGeotagTextCapacity);
    return text;
}

std::wstring Time(double seconds)
{
    wchar_t text[kGeotagTextCapacity];
    FormatTrackTime(seconds, text, kGeotagTextCapacity);
    return text;
}

TEST(GeotagTexts, OffsetsAreShownWithTheirSignAndOthersBecomeTheNearestListedOne)
{
    EXPECT_EQ(Offset(0), L"UTC+00:00");
    EXPECT_EQ(Offset(-210), L"UTC-03:30");
    EXPECT_EQ(Offset(345), L"UTC+05:45");
    EXPECT_EQ(Offset(-15), L"UTC-00:15");
    EXPECT_EQ(NearestListedOffset(127), 120);
    EXPECT_EQ(NearestListedOffset(128), 135);
    EXPECT_EQ(NearestListedOffset(-8), -15);
    EXPECT_EQ(NearestListedOffset(-780), -720);  // -13:00 lies before the list
    EXPECT_EQ(NearestListedOffset(900), 840);
    for (int minutes = kMinListedOffsetMinutes; minutes <= kMaxListedOffsetMinutes; ++minutes) {
        int listed = NearestListedOffset(minutes);
        EXPECT_EQ(0, listed % kListedOffsetStepMinutes) << minutes;
        EXPECT_LE(std::abs(listed - minutes), 7) << minutes;
    }
}

TEST(GeotagTexts, TrackTimesAreShownAsDateAndTimeOfDayWithinTheYearsOneTo9999)
{
    EXPECT_EQ(Time(0), L"1970-01-01 00:00:00");
    EXPECT_EQ(Time(-0.5), L"1969-12-31 23:59:59");  // the fraction is dropped, downwards
    EXPECT_EQ(Time(1714559400.75), L"2024-05-01 10:30:00");
    EXPECT_EQ(Time(CivilDaySeconds(2024, 2, 29) + 86399), L"2024-02-29 23:59:59");
    EXPECT_EQ(Time(CivilDaySeconds(1900, 3, 1) - 1), L"1900-02-28 23:59:59");
    EXPECT_EQ(Time(CivilDaySeconds(1, 1, 1)), L"0001-01-01 00:00:00");
    EXPECT_EQ(Time(CivilDaySeconds(9999, 12, 31) + 86399), L"9999-12-31 23:59:59");
    for (double outside : {CivilDaySeconds(1, 1, 1) - 1, CivilDaySeconds(9999, 12, 31) + 86400, double(NAN),
                           double(INFINITY), -1e300})
        EXPECT_EQ(Time(outside), L"?") << outside;
}

TEST(GeotagTexts, TheClockCorrectionIsASignedWholeNumberOfSecondsWithinTenDays)
{
    const struct {
        const wchar_t* text;
        int seconds;
    } good[] = {{L"+90", 90}, {L"  -3600 ", -3600}, {L"", 0}, {L"864000", 864000}, {L"-864000", -864000},
                {L"0000007", 7}};
    for (const auto& entry : good) {
        int seconds = 12345;
        EXPECT_TRUE(ParseClockCorrection(entry.text, &seconds)) << entry.seconds;
        EXPECT_EQ(entry.seconds, seconds);
    }
    for (const wchar_t* text : {L"864001", L"-864001", L"99999999", L"1.5", L"12a", L"-", L"--3", L"1 2", L"0x10",
                                L"\uff11\uff12"}) {
        int seconds = 12345;
        EXPECT_FALSE(ParseClockCorrection(text, &seconds)) << std::wstring(text).size();
        EXPECT_EQ(12345, seconds) << "untouched";
    }
}

// A time of day read off a GPS's screen is taken on the day nearest to the
// photo's moment, also across midnight and in another zone.
TEST(GeotagTexts, AGpsScreensTimeOfDayIsTakenOnTheNearestDay)
{
    const double midnight = CivilDaySeconds(2024, 5, 2);
    const struct { const wchar_t* shown; int zoneMinutes; double cameraUtc; int correction; } rows[] = {
        {L"23:59:30", 0, midnight + 10, -40},
        {L"00:00:20", 0, midnight - 10, 30},
        {L"01:00:00", 120, midnight - 3660, 60},  // 23:00 UTC the day before
    };
    for (const auto& row : rows) {
        ShownTime shown;
        int correction = 0;
        ASSERT_TRUE(ParseShownTime(row.shown, &shown));
        EXPECT_TRUE(ClockCorrectionFromShownTime(row.cameraUtc, shown, row.zoneMinutes, &correction));
        EXPECT_EQ(row.correction, correction) << row.correction;
    }
}

// A correction long enough to need confirming is told in days, hours and
// minutes, to the nearest minute.
TEST(GeotagTexts, ALargeCorrectionIsToldInDaysHoursAndMinutes)
{
    const struct { int seconds; const wchar_t* text; } rows[] = {
        {-86330, L"0 days, 23 hours and 59 minutes"},
        {90061, L"1 day, 1 hour and 1 minute"},
        {864000, L"10 days, 0 hours and 0 minutes"},
        {43229, L"0 days, 12 hours and 0 minutes"},
    };
    for (const auto& row : rows) {
        wchar_t text[kGeotagTextCapacity];
        FormatCorrectionLength(row.seconds, text, kGeotagTextCapacity);
        EXPECT_STREQ(row.text, text) << row.seconds;
    }
}

TEST(GeotagTexts, APositionIsShownInTheNotationAsked)
{
    GeotagPhoto photo;
    photo.outcome = GeotagOutcome::Nearest;
    photo.position.known = TRUE;
    photo.position.latitude = 48.5 * kRadiansPerDegree;
    photo.position.longitude = -11.25 * kRadiansPerDegree;
    photo.position.altitude = 519.6;
    photo.position.heading = 45.6 * kRadiansPerDegree;
    wchar_t text[kGeotagTextCapacity];
    FormatPhotoPlace(photo, DegreesMinutesSeconds, text, kGeotagTextCapacity);
    EXPECT_STREQ(L"48\u00b0 30' 0.00'' N / 011\u00b0 15' 0.00'' W", text);  // no altitude from the track
    photo.hasAltitude = true;
    FormatPhotoPlace(photo, DegreesMinutesSeconds, text, kGeotagTextCapacity);
    EXPECT_STREQ(L"48\u00b0 30' 0.00'' N / 011\u00b0 15' 0.00'' W / 519 m", text);  // never a heading
    photo.position.altitude = -0.4;
    FormatPhotoPlace(photo, DecimalDegrees, text, kGeotagTextCapacity);
    EXPECT_STREQ(L"48.500000\u00b0 / -11.250000\u00b0 / 0 m", text);
    FormatPhotoPlace(photo, DecimalDegrees, text, 10);
    EXPECT_STREQ(L"48.500000", text);  // cut to the buffer
    photo.outcome = GeotagOutcome::InUse;
    FormatPhotoPlace(photo, DecimalDegrees, text, kGeotagTextCapacity);
    EXPECT_STREQ(L"none: in use by another program", text);
    photo.outcome = GeotagOutcome::NotAPhoto;
    for (const wchar_t* name : {L"D:\\a.JPG", L"D:\\b.Hif", L"D:\\c.lnk"}) {
        photo.path = name;
        photo.target = photo.path == L"D:\\c.lnk" ? L"D:\\c.heic" : L"";
        FormatPhotoPlace(photo, DecimalDegrees, text, kGeotagTextCapacity);
        EXPECT_STREQ(photo.path == L"D:\\a.JPG" ? L"none: not a JPEG photo" : L"none: not a HEIF photo", text);
    }
    photo.path = L"D:\\d.nef";
    photo.target = L"";
    FormatPhotoPlace(photo, DecimalDegrees, text, kGeotagTextCapacity);
    EXPECT_STREQ(L"none: not a NEF raw file", text);
}

}  // namespace
