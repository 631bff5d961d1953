// Driving the product's modal dialogs from a test as a user would. The
// dialog runs on a thread of its own (ModalThread, with OLE initialised as on
// Explorer's threads); the test's main thread finds its window, reads and
// changes controls through window messages, answers message boxes, and
// makes its GoogleTest checks itself.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "shell_driver/dialog_answering.h"

namespace vztest {

class ModalThread {
public:
    // Starts body on a new single-threaded-apartment thread.
    explicit ModalThread(std::function<INT_PTR()> body);
    // Waits for the thread (see Join).
    ~ModalThread();
    ModalThread(const ModalThread&) = delete;
    ModalThread& operator=(const ModalThread&) = delete;

    DWORD ThreadId() const { return m_threadId; }
    // Waits up to timeoutMs for the body to return; true when it did.
    bool Join(DWORD timeoutMs = 10000);
    // What the body returned (valid after a successful Join).
    INT_PTR Result() const { return m_result; }

private:
    static DWORD WINAPI Run(void* self);

    std::function<INT_PTR()> m_body;
    INT_PTR m_result = 0;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
};

// The visible dialog window (class #32770) of the thread with exactly this
// caption, or null after timeoutMs.
HWND WaitForDialog(DWORD threadId, const std::wstring& caption, DWORD timeoutMs = 10000);
// Waits until the window is gone; true when it is.
bool WaitUntilClosed(HWND window, DWORD timeoutMs = 10000);

using shell_driver::WindowText;
std::wstring ItemText(HWND dialog, int id);
// The text of a message box (its static control 0xFFFF).
using shell_driver::MessageBoxText;

// Clicks a button and returns when the dialog has handled the click. Use
// PostClick when the click opens a message box or another modal window.
void Click(HWND dialog, int id);
void PostClick(HWND dialog, int id);
// Replaces a field's text as typing would (the field reports EN_CHANGE).
void TypeText(HWND dialog, int id, const std::wstring& text);
// Chooses the item of a drop-down list with the list opened and closed
// again, as a user's click does (CBN_CLOSEUP reaches the dialog).
void ChooseListItem(HWND dialog, int id, int index);

bool IsItemEnabled(HWND dialog, int id);
bool IsItemShown(HWND dialog, int id);
bool IsItemChecked(HWND dialog, int id);

// Writes the window as it is on screen (caption included) as a 24-bit BMP
// file into the folder of test artefacts (VZ_TEST_OUTPUT, else the
// temporary folder). Returns the Windows path, empty on failure.
std::wstring SaveWindowImage(HWND window, const std::wstring& fileName);

}  // namespace vztest
