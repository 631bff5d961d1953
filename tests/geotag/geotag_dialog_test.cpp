// "Geotag from GPS track" as the user meets it: the command run on a thread
// of its own as from the context menu, over copies of a real photo with
// chosen times and a small walk written by the test; the dialog read and
// changed through window messages, its message boxes answered by the
// watcher, and what was written read back with the photo engine.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>

#include "notation/settings.h"
#include "exif/exif_block.h"
#include "geotag/geotag_command.h"
#include "geotag/geotag_dialog_resources.h"
#include "track/track_files.h"
#include "track/gpx_reader.h"
#include "selection/image_selection.h"
#include "support/progress_window.h"
#include "testlib/dialog_driver.h"
#include "testlib/message_box_watcher.h"
#include "testlib/shortcut_file.h"
#include "testlib/temp_folder.h"
#include "testlib/test_window.h"

namespace {

using vztest::IsItemEnabled;
using vztest::ItemText;
using vztest::ReadFileBytes;

const wchar_t kSettingsKey[] = L"Software\\Halcyra\\VantreloZerli";
const wchar_t kCaption[] = L"Vantrelo Zerli: Geotag from GPS track 'walk.gpx'";
const wchar_t kRefused[] =
    L"The GPS track \"walk.gpx\" cannot be used: it is not a GPX file this tool can read, or it holds no track "
    L"point with a time.";

HMODULE g_dll = nullptr;

struct ReadBack {
    bool known = false;
    double latitude = 0;   // degrees
    double longitude = 0;  // degrees
    double altitude = 0;   // metres
};

ReadBack ReadPosition(const std::wstring& path)
{
    ExifBlock block;
    block.Open(path.c_str());
    ReadBack position;
    double heading = 0;
    position.known = SUCCEEDED(
        block.ReadPosition(&position.latitude, &position.longitude, &position.altitude, &heading));
    position.latitude *= kDegreesPerRadian;
    position.longitude *= kDegreesPerRadian;
    return position;
}

bool StartsWith(const std::wstring& text, const std::wstring& start)
{
    return text.compare(0, start.size(), start) == 0;
}

class GeotagDialogTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The dialog and its picture are resources of the DLL.
        if (g_dll == nullptr)
            g_dll = LoadLibraryW(vztest::HostPathToWindows(VZ_DLL_UNIX_PATH).c_str());
    }

    void SetUp() override
    {
        ASSERT_NE(g_dll, nullptr);
        // Positions are shown in the notation of the user's setting: none
        // stored gives decimal degrees.
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        LoadSettings();
    }

    void TearDown() override
    {
        if (m_dialog != nullptr && IsWindow(m_dialog))
            vztest::Click(m_dialog, IDCANCEL);
        m_run.reset();
    }

    // A copy of the photo with these times, added to the selection.
    std::wstring Photo(const std::wstring& name, const wchar_t* dateTimeOriginal, const wchar_t* offset = nullptr)
    {
        std::wstring path = vztest::PhotoTakenAt(m_folder.Path(), name, dateTimeOriginal, offset);
        EXPECT_FALSE(path.empty()) << "photo " << std::string(name.begin(), name.end());
        m_selection.Append(path.c_str());
        return path;
    }

    // A file that is no photo at all, named as one.
    std::wstring FakePhoto(const std::wstring& name)
    {
        std::wstring path = m_folder / name;
        EXPECT_TRUE(vztest::WriteFileBytes(path, "this is not a JPEG file"));
        m_selection.Append(path.c_str());
        return path;
    }

    // The walk as the selection's track.
    std::wstring Track(const std::string& text = vztest::WalkTrackGpx())
    {
        std::wstring path = m_folder / L"walk.gpx";
        EXPECT_TRUE(vztest::WriteFileBytes(path, text));
        m_selection.SetTrackPath(path.c_str());
        return path;
    }

    void Start(HWND owner = nullptr)
    {
        m_run.reset(new vztest::ModalThread(
            [this, owner] { return static_cast<INT_PTR>(GeotagFromTrack(owner, m_selection)); }));
    }

    HWND Open()
    {
        Start();
        m_dialog = vztest::WaitForDialog(m_run->ThreadId(), kCaption);
        return m_dialog;
    }

    HRESULT Result()
    {
        EXPECT_TRUE(m_run->Join());
        return static_cast<HRESULT>(m_run->Result());
    }

    HWND List() const { return GetDlgItem(m_dialog, IDC_GEOTAG_PHOTOS); }

    int Rows() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

    std::wstring Cell(int row, int column) const
    {
        wchar_t text[256] = L"";
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }

    std::wstring ChosenOffset() const
    {
        HWND combo = GetDlgItem(m_dialog, IDC_GEOTAG_OFFSET);
        LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        wchar_t text[64] = L"";
        if (index >= 0 && SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) < 64)
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }

    // Chooses the offset shown as text ("UTC+00:00") as a user would.
    void ChooseOffset(const std::wstring& text)
    {
        HWND combo = GetDlgItem(m_dialog, IDC_GEOTAG_OFFSET);
        LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_GE(index, 0) << std::string(text.begin(), text.end());
        vztest::ChooseListItem(m_dialog, IDC_GEOTAG_OFFSET, static_cast<int>(index));
    }

    // Picks a row of the photo list as a click does.
    void Pick(int row)
    {
        ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    vztest::TempFolder m_folder;
    ImageSelection m_selection;
    std::unique_ptr<vztest::ModalThread> m_run;
    HWND m_dialog = nullptr;
};

