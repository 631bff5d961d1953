// "From Google Earth!" in the coordinates dialog, with the Google Earth
// stand-in (tests/earth/standin) registered in the test prefix as Google
// Earth: the button follows whether Google Earth is installed, a click fills
// the fields with the centre of the stand-in's view (which "Save!" then
// writes), and a failing Google Earth shows its warning and the dialog's own
// message while the dialog keeps what it showed.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>

#include "coords/coord_dialog_fixture.h"
#include "coords/coord_dialog_resources.h"
#include "earth_client/earth_standin.h"
#include "testlib/message_box_watcher.h"

namespace {

using vztest::Click;
using vztest::CoordDialogTest;
using vztest::EarthPointForm;
using vztest::EarthStandIn;
using vztest::IsItemChecked;
using vztest::IsItemEnabled;
using vztest::ItemText;
using vztest::kPhotoWithoutPosition;
using vztest::MessageBoxRecord;
using vztest::MessageBoxWatcher;
using vztest::ReadPhotoPosition;
using vztest::WaitFor;

const wchar_t kVersionText[] = L"\n\n(Google Earth Plus v.4.3.7284)";  // the stand-in's default version
const wchar_t kEarthFailed[] = L"Couldn't get the current position from the Google Earth client!";

BOOL CALLBACK DescribeControl(HWND control, LPARAM data)
{
    int id = GetDlgCtrlID(control);
    // "Save!" and "From Clipboard!" have rules of their own (the first is
    // enabled by every click of a "From" button, the second follows the
    // clipboard, which other suites change).
    if (id == IDOK || id == IDC_COORD_FROM_CLIPBOARD)
        return TRUE;
    std::wostringstream& out = *reinterpret_cast<std::wostringstream*>(data);
    out << id << L" '" << vztest::WindowText(control) << L"' " << (IsWindowVisible(control) ? L"shown" : L"hidden")
        << (IsWindowEnabled(control) ? L" enabled" : L" disabled") << L" check "
        << SendMessageW(control, BM_GETCHECK, 0, 0) << L"\n";
    return TRUE;
}

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM data)
{
    HWND* found = reinterpret_cast<HWND*>(data);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window != found[0] && wcscmp(className, L"#32770") == 0) {
        found[1] = window;
        return FALSE;
    }
    return TRUE;
}

void ExpectEarthWarning(const MessageBoxRecord& box, const std::wstring& text)
{
    EXPECT_TRUE(box.intercepted);
    EXPECT_FALSE(box.wide);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.title, L"Vantrelo Zerli");
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING | MB_SETFOREGROUND));
}

class CoordDialogEarthTest : public CoordDialogTest {
protected:
    // Every control of the dialog: text, visibility, enabling and check.
    std::wstring Controls()
    {
        std::wostringstream out;
        EnumChildWindows(m_dialog, DescribeControl, reinterpret_cast<LPARAM>(&out));
        return out.str();
    }

    // Clicks "From Google Earth!" when it shows message boxes: returns once
    // the boxes are answered and gone and the dialog has finished the click.
    void ClickFromEarthWithBoxes(const MessageBoxWatcher& boxes, size_t count)
    {
        vztest::PostClick(m_dialog, IDC_COORD_FROM_EARTH);
        ASSERT_TRUE(boxes.WaitForCount(count));
        HWND search[2] = {m_dialog, nullptr};
        EXPECT_TRUE(WaitFor([&] {
            search[1] = nullptr;
            EnumThreadWindows(m_run->ThreadId(), FindOtherDialog, reinterpret_cast<LPARAM>(search));
            return search[1] == nullptr;
        }));
        // The boxes' message loops have ended: this is handled after the click.
        SendMessageW(m_dialog, WM_NULL, 0, 0);
    }
};

TEST_F(CoordDialogEarthTest, TheButtonIsEnabledExactlyWhenGoogleEarthIsInstalled)
{
    Photo(kPhotoWithoutPosition, L"plain.jpg");
    {
        EarthStandIn standIn(EarthPointForm::Object);
        ASSERT_HRESULT_SUCCEEDED(standIn.Registered());
        ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'plain.jpg'"), nullptr);
        EXPECT_TRUE(IsItemEnabled(m_dialog, IDC_COORD_FROM_EARTH));
        EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
    }
    // The stand-in is unregistered again: Google Earth is not installed.
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'plain.jpg'"), nullptr);
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDC_COORD_FROM_EARTH));
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

