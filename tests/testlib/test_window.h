// Real windows for tests of window and dialog helpers: a plain top-level or
// child window, or a control of a given class, destroyed with the object.
#pragma once
#include <windows.h>

namespace vztest {

class TestWindow {
public:
    // className null: a plain window of the tests' own class.
    TestWindow(DWORD style, int x, int y, int width, int height, HWND parent = nullptr,
               const wchar_t* className = nullptr, int id = 0, DWORD exStyle = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return m_window; }
    // The window rectangle in screen coordinates.
    RECT ScreenRect() const;

private:
    HWND m_window = nullptr;
};

// Processes the messages waiting for this thread.
void PumpMessages();

}  // namespace vztest