// --- What the dialog shows ----------------------------------------------------

TEST_F(GeotagDialogTest, ShowsTheTrackThePresetOffsetAndWhatEachPhotoGets)
{
    Photo(L"own_offset.jpg", L"2024:05:01 12:30:00", L"+02:00");  // 10:30 UTC: point 30
    Photo(L"early.jpg", L"2024:05:01 10:15:00");                  // 08:15 UTC at +02:00
    Photo(L"no_time.jpg", nullptr);
    FakePhoto(L"fake.jpg");
    Track();
    ASSERT_NE(Open(), nullptr);

    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_TRACK),
              L"GPS track 'walk.gpx': 61 points from 2024-05-01 10:00:00 to 2024-05-01 11:00:00 UTC");
    // The first photo records its own offset: the list starts there.
    EXPECT_EQ(ChosenOffset(), L"UTC+02:00");
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_CLOCK), L"0");
    EXPECT_EQ(SendDlgItemMessageW(m_dialog, IDC_GEOTAG_OFFSET, CB_GETCOUNT, 0, 0), 105);

    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(0, 0), L"own_offset.jpg");
    EXPECT_EQ(Cell(0, 1), L"2024-05-01 12:30:00 UTC+02:00");
    EXPECT_EQ(Cell(0, 2), L"48.030000\u00b0 / 11.030000\u00b0 / 530 m");
    EXPECT_EQ(Cell(1, 0), L"early.jpg");
    EXPECT_EQ(Cell(1, 1), L"2024-05-01 10:15:00");
    EXPECT_EQ(Cell(1, 2), L"none: more than 30 minutes from the track");
    EXPECT_EQ(Cell(2, 1), L"");
    EXPECT_EQ(Cell(2, 2), L"none: no time in the photo");
    EXPECT_EQ(Cell(3, 2), L"none: not a JPEG photo");
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY), L"1 of 4 photos will get a position.");
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDCANCEL));
    // Names and times are shown whole.
    for (int column : {0, 1}) {
        LRESULT width = SendMessageW(List(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0);
        for (int row = 0; row < Rows(); ++row) {
            std::wstring text = Cell(row, column);
            EXPECT_LT(SendMessageW(List(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())), width)
                << row << ", " << column;
        }
    }

    EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"geotag-dialog.bmp").empty());
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);
}

// A track a logger is still writing: the points up to the cut, and the
// dialog says the track is incomplete.
TEST_F(GeotagDialogTest, ACutOffTrackIsShownIncompleteWithThePointsBeforeTheCut)
{
    Photo(L"own_offset.jpg", L"2024:05:01 12:30:00", L"+02:00");  // 10:30 UTC
    Photo(L"late.jpg", L"2024:05:01 12:58:00", L"+02:00");        // 10:58 UTC
    std::string walk = vztest::WalkTrackGpx();
    Track(walk.substr(0, walk.find("<time>2024-05-01T10:41:00Z")));  // inside the point of minute 41
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_TRACK),
              L"GPS track 'walk.gpx' (incomplete: the file ends in the middle): 41 points from "
              L"2024-05-01 10:00:00 to 2024-05-01 10:40:00 UTC");
    EXPECT_EQ(Cell(0, 2), L"48.030000\u00b0 / 11.030000\u00b0 / 530 m");
    EXPECT_EQ(Cell(1, 2), L"48.040000\u00b0 / 11.040000\u00b0 / 540 m");  // the last point, 18 minutes off
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);

    // Cut inside a time and followed by NULs, as a logger leaves a file
    // after a power loss: the same.
    Track(walk.substr(0, walk.find("41:00Z")) + std::string(4096, '\0'));
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_TRACK),
              L"GPS track 'walk.gpx' (incomplete: the file ends in the middle): 41 points from "
              L"2024-05-01 10:00:00 to 2024-05-01 10:40:00 UTC");
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);
}

