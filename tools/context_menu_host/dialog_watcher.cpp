#include "dialog_watcher.h"

#include <cstdio>
#include <cwchar>

#include "shell_driver/window_picture.h"

namespace {

const DWORD kPollMs = 30;

// The text of a control as "| " lines, one per line of text.
std::wstring QuotedLines(const std::wstring& text)
{
    std::wstring lines;
    if (text.empty())
        return lines;
    lines += L"    | ";
    for (wchar_t c : text) {
        if (c == L'\r')
            continue;
        lines += c;
        if (c == L'\n')
            lines += L"    | ";
    }
    lines += L"\n";
    return lines;
}

std::wstring SafeFileName(const std::wstring& title)
{
    std::wstring name;
    for (wchar_t c : title)
        name += (iswalnum(c) || c == L'-' || c == L'_') ? c : L'_';
    return name.empty() ? L"dialog" : name;
}

int ButtonNamed(const std::wstring& answer)
{
    if (answer == L"ok")
        return IDOK;
    if (answer == L"cancel")
        return IDCANCEL;
    if (answer == L"yes")
        return IDYES;
    if (answer == L"no")
        return IDNO;
    return 0;
}

}  // namespace

DialogWatcher::DialogWatcher(const std::wstring& answer, const std::wstring& screenshotFolder, DWORD delayMs)
    : m_answer(answer), m_folder(screenshotFolder), m_delayMs(delayMs), m_thread(kPollMs, [this] { Poll(); })
{
}

bool DialogWatcher::Start()
{
    return m_thread.Start();
}

void DialogWatcher::Stop()
{
    m_thread.Stop();
}

void DialogWatcher::Poll()
{
    for (HWND dialog : m_scan.Unanswered()) {
        m_scan.MarkAnswered(dialog);
        Handle(dialog);
    }
}

void DialogWatcher::Handle(HWND dialog)
{
    ++m_count;
    std::wstring title = shell_driver::WindowText(dialog);
    // A message box holds its text in the static control 0xFFFF.
    bool isMessageBox = GetDlgItem(dialog, 0xFFFF) != nullptr;
    std::wstring texts = isMessageBox ? QuotedLines(shell_driver::MessageBoxText(dialog)) : std::wstring();
    wprintf(L"  %ls \"%ls\":\n%ls", isMessageBox ? L"message box" : L"dialog", title.c_str(), texts.c_str());
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
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    wchar_t number[32];
    swprintf(number, ARRAYSIZE(number), L"%02d-", m_count);
    std::wstring path = m_folder + L"\\" + number + SafeFileName(title) + L".bmp";
    bool saved = shell_driver::SaveWindowPicture(dialog, path);
    wprintf(L"    picture: %ls%ls\n", path.c_str(), saved ? L"" : L" (could not be written)");
    fflush(stdout);
}

void DialogWatcher::Answer(HWND dialog, bool isMessageBox)
{
    int button = isMessageBox ? shell_driver::ChooseButton(dialog, ButtonNamed(m_answer)) : IDCANCEL;
    static const wchar_t* const names[] = {L"", L"OK", L"Cancel", L"Abort", L"Retry", L"Ignore", L"Yes", L"No"};
    wprintf(L"    answered: %ls\n", button < 8 ? names[button] : L"?");
    fflush(stdout);
    shell_driver::PressButton(dialog, button);
}
