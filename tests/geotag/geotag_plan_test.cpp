// The plan of one geotagging: each photo's time, its offset (its own or the
// user's), the clock correction, what the track gives it, and writing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exif/exif_block.h"
#include "exif/raw_sidecar.h"
#include "raw/raw_bytes.h"
#include "replacement/file_access.h"
#include "track/track_files.h"
#include "geotag/geotag_plan.h"
#include "testlib/shortcut_file.h"
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

// The photo that "another program" writes (one byte appended) when the
// rename over it comes; the rename then fails as a photo held open makes it
// fail, and is tried again.
std::wstring g_changedBeforeRename;
BOOL WINAPI ChangingRename(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information, DWORD size)
{
    if (kind == FileRenameInfo) {
        const FILE_RENAME_INFO* rename = static_cast<const FILE_RENAME_INFO*>(information);
        const std::wstring target(rename->FileName, rename->FileNameLength / sizeof(wchar_t));
        const std::wstring name = g_changedBeforeRename.substr(g_changedBeforeRename.find_last_of(L"\\/") + 1);
        if (target.size() > name.size() &&
            _wcsicmp(target.c_str() + target.size() - name.size(), name.c_str()) == 0) {
            HANDLE photo = CreateFileW(g_changedBeforeRename.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0,
                                       nullptr);
            DWORD written = 0;
            WriteFile(photo, "x", 1, &written, nullptr);
            CloseHandle(photo);
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    return SetFileInformationByHandle(file, kind, information, size);
}
const FileCalls kChangingCalls = {ReadFile, WriteFile, FlushFileBuffers, ChangingRename, FindFirstFileW};

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
    EXPECT_EQ(3, plan.FixCount());
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
    EXPECT_EQ(1, plan.FixCount());
}

// Each time with the offset that belongs to it, never another's; a zone in
// the time's own text wins, as in ExifTool's composite times.
TEST(GeotagPhotoTimes, EachTimeTakesTheOffsetThatBelongsToIt)
{
    TempFolder folder;
    struct Row {
        const wchar_t* name;
        vztest::PhotoTimes times;
        int offsetMinutes;  // 999: the user's
    } rows[] = {
        {L"original.jpg", {L"2024:05:01 12:00:00", nullptr, nullptr, L"+02:00", L"-04:00", L"+09:00"}, 120},
        {L"digitized.jpg", {nullptr, L"2024:05:01 12:00:00", nullptr, L"+02:00", L"-04:00", L"+09:00"}, -240},
        {L"datetime.jpg", {nullptr, nullptr, L"2024:05:01 12:00:00", L"+02:00", L"-04:00", L"+09:00"}, 540},
        {L"others_only.jpg", {L"2024:05:01 12:00:00", nullptr, nullptr, nullptr, L"-04:00", L"+09:00"}, 999},
        {L"digitized_bare.jpg", {nullptr, L"2024:05:01 12:00:00", nullptr, L"+02:00", nullptr, nullptr}, 999},
        {L"zone_in_text.jpg", {L"2024:05:01 12:00:00+05:30", nullptr, nullptr, L"+02:00"}, 330},
    };
    std::vector<std::wstring> paths;
    std::vector<const wchar_t*> pointers;
    for (const Row& row : rows)
        paths.push_back(vztest::PhotoWithTimes(folder.Path(), row.name, row.times));
    for (const std::wstring& path : paths)
        pointers.push_back(path.c_str());
    GeotagPlan plan;
    ASSERT_EQ(S_OK, plan.Load(pointers.data(), static_cast<int>(pointers.size())));
    GeotagSettings settings;
    settings.offsetMinutes = 60;
    plan.Match(GpsTrack(), settings);
    for (size_t i = 0; i < plan.Count(); ++i) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(rows[i].name)));
        int offset = rows[i].offsetMinutes == 999 ? settings.offsetMinutes : rows[i].offsetMinutes;
        ASSERT_TRUE(plan.At(i).time.known);
        EXPECT_EQ(rows[i].offsetMinutes != 999, plan.At(i).time.hasOffset);
        EXPECT_EQ(1714564800.0 - offset * 60.0, plan.At(i).utcSeconds);  // 12:00 on 2024-05-01
    }
}