TEST_F(GeotagDialogTest, EveryChangeOfOffsetOrClockMatchesThePhotosAgain)
{
    Photo(L"own_offset.jpg", L"2024:05:01 12:30:00", L"+02:00");
    Photo(L"early.jpg", L"2024:05:01 10:15:00");
    Track();
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Cell(1, 2), L"none: more than 30 minutes from the track");

    // At UTC+00:00 the second photo was taken at 10:15 UTC; the first keeps
    // its own offset.
    ChooseOffset(L"UTC+00:00");
    EXPECT_TRUE(StartsWith(Cell(1, 2), L"48.015000\u00b0 / 11.015000\u00b0 / 515 m")) << Cell(1, 2).c_str();
    EXPECT_TRUE(StartsWith(Cell(0, 2), L"48.030000\u00b0 / 11.030000\u00b0")) << Cell(0, 2).c_str();
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY), L"2 of 2 photos will get a position.");

    // A camera 90 seconds slow: both photos move on by a minute and a half,
    // between two points.
    vztest::TypeText(m_dialog, IDC_GEOTAG_CLOCK, L"+90");
    EXPECT_TRUE(StartsWith(Cell(1, 2), L"48.016500\u00b0 / 11.016500\u00b0")) << Cell(1, 2).c_str();
    EXPECT_TRUE(StartsWith(Cell(0, 2), L"48.031500\u00b0 / 11.031500\u00b0")) << Cell(0, 2).c_str();

    // A quarter-hour offset: 10:15 at UTC+00:15 is 10:00 UTC.
    ChooseOffset(L"UTC+00:15");
    EXPECT_TRUE(StartsWith(Cell(1, 2), L"48.001500\u00b0 / 11.001500\u00b0")) << Cell(1, 2).c_str();

    // Text that is no number of seconds: said under the list, nothing can
    // be written until it is corrected.
    for (const wchar_t* bad : {L"12a", L"-", L"864001", L"1.5", L"--3", L"99999999"}) {
        vztest::TypeText(m_dialog, IDC_GEOTAG_CLOCK, bad);
        EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY),
                  L"The clock correction must be a whole number of seconds from -864000 to 864000.")
            << std::wstring(bad).size();
        EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    }
    // Empty is no correction.
    vztest::TypeText(m_dialog, IDC_GEOTAG_CLOCK, L"");
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY), L"2 of 2 photos will get a position.");
    EXPECT_TRUE(StartsWith(Cell(1, 2), L"48.000000\u00b0 / 11.000000\u00b0")) << Cell(1, 2).c_str();
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    // Ten days off: no photo near the track, and "Geotag" disabled.
    vztest::TypeText(m_dialog, IDC_GEOTAG_CLOCK, L"-864000");
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY), L"0 of 2 photos will get a position.");
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    // Enter, which the dialog manager turns into the default button's
    // command even while that button is disabled, does not end the dialog.
    SendMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(m_dialog));
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);
}

// The offset the list shows is the one its photos are matched at, however
// it was chosen, and "Geotag" writes under the offset shown when pressed.
TEST_F(GeotagDialogTest, TheOffsetShownIsTheOffsetUsed)
{
    std::wstring photo = Photo(L"camera.jpg", L"2024:05:01 11:20:00");
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    HWND combo = GetDlgItem(m_dialog, IDC_GEOTAG_OFFSET);
    auto waitForPosition = [this](const wchar_t* start) {
        for (int i = 0; i < 100 && !StartsWith(Cell(0, 2), start); ++i)
            Sleep(20);
        return StartsWith(Cell(0, 2), start);
    };
    // Keys in the open list, then Esc: Wine keeps the item the keys
    // reached.
    ChooseOffset(L"UTC+01:00");  // 10:20 UTC
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    for (int key : {VK_UP, VK_UP, VK_ESCAPE})
        SendMessageW(combo, WM_KEYDOWN, static_cast<WPARAM>(key), 0);
    EXPECT_EQ(ChosenOffset(), L"UTC+00:30");
    EXPECT_TRUE(waitForPosition(L"48.050000\u00b0")) << Cell(0, 2).c_str();  // 10:50 UTC
    // Windows takes back the selection the keys showed, then says
    // CBN_SELENDCANCEL and CBN_CLOSEUP, without CBN_SELCHANGE.
    ChooseOffset(L"UTC+00:45");
    SendMessageW(combo, CB_SETCURSEL, SendMessageW(combo, CB_GETCURSEL, 0, 0) + 1, 0);
    for (int code : {CBN_SELENDCANCEL, CBN_CLOSEUP})
        SendMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(IDC_GEOTAG_OFFSET, code), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(ChosenOffset(), L"UTC+01:00");
    EXPECT_TRUE(waitForPosition(L"48.020000\u00b0")) << Cell(0, 2).c_str();
    // A selection no notification reports: "Geotag" reads it all the same.
    SendMessageW(combo, CB_SETCURSEL, SendMessageW(combo, CB_GETCURSEL, 0, 0) - 2, 0);  // 10:50 UTC
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(Result(), S_OK);
    EXPECT_NEAR(ReadPosition(photo).latitude, vztest::WalkLatitudeAt(50), 1e-6);
}

