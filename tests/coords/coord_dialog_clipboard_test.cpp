// The coordinates dialog and the clipboard: "From Clipboard!" follows what
// other programs put there and reads positions from it, and the dialog is a
// good member of the system's clipboard viewer chain: it passes every notice
// on, follows windows that leave the chain while it is open, and leaves the
// chain on close so that the other viewers go on being told. The other
// viewers are windows of the tests' own (vztest::ClipboardViewer).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "coords/coord_dialog_fixture.h"
#include "coords/coord_dialog_resources.h"
#include "testlib/clipboard_viewer.h"
#include "testlib/message_box_watcher.h"

namespace {

using vztest::Click;
using vztest::ClipboardViewer;
using vztest::CoordDialogTest;
using vztest::IsItemChecked;
using vztest::IsItemEnabled;
using vztest::ItemText;
using vztest::kPhotoWithoutPosition;
using vztest::PutPictureOnClipboard;
using vztest::PutTextOnClipboard;
using vztest::WaitFor;

const wchar_t kPosition[] = L"48.137154, 11.575382";

class CoordDialogClipboardTest : public CoordDialogTest {
protected:
    HWND OpenOnePhoto()
    {
        Photo(kPhotoWithoutPosition, L"plain.jpg");
        return Open(L"Vantrelo Zerli: Coordinates for 'plain.jpg'");
    }

    bool FromClipboardEnabled() { return IsItemEnabled(m_dialog, IDC_COORD_FROM_CLIPBOARD); }
};

TEST_F(CoordDialogClipboardTest, FromClipboardFollowsTheClipboardAndReadsPositions)
{
    PutPictureOnClipboard();
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(OpenOnePhoto(), nullptr);
    EXPECT_FALSE(FromClipboardEnabled());

    PutTextOnClipboard(kPosition);
    EXPECT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
    PutPictureOnClipboard();
    EXPECT_TRUE(WaitFor([&] { return !FromClipboardEnabled(); }));

    PutTextOnClipboard(kPosition);
    ASSERT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
    Click(m_dialog, IDC_COORD_FROM_CLIPBOARD);
    EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.137154");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), L"11.575382");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"0");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_HEADING), L"0");
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDC_COORD_LAT_DEGREES));
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_EQ(boxes.Count(), 0u);

    // A text that is not a position: the message, nothing changed.
    PutTextOnClipboard(L"48.1 11.5");
    ASSERT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
    vztest::PostClick(m_dialog, IDC_COORD_FROM_CLIPBOARD);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(boxes[0].text, L"Invalid coordinate format!");
    EXPECT_EQ(boxes[0].title, L"Vantrelo Zerli");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR | MB_SETFOREGROUND));
    EXPECT_EQ(boxes[0].owner, m_dialog);
    SendMessageW(m_dialog, WM_NULL, 0, 0);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.137154");

    EXPECT_EQ(Finish(IDOK), S_OK);
    EXPECT_NEAR(vztest::ReadPhotoPosition(m_folder / L"plain.jpg").longitude, 11.575382, 2e-6);
}

// Links, geo: URIs and placemarks: the fields filled, "Save!" enabled, no
// message. The dialog after a map link is the README's picture.
TEST_F(CoordDialogClipboardTest, FromClipboardTakesMapLinksGeoUrisAndPlacemarks)
{
    struct Case {
        const wchar_t* text;
        const wchar_t *latitude, *longitude, *altitude, *heading;
    };
    const Case cases[] = {
        {L"https://www.google.com/maps/place/Eiffel+Tower/@48.8580000,2.2900000,15z/data=!3m1!4b1!4m6!3m5"
         L"!1s0x47e66e2964e34e2d:0x8ddca9ee380ef7e0!8m2!3d48.8583701!4d2.2944813!16zL20vMDJqODE",
         L"48.858370", L"2.294481", L"0", L"0"},
        {L"geo:-33.8568,151.2153,12;u=10", L"-33.856800", L"151.215300", L"12", L"0"},
        {L"https://www.openstreetmap.org/?mlat=48.13715&mlon=11.57538#map=15/48.1/11.5", L"48.137150",
         L"11.575380", L"0", L"0"},
        {L"https://yandex.ru/maps/?ll=37.620070%2C55.753630&z=10", L"55.753630", L"37.620070", L"0", L"0"},
        {L"https://maps.google.com/?q=91.5,2.29&cp=48.137154~11.575382", L"48.137154", L"11.575382", L"0", L"0"},
        {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
         L"<Document><Placemark><name>Marienplatz</name><LookAt><longitude>11.5754</longitude>"
         L"<latitude>48.1372</latitude><heading>45.6</heading></LookAt><Point><altitudeMode>absolute"
         L"</altitudeMode><coordinates>11.575382,48.137154,519.7</coordinates></Point></Placemark></Document>"
         L"</kml>\r\n",
         L"48.137154", L"11.575382", L"519", L"45"},
    };
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(OpenOnePhoto(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        PutTextOnClipboard(c.text);
        ASSERT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
        Click(m_dialog, IDC_COORD_FROM_CLIPBOARD);
        EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), c.latitude);
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), c.longitude);
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), c.altitude);
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_HEADING), c.heading);
        EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
        if (&c == &cases[0]) {
            EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"coordinates-dialog-from-map-link.bmp").empty());
        }
    }
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(Finish(IDOK), S_OK);
    GeoPosition saved = vztest::ReadPhotoPosition(m_folder / L"plain.jpg");
    EXPECT_NEAR(saved.latitude, 48.137154, 2e-6);
    EXPECT_NEAR(saved.altitude, 519.0, 0.5);
}

