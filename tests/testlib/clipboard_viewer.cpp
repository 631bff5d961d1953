#include "testlib/clipboard_viewer.h"

namespace vztest {

namespace {

const wchar_t kClassName[] = L"VzTestClipboardViewer";
const UINT kJoinMessage = WM_APP + 1;
const UINT kLeaveMessage = WM_APP + 2;
const DWORD kPollMs = 10;

}  // namespace

ClipboardViewer::ClipboardViewer()
{
    m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, &ClipboardViewer::ThreadMain, this, 0, nullptr);
    if (m_thread != nullptr)
        WaitForSingleObject(m_ready, 10000);
}

ClipboardViewer::~ClipboardViewer()
{
    if (m_window != nullptr) {
        if (m_joined)
            Leave();
        SendMessageW(m_window, WM_CLOSE, 0, 0);
    }
    if (m_thread != nullptr) {
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
    }
    if (m_ready != nullptr)
        CloseHandle(m_ready);
}

void ClipboardViewer::Join()
{
    SendMessageW(m_window, kJoinMessage, 0, 0);
}

void ClipboardViewer::Leave()
{
    SendMessageW(m_window, kLeaveMessage, 0, 0);
}

bool ClipboardViewer::WaitForDrawCount(int count, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    while (m_draws < count) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

DWORD WINAPI ClipboardViewer::ThreadMain(void* self)
{
    ClipboardViewer* viewer = static_cast<ClipboardViewer*>(self);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &ClipboardViewer::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    viewer->m_window = CreateWindowExW(0, kClassName, L"Clipboard viewer of the tests", WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), viewer);
    SetEvent(viewer->m_ready);
    if (viewer->m_window == nullptr)
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

LRESULT CALLBACK ClipboardViewer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        CREATESTRUCTW* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    ClipboardViewer* viewer = reinterpret_cast<ClipboardViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (viewer == nullptr || viewer->m_window != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return viewer->OnMessage(message, wParam, lParam);
}

LRESULT ClipboardViewer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kJoinMessage:
        // The system sends WM_DRAWCLIPBOARD before SetClipboardViewer
        // returns, while there is no next viewer yet.
        m_next = nullptr;
        m_joined = true;
        m_next = SetClipboardViewer(m_window);
        return 0;
    case kLeaveMessage:
        ChangeClipboardChain(m_window, m_next);
        m_joined = false;
        m_next = nullptr;
        return 0;
    case WM_DRAWCLIPBOARD:
        ++m_draws;
        if (m_joined && m_next.load() != nullptr)
            SendMessageW(m_next, WM_DRAWCLIPBOARD, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN: {
        ++m_chainChanges;
        HWND leaving = reinterpret_cast<HWND>(wParam);
        HWND successor = reinterpret_cast<HWND>(lParam);
        m_lastLeaving = leaving;
        m_lastSuccessor = successor;
        if (leaving == m_next.load())
            m_next = successor;
        else if (m_joined && m_next.load() != nullptr)
            SendMessageW(m_next, WM_CHANGECBCHAIN, wParam, lParam);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

bool OpenClipboardPatiently(HWND owner, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!OpenClipboard(owner)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

}  // namespace vztest
