// A window of the tests in the clipboard viewer chain, behaving as a
// well-made viewer of another program would: it lives on a thread of its own
// with a message loop, counts the notifications it receives, passes
// WM_DRAWCLIPBOARD on to the window after it and follows WM_CHANGECBCHAIN.
// The chain itself is the system's (SetClipboardViewer, ChangeClipboardChain).
#pragma once
#include <windows.h>

#include <atomic>

namespace vztest {

class ClipboardViewer {
public:
    // Creates the window (not yet in the chain) on a new thread.
    ClipboardViewer();
    // Leaves the chain if still in it, destroys the window, ends the thread.
    ~ClipboardViewer();
    ClipboardViewer(const ClipboardViewer&) = delete;
    ClipboardViewer& operator=(const ClipboardViewer&) = delete;

    HWND Handle() const { return m_window; }

    // Joins the chain as its first viewer (SetClipboardViewer on the
    // window's own thread); the former first viewer becomes the next one.
    void Join();
    // Leaves the chain (ChangeClipboardChain with the next viewer).
    void Leave();
    bool Joined() const { return m_joined; }
    // The window this one passes notifications to; null when it is the last.
    HWND Next() const { return m_next; }

    // WM_DRAWCLIPBOARD received so far (also after leaving the chain: a
    // window that is not a viewer any more should receive none).
    int DrawCount() const { return m_draws; }
    // Waits until DrawCount() reaches count; true when it did.
    bool WaitForDrawCount(int count, DWORD timeoutMs = 5000) const;
    // WM_CHANGECBCHAIN received so far, and the parameters of the last one.
    int ChainChangeCount() const { return m_chainChanges; }
    HWND LastLeaving() const { return m_lastLeaving; }
    HWND LastSuccessor() const { return m_lastSuccessor; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    HWND m_window = nullptr;
    std::atomic<HWND> m_next{nullptr};
    std::atomic<bool> m_joined{false};
    std::atomic<int> m_draws{0};
    std::atomic<int> m_chainChanges{0};
    std::atomic<HWND> m_lastLeaving{nullptr};
    std::atomic<HWND> m_lastSuccessor{nullptr};
};

// Opens the clipboard for owner (null: the calling thread), waiting up to
// timeoutMs while another window has it open: Wine's display driver opens it
// for a moment after each change to hand the data to the X server, as
// clipboard managers do on Windows.
bool OpenClipboardPatiently(HWND owner, DWORD timeoutMs = 2000);

}  // namespace vztest
