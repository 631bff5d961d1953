#include "testlib/message_box_watcher.h"

#include <tlhelp32.h>
#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace vztest {
namespace {

// Control ids of a message box: its text, and its icon (stc1 in Wine's
// template, 20 in Windows').
const int kTextId = 0xFFFF;
const int kWineIconId = 0x0440;
const int kWindowsIconId = 0x0014;
const DWORD kPollMs = 10;

typedef int(WINAPI* MessageBoxAFn)(HWND, LPCSTR, LPCSTR, UINT);
typedef int(WINAPI* MessageBoxWFn)(HWND, LPCWSTR, LPCWSTR, UINT);

std::atomic<MessageBoxWatcher*> g_watcher{nullptr};
MessageBoxAFn g_realMessageBoxA = nullptr;
MessageBoxWFn g_realMessageBoxW = nullptr;

// An import slot that was redirected, with the address it held.
struct PatchedSlot {
    void** slot;
    void* original;
};
std::vector<PatchedSlot> g_patched;

std::wstring Widen(const char* text)
{
    if (text == nullptr)
        return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

int WINAPI HookMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int WINAPI HookMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

void WriteSlot(void** slot, void* value)
{
    DWORD protection = 0;
    if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection)) {
        *slot = value;
        VirtualProtect(slot, sizeof(void*), protection, &protection);
    }
}

// Redirects the import slots of module that hold MessageBoxA or MessageBoxW.
void PatchModule(HMODULE module)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0)
        return;
    for (const IMAGE_IMPORT_DESCRIPTOR* descriptor =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        if (descriptor->FirstThunk == 0)
            continue;
        IMAGE_THUNK_DATA* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; thunk->u1.Function != 0; ++thunk) {
            void** slot = reinterpret_cast<void**>(&thunk->u1.Function);
            void* hook = nullptr;
            if (*slot == reinterpret_cast<void*>(g_realMessageBoxA))
                hook = reinterpret_cast<void*>(&HookMessageBoxA);
            else if (*slot == reinterpret_cast<void*>(g_realMessageBoxW))
                hook = reinterpret_cast<void*>(&HookMessageBoxW);
            if (hook != nullptr) {
                g_patched.push_back(PatchedSlot{slot, *slot});
                WriteSlot(slot, hook);
            }
        }
    }
}

void PatchLoadedModules()
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    g_realMessageBoxA = reinterpret_cast<MessageBoxAFn>(reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxA")));
    g_realMessageBoxW = reinterpret_cast<MessageBoxWFn>(reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxW")));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE) {
        PatchModule(GetModuleHandleW(nullptr));
        return;
    }
    MODULEENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry)) {
        if (entry.hModule != user32)
            PatchModule(entry.hModule);
    }
    CloseHandle(snapshot);
}

void RestoreModules()
{
    for (const PatchedSlot& patched : g_patched)
        WriteSlot(patched.slot, patched.original);
    g_patched.clear();
}

int WINAPI HookMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    MessageBoxWatcher* watcher = g_watcher.load();
    if (watcher == nullptr)
        return g_realMessageBoxA(owner, text, caption, type);
    size_t index = watcher->BeginCall(owner, Widen(text), Widen(caption), type, false);
    int result = g_realMessageBoxA(owner, text, caption, type);
    watcher->EndCall(index, result);
    return result;
}

int WINAPI HookMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    MessageBoxWatcher* watcher = g_watcher.load();
    if (watcher == nullptr)
        return g_realMessageBoxW(owner, text, caption, type);
    size_t index = watcher->BeginCall(owner, text ? text : L"", caption ? caption : L"", type, true);
    int result = g_realMessageBoxW(owner, text, caption, type);
    watcher->EndCall(index, result);
    return result;
}

// A message box is a dialog of this process holding the text static and
// the icon static, and otherwise only statics and buttons.
struct ChildSurvey {
    bool hasText = false;
    bool hasIcon = false;
    bool onlyStaticsAndButtons = true;
};

BOOL CALLBACK SurveyChild(HWND child, LPARAM param)
{
    ChildSurvey* survey = reinterpret_cast<ChildSurvey*>(param);
    std::wstring className = shell_driver::ClassName(child);
    int id = GetDlgCtrlID(child);
    bool isStatic = _wcsicmp(className.c_str(), L"Static") == 0;
    bool isButton = _wcsicmp(className.c_str(), L"Button") == 0;
    if (isStatic && id == kTextId)
        survey->hasText = true;
    if (isStatic && (id == kWineIconId || id == kWindowsIconId))
        survey->hasIcon = true;
    if (!isStatic && !isButton)
        survey->onlyStaticsAndButtons = false;
    return TRUE;
}

