#include "testlib/test_window.h"

namespace vztest {

namespace {

const wchar_t kClassName[] = L"VzTestWindow";

const wchar_t* RegisteredClass()
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClassName;
        atom = RegisterClassExW(&wc);
    }
    return kClassName;
}

}  // namespace

TestWindow::TestWindow(DWORD style, int x, int y, int width, int height, HWND parent,
                       const wchar_t* className, int id, DWORD exStyle)
{
    const wchar_t* windowClass = className != nullptr ? className : RegisteredClass();
    HMENU menuOrId = (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    m_window = CreateWindowExW(exStyle, windowClass, L"", style, x, y, width, height, parent,
                               menuOrId, GetModuleHandleW(nullptr), nullptr);
    PumpMessages();
}

TestWindow::~TestWindow()
{
    if (m_window != nullptr) {
        DestroyWindow(m_window);
        PumpMessages();
    }
}

RECT TestWindow::ScreenRect() const
{
    RECT rect = {};
    GetWindowRect(m_window, &rect);
    return rect;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace vztest
