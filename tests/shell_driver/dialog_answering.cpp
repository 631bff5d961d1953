#include "shell_driver/dialog_answering.h"

#include <algorithm>
#include <utility>

namespace shell_driver {

namespace {

const int kMessageBoxTextId = 0xFFFF;

struct DialogSearch {
    DWORD process;  // 0: any
    const std::wstring* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if ((search->process == 0 || process == search->process) && IsWindowVisible(window) &&
        ClassName(window) == L"#32770" && (search->caption->empty() || WindowText(window) == *search->caption))
        search->found.push_back(window);
    return TRUE;
}

}  // namespace

DialogScan::DialogScan(DialogOwner owner, std::wstring caption) : m_owner(owner), m_caption(std::move(caption)) {}

std::vector<HWND> DialogScan::Unanswered()
{
    m_answered.erase(std::remove_if(m_answered.begin(), m_answered.end(), [](HWND w) { return !IsWindow(w); }),
                     m_answered.end());
    DialogSearch search = {m_owner == DialogOwner::ThisProcess ? GetCurrentProcessId() : 0, &m_caption, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> open;
    for (HWND dialog : search.found) {
        if (std::find(m_answered.begin(), m_answered.end(), dialog) == m_answered.end())
            open.push_back(dialog);
    }
    return open;
}

void DialogScan::MarkAnswered(HWND dialog)
{
    m_answered.push_back(dialog);
}

std::wstring WindowText(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 2, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return text.data();
}

std::wstring ClassName(HWND window)
{
    wchar_t name[64];
    int n = GetClassNameW(window, name, 64);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring MessageBoxText(HWND box)
{
    return WindowText(GetDlgItem(box, kMessageBoxTextId));
}

bool HasButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button != nullptr && _wcsicmp(ClassName(button).c_str(), L"Button") == 0;
}

int ChooseButton(HWND box, int wanted)
{
    if (wanted != 0 && HasButton(box, wanted))
        return wanted;
    DWORD defId = static_cast<DWORD>(SendMessageW(box, DM_GETDEFID, 0, 0));
    if (HIWORD(defId) == DC_HASDEFID)
        return LOWORD(defId);
    return HasButton(box, IDOK) ? IDOK : IDCANCEL;
}

void PressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace shell_driver