// Texts that are no position, hostile ones among them: the message and
// nothing else, the fields as they were.
TEST_F(CoordDialogClipboardTest, FromClipboardRefusesWhatIsNoPosition)
{
    const std::wstring digits(3000, L'9');
    std::wstring manyPlaces;
    for (int i = 0; i < 10000; ++i)
        manyPlaces += L"!3d";
    const std::wstring texts[] = {
        L"https://www.google.com/maps/place/Eiffel+Tower",
        L"geo:37.786971,-122.399677;crs=Moon-2011;u=35",
        L"https://www.google.com/maps/@91.5,2.29,17z",
        L"<kml><Placemark><Point><coordinates>2.29,48.85</coordinates></Point>",
        manyPlaces,
        L"geo:" + digits + L"," + digits,
        L"geo:NaN,2.29",
        L"https://maps.google.com/maps?q=1e999,2.29",
        L"geo:0,0?q=Marienplatz+1,+Munich",
        L"https://www.google.com/maps?q=48,85+2,29",
    };
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(OpenOnePhoto(), nullptr);
    size_t shown = 0;
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 60)));
        PutTextOnClipboard(text);
        ASSERT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
        vztest::PostClick(m_dialog, IDC_COORD_FROM_CLIPBOARD);
        ASSERT_TRUE(boxes.WaitForCount(++shown));
        EXPECT_EQ(boxes[shown - 1].text, L"Invalid coordinate format!");
        SendMessageW(m_dialog, WM_NULL, 0, 0);
        EXPECT_FALSE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"0.000000");
    }
    EXPECT_EQ(boxes.Count(), shown);
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

// Another program holds the clipboard open: a message that says so, the
// fields as they were; once it lets go, the same click reads the position.
TEST_F(CoordDialogClipboardTest, AClipboardHeldByAnotherProgramAsksToTryAgain)
{
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(OpenOnePhoto(), nullptr);
    PutTextOnClipboard(kPosition);
    ASSERT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
    ASSERT_TRUE(OpenClipboard(nullptr));  // held by this thread, not the dialog's
    vztest::PostClick(m_dialog, IDC_COORD_FROM_CLIPBOARD);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(boxes[0].text, L"Another program is using the clipboard - please try again!");
    EXPECT_EQ(boxes[0].title, L"Vantrelo Zerli");
    EXPECT_TRUE(CloseClipboard());
    SendMessageW(m_dialog, WM_NULL, 0, 0);
    EXPECT_FALSE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));

    Click(m_dialog, IDC_COORD_FROM_CLIPBOARD);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.137154");
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

// Megabytes on the clipboard: only the first 64 KiB are looked at, so a link
// at the start is read and one behind them is not, each in a moment.
TEST_F(CoordDialogClipboardTest, AnOverLongClipboardTextIsReadFromItsFirst64KiB)
{
    const std::wstring link = L"https://www.google.com/maps/@48.8583701,2.2944813,17z ";
    const std::wstring filler(4 * 1024 * 1024, L'x');
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(OpenOnePhoto(), nullptr);

    PutTextOnClipboard(link + filler);
    ASSERT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
    auto start = std::chrono::steady_clock::now();
    Click(m_dialog, IDC_COORD_FROM_CLIPBOARD);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 2000);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.858370");
    EXPECT_EQ(boxes.Count(), 0u);

    PutTextOnClipboard(std::wstring(70 * 1024, L' ') + L"geo:10,20 " + filler);
    ASSERT_TRUE(WaitFor([&] { return boxes.Count() == 0 && FromClipboardEnabled(); }));
    start = std::chrono::steady_clock::now();
    vztest::PostClick(m_dialog, IDC_COORD_FROM_CLIPBOARD);
    ASSERT_TRUE(boxes.WaitForCount(1));
    elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 2000);
    EXPECT_EQ(boxes[0].text, L"Invalid coordinate format!");
    SendMessageW(m_dialog, WM_NULL, 0, 0);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.858370");
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

