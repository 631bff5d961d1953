// The coordinates dialog and the clipboard: "From Clipboard!" follows what
// other programs put there and reads positions from it, and the dialog is a
// good member of the system's clipboard viewer chain: it passes every notice
// on, follows windows that leave the chain while it is open, and leaves the
// chain on close so that the other viewers go on being told. The other
// viewers are windows of the tests' own (vztest::ClipboardViewer).
#include <gtest/gtest.h>
#include <windows.h>

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
