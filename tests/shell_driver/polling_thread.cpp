#include "shell_driver/polling_thread.h"

#include <utility>

namespace shell_driver {

PollingThread::PollingThread(DWORD periodMs, std::function<void()> poll)
    : m_periodMs(periodMs), m_poll(std::move(poll))
{
}

PollingThread::~PollingThread()
{
    Stop();
}

bool PollingThread::Start()
{
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_stop)
        m_thread = CreateThread(nullptr, 0, &PollingThread::Run, this, 0, nullptr);
    return m_thread != nullptr;
}

void PollingThread::Stop()
{
    if (m_thread) {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_stop) {
        CloseHandle(m_stop);
        m_stop = nullptr;
    }
}

DWORD WINAPI PollingThread::Run(void* self)
{
    PollingThread* thread = static_cast<PollingThread*>(self);
    while (WaitForSingleObject(thread->m_stop, thread->m_periodMs) == WAIT_TIMEOUT)
        thread->m_poll();
    return 0;
}

}  // namespace shell_driver