TEST_F(CoordDialogEarthTest, TheViewPointFillsTheFieldsAndSaveWritesIt)
{
    EarthStandIn standIn(EarthPointForm::Object);
    ASSERT_HRESULT_SUCCEEDED(standIn.Registered());
    // Sydney, 58.25 m, the camera turned to the west.
    standIn.SetView(-33.856784, 151.215297, 58.25);
    standIn.SetAzimuth(-90.0);
    std::wstring first = Photo(kPhotoWithoutPosition, L"first.jpg");
    std::wstring second = Photo(L"located.jpg", L"second.jpg");
    MessageBoxWatcher boxes;
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 2 files"), nullptr);
    EXPECT_FALSE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDC_COORD_LAT_DEGREES));

    Click(m_dialog, IDC_COORD_FROM_EARTH);
    EXPECT_NE(standIn.Calls().find(L"GetPointOnTerrainFromScreenCoords"), std::wstring::npos) << standIn.Calls();
    EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"-33.856784");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), L"151.215297");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"58");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_HEADING), L"270");
    for (int id : {IDC_COORD_LAT_DEGREES, IDC_COORD_LON_DEGREES, IDC_COORD_ALTITUDE, IDC_COORD_HEADING})
        EXPECT_TRUE(IsItemEnabled(m_dialog, id)) << id;
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"coordinates-dialog-from-google-earth.bmp").empty());

    EXPECT_EQ(Finish(IDOK), S_OK);
    for (const std::wstring& path : {first, second}) {
        GeoPosition position = ReadPhotoPosition(path);
        EXPECT_TRUE(position.known);
        EXPECT_NEAR(position.latitude, -33.856784, 2e-6);
        EXPECT_NEAR(position.longitude, 151.215297, 2e-6);
        EXPECT_DOUBLE_EQ(position.altitude, 58.0);  // the field holds whole metres
        EXPECT_NEAR(position.heading, 270.0, 1e-9);
    }
}

TEST_F(CoordDialogEarthTest, ATerrainExaggerationOfZeroIsNotedAndThePointStillTaken)
{
    EarthStandIn standIn(EarthPointForm::Array);
    ASSERT_HRESULT_SUCCEEDED(standIn.Registered());
    standIn.SetExaggeration(0.0);
    Photo(kPhotoWithoutPosition, L"plain.jpg");
    MessageBoxWatcher boxes;
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'plain.jpg'"), nullptr);

    ClickFromEarthWithBoxes(boxes, 1);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes[0].text, std::wstring(L"Google Earth terrain exaggeration is set to 0.\n"
                                          L"Thus, the altitude value received is not valid!") + kVersionText);
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONINFORMATION | MB_SETFOREGROUND));
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"52.500000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), L"13.400000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"34");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_HEADING), L"0");
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

TEST_F(CoordDialogEarthTest, AFailingGoogleEarthShowsBothMessagesAndChangesNothing)
{
    EarthStandIn standIn(EarthPointForm::Object);
    ASSERT_HRESULT_SUCCEEDED(standIn.Registered());
    std::wstring path = LocatedPhoto(L"located.jpg", 48.5, -11.25, 519.0, 45.0);
    MessageBoxWatcher boxes;
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);
    std::wstring shown = Controls();
    ASSERT_NE(shown.find(L"'48.500000'"), std::wstring::npos) << shown;
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));

    // Google Earth still starting.
    standIn.SetInitialized(false);
    ClickFromEarthWithBoxes(boxes, 2);
    ASSERT_EQ(boxes.Count(), 2u);
    ExpectEarthWarning(boxes[0], std::wstring(L"Please wait for Google Earth to get initialized.\n"
                                              L"Then navigate to the desired location, and call this function "
                                              L"again!\n(Error code: 8000000a)") + kVersionText);
    EXPECT_TRUE(boxes[1].intercepted);
    EXPECT_FALSE(boxes[1].wide);
    EXPECT_EQ(boxes[1].owner, m_dialog);
    EXPECT_EQ(boxes[1].title, L"Vantrelo Zerli");
    EXPECT_EQ(boxes[1].text, kEarthFailed);
    EXPECT_EQ(boxes[1].flags, static_cast<UINT>(MB_ICONERROR | MB_SETFOREGROUND));
    EXPECT_EQ(Controls(), shown);
    // Like every click of a "From" button, this one enables "Save!".
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));

    // Google Earth answers the point but not the camera: the point it gave
    // is not taken either.
    standIn.SetInitialized(true);
    standIn.FailMembers(L"GetCamera", static_cast<HRESULT>(0x80041002));
    boxes.Clear();
    ClickFromEarthWithBoxes(boxes, 2);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_NE(standIn.Calls().find(L"GetPointOnTerrainFromScreenCoords"), std::wstring::npos) << standIn.Calls();
    ExpectEarthWarning(boxes[0], std::wstring(L"Google Earth function call failed!\n(Error code: 80004005)\n"
                                              L"Please check if you are using an older version and consider to "
                                              L"update the Google Earth software!\nBefore installing Google Earth, "
                                              L"please make sure you are logged in with administrator rights!") +
                                     kVersionText);
    EXPECT_EQ(boxes[1].text, kEarthFailed);
    EXPECT_EQ(boxes[1].owner, m_dialog);
    EXPECT_EQ(Controls(), shown);

    // Saving now writes what the dialog showed all along.
    EXPECT_EQ(Finish(IDOK), S_OK);
    GeoPosition position = ReadPhotoPosition(path);
    EXPECT_TRUE(position.known);
    EXPECT_NEAR(position.latitude, 48.5, 1e-6);
    EXPECT_NEAR(position.longitude, -11.25, 1e-6);
    EXPECT_DOUBLE_EQ(position.altitude, 519.0);
    EXPECT_NEAR(position.heading, 45.0, 1e-9);
}

}  // namespace