// The preset offset is the one in force at the photo's wall time, also in
// the hours after a change of daylight saving time.
TEST(GeotagPhotoTimes, TheZonesOffsetIsTheOneInForceAtTheWallTime)
{
    // Central Europe: +01:00, +02:00 from the last Sunday of March 02:00 to
    // the last Sunday of October 03:00. US Eastern: -05:00, -04:00 from the
    // second Sunday of March 02:00 to the first Sunday of November 02:00.
    TIME_ZONE_INFORMATION europe = {};
    europe.Bias = -60;
    europe.StandardDate = {0, 10, 0, 5, 3, 0, 0, 0};
    europe.DaylightDate = {0, 3, 0, 5, 2, 0, 0, 0};
    europe.DaylightBias = -60;
    TIME_ZONE_INFORMATION eastern = {};
    eastern.Bias = 300;
    eastern.StandardDate = {0, 11, 0, 1, 2, 0, 0, 0};
    eastern.DaylightDate = {0, 3, 0, 2, 2, 0, 0, 0};
    eastern.DaylightBias = -60;
    const double day0331 = 1711843200.0;  // 2024-03-31 00:00
    const double day1027 = 1729987200.0;  // 2024-10-27 00:00
    const double day0310 = 1710028800.0;  // 2024-03-10 00:00
    EXPECT_EQ(60, ZoneOffsetMinutesAt(&europe, day0331 + 1.5 * 3600));    // 01:30, before the change
    EXPECT_EQ(120, ZoneOffsetMinutesAt(&europe, day0331 + 3.5 * 3600));   // 03:30, after it
    EXPECT_EQ(120, ZoneOffsetMinutesAt(&europe, day1027 + 1.5 * 3600));   // 01:30, still summer time
    EXPECT_EQ(60, ZoneOffsetMinutesAt(&europe, day1027 + 3.5 * 3600));
    EXPECT_EQ(-300, ZoneOffsetMinutesAt(&eastern, day0310 + 1.5 * 3600));
    EXPECT_EQ(-240, ZoneOffsetMinutesAt(&eastern, day0310 + 3.5 * 3600));  // right after the change
    EXPECT_EQ(-240, ZoneOffsetMinutesAt(&eastern, day0310 + 6.5 * 3600));
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

// Told to stop before the second photo: the first is written, the located
// photos after it are left as they were.
TEST_F(GeotagPlanTest, WritingToldToStopLeavesThePhotosAfterAsTheyWere)
{
    const std::string second = vztest::ReadFileBytes(paths[1]);
    const std::string third = vztest::ReadFileBytes(paths[2]);
    GeotagSettings settings;
    settings.offsetMinutes = 60;
    plan.Match(NorthboundTrack(), settings);
    vztest::ProgressNotes stopped(2);
    int written = -1, readOnly = -1;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), plan.Write(&written, &readOnly, &stopped));
    EXPECT_EQ(1, written);
    EXPECT_EQ((std::vector<uint64_t>{0, 1}), stopped.done);
    EXPECT_EQ(paths.size(), stopped.total);
    EXPECT_EQ(second, vztest::ReadFileBytes(paths[1]));
    EXPECT_EQ(third, vztest::ReadFileBytes(paths[2]));

    // A photo that failed before the stop counts as failed, not as one the
    // stop left out.
    HANDLE holder = CreateFileW(paths[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    vztest::ProgressNotes later(3);
    int failed = -1;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), plan.Write(&written, &readOnly, &later, &failed));
    CloseHandle(holder);
    EXPECT_EQ(1, written);  // the second
    EXPECT_EQ(1, failed);   // the first, held open
    EXPECT_EQ(0, readOnly);
    EXPECT_EQ(third, vztest::ReadFileBytes(paths[2]));
}

// Another program writes a photo while geotagging waits to rename over it:
// that photo keeps the other program's bytes, counts as failed, and is
// named for the closing report, with no message box from the writers.
TEST_F(GeotagPlanTest, APhotoChangedMeanwhileIsKeptCountedAndNamed)
{
    GeotagSettings settings;
    settings.offsetMinutes = 60;
    plan.Match(NorthboundTrack(), settings);
    g_changedBeforeRename = paths[1];
    const std::string changedBytes = vztest::ReadFileBytes(paths[1]) + "x";
    const FileCalls* previous = UseFileCalls(&kChangingCalls);
    int written = -1, readOnly = -1, failed = -1;
    std::vector<std::wstring> changed;
    EXPECT_EQ(S_OK, plan.Write(&written, &readOnly, nullptr, &failed, &changed));
    UseFileCalls(previous);
    EXPECT_EQ(2, written);
    EXPECT_EQ(1, failed);
    EXPECT_EQ(0, readOnly);
    EXPECT_EQ(std::vector<std::wstring>{paths[1]}, changed);
    EXPECT_EQ(changedBytes, vztest::ReadFileBytes(paths[1]));
}