// The clock set from a photo of the GPS's screen: the photo picked, the
// time and zone the screen shows; bad input is said and changes nothing.
TEST_F(GeotagDialogTest, TheClockIsSetFromAPhotoOfTheGpsScreen)
{
    Photo(L"gps_screen.jpg", L"2024:05:01 12:28:30", L"+02:00");  // 10:28:30 UTC by the camera
    Photo(L"no_time.jpg", nullptr);
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    vztest::PostClick(m_dialog, IDC_GEOTAG_CLOCK_FROM_GPS);  // no photo picked
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(boxes[0].text, L"Pick the photo of the GPS's screen in the list first.");
    Pick(1);
    vztest::PostClick(m_dialog, IDC_GEOTAG_CLOCK_FROM_GPS);
    ASSERT_TRUE(boxes.WaitForCount(2));
    EXPECT_EQ(boxes[1].text, L"The photo \"no_time.jpg\" has no time of the camera: pick a photo that has one.");
    Pick(0);
    vztest::PostClick(m_dialog, IDC_GEOTAG_CLOCK_FROM_GPS);
    HWND clock = vztest::WaitForDialog(m_run->ThreadId(), L"Vantrelo Zerli: Set clock from photo of GPS");
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_PHOTO), L"'gps_screen.jpg' was taken at 2024-05-01 12:28:30 by the "
                                                    L"camera's clock (UTC+02:00). What time does the GPS in it show?");
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_TIME), L"2024-05-01 10:28:30");  // the moment matched now, in UTC
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_ZONE), L"UTC+00:00");
    const wchar_t* const time = L"The time the GPS shows must be written as 2024-05-01 14:03:22, or as 14:03:22 on "
                                L"the photo's day.";
    const wchar_t* const zone =
        L"The zone the GPS shows must be UTC or an offset from UTC-12:00 to UTC+14:00, such as UTC+02:00.";
    const wchar_t* const bad[][3] = {
        {L"10:30", L"UTC", time},  // no seconds
        {L"2024-05-01 10:30:00Z", L"UTC", time},
        {L"12:30:00", L"UTC+15:00", zone},
        {L"12:30:00", L"CEST", zone},
        {L"2024-05-12 10:30:00", L"UTC", L"That time is more than ten days from the photo's: check the date the GPS "
                                         L"shows."},
    };
    for (const auto& input : bad) {
        boxes.Clear();
        vztest::TypeText(clock, IDC_GPS_CLOCK_TIME, input[0]);
        SetDlgItemTextW(clock, IDC_GPS_CLOCK_ZONE, input[1]);
        vztest::PostClick(clock, IDOK);
        ASSERT_TRUE(boxes.WaitForCount(1));
        EXPECT_EQ(boxes[0].text, input[2]) << std::wstring(input[0]).size();
    }
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_CLOCK), L"0");
    // The screen shows 12:30:00 at UTC+02:00: the camera was 90 s slow.
    vztest::TypeText(clock, IDC_GPS_CLOCK_TIME, L" 12:30:00 ");
    vztest::ChooseListItem(clock, IDC_GPS_CLOCK_ZONE, 56);  // UTC+02:00
    vztest::Click(clock, IDOK);
    EXPECT_TRUE(vztest::WaitUntilClosed(clock));
    SendMessageW(m_dialog, WM_NULL, 0, 0);  // answered once the dialog has taken the result
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_CLOCK), L"90");
    EXPECT_TRUE(StartsWith(Cell(0, 2), L"48.030000\u00b0")) << Cell(0, 2).c_str();
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);
}

// In Tokyo the GPS was photographed at 08:00 local time, 23:00 UTC the day
// before: the field shows the moment with its date in the zone chosen, so
// that typing over the time alone gives the camera's error, never a day's.
// A correction of more than 12 hours is set only once confirmed.
TEST_F(GeotagDialogTest, TheClockFieldFollowsTheZoneAndALargeCorrectionIsConfirmed)
{
    Photo(L"gps_screen.jpg", L"2024:05:02 07:58:50", L"+09:00");  // 70 s slow
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    Pick(0);
    vztest::PostClick(m_dialog, IDC_GEOTAG_CLOCK_FROM_GPS);
    HWND clock = vztest::WaitForDialog(m_run->ThreadId(), L"Vantrelo Zerli: Set clock from photo of GPS");
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_TIME), L"2024-05-01 22:58:50");
    vztest::ChooseListItem(clock, IDC_GPS_CLOCK_ZONE, 84);  // UTC+09:00
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_ZONE), L"UTC+09:00");
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_TIME), L"2024-05-02 07:58:50");
    std::wstring shown = ItemText(clock, IDC_GPS_CLOCK_TIME);
    vztest::TypeText(clock, IDC_GPS_CLOCK_TIME, shown.substr(0, 11) + L"08:00:00");
    vztest::ChooseListItem(clock, IDC_GPS_CLOCK_ZONE, 56);  // what the user typed stays
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_TIME), L"2024-05-02 08:00:00");
    vztest::ChooseListItem(clock, IDC_GPS_CLOCK_ZONE, 84);
    vztest::Click(clock, IDOK);
    EXPECT_TRUE(vztest::WaitUntilClosed(clock));
    SendMessageW(m_dialog, WM_NULL, 0, 0);
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_CLOCK), L"70");
    EXPECT_EQ(boxes.Count(), 0u);

    // The date typed as UTC's while the zone says Tokyo: a day less 70 s.
    vztest::PostClick(m_dialog, IDC_GEOTAG_CLOCK_FROM_GPS);
    clock = vztest::WaitForDialog(m_run->ThreadId(), L"Vantrelo Zerli: Set clock from photo of GPS");
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(ItemText(clock, IDC_GPS_CLOCK_TIME), L"2024-05-01 23:00:00");  // the moment as matched now
    vztest::TypeText(clock, IDC_GPS_CLOCK_TIME, L"2024-05-01 08:00:00");
    SetDlgItemTextW(clock, IDC_GPS_CLOCK_ZONE, L"UTC+09:00");
    boxes.QueueAnswer(IDNO);
    vztest::PostClick(clock, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(boxes[0].text, L"The time the GPS shows is 0 days, 23 hours and 59 minutes earlier than the camera's: "
                             L"the clock correction would be -86330 s. More than 12 hours is more than a camera's "
                             L"clock is usually off; check the date and the zone the GPS shows.\n\n"
                             L"Set the clock anyway?");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING));
    EXPECT_TRUE(IsWindow(clock));
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_CLOCK), L"70");
    boxes.QueueAnswer(IDYES);
    vztest::PostClick(clock, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(2));
    EXPECT_TRUE(vztest::WaitUntilClosed(clock));
    SendMessageW(m_dialog, WM_NULL, 0, 0);
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_CLOCK), L"-86330");
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);
}

