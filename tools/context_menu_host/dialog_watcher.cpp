#include "dialog_watcher.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

struct FindContext {
    DWORD process;
    HWND found[16];
    int count;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lParam)
{
    FindContext* context = reinterpret_cast<FindContext*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    wchar_t className[16] = L"";
    if (process == context->process && IsWindowVisible(hwnd) &&
        GetClassNameW(hwnd, className, ARRAYSIZE(className)) && wcscmp(className, L"#32770") == 0 &&
        context->count < 16)
        context->found[context->count++] = hwnd;
    return TRUE;
}

struct ChildTexts {
    std::wstring lines;
};

// Adds the text of a control, one "| " line per line of text.
BOOL CALLBACK CollectChildText(HWND hwnd, LPARAM lParam)
{
    ChildTexts* texts = reinterpret_cast<ChildTexts*>(lParam);
    wchar_t text[1024] = L"";
    GetWindowTextW(hwnd, text, ARRAYSIZE(text));
    if (text[0]) {
        texts->lines += L"    | ";
        for (const wchar_t* p = text; *p; ++p) {
            if (*p == L'\r')
                continue;
            texts->lines += *p;
            if (*p == L'\n')
                texts->lines += L"    | ";
        }
        texts->lines += L"\n";
    }
    return TRUE;
}

std::wstring SafeFileName(const std::wstring& title)
{
    std::wstring name;
    for (wchar_t c : title)
        name += (iswalnum(c) || c == L'-' || c == L'_') ? c : L'_';
    return name.empty() ? L"dialog" : name;
}

bool WriteBitmapFile(const std::wstring& path, HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = ((width * 3 + 3) / 4) * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    if (!GetDIBits(dc, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(h, &file, sizeof(file), &written, nullptr) &&
              WriteFile(h, &header, sizeof(header), &written, nullptr) &&
              WriteFile(h, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(h);
    return ok;
}

}  // namespace

DialogWatcher::DialogWatcher(const std::wstring& answer, const std::wstring& screenshotFolder, DWORD delayMs)
    : m_answer(answer), m_folder(screenshotFolder), m_delayMs(delayMs)
{
}

DialogWatcher::~DialogWatcher()
{
    Stop();
}

bool DialogWatcher::Start()
{
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_stop)
        m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return m_thread != nullptr;
}

void DialogWatcher::Stop()
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

DWORD WINAPI DialogWatcher::ThreadProc(void* self)
{
    static_cast<DialogWatcher*>(self)->Run();
    return 0;
}

void DialogWatcher::Run()
{
    while (WaitForSingleObject(m_stop, 30) == WAIT_TIMEOUT) {
        FindContext context = {GetCurrentProcessId(), {}, 0};
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&context));
        for (int i = 0; i < context.count; ++i) {
            bool seen = false;
            for (HWND handled : m_handled)
                seen = seen || handled == context.found[i];
            if (!seen)
                Handle(context.found[i]);
        }
    }
}

void DialogWatcher::Handle(HWND dialog)
{
    m_handled[m_count % ARRAYSIZE(m_handled)] = dialog;
    ++m_count;
    wchar_t title[256] = L"";
    GetWindowTextW(dialog, title, ARRAYSIZE(title));
    // A message box holds its text in the static control 0xFFFF.
    bool isMessageBox = GetDlgItem(dialog, 0xFFFF) != nullptr;
    ChildTexts texts;
    if (isMessageBox)
        CollectChildText(GetDlgItem(dialog, 0xFFFF), reinterpret_cast<LPARAM>(&texts));
    wprintf(L"  %ls \"%ls\":\n%ls", isMessageBox ? L"message box" : L"dialog", title, texts.lines.c_str());
    fflush(stdout);
    Sleep(m_delayMs);  // let it paint
    if (!m_folder.empty())
        SavePicture(dialog, title);
    Answer(dialog, isMessageBox);
}

void DialogWatcher::SavePicture(HWND dialog, const std::wstring& title)
{
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return;
    wchar_t name[32];
    swprintf(name, ARRAYSIZE(name), L"%02d-", m_count);
    std::wstring path = m_folder + L"\\" + name + SafeFileName(title) + L".bmp";
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    bool saved = WriteBitmapFile(path, memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    wprintf(L"    picture: %ls%ls\n", path.c_str(), saved ? L"" : L" (could not be written)");
    fflush(stdout);
}

void DialogWatcher::Answer(HWND dialog, bool isMessageBox)
{
    int button = IDCANCEL;
    if (isMessageBox) {
        int wanted = 0;
        if (m_answer == L"ok") wanted = IDOK;
        else if (m_answer == L"cancel") wanted = IDCANCEL;
        else if (m_answer == L"yes") wanted = IDYES;
        else if (m_answer == L"no") wanted = IDNO;
        DWORD defId = static_cast<DWORD>(SendMessageW(dialog, DM_GETDEFID, 0, 0));
        if (wanted && GetDlgItem(dialog, wanted))
            button = wanted;
        else if (HIWORD(defId) == DC_HASDEFID)
            button = LOWORD(defId);
        else
            button = GetDlgItem(dialog, IDOK) ? IDOK : IDCANCEL;
    }
    static const wchar_t* const names[] = {L"", L"OK", L"Cancel", L"Abort", L"Retry", L"Ignore", L"Yes", L"No"};
    wprintf(L"    answered: %ls\n", button < 8 ? names[button] : L"?");
    fflush(stdout);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}
