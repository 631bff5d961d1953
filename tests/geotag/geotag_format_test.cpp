// The texts of the geotagging dialog: offsets to UTC and the list of them,
// times on the track time scale, the clock correction as typed, and what a
// photo's row says.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "coords/notation/coord_notation.h"
#include "geotag/geotag_format.h"
#include "geotag/track/track_time.h"

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

GeotagPhoto LocatedPhoto(double latitude, double longitude, double altitude, double heading)
{
    GeotagPhoto photo;
    photo.outcome = GeotagOutcome::Interpolated;
    photo.position.known = TRUE;
    photo.position.latitude = latitude * kRadiansPerDegree;
    photo.position.longitude = longitude * kRadiansPerDegree;
    photo.position.altitude = altitude;
    photo.position.heading = heading * kRadiansPerDegree;
    return photo;
}

std::wstring Place(const GeotagPhoto& photo, uint32_t notation = DecimalDegrees)
{
    wchar_t text[kGeotagTextCapacity];
    FormatPhotoPlace(photo, notation, text, kGeotagTextCapacity);
    return text;
}

std::wstring Taken(const GeotagPhoto& photo)
{
    wchar_t text[kGeotagTextCapacity];
    FormatPhotoTaken(photo, text, kGeotagTextCapacity);
    return text;
}

TEST(GeotagTexts, OffsetsAreShownInHoursAndMinutesWithTheirSign)
{
    EXPECT_EQ(Offset(0), L"UTC+00:00");
    EXPECT_EQ(Offset(120), L"UTC+02:00");
    EXPECT_EQ(Offset(-210), L"UTC-03:30");
    EXPECT_EQ(Offset(345), L"UTC+05:45");
    EXPECT_EQ(Offset(-720), L"UTC-12:00");
    EXPECT_EQ(Offset(840), L"UTC+14:00");
    EXPECT_EQ(Offset(-15), L"UTC-00:15");
}

TEST(GeotagTexts, AnOffsetOutsideTheListBecomesTheNearestListedOne)
{
    EXPECT_EQ(NearestListedOffset(120), 120);
    EXPECT_EQ(NearestListedOffset(-570), -570);
    EXPECT_EQ(NearestListedOffset(127), 120);
    EXPECT_EQ(NearestListedOffset(128), 135);
    EXPECT_EQ(NearestListedOffset(-7), 0);
    EXPECT_EQ(NearestListedOffset(-8), -15);
    EXPECT_EQ(NearestListedOffset(-780), -720);  // -13:00 lies before the list
    EXPECT_EQ(NearestListedOffset(900), 840);
    for (int minutes = kMinListedOffsetMinutes; minutes <= kMaxListedOffsetMinutes; ++minutes) {
        int listed = NearestListedOffset(minutes);
        EXPECT_EQ(0, listed % kListedOffsetStepMinutes) << minutes;
        EXPECT_LE(std::abs(listed - minutes), 7) << minutes;
    }
}

TEST(GeotagTexts, TrackTimesAreShownAsDateAndTimeOfDay)
{
    EXPECT_EQ(Time(0), L"1970-01-01 00:00:00");
    EXPECT_EQ(Time(-1), L"1969-12-31 23:59:59");
    EXPECT_EQ(Time(-0.5), L"1969-12-31 23:59:59");  // the fraction is dropped, downwards
    EXPECT_EQ(Time(1714559400.75), L"2024-05-01 10:30:00");
    EXPECT_EQ(Time(CivilDaySeconds(2024, 2, 29) + 86399), L"2024-02-29 23:59:59");
    EXPECT_EQ(Time(CivilDaySeconds(2000, 3, 1)), L"2000-03-01 00:00:00");
    EXPECT_EQ(Time(CivilDaySeconds(1900, 3, 1) - 1), L"1900-02-28 23:59:59");
    EXPECT_EQ(Time(CivilDaySeconds(1, 1, 1)), L"0001-01-01 00:00:00");
    EXPECT_EQ(Time(CivilDaySeconds(9999, 12, 31) + 86399), L"9999-12-31 23:59:59");
    EXPECT_EQ(Time(CivilDaySeconds(1, 1, 1) - 1), L"?");
    EXPECT_EQ(Time(CivilDaySeconds(9999, 12, 31) + 86400), L"?");
    EXPECT_EQ(Time(NAN), L"?");
    EXPECT_EQ(Time(INFINITY), L"?");
    EXPECT_EQ(Time(-1e300), L"?");
}

