// Window geometry: rectangles as left, top, width and height, centring a
// window over its parent and keeping a window inside the area of all
// display monitors. Child windows (WS_CHILD) are placed in their parent's
// client coordinates and are never moved by the centring helpers.
#pragma once
#include <windows.h>

struct WindowRect {
    int left;
    int top;
    int width;
    int height;
};

struct WindowSize {
    int width;
    int height;
};

// The window rectangle, for a child window in its parent's client coordinates.
WindowRect GetWindowPlacementRect(HWND window);
WindowSize GetWindowSize(HWND window);
WindowSize GetClientSize(HWND window);
// A control's rectangle in the dialog's client coordinates.
WindowRect GetChildRect(HWND dialog, int id);
void MoveChild(HWND dialog, int id, const WindowRect& rect, BOOL repaint);

// Moves a top-level window of the given size to the middle of its visible
// parent (or of the desktop), its left edge on a multiple of 8, then keeps
// it on screen.
void CenterWindowOnParent(HWND window, int width, int height);
// Moves a top-level window back inside the rectangle bounding all monitors.
void KeepWindowOnScreen(HWND window);

// The arithmetic of the two helpers above, on plain rectangles.
POINT CenteredPosition(const WindowRect& reference, int width, int height);
// The left and top that bring window inside bounds: an edge that lies
// left of (above) the bounds moves onto them first; otherwise an edge right
// of (below) them is pulled back.
POINT PositionInsideBounds(const RECT& window, const RECT& bounds);
// The rectangle that bounds every display monitor (empty when none is found).
RECT GetMonitorBounds();
