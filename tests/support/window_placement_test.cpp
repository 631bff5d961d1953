// Window placement on real windows of the test display (Xvfb): centring over
// a parent, keeping windows inside the monitors' bounds, rectangles of child
// windows. The bounds arithmetic is also checked on its own for layouts of
// several monitors, and on real monitors when the display has two of them
// (run by two-monitors.sh with VZ_EXPECT_MONITORS=2).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "testlib/test_window.h"
#include "support/window_placement.h"

namespace {

using vztest::TestWindow;

const DWORD kPopup = WS_POPUP | WS_VISIBLE;

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data)
{
    reinterpret_cast<std::vector<RECT>*>(data)->push_back(*rect);
    return TRUE;
}

std::vector<RECT> MonitorRects()
{
    std::vector<RECT> rects;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&rects));
    return rects;
}

// Where a window of the given size, placed at left/top, ends after KeepWindowOnScreen.
POINT KeptAt(int left, int top, int width, int height)
{
    TestWindow window(kPopup, left, top, width, height);
    RECT placed = window.ScreenRect();
    EXPECT_EQ(left, placed.left) << "the window could not be placed where the test wants it";
    KeepWindowOnScreen(window.Handle());
    RECT rect = window.ScreenRect();
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
    return POINT{rect.left, rect.top};
}

TEST(WindowPlacement, MonitorBoundsCoverTheVirtualScreen)
{
    RECT bounds = GetMonitorBounds();
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), bounds.left);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), bounds.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), bounds.right - bounds.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), bounds.bottom - bounds.top);
}

TEST(WindowPlacement, CentresOverAVisibleParentOnMultiplesOf8)
{
    TestWindow parent(kPopup, 0, 0, 1024, 600);
    TestWindow window(kPopup, 5, 5, 50, 50, parent.Handle());
    CenterWindowOnParent(window.Handle(), 300, 200);
    // (1024 - 300) / 2 + 0 + 4 = 366, down to a multiple of 8: 360.
    EXPECT_TRUE(SameRect(RECT{360, 200, 660, 400}, window.ScreenRect()));

    TestWindow offsetParent(kPopup, 100, 50, 501, 401);
    TestWindow second(kPopup, 5, 5, 50, 50, offsetParent.Handle());
    CenterWindowOnParent(second.Handle(), 300, 200);
    // (501 - 300) / 2 + 100 + 4 = 204 -> 200; (401 - 200) / 2 + 50 = 150.
    EXPECT_TRUE(SameRect(RECT{200, 150, 500, 350}, second.ScreenRect()));
}

TEST(WindowPlacement, CentresOverTheDesktopWithoutAVisibleParent)
{
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    if (desktop.right - desktop.left != 1024 || desktop.bottom - desktop.top != 768) {
        GTEST_SKIP() << "the figures below are for a 1024 x 768 desktop";
    }
    TestWindow hiddenParent(WS_POPUP, 100, 100, 200, 200);
    TestWindow window(kPopup, 5, 5, 50, 50, hiddenParent.Handle());
    CenterWindowOnParent(window.Handle(), 300, 200);
    EXPECT_TRUE(SameRect(RECT{360, 284, 660, 484}, window.ScreenRect()));

    TestWindow ownerless(kPopup, 5, 5, 50, 50);
    CenterWindowOnParent(ownerless.Handle(), 301, 201);
    // (1024 - 301) / 2 + 4 = 365 -> 360; (768 - 201) / 2 = 283.
    EXPECT_TRUE(SameRect(RECT{360, 283, 661, 484}, ownerless.ScreenRect()));
}

TEST(WindowPlacement, CentringIsKeptOnScreen)
{
    RECT bounds = GetMonitorBounds();
    TestWindow parent(kPopup, bounds.left - 400, bounds.top + 10, 500, 300);
    TestWindow window(kPopup, 5, 5, 50, 50, parent.Handle());
    CenterWindowOnParent(window.Handle(), 300, 200);
    RECT rect = window.ScreenRect();
    EXPECT_EQ(bounds.left, rect.left);
    EXPECT_EQ(bounds.top + 60, rect.top);
    EXPECT_EQ(300, rect.right - rect.left);
}