// --- Geotag and Cancel --------------------------------------------------------

TEST_F(GeotagDialogTest, GeotagWritesTheMatchedPositionsAndSaysHowMany)
{
    std::wstring own = Photo(L"own_offset.jpg", L"2024:05:01 12:30:00", L"+02:00");
    std::wstring later = Photo(L"later.jpg", L"2024:05:01 10:45:30");
    std::wstring distant = Photo(L"far.jpg", L"2024:05:02 10:45:30");
    std::wstring noTime = Photo(L"no_time.jpg", nullptr);
    const std::string distantBytes = ReadFileBytes(distant);
    const std::string noTimeBytes = ReadFileBytes(noTime);
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    ChooseOffset(L"UTC+00:00");
    vztest::TypeText(m_dialog, IDC_GEOTAG_CLOCK, L" -30 ");
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(Result(), S_OK);

    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes[0].title, L"Vantrelo Zerli");
    EXPECT_EQ(boxes[0].text, L"2 of 4 photos were geotagged.\n2 photos got no position from the track (no time, or "
                             L"no point near enough).");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONINFORMATION));

    // 10:30:00 UTC less 30 s is 10:29:30, halfway between points 29 and 30.
    ReadBack first = ReadPosition(own);
    ASSERT_TRUE(first.known);
    EXPECT_NEAR(first.latitude, vztest::WalkLatitudeAt(29.5), 1e-6);
    EXPECT_NEAR(first.longitude, vztest::WalkLongitudeAt(29.5), 1e-6);
    EXPECT_NEAR(first.altitude, vztest::WalkElevationAt(29.5), 1.0);
    // 10:45:30 UTC less 30 s is point 45 itself.
    ReadBack second = ReadPosition(later);
    ASSERT_TRUE(second.known);
    EXPECT_NEAR(second.latitude, vztest::WalkLatitudeAt(45), 1e-6);
    EXPECT_NEAR(second.longitude, vztest::WalkLongitudeAt(45), 1e-6);
    EXPECT_NEAR(second.altitude, vztest::WalkElevationAt(45), 1.0);
    EXPECT_EQ(ReadFileBytes(distant), distantBytes);
    EXPECT_EQ(ReadFileBytes(noTime), noTimeBytes);
}

// A photo that already has a position (a phone's) keeps it unless the user
// chooses otherwise; the list, the count and "Geotag" follow the check box.
TEST_F(GeotagDialogTest, PositionsThePhotosHaveAreKeptUnlessTheUserReplacesThem)
{
    std::wstring phone = Photo(L"phone.jpg", L"2024:05:01 10:10:00", L"+00:00");
    ExifBlock block;  // a position of its own, as a phone's
    block.Open(phone.c_str());
    ASSERT_EQ(block.StorePosition(0.1, 0.2, 30.0, 0.0), S_OK);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    std::wstring camera = Photo(L"camera.jpg", L"2024:05:01 10:20:00", L"+00:00");
    const std::string phoneBytes = ReadFileBytes(phone);
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    EXPECT_FALSE(vztest::IsItemChecked(m_dialog, IDC_GEOTAG_REPLACE));
    EXPECT_EQ(Cell(0, 2), L"keeps its own position");
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY),
              L"1 of 2 photos will get a position. 1 photo keeps its own position.");
    vztest::Click(m_dialog, IDC_GEOTAG_REPLACE);
    EXPECT_TRUE(StartsWith(Cell(0, 2), L"48.010000\u00b0 / 11.010000\u00b0")) << Cell(0, 2).c_str();
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY), L"2 of 2 photos will get a position.");
    vztest::Click(m_dialog, IDC_GEOTAG_REPLACE);
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(Result(), S_OK);
    EXPECT_EQ(boxes[0].text, L"1 of 2 photos were geotagged.\n1 photo kept its own position.");
    EXPECT_EQ(ReadFileBytes(phone), phoneBytes);
    EXPECT_NEAR(ReadPosition(camera).latitude, vztest::WalkLatitudeAt(20), 1e-6);

    // Now both have one: nothing to write until the user replaces them.
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY),
              L"0 of 2 photos will get a position. 2 photos keep their own positions.");
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    vztest::Click(m_dialog, IDC_GEOTAG_REPLACE);
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(2));
    EXPECT_EQ(Result(), S_OK);
    EXPECT_EQ(boxes[1].text, L"2 of 2 photos were geotagged.");
    EXPECT_NEAR(ReadPosition(phone).latitude, vztest::WalkLatitudeAt(10), 1e-6);
}

