// A thread that does one thing over and over (looking for new dialogs) until
// it is stopped.
#pragma once
#include <windows.h>

#include <functional>

namespace shell_driver {

class PollingThread {
public:
    // Calls poll every periodMs, the first time one period after Start.
    PollingThread(DWORD periodMs, std::function<void()> poll);
    // Stops the thread (see Stop).
    ~PollingThread();
    PollingThread(const PollingThread&) = delete;
    PollingThread& operator=(const PollingThread&) = delete;

    // True when the thread runs.
    bool Start();
    // Returns once the thread has ended (after the poll under way, if any).
    void Stop();

private:
    static DWORD WINAPI Run(void* self);

    DWORD m_periodMs;
    std::function<void()> m_poll;
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
};

}  // namespace shell_driver