TEST(WindowPlacement, ChildWindowsAreNotCentredOrMoved)
{
    TestWindow parent(kPopup, 50, 50, 400, 300);
    TestWindow child(WS_CHILD | WS_VISIBLE, -30, 10, 100, 50, parent.Handle(), nullptr, 7);
    CenterWindowOnParent(child.Handle(), 300, 200);
    KeepWindowOnScreen(child.Handle());
    WindowRect rect = GetChildRect(parent.Handle(), 7);
    EXPECT_EQ(-30, rect.left);
    EXPECT_EQ(10, rect.top);
    EXPECT_EQ(100, rect.width);
    EXPECT_EQ(50, rect.height);
}

TEST(WindowPlacement, KeepsWindowsInsideTheMonitorBounds)
{
    RECT b = GetMonitorBounds();
    int boundsWidth = b.right - b.left;
    POINT p = KeptAt(b.left - 50, b.top + 100, 200, 100);
    EXPECT_EQ(b.left, p.x);
    EXPECT_EQ(b.top + 100, p.y);

    p = KeptAt(b.right - 100, b.bottom - 50, 200, 100);
    EXPECT_EQ(b.right - 200, p.x);
    EXPECT_EQ(b.bottom - 100, p.y);

    p = KeptAt(b.left + 10, b.top - 30, 200, 100);
    EXPECT_EQ(b.left + 10, p.x);
    EXPECT_EQ(b.top, p.y);

    p = KeptAt(b.left + 40, b.top + 40, 200, 100);
    EXPECT_EQ(b.left + 40, p.x);
    EXPECT_EQ(b.top + 40, p.y);

    // Wider than the bounds: the left-edge test comes first.
    p = KeptAt(b.left - 10, b.top + 10, boundsWidth + 100, 100);
    EXPECT_EQ(b.left, p.x);
    p = KeptAt(b.left + 10, b.top + 10, boundsWidth + 100, 100);
    EXPECT_EQ(b.left - 100, p.x);
}

TEST(WindowPlacement, BoundsArithmeticForSeveralMonitors)
{
    // Two monitors side by side, and one above the second.
    const RECT sideBySide = {0, 0, 2048, 768};
    const RECT stacked = {-1280, -1024, 1024, 768};
    auto at = [](const RECT& window, const RECT& bounds) {
        POINT p = PositionInsideBounds(window, bounds);
        return std::make_pair(static_cast<int>(p.x), static_cast<int>(p.y));
    };
    // Straddling the two monitors: not moved.
    EXPECT_EQ(std::make_pair(900, 100), at(RECT{900, 100, 1200, 300}, sideBySide));
    EXPECT_EQ(std::make_pair(0, 100), at(RECT{-20, 100, 280, 300}, sideBySide));
    EXPECT_EQ(std::make_pair(1848, 668), at(RECT{2000, 700, 2200, 800}, sideBySide));
    EXPECT_EQ(std::make_pair(-1280, -1024), at(RECT{-1300, -1100, -1000, -900}, stacked));
    EXPECT_EQ(std::make_pair(-100, 0), at(RECT{-100, 0, 200, 100}, stacked));
    // Wider and taller than the bounds.
    EXPECT_EQ(std::make_pair(0, 0), at(RECT{-5, -5, 2100, 800}, sideBySide));
    EXPECT_EQ(std::make_pair(-52, -32), at(RECT{5, 5, 2105, 805}, sideBySide));
}

