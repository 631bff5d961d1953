// Answers the dialogs and message boxes that a command opens, so that the host
// can run commands unattended: it prints each one's title and texts, saves a
// picture of it when asked, and then presses a button.
#pragma once
#include <windows.h>
#include <string>

#include "shell_driver/dialog_answering.h"
#include "shell_driver/polling_thread.h"

class DialogWatcher {
public:
    // answer: "ok", "cancel", "yes", "no" or "default" (the box's default
    // button) for message boxes; other dialogs are always cancelled.
    DialogWatcher(const std::wstring& answer, const std::wstring& screenshotFolder, DWORD delayMs);
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    bool Start();
    void Stop();

private:
    void Poll();
    void Handle(HWND dialog);
    void SavePicture(HWND dialog, const std::wstring& title);
    void Answer(HWND dialog, bool isMessageBox);

    std::wstring m_answer;
    std::wstring m_folder;
    DWORD m_delayMs;
    int m_count = 0;
    shell_driver::DialogScan m_scan;  // used by the polling thread only
    shell_driver::PollingThread m_thread;
};
