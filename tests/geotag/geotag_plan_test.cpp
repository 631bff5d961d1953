// The plan of one geotagging: each photo's time, its offset (its own or the
// user's), the clock correction, what the track gives it, and writing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exif/exif_block.h"
#include "geotag/geotag_files.h"
#include "geotag/geotag_plan.h"
#include "testlib/temp_folder.h"

using vztest::TempFolder;

namespace {

// A copy of a real photo whose only times are the ones given (null: none).
std::wstring MakePhoto(const TempFolder& folder, const wchar_t* name, const wchar_t* original,
                       const wchar_t* offset = nullptr, const wchar_t* dateTime = nullptr)
{
    std::wstring path = vztest::PhotoTakenAt(folder.Path(), name, original, offset, dateTime);
    EXPECT_FALSE(path.empty()) << "could not make " << testing::PrintToString(std::wstring(name));
    return path;
}

// Two points 20 minutes apart, 10:00 and 10:20 UTC, going north.
GpsTrack NorthboundTrack()
{
    GpsTrack track;
    TrackPoint a;
    a.time = 1714557600.0;  // 2024-05-01 10:00:00 UTC
    a.latitude = 10;
    a.longitude = 20;
    a.elevation = 100;
    a.hasElevation = true;
    TrackPoint b = a;
    b.time += 1200;
    b.latitude = 12;
    b.elevation = 300;
    EXPECT_EQ(S_OK, track.Add(a));
    EXPECT_EQ(S_OK, track.Add(b));
    track.Finish();
    return track;
}

double LatitudeDegrees(const GeotagPhoto& photo)
{
    return photo.position.latitude * kDegreesPerRadian;
}

}  // namespace

class GeotagPlanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        paths = {
            MakePhoto(folder, L"own_offset.jpg", L"2024:05:01 12:10:00", L"+02:00"),
            MakePhoto(folder, L"camera_clock.heic", L"2024:05:01 11:05:00"),  // a phone's HEIF photo
            MakePhoto(folder, L"datetime_only.jpg", nullptr, nullptr, L"2024:05:01 11:15:00"),
            MakePhoto(folder, L"no_time.jpg", nullptr),
            MakePhoto(folder, L"long_after.jpg", L"2024:05:01 14:00:00"),
            folder / L"notes.jpg",
        };
        ASSERT_TRUE(vztest::WriteFileBytes(paths[5], "not a photo"));
        for (const std::wstring& path : paths)
            pointers.push_back(path.c_str());
        ASSERT_EQ(S_OK, plan.Load(pointers.data(), static_cast<int>(pointers.size())));
        ASSERT_EQ(paths.size(), plan.Count());
    }

    TempFolder folder;
    std::vector<std::wstring> paths;
    std::vector<const wchar_t*> pointers;
    GeotagPlan plan;
};

TEST_F(GeotagPlanTest, OwnOffsetsWinAndTheUsersOffsetAndCorrectionApplyToTheRest)
{
    GpsTrack track = NorthboundTrack();
    GeotagSettings settings;
    settings.offsetMinutes = 60;
    plan.Match(track, settings);

    // 12:10 at +02:00 is 10:10 UTC: halfway, whatever the user's offset.
    EXPECT_EQ(GeotagOutcome::Interpolated, plan.At(0).outcome);
    EXPECT_NEAR(11.0, LatitudeDegrees(plan.At(0)), 1e-9);
    EXPECT_NEAR(200.0, plan.At(0).position.altitude, 1e-6);
    EXPECT_NEAR(0.0, plan.At(0).position.heading, 1e-9);
    // 11:05 at the user's +01:00 is 10:05 UTC.
    EXPECT_NEAR(10.5, LatitudeDegrees(plan.At(1)), 1e-9);
    // DateTime is the last resort: 11:15 at +01:00.
    EXPECT_EQ(GeotagOutcome::Interpolated, plan.At(2).outcome);
    EXPECT_NEAR(11.5, LatitudeDegrees(plan.At(2)), 1e-9);
    EXPECT_EQ(GeotagOutcome::NoTime, plan.At(3).outcome);
    EXPECT_EQ(GeotagOutcome::TooFar, plan.At(4).outcome);  // 13:00 UTC
    EXPECT_EQ(GeotagOutcome::NotAPhoto, plan.At(5).outcome);
    EXPECT_EQ(3, plan.LocatedCount());
    EXPECT_EQ(120, plan.DefaultOffsetMinutes());  // the first photo's own

    // A camera clock 5 minutes behind; then a setting that moves the rest
    // away from the track, which the matching must forget again.
    settings.clockCorrectionSeconds = 300;
    plan.Match(track, settings);
    EXPECT_NEAR(11.5, LatitudeDegrees(plan.At(0)), 1e-9);
    EXPECT_NEAR(11.0, LatitudeDegrees(plan.At(1)), 1e-9);
    settings.offsetMinutes = -600;
    settings.clockCorrectionSeconds = 0;
    plan.Match(track, settings);
    EXPECT_EQ(GeotagOutcome::Interpolated, plan.At(0).outcome);
    EXPECT_EQ(GeotagOutcome::TooFar, plan.At(1).outcome);
    EXPECT_FALSE(plan.At(1).position.known);
    EXPECT_EQ(1, plan.LocatedCount());
}

TEST_F(GeotagPlanTest, WritingTouchesOnlyLocatedWritablePhotos)
{
    ASSERT_TRUE(vztest::SetReadOnly(paths[2], true));
    std::vector<std::string> before;
    for (const std::wstring& path : paths)
        before.push_back(vztest::ReadFileBytes(path));

    GeotagSettings settings;
    settings.offsetMinutes = 60;
    plan.Match(NorthboundTrack(), settings);
    int written = -1, readOnly = -1;
    EXPECT_EQ(S_OK, plan.Write(&written, &readOnly));
    EXPECT_EQ(2, written);
    EXPECT_EQ(1, readOnly);

    for (size_t i = 0; i < paths.size(); ++i) {
        bool expectWritten = i == 0 || i == 1;
        EXPECT_EQ(expectWritten, vztest::ReadFileBytes(paths[i]) != before[i]) << i;
    }
    ExifBlock block;
    block.Open(paths[1].c_str());
    double latitude = 0, longitude = 0, altitude = 0, heading = 0;
    ASSERT_EQ(S_OK, block.ReadPosition(&latitude, &longitude, &altitude, &heading));
    EXPECT_NEAR(10.5, latitude * kDegreesPerRadian, 1e-6);
    EXPECT_NEAR(20.0, longitude * kDegreesPerRadian, 1e-6);
    EXPECT_NEAR(150.0, altitude, 0.01);
    ASSERT_TRUE(vztest::SetReadOnly(paths[2], false));

    // Nothing located: nothing written, and the result says so.
    plan.Match(GpsTrack(), settings);
    EXPECT_EQ(E_FAIL, plan.Write(&written, &readOnly));
    EXPECT_EQ(0, written);
}