TEST(WindowPlacement, BoundsOfTwoRealMonitors)
{
    std::vector<RECT> monitors = MonitorRects();
    const char* expected = getenv("VZ_EXPECT_MONITORS");
    if (monitors.size() < 2) {
        if (expected != nullptr) {
            FAIL() << "expected " << expected << " monitors, Wine reports " << monitors.size();
        }
        GTEST_SKIP() << "the display has one monitor; two-monitors.sh runs this with two";
    }
    RECT united = {};
    for (const RECT& monitor : monitors) {
        UnionRect(&united, &united, &monitor);
    }
    RECT bounds = GetMonitorBounds();
    EXPECT_TRUE(SameRect(united, bounds));

    // Inside the bounds but outside the smaller monitor: not moved, the
    // bounds are those of all monitors together.
    const RECT& smaller = (monitors[0].right - monitors[0].left) * (monitors[0].bottom - monitors[0].top) <
                                  (monitors[1].right - monitors[1].left) * (monitors[1].bottom - monitors[1].top)
                              ? monitors[0]
                              : monitors[1];
    RECT probe = {bounds.right - 150, bounds.bottom - 100, bounds.right - 50, bounds.bottom - 50};
    RECT inSmaller = {};
    EXPECT_FALSE(IntersectRect(&inSmaller, &probe, &smaller) && SameRect(inSmaller, probe));
    POINT p = KeptAt(probe.left, probe.top, 100, 50);
    EXPECT_EQ(probe.left, p.x);
    EXPECT_EQ(probe.top, p.y);

    p = KeptAt(bounds.left - 40, bounds.top + 50, 300, 150);
    EXPECT_EQ(bounds.left, p.x);
    p = KeptAt(bounds.right - 100, bounds.top + 50, 300, 150);
    EXPECT_EQ(bounds.right - 300, p.x);

    // Where the screens lie side by side, a window across their common edge
    // stays where it is. (Xvfb's Xinerama puts every screen at 0,0.)
    const RECT& left = monitors[0].left <= monitors[1].left ? monitors[0] : monitors[1];
    const RECT& right = monitors[0].left <= monitors[1].left ? monitors[1] : monitors[0];
    if (left.right == right.left) {
        p = KeptAt(left.right - 100, left.top + 50, 300, 150);
        EXPECT_EQ(left.right - 100, p.x);
    } else {
        RecordProperty("side_by_side", "no");
    }
}

TEST(WindowPlacement, RectanglesOfChildAndTopLevelWindows)
{
    TestWindow parent(kPopup, 100, 120, 400, 300);
    TestWindow child(WS_CHILD | WS_VISIBLE, 10, 20, 50, 30, parent.Handle(), nullptr, 42);

    WindowRect top = GetWindowPlacementRect(parent.Handle());
    EXPECT_EQ(100, top.left);
    EXPECT_EQ(120, top.top);
    EXPECT_EQ(400, top.width);
    EXPECT_EQ(300, top.height);

    WindowRect rect = GetWindowPlacementRect(child.Handle());
    EXPECT_EQ(10, rect.left);
    EXPECT_EQ(20, rect.top);
    EXPECT_EQ(50, rect.width);
    EXPECT_EQ(30, rect.height);

    MoveChild(parent.Handle(), 42, WindowRect{5, 6, 70, 25}, TRUE);
    rect = GetChildRect(parent.Handle(), 42);
    EXPECT_EQ(5, rect.left);
    EXPECT_EQ(6, rect.top);
    EXPECT_EQ(70, rect.width);
    EXPECT_EQ(25, rect.height);

    WindowSize size = GetWindowSize(child.Handle());
    EXPECT_EQ(70, size.width);
    EXPECT_EQ(25, size.height);

    TestWindow framed(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 400, 300);
    WindowSize outer = GetWindowSize(framed.Handle());
    WindowSize client = GetClientSize(framed.Handle());
    RECT clientRect = {};
    GetClientRect(framed.Handle(), &clientRect);
    EXPECT_EQ(400, outer.width);
    EXPECT_EQ(300, outer.height);
    EXPECT_EQ(clientRect.right, client.width);
    EXPECT_EQ(clientRect.bottom, client.height);
    EXPECT_LT(client.height, outer.height);
}

}  // namespace
