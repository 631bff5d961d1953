#include "support/window_placement.h"

namespace {

BOOL IsChildWindow(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
}

WindowRect FromRect(const RECT& rect)
{
    return WindowRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

BOOL CALLBACK UniteMonitor(HMONITOR, HDC, LPRECT monitorRect, LPARAM data)
{
    RECT* bounds = reinterpret_cast<RECT*>(data);
    RECT united;
    UnionRect(&united, bounds, monitorRect);
    *bounds = united;
    return TRUE;
}

}  // namespace

WindowRect GetWindowPlacementRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (IsChildWindow(window)) {
        HWND parent = GetParent(window);
        POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
        ScreenToClient(parent, &corners[0]);
        ScreenToClient(parent, &corners[1]);
        rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    }
    return FromRect(rect);
}

WindowSize GetWindowSize(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return WindowSize{rect.right - rect.left, rect.bottom - rect.top};
}

WindowSize GetClientSize(HWND window)
{
    RECT rect = {};
    GetClientRect(window, &rect);
    return WindowSize{rect.right - rect.left, rect.bottom - rect.top};
}

WindowRect GetChildRect(HWND dialog, int id)
{
    return GetWindowPlacementRect(GetDlgItem(dialog, id));
}

void MoveChild(HWND dialog, int id, const WindowRect& rect, BOOL repaint)
{
    MoveWindow(GetDlgItem(dialog, id), rect.left, rect.top, rect.width, rect.height, repaint);
}

POINT CenteredPosition(const WindowRect& reference, int width, int height)
{
    POINT position;
    position.x = ((reference.width - width) / 2 + reference.left + 4) & ~7;
    position.y = (reference.height - height) / 2 + reference.top;
    return position;
}

POINT PositionInsideBounds(const RECT& window, const RECT& bounds)
{
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    POINT position = {window.left, window.top};
    if (window.left < bounds.left) {
        position.x = bounds.left;
    } else if (window.right > bounds.right) {
        position.x = bounds.right - width;
    }
    if (window.top < bounds.top) {
        position.y = bounds.top;
    } else if (window.bottom > bounds.bottom) {
        position.y = bounds.bottom - height;
    }
    return position;
}

RECT GetMonitorBounds()
{
    RECT bounds;
    SetRectEmpty(&bounds);
    EnumDisplayMonitors(nullptr, nullptr, UniteMonitor, reinterpret_cast<LPARAM>(&bounds));
    return bounds;
}

void CenterWindowOnParent(HWND window, int width, int height)
{
    if (IsChildWindow(window)) {
        return;
    }
    HWND reference = GetParent(window);
    if (reference == nullptr || !IsWindowVisible(reference)) {
        reference = GetDesktopWindow();
    }
    POINT position = CenteredPosition(GetWindowPlacementRect(reference), width, height);
    MoveWindow(window, position.x, position.y, width, height, FALSE);
    KeepWindowOnScreen(window);
}

void KeepWindowOnScreen(HWND window)
{
    if (IsChildWindow(window)) {
        return;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    RECT bounds = GetMonitorBounds();
    if (IsRectEmpty(&bounds)) {
        // No monitor found: nothing to keep the window inside.
        return;
    }
    POINT position = PositionInsideBounds(rect, bounds);
    MoveWindow(window, position.x, position.y, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}
