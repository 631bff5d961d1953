// Watching the message boxes a test provokes. While a MessageBoxWatcher
// lives, every call of MessageBoxA / MessageBoxW made through the import
// tables of the modules loaded in this process (the test program with the
// product's code linked in, a loaded VantreloZerli.dll, the system DLLs) is
// recorded with its exact arguments, and the box is really shown; a thread
// of the watcher finds the box on the screen (#32770 with its text in the
// static 0xFFFF), notes what it shows and presses the chosen button. Boxes
// that appear without passing the import tables are answered and recorded
// too, with their flags unknown.
//
// Usage:
//   vztest::MessageBoxWatcher boxes;           // answers with OK
//   RunTheCommand();                           // returns once its box is answered
//   ASSERT_EQ(1u, boxes.Count());
//   EXPECT_EQ(L"Vantrelo Zerli", boxes[0].title);
//   EXPECT_EQ(MB_SETFOREGROUND | MB_ICONERROR, boxes[0].flags);
//
// Only one watcher may live at a time. Create it after loading a DLL whose
// boxes are to be intercepted.
#pragma once
#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "shell_driver/dialog_answering.h"
#include "shell_driver/polling_thread.h"

namespace vztest {

struct MessageBoxRecord {
    // From the call (for a box seen only on the screen: from the window).
    std::wstring title;      // MessageBoxA texts are converted from CP_ACP
    std::wstring text;
    UINT flags = 0;          // uType as passed; 0 when not intercepted
    HWND owner = nullptr;
    bool wide = false;       // MessageBoxW rather than MessageBoxA
    bool intercepted = false;  // the call itself was seen (flags and owner are valid)
    DWORD threadId = 0;      // thread that showed the box

    // From the screen.
    bool shown = false;      // the box appeared and was answered by the watcher
    std::wstring shownTitle;
    std::wstring shownText;
    int pressed = 0;         // id of the button the watcher pressed
    int result = 0;          // what MessageBox returned (intercepted calls)
};

class MessageBoxWatcher {
public:
    // answer: id of the button to press (IDOK, IDCANCEL, IDYES, ...).
    explicit MessageBoxWatcher(int answer = IDOK);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The button for every later box that has no queued answer.
    void SetAnswer(int answer);
    // Answers for the next boxes, one each, before the default one.
    void QueueAnswer(int answer);

    // The boxes so far, in the order of their calls.
    std::vector<MessageBoxRecord> Boxes() const;
    size_t Count() const;
    MessageBoxRecord operator[](size_t index) const;
    void Clear();
    // Waits until at least count boxes are recorded and answered (or their
    // calls returned); true when they are.
    bool WaitForCount(size_t count, DWORD timeoutMs = 10000) const;

    // Called by the import-table hooks around the real call: records the
    // call and gives its index, then its result.
    size_t BeginCall(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags, bool wide);
    void EndCall(size_t index, int result);

private:
    void Poll();
    void Answer(HWND box);
    int NextAnswer();

    mutable std::mutex m_mutex;
    std::vector<MessageBoxRecord> m_records;
    std::vector<bool> m_done;            // per record: shown and answered, or returned
    std::deque<int> m_queued;
    int m_answer;
    shell_driver::DialogScan m_scan;     // used by the polling thread only
    shell_driver::PollingThread m_thread;
};

}  // namespace vztest