TEST_F(GeotagDialogTest, ReadOnlyPhotosAreShownSkippedAndCounted)
{
    std::wstring open = Photo(L"open.jpg", L"2024:05:01 10:10:00", L"+00:00");
    std::wstring locked = Photo(L"locked.jpg", L"2024:05:01 10:20:00", L"+00:00");
    ASSERT_TRUE(vztest::SetReadOnly(locked, true));
    const std::string lockedBytes = ReadFileBytes(locked);
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(StartsWith(Cell(1, 2), L"read-only, skipped: 48.020000\u00b0 / 11.020000\u00b0"))
        << Cell(1, 2).c_str();
    EXPECT_EQ(ItemText(m_dialog, IDC_GEOTAG_SUMMARY),
              L"1 of 2 photos will get a position. 1 read-only photo will be skipped.");
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(Result(), S_OK);
    EXPECT_EQ(boxes[0].text, L"1 of 2 photos were geotagged.\n1 read-only photo was skipped.");
    EXPECT_TRUE(ReadPosition(open).known);
    EXPECT_EQ(ReadFileBytes(locked), lockedBytes);
    vztest::SetReadOnly(locked, false);
}

TEST_F(GeotagDialogTest, APhotoThatCannotBeWrittenIsCounted)
{
    std::wstring open = Photo(L"open.jpg", L"2024:05:01 10:10:00", L"+00:00");
    std::wstring held = Photo(L"held.jpg", L"2024:05:01 10:20:00", L"+00:00");
    Track();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(), nullptr);
    // Another program holds the photo open without sharing it while the
    // dialog is open.
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(Result(), S_OK);
    CloseHandle(file);
    EXPECT_EQ(boxes[0].text, L"1 of 2 photos were geotagged.\n1 photo could not be written.");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(ReadPosition(open).known);
    EXPECT_FALSE(ReadPosition(held).known);
}

TEST_F(GeotagDialogTest, CancelEscapeAndClosingTheWindowWriteNothing)
{
    std::wstring a = Photo(L"a.jpg", L"2024:05:01 06:40:00", L"-03:30");
    std::wstring b = Photo(L"b.jpg", L"2024:05:01 12:20:00");
    const std::string aBytes = ReadFileBytes(a);
    const std::string bBytes = ReadFileBytes(b);
    Track();
    vztest::MessageBoxWatcher boxes;

    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(ChosenOffset(), L"UTC-03:30");
    vztest::TypeText(m_dialog, IDC_GEOTAG_CLOCK, L"5");
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);

    ASSERT_NE(Open(), nullptr);
    ChooseOffset(L"UTC+02:00");
    HWND focus = GetDlgItem(m_dialog, IDC_GEOTAG_CLOCK);
    PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_TRUE(vztest::WaitUntilClosed(m_dialog));
    EXPECT_EQ(Result(), E_ABORT);

    ASSERT_NE(Open(), nullptr);
    PostMessageW(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(vztest::WaitUntilClosed(m_dialog));
    EXPECT_EQ(Result(), E_ABORT);

    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadFileBytes(a), aBytes);
    EXPECT_EQ(ReadFileBytes(b), bBytes);
}

TEST_F(GeotagDialogTest, AnOwnerWindowThatIsGoneShowsNothingAndWritesNothing)
{
    std::wstring a = Photo(L"a.jpg", L"2024:05:01 10:10:00", L"+00:00");
    const std::string aBytes = ReadFileBytes(a);
    Track();
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ASSERT_TRUE(DestroyWindow(gone));
    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(GeotagFromTrack(gone, m_selection), E_ABORT);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadFileBytes(a), aBytes);
}