// Loading reports each photo before it is read, and told to stop at the
// third, ends cancelled after two with the plan empty.
TEST_F(GeotagPlanTest, LoadingToldToStopEndsCancelledAfterThePhotosBefore)
{
    vztest::ProgressNotes whole;
    ASSERT_EQ(S_OK, plan.Load(pointers.data(), static_cast<int>(pointers.size()), &whole));
    EXPECT_EQ((std::vector<uint64_t>{0, 1, 2, 3, 4, 5}), whole.done);
    EXPECT_EQ(paths.size(), whole.total);
    vztest::ProgressNotes stopped(3);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), plan.Load(pointers.data(), static_cast<int>(pointers.size()), &stopped));
    EXPECT_EQ((std::vector<uint64_t>{0, 1, 2}), stopped.done);
    EXPECT_EQ(0u, plan.Count());
}

// A photo selected through a shortcut is judged and written at its target;
// one another program holds open is in use, not "no photo".
TEST(GeotagPhotoFiles, ShortcutsAreJudgedAtTheirTargetsAndPhotosHeldOpenAreInUse)
{
    TempFolder folder;
    std::wstring lockedTarget = MakePhoto(folder, L"read_only.jpg", L"2024:05:01 12:10:00", L"+02:00");
    std::wstring freeTarget = MakePhoto(folder, L"writable.jpg", L"2024:05:01 12:10:00", L"+02:00");
    std::wstring held = MakePhoto(folder, L"held.jpg", L"2024:05:01 12:10:00", L"+02:00");
    std::wstring toLocked = folder / L"read_only.lnk";
    std::wstring toFree = folder / L"writable.lnk";
    ASSERT_EQ(S_OK, vztest::CreateShortcut(toLocked, lockedTarget));
    ASSERT_EQ(S_OK, vztest::CreateShortcut(toFree, freeTarget));
    ASSERT_TRUE(vztest::SetReadOnly(lockedTarget, true));
    std::string lockedBefore = vztest::ReadFileBytes(lockedTarget);
    std::string freeBefore = vztest::ReadFileBytes(freeTarget);
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);

    const wchar_t* paths[] = {toLocked.c_str(), toFree.c_str(), held.c_str()};
    GeotagPlan plan;
    ASSERT_EQ(S_OK, plan.Load(paths, 3));
    EXPECT_EQ(lockedTarget, plan.At(0).target);
    EXPECT_TRUE(plan.At(0).readOnly);
    EXPECT_FALSE(plan.At(1).readOnly);
    EXPECT_EQ(GeotagOutcome::InUse, plan.At(2).outcome);
    plan.Match(NorthboundTrack(), GeotagSettings());
    int written = -1, readOnly = -1;
    EXPECT_EQ(S_OK, plan.Write(&written, &readOnly));
    EXPECT_EQ(1, written);
    EXPECT_EQ(1, readOnly);
    EXPECT_EQ(lockedBefore, vztest::ReadFileBytes(lockedTarget));
    EXPECT_NE(freeBefore, vztest::ReadFileBytes(freeTarget));
    CloseHandle(holder);
    ASSERT_TRUE(vztest::SetReadOnly(lockedTarget, false));
}