bool LooksLikeMessageBox(HWND window)
{
    ChildSurvey survey;
    EnumChildWindows(window, SurveyChild, reinterpret_cast<LPARAM>(&survey));
    return survey.hasText && survey.hasIcon && survey.onlyStaticsAndButtons;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int answer) : m_answer(answer), m_thread(kPollMs, [this] { Poll(); })
{
    MessageBoxWatcher* expected = nullptr;
    if (!g_watcher.compare_exchange_strong(expected, this))
        throw std::logic_error("only one MessageBoxWatcher may live at a time");
    PatchLoadedModules();
    m_thread.Start();
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    m_thread.Stop();
    RestoreModules();
    g_watcher = nullptr;
}

void MessageBoxWatcher::SetAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answer = answer;
}

void MessageBoxWatcher::QueueAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queued.push_back(answer);
}

std::vector<MessageBoxRecord> MessageBoxWatcher::Boxes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records;
}

size_t MessageBoxWatcher::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size();
}

MessageBoxRecord MessageBoxWatcher::operator[](size_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index < m_records.size() ? m_records[index] : MessageBoxRecord();
}

void MessageBoxWatcher::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    m_done.clear();
}

bool MessageBoxWatcher::WaitForCount(size_t count, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            size_t done = static_cast<size_t>(std::count(m_done.begin(), m_done.end(), true));
            if (done >= count)
                return true;
        }
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

size_t MessageBoxWatcher::BeginCall(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags,
                                    bool wide)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    MessageBoxRecord record;
    record.title = title;
    record.text = text;
    record.flags = flags;
    record.owner = owner;
    record.wide = wide;
    record.intercepted = true;
    record.threadId = GetCurrentThreadId();
    m_records.push_back(record);
    m_done.push_back(false);
    return m_records.size() - 1;
}

void MessageBoxWatcher::EndCall(size_t index, int result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Clear() may have dropped the record meanwhile.
    if (index < m_records.size() && m_records[index].intercepted) {
        m_records[index].result = result;
        m_done[index] = true;
    }
}

int MessageBoxWatcher::NextAnswer()
{
    if (m_queued.empty())
        return m_answer;
    int answer = m_queued.front();
    m_queued.pop_front();
    return answer;
}

void MessageBoxWatcher::Answer(HWND box)
{
    // Read the box before taking the lock: reading another thread's window
    // sends it messages.
    DWORD threadId = GetWindowThreadProcessId(box, nullptr);
    std::wstring shownTitle = shell_driver::WindowText(box);
    std::wstring shownText = shell_driver::MessageBoxText(box);

    int pressed = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t index = m_records.size();
        for (size_t i = 0; i < m_records.size(); ++i) {
            if (m_records[i].intercepted && !m_records[i].shown && !m_done[i] && m_records[i].threadId == threadId) {
                index = i;
                break;
            }
        }
        if (index == m_records.size()) {
            MessageBoxRecord record;
            record.title = shownTitle;
            record.text = shownText;
            record.threadId = threadId;
            m_records.push_back(record);
            m_done.push_back(false);
        }
        pressed = NextAnswer();
        if (!shell_driver::HasButton(box, pressed)) {
            // The box has no such button: leave it as Escape would, or by
            // its only button.
            const int fallbacks[] = {IDCANCEL, IDOK, IDNO, IDABORT, IDIGNORE, IDYES, IDRETRY};
            for (int fallback : fallbacks) {
                if (shell_driver::HasButton(box, fallback)) {
                    pressed = fallback;
                    break;
                }
            }
        }
        MessageBoxRecord& record = m_records[index];
        record.shown = true;
        record.shownTitle = shownTitle;
        record.shownText = shownText;
        record.pressed = pressed;
        if (!record.intercepted)
            m_done[index] = true;
    }
    m_scan.MarkAnswered(box);
    shell_driver::PressButton(box, pressed);
}

void MessageBoxWatcher::Poll()
{
    for (HWND box : m_scan.Unanswered()) {
        if (LooksLikeMessageBox(box))
            Answer(box);
    }
}

}  // namespace vztest