// A track of tens of megabytes is read on a worker thread: a progress window
// over the owner (disabled meanwhile) shows the bar moving and goes when the
// track is read; its "Cancel" ends the command without a message and
// without writing.
TEST_F(GeotagDialogTest, ALargeTrackShowsProgressAndCancelEndsTheCommandQuietly)
{
    const wchar_t kProgressCaption[] = L"Vantrelo Zerli: Geotag from GPS track";
    std::wstring a = Photo(L"a.jpg", L"2024:05:01 10:10:00", L"+00:00");
    const std::string aBytes = ReadFileBytes(a);
    Track(vztest::LongTrackGpx(450000));  // about 45 MB
    vztest::MessageBoxWatcher boxes;

    Start();
    HWND shown = vztest::WaitForDialog(m_run->ThreadId(), kProgressCaption);
    ASSERT_NE(shown, nullptr);
    m_dialog = vztest::WaitForDialog(m_run->ThreadId(), kCaption, 30000);
    ASSERT_NE(m_dialog, nullptr);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_TRUE(StartsWith(ItemText(m_dialog, IDC_GEOTAG_TRACK), L"GPS track 'walk.gpx': 450000 points"));
    vztest::Click(m_dialog, IDCANCEL);
    EXPECT_EQ(Result(), E_ABORT);
    std::atomic<HWND> owner{nullptr};
    bool ownerEnabledAfter = false;
    m_run.reset(new vztest::ModalThread([&] {
        // Explorer's window, on the thread that runs the command.
        vztest::TestWindow window(WS_POPUP | WS_VISIBLE, 100, 100, 600, 400);
        owner = window.Handle();
        HRESULT hr = GeotagFromTrack(window.Handle(), m_selection);
        ownerEnabledAfter = IsWindowEnabled(window.Handle()) != FALSE;
        return static_cast<INT_PTR>(hr);
    }));
    HWND progress = vztest::WaitForDialog(m_run->ThreadId(), kProgressCaption);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetWindow(progress, GW_OWNER), owner.load());
    EXPECT_FALSE(IsWindowEnabled(owner.load()));
    EXPECT_EQ(vztest::WindowText(FindWindowExW(progress, nullptr, L"Static", nullptr)),
              L"Reading the GPS track 'walk.gpx'...");
    HWND bar = FindWindowExW(progress, nullptr, PROGRESS_CLASSW, nullptr);
    DWORD start = GetTickCount();
    while (SendMessageW(bar, PBM_GETPOS, 0, 0) == 0 && GetTickCount() - start < 5000)
        Sleep(20);
    EXPECT_GT(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_FALSE(vztest::SaveWindowImage(progress, L"geotag-progress.bmp").empty());
    vztest::PostClick(progress, IDCANCEL);
    EXPECT_TRUE(vztest::WaitUntilClosed(progress));
    EXPECT_EQ(Result(), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_TRUE(ownerEnabledAfter);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadFileBytes(a), aBytes);
}

// Loading the photos' times is part of the bar and stops at "Cancel": with
// a tiny track and 2,000 photos the bar stays under full while they load,
// and "Cancel" ends the command at once with nothing written.
TEST_F(GeotagDialogTest, LoadingManyPhotosShowsOnTheBarAndCancelEndsItAtOnce)
{
    const wchar_t kProgressCaption[] = L"Vantrelo Zerli: Geotag from GPS track";
    std::wstring first = Photo(L"photo0000.jpg", L"2024:05:01 10:10:00", L"+00:00");
    const std::string bytes = ReadFileBytes(first);
    // Copies of a shortcut to it, each resolved as it is loaded: slow
    // enough to watch.
    const std::wstring shortcut = m_folder / L"photo.lnk";
    ASSERT_EQ(vztest::CreateShortcut(shortcut, first), S_OK);
    for (int i = 1; i < 2000; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"photo%04d.lnk", i);
        std::wstring path = m_folder / name;
        ASSERT_TRUE(CopyFileW(shortcut.c_str(), path.c_str(), FALSE));
        m_selection.Append(path.c_str());
    }
    Track();
    vztest::MessageBoxWatcher boxes;
    Start();
    HWND progress = vztest::WaitForDialog(m_run->ThreadId(), kProgressCaption);
    ASSERT_NE(progress, nullptr);
    HWND text = FindWindowExW(progress, nullptr, L"Static", nullptr);
    for (int i = 0; i < 100 && vztest::WindowText(text) != L"Reading the times of the photos..."; ++i)
        Sleep(10);
    EXPECT_EQ(vztest::WindowText(text), L"Reading the times of the photos...");
    HWND bar = FindWindowExW(progress, nullptr, PROGRESS_CLASSW, nullptr);
    LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
    EXPECT_GT(position, 0);
    EXPECT_LT(position, SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    DWORD start = GetTickCount();
    vztest::PostClick(progress, IDCANCEL);
    EXPECT_EQ(Result(), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadFileBytes(first), bytes);
}

