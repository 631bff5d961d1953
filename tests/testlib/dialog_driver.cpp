#include "testlib/dialog_driver.h"

#include <cstdlib>
#include <ole2.h>
#include <vector>

#include "shell_driver/window_picture.h"
#include "testlib/temp_folder.h"

namespace vztest {

namespace {

const DWORD kPollMs = 20;

struct DialogSearch {
    DWORD threadId;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(data);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (wcscmp(className, L"#32770") == 0 && IsWindowVisible(window) &&
        WindowText(window) == *search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring OutputFolder()
{
    const char* output = getenv("VZ_TEST_OUTPUT");
    if (output != nullptr && *output != '\0')
        return HostPathToWindows(output);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = temp;
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

}  // namespace

ModalThread::ModalThread(std::function<INT_PTR()> body) : m_body(std::move(body))
{
    m_thread = CreateThread(nullptr, 0, &ModalThread::Run, this, 0, &m_threadId);
}

ModalThread::~ModalThread()
{
    if (m_thread != nullptr) {
        WaitForSingleObject(m_thread, 30000);
        CloseHandle(m_thread);
    }
}

DWORD WINAPI ModalThread::Run(void* self)
{
    ModalThread* run = static_cast<ModalThread*>(self);
    HRESULT hr = OleInitialize(nullptr);
    run->m_result = run->m_body();
    if (SUCCEEDED(hr))
        OleUninitialize();
    return 0;
}

bool ModalThread::Join(DWORD timeoutMs)
{
    return m_thread != nullptr && WaitForSingleObject(m_thread, timeoutMs) == WAIT_OBJECT_0;
}

HWND WaitForDialog(DWORD threadId, const std::wstring& caption, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DialogSearch search = {threadId, &caption, nullptr};
        EnumThreadWindows(threadId, MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

std::wstring ItemText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

void Click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PostClick(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeText(HWND dialog, int id, const std::wstring& text)
{
    HWND field = GetDlgItem(dialog, id);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void ChooseListItem(HWND dialog, int id, int index)
{
    HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
}

bool IsItemEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsItemShown(HWND dialog, int id)
{
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

bool IsItemChecked(HWND dialog, int id)
{
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring SaveWindowImage(HWND window, const std::wstring& fileName)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(100);
    std::wstring path = OutputFolder() + L"\\" + fileName;
    return shell_driver::SaveWindowPicture(window, path) ? path : std::wstring();
}

}  // namespace vztest