TEST(GeotagTexts, TheClockCorrectionIsASignedWholeNumberOfSecondsWithinTenDays)
{
    const struct {
        const wchar_t* text;
        int seconds;
    } good[] = {{L"0", 0},          {L"90", 90},       {L"+90", 90},         {L"-90", -90},
                {L"  -3600 ", -3600}, {L"", 0},        {L"   ", 0},          {L"864000", 864000},
                {L"-864000", -864000}, {L"0000007", 7}, {L"\t12\t", 12}};
    for (const auto& entry : good) {
        int seconds = 12345;
        EXPECT_TRUE(ParseClockCorrection(entry.text, &seconds)) << std::wstring(entry.text).size();
        EXPECT_EQ(entry.seconds, seconds);
    }
    for (const wchar_t* text : {L"864001", L"-864001", L"99999999", L"1.5", L"1,5", L"12a", L"a12", L"-", L"+",
                                L"--3", L"+-3", L"1 2", L"0x10", L"1e3", L"\uff11\uff12", L"12s"}) {
        int seconds = 12345;
        EXPECT_FALSE(ParseClockCorrection(text, &seconds)) << std::wstring(text).size();
        EXPECT_EQ(12345, seconds) << "untouched";
    }
    int seconds = 0;
    EXPECT_FALSE(ParseClockCorrection(nullptr, &seconds));
    EXPECT_FALSE(ParseClockCorrection(L"1", nullptr));
}

TEST(GeotagTexts, APhotosRowSaysItsTimeAndItsPositionOrWhyItHasNone)
{
    GeotagPhoto photo = LocatedPhoto(48.5, -11.25, 519.6, 45.6);
    photo.time.known = true;
    photo.time.wallSeconds = 1714559400;
    EXPECT_EQ(Taken(photo), L"2024-05-01 10:30:00");
    photo.time.hasOffset = true;
    photo.time.offsetMinutes = -150;
    EXPECT_EQ(Taken(photo), L"2024-05-01 10:30:00 UTC-02:30");

    EXPECT_EQ(Place(photo), L"48.500000\u00b0 / -11.250000\u00b0 / 519 m / -> 046\u00b0");
    EXPECT_EQ(Place(photo, DegreesMinutesSeconds), L"48\u00b0 30' 0.00'' N / 011\u00b0 15' 0.00'' W / 519 m / -> 046\u00b0");
    photo.outcome = GeotagOutcome::Nearest;
    EXPECT_EQ(Place(photo), L"48.500000\u00b0 / -11.250000\u00b0 / 519 m / -> 046\u00b0");
    photo.readOnly = true;
    EXPECT_EQ(Place(photo), L"read-only, skipped: 48.500000\u00b0 / -11.250000\u00b0 / 519 m / -> 046\u00b0");

    GeotagPhoto none;
    none.outcome = GeotagOutcome::TooFar;
    EXPECT_EQ(Place(none), L"none: more than 30 minutes from the track");
    none.readOnly = true;
    EXPECT_EQ(Place(none), L"none: more than 30 minutes from the track");
    none.outcome = GeotagOutcome::NoTime;
    EXPECT_EQ(Place(none), L"none: no time in the photo");
    EXPECT_EQ(Taken(none), L"");
    none.outcome = GeotagOutcome::NotAPhoto;
    EXPECT_EQ(Place(none), L"none: not a JPEG photo");
}

TEST(GeotagTexts, TextsAreCutToTheirBuffer)
{
    wchar_t text[12];
    wmemset(text, L'#', 12);
    FormatPhotoPlace(LocatedPhoto(48.5, 11.25, 0, 0), DecimalDegrees, text, 10);
    EXPECT_STREQ(L"48.500000", text);
    EXPECT_EQ(L'#', text[10]);
    FormatTrackTime(0, text, 5);
    EXPECT_STREQ(L"1970", text);
    FormatUtcOffset(60, text, 4);
    EXPECT_STREQ(L"UTC", text);
}

}  // namespace