// The progress window ends without its "Cancel" when its owner is
// destroyed: the work stops, and the command returns at once; where the
// window cannot even be created, the same. The wait returns only once the
// worker has ended.
TEST_F(GeotagDialogTest, AProgressWindowThatEndsOtherwiseStopsTheWork)
{
    std::wstring a = Photo(L"a.jpg", L"2024:05:01 10:10:00", L"+00:00");
    const std::string aBytes = ReadFileBytes(a);
    Track(vztest::LongTrackGpx(450000));  // about 45 MB
    vztest::MessageBoxWatcher boxes;
    std::atomic<HWND> owner{nullptr};
    m_run.reset(new vztest::ModalThread([&] {
        vztest::TestWindow window(WS_POPUP | WS_VISIBLE, 100, 100, 600, 400);
        owner = window.Handle();
        return static_cast<INT_PTR>(GeotagFromTrack(window.Handle(), m_selection));
    }));
    HWND progress = vztest::WaitForDialog(m_run->ThreadId(), L"Vantrelo Zerli: Geotag from GPS track");
    ASSERT_NE(progress, nullptr);
    DWORD start = GetTickCount();
    PostMessageW(owner.load(), WM_CLOSE, 0, 0);  // its own thread destroys it
    EXPECT_EQ(Result(), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadFileBytes(a), aBytes);

    // Work that takes its time to stop, under an owner that is gone: no
    // window, the work is told to stop, and is waited for to its end.
    struct Slow {
        std::atomic<bool> ended{false};
        static HRESULT Run(void* context, WorkProgress* progress)
        {
            Slow* slow = static_cast<Slow*>(context);
            for (uint64_t done = 0; progress->Continue(done, 100); done = (done + 1) % 100)
                Sleep(10);
            Sleep(300);
            slow->ended = true;
            return S_OK;
        }
    } slow;
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(DestroyWindow(gone));
    start = GetTickCount();
    EXPECT_EQ(RunWithProgress(gone, L"slow", L"slow", Slow::Run, &slow), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_TRUE(slow.ended);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

// A track that never delivers its end (a pipe whose writer stalls, as a
// share that hangs): "Cancel" ends the reading all the same.
TEST_F(GeotagDialogTest, ATrackThatNeverEndsIsStoppedByCancel)
{
    Photo(L"a.jpg", L"2024:05:01 10:10:00", L"+00:00");
    const wchar_t kPipe[] = L"\\\\.\\pipe\\vz-stalled-track.gpx";
    HANDLE pipe = CreateNamedPipeW(kPipe, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    m_selection.SetTrackPath(kPipe);
    vztest::MessageBoxWatcher boxes;
    Start();
    BOOL connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
    EXPECT_TRUE(connected);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(pipe, "<gpx><trk><trkseg>", 18, &written, nullptr));
    HWND progress = vztest::WaitForDialog(m_run->ThreadId(), L"Vantrelo Zerli: Geotag from GPS track");
    ASSERT_NE(progress, nullptr);
    DWORD start = GetTickCount();
    vztest::PostClick(progress, IDCANCEL);
    EXPECT_EQ(Result(), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(boxes.Count(), 0u);
    CloseHandle(pipe);
}

// --- Tracks the command refuses -------------------------------------------------

TEST_F(GeotagDialogTest, HostileTracksAreRefusedWithOneMessageAndNothingWritten)
{
    std::wstring a = Photo(L"a.jpg", L"2024:05:01 10:10:00", L"+00:00");
    std::wstring b = Photo(L"b.jpg", L"2024:05:01 10:20:00", L"+00:00");
    const std::string aBytes = ReadFileBytes(a);
    const std::string bBytes = ReadFileBytes(b);
    std::wstring track = Track();

    std::string strayLessThan = vztest::WalkTrackGpx();
    strayLessThan.replace(strayLessThan.find("<trkseg>"), 0, "<name>a < b</name>");
    const struct {
        const char* what;
        std::string text;
        bool huge;  // made 100 MB long by seeking, so quickly
        const wchar_t* message;  // null: kRefused
    } hostile[] = {
        {"malformed XML", "<gpx><trk><trkseg><trkpt lat=\"48\" lon=\"11\"><time>2024-05-01T10:00:00Z</time>"
                          "</trkseg></gpx>", false, L"The GPS track \"walk.gpx\" cannot be used: it is not well-formed "
                                                    L"XML (error at line 1, column 86)."},
        {"a billion laughs", vztest::BillionLaughsGpx(), false, nullptr},
        {"100 MB", vztest::WalkTrackGpx(), true, nullptr},
        {"no timed point", "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>", false, nullptr},
        {"a JPEG file named as a track", std::string("\xFF\xD8\xFF\xE1\0\x10" "Exif\0\0\xFF\xD9", 14), false,
         nullptr},
        {"a bare < in a name", strayLessThan, false,
         L"The GPS track \"walk.gpx\" cannot be used: it is not well-formed XML (error at line 3, column 33)."},
    };
    for (const auto& file : hostile) {
        SCOPED_TRACE(file.what);
        ASSERT_TRUE(vztest::WriteFileBytes(track, file.text));
        if (file.huge) {
            HANDLE handle = CreateFileW(track.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            LARGE_INTEGER size;
            size.QuadPart = 100ll * 1024 * 1024;
            EXPECT_TRUE(SetFilePointerEx(handle, size, nullptr, FILE_BEGIN) && SetEndOfFile(handle));
            CloseHandle(handle);
        }
        vztest::MessageBoxWatcher boxes;
        DWORD start = GetTickCount();
        Start();
        ASSERT_TRUE(boxes.WaitForCount(1));
        // The reader's error: the dialog never opened.
        HRESULT hr = Result();
        EXPECT_TRUE(hr == VZ_E_TRACK_UNREADABLE || hr == VZ_E_TRACK_EMPTY) << std::hex << hr;
        EXPECT_LT(GetTickCount() - start, 10000u);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes[0].title, L"Vantrelo Zerli");
        EXPECT_EQ(boxes[0].text, file.message ? file.message : kRefused);
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
    }
    EXPECT_EQ(ReadFileBytes(a), aBytes);
    EXPECT_EQ(ReadFileBytes(b), bBytes);
}

}  // namespace