// Chain: dialog -> earlier viewer; after the close: earlier viewer alone.
TEST_F(CoordDialogClipboardTest, AViewerThatJoinedBeforeTheDialogIsToldThroughItAndDirectlyAfterItCloses)
{
    ClipboardViewer earlier;
    earlier.Join();
    ASSERT_NE(OpenOnePhoto(), nullptr);
    EXPECT_EQ(GetClipboardViewer(), m_dialog);

    int draws = earlier.DrawCount();
    PutTextOnClipboard(kPosition);
    EXPECT_TRUE(earlier.WaitForDrawCount(draws + 1));  // passed on by the dialog
    EXPECT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));

    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
    EXPECT_EQ(GetClipboardViewer(), earlier.Handle());
    EXPECT_EQ(earlier.ChainChangeCount(), 0);
    draws = earlier.DrawCount();
    PutPictureOnClipboard();
    EXPECT_TRUE(earlier.WaitForDrawCount(draws + 1));
}

// Chain: later viewer -> dialog -> earlier viewer; the dialog's leaving is
// announced to the later viewer with the earlier one as its successor.
TEST_F(CoordDialogClipboardTest, ViewersBeforeAndAfterTheDialogStayLinkedWhenItCloses)
{
    ClipboardViewer earlier;
    earlier.Join();
    ASSERT_NE(OpenOnePhoto(), nullptr);
    HWND dialog = m_dialog;
    ClipboardViewer later;
    later.Join();
    EXPECT_EQ(later.Next(), dialog);

    int earlierDraws = earlier.DrawCount();
    PutTextOnClipboard(kPosition);
    EXPECT_TRUE(earlier.WaitForDrawCount(earlierDraws + 1));
    EXPECT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));

    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
    EXPECT_EQ(later.ChainChangeCount(), 1);
    EXPECT_EQ(later.LastLeaving(), dialog);
    EXPECT_EQ(later.LastSuccessor(), earlier.Handle());
    EXPECT_EQ(later.Next(), earlier.Handle());

    earlierDraws = earlier.DrawCount();
    int laterDraws = later.DrawCount();
    PutPictureOnClipboard();
    EXPECT_TRUE(later.WaitForDrawCount(laterDraws + 1));
    EXPECT_TRUE(earlier.WaitForDrawCount(earlierDraws + 1));
}

// Chain: dialog -> leaving -> last. When the window after the dialog
// leaves, the dialog takes its successor as next viewer and passes nothing on.
TEST_F(CoordDialogClipboardTest, WhenTheViewerAfterTheDialogLeavesItsSuccessorIsToldInstead)
{
    ClipboardViewer last;
    last.Join();
    ClipboardViewer leaving;
    leaving.Join();
    ASSERT_NE(OpenOnePhoto(), nullptr);
    EXPECT_EQ(GetClipboardViewer(), m_dialog);

    leaving.Leave();
    EXPECT_EQ(last.ChainChangeCount(), 0);
    int leavingDraws = leaving.DrawCount();
    int lastDraws = last.DrawCount();
    PutTextOnClipboard(kPosition);
    EXPECT_TRUE(last.WaitForDrawCount(lastDraws + 1));
    EXPECT_EQ(leaving.DrawCount(), leavingDraws);
    EXPECT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));

    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
    EXPECT_EQ(GetClipboardViewer(), last.Handle());
}

// Chain: dialog -> closest -> middle -> farthest. When middle leaves, the
// dialog passes the notice on, closest links itself to farthest, and farthest
// goes on being told.
TEST_F(CoordDialogClipboardTest, AViewerLeavingFurtherDownTheChainIsAnnouncedToTheRest)
{
    ClipboardViewer farthest;
    farthest.Join();
    ClipboardViewer middle;
    middle.Join();
    ClipboardViewer closest;
    closest.Join();
    ASSERT_NE(OpenOnePhoto(), nullptr);

    middle.Leave();
    EXPECT_EQ(closest.ChainChangeCount(), 1);
    EXPECT_EQ(closest.LastLeaving(), middle.Handle());
    EXPECT_EQ(closest.LastSuccessor(), farthest.Handle());
    EXPECT_EQ(closest.Next(), farthest.Handle());

    int middleDraws = middle.DrawCount();
    int farDraws = farthest.DrawCount();
    PutTextOnClipboard(kPosition);
    EXPECT_TRUE(farthest.WaitForDrawCount(farDraws + 1));
    EXPECT_EQ(middle.DrawCount(), middleDraws);
    EXPECT_TRUE(WaitFor([&] { return FromClipboardEnabled(); }));
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

}  // namespace