// Raw files take their times (and own offsets) from their headers; a
// sidecar's position counts as one they have; the fix goes into their
// sidecars (GPSTimeStamp in UTC), never into the raw files; a read-only
// sidecar is skipped, one that is no XMP refused and named.
TEST(GeotagRawFiles, TimesComeFromTheRawFilesAndFixesGoIntoTheirSidecars)
{
    TempFolder folder;
    const std::string located =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
        "exif:GPSLatitude=\"1,0.0N\" exif:GPSLongitude=\"2,0.0E\"/></rdf:RDF></x:xmpmeta>";
    const std::string empty =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\"/></rdf:RDF></x:xmpmeta>";
    const std::string broken = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">";
    struct Row {
        const wchar_t* name;
        const char* time;
        const char* offset;
        const wchar_t* sidecar;
        const std::string* text;
        bool readOnly;
    };
    const Row rows[] = {
        {L"own_offset.dng", "2024:05:01 12:10:00", "+02:00", nullptr, nullptr, false},
        {L"camera_clock.NEF", "2024:05:01 11:05:00", nullptr, L"camera_clock.NEF.xmp", &empty, false},
        {L"tagged.dng", "2024:05:01 11:05:00", nullptr, L"tagged.xmp", &located, false},
        {L"no_time.dng", "", nullptr, nullptr, nullptr, false},
        {L"locked.dng", "2024:05:01 11:05:00", nullptr, L"locked.xmp", &empty, true},
        {L"broken.dng", "2024:05:01 11:05:00", nullptr, L"broken.xmp", &broken, false},
    };
    std::vector<std::wstring> paths;
    std::vector<const wchar_t*> pointers;
    std::vector<std::string> raws;
    for (const Row& row : rows) {
        const Bytes bytes = BuildDng(row.time, row.offset, false, true);
        raws.emplace_back(bytes.begin(), bytes.end());
        paths.push_back(folder / row.name);
        ASSERT_TRUE(vztest::WriteFileBytes(paths.back(), raws.back()));
        if (row.sidecar) {
            ASSERT_TRUE(vztest::WriteFileBytes(folder / row.sidecar, *row.text));
            ASSERT_TRUE(vztest::SetReadOnly(folder / row.sidecar, row.readOnly));
        }
    }
    paths.push_back(folder / L"not_raw.cr2");
    ASSERT_TRUE(vztest::WriteFileBytes(paths.back(), "not a raw file"));
    for (const std::wstring& path : paths)
        pointers.push_back(path.c_str());

    GeotagPlan plan;
    ASSERT_EQ(S_OK, plan.Load(pointers.data(), static_cast<int>(pointers.size())));
    EXPECT_EQ(120, plan.DefaultOffsetMinutes());
    GeotagSettings settings;
    settings.offsetMinutes = 60;
    plan.Match(NorthboundTrack(), settings);
    EXPECT_TRUE(plan.At(0).time.hasOffset);
    EXPECT_NEAR(11.0, LatitudeDegrees(plan.At(0)), 1e-9);
    EXPECT_NEAR(10.5, LatitudeDegrees(plan.At(1)), 1e-9);
    EXPECT_TRUE(plan.At(2).keepsPosition);
    EXPECT_EQ(GeotagOutcome::NoTime, plan.At(3).outcome);
    EXPECT_TRUE(plan.At(4).readOnly);
    EXPECT_EQ(GeotagOutcome::NotAPhoto, plan.At(6).outcome);

    int written = -1, readOnly = -1, failed = -1;
    std::vector<std::wstring> changed;
    std::vector<SidecarOutcome> refused;
    EXPECT_EQ(S_OK, plan.Write(&written, &readOnly, nullptr, &failed, &changed, &refused));
    EXPECT_EQ(2, written);
    EXPECT_EQ(1, readOnly);
    EXPECT_EQ(1, failed);
    ASSERT_EQ(1u, refused.size());
    EXPECT_EQ(folder / L"broken.xmp", refused[0].sidecarPath);
    for (size_t i = 0; i < raws.size(); ++i)
        EXPECT_EQ(raws[i], vztest::ReadFileBytes(paths[i])) << i;
    SidecarPosition fix;
    ASSERT_EQ(S_OK, ReadRawSidecarPosition(paths[0].c_str(), &fix));
    EXPECT_NEAR(11.0, fix.place.latitude * kDegreesPerRadian, 1e-7);
    EXPECT_NEAR(20.0, fix.place.longitude * kDegreesPerRadian, 1e-7);
    EXPECT_TRUE(fix.hasAltitude);
    EXPECT_NEAR(200.0, fix.place.altitude, 0.01);
    ASSERT_TRUE(fix.hasFixTime);
    EXPECT_EQ(10, fix.fixTime.hour);
    EXPECT_EQ(10, fix.fixTime.minute);
    EXPECT_EQ(1, fix.fixTime.day);
    ASSERT_EQ(S_OK, ReadRawSidecarPosition(paths[1].c_str(), &fix));
    EXPECT_NEAR(10.5, fix.place.latitude * kDegreesPerRadian, 1e-7);
    ASSERT_EQ(S_OK, ReadRawSidecarPosition(paths[2].c_str(), &fix));
    EXPECT_NEAR(1.0, fix.place.latitude * kDegreesPerRadian, 1e-7);  // kept
    EXPECT_EQ(empty, vztest::ReadFileBytes(folder / L"locked.xmp"));
    EXPECT_EQ(broken, vztest::ReadFileBytes(folder / L"broken.xmp"));
    ASSERT_TRUE(vztest::SetReadOnly(folder / L"locked.xmp", false));
}
