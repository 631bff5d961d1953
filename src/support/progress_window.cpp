#include "support/progress_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <atomic>
#include <cstring>

#include "support/dialog_items.h"
#include "support/module.h"
#include "support/owners.h"
#include "support/support_texts.h"
#include "support/window_placement.h"

namespace {

const int kBarRange = 1000;
const UINT_PTR kPollTimer = 1;
const UINT kPollMs = 100;
const WORD kTextId = 100;
const WORD kBarId = 101;

// What the worker reports and the window reads: each a whole 32-bit word.
class SharedProgress final : public WorkProgress {
public:
    bool Continue(uint64_t done, uint64_t total) override
    {
        if (total > 0) {
            double part = done >= total ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
            m_position.store(static_cast<int>(part * kBarRange));
        }
        return !m_cancelled.load();
    }
    void SetPhase(const wchar_t* text) override { m_phase.store(text); }
    int Position() const { return m_position.load(); }
    const wchar_t* Phase() const { return m_phase.load(); }
    void Cancel() { m_cancelled.store(true); }
    bool Cancelled() const { return m_cancelled.load(); }

private:
    std::atomic<int> m_position{0};
    std::atomic<const wchar_t*> m_phase{nullptr};
    std::atomic<bool> m_cancelled{false};
};

struct ProgressRun {
    ProgressWork work = nullptr;
    void* context = nullptr;
    const wchar_t* title = nullptr;
    const wchar_t* text = nullptr;
    HANDLE thread = nullptr;
    ProgressStop stop = ProgressStop::BetweenSteps;
    const wchar_t* shownText = nullptr;  // the text the window shows
    SharedProgress progress;
    HRESULT result = E_UNEXPECTED;
};

DWORD WINAPI RunWork(void* parameter)
{
    ProgressRun* run = static_cast<ProgressRun*>(parameter);
    // Shortcuts among the work's files are resolved with COM objects.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // Nothing may leave a thread's function by unwinding: the work's result
    // is all it reports.
    try {
        run->result = run->work(run->context, &run->progress);
    } catch (...) {
        run->result = E_UNEXPECTED;
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

// Waits up to timeoutMs (INFINITE: for ever) for the thread to end; true
// when it has. Messages that other threads send to this thread's windows
// are answered meanwhile (their senders wait for the answer); input stays
// queued.
bool WaitForThread(HANDLE thread, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            DWORD elapsed = GetTickCount() - start;
            left = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
        }
        DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0)
            return true;
        if (wait == WAIT_TIMEOUT)
            return false;
        if (wait == WAIT_FAILED) {
            // Without the message wait, a plain one: it must not end before
            // the thread does.
            return WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
        }
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Once the work is to stop: for work that only reads, its pending reads
// are cancelled, so that a read that never returns ends too.
void AbortIoIfStopping(const ProgressRun& run)
{
    if (run.stop == ProgressStop::AbortingIo && run.progress.Cancelled())
        CancelSynchronousIo(run.thread);
}

// Waits until the thread has ended, whatever the waits report: the work's
// context lies on the caller's stack.
void WaitUntilEnded(const ProgressRun& run)
{
    const DWORD kRetryMs = 100;
    for (;;) {
        AbortIoIfStopping(run);
        if (WaitForThread(run.thread, kRetryMs))
            return;
        DWORD exitCode = 0;
        if (GetExitCodeThread(run.thread, &exitCode) && exitCode != STILL_ACTIVE)
            return;
    }
}

// The window's template in memory: a header, then items on DWORD
// boundaries. It holds no text; the window sets its texts when it starts.
class ProgressTemplate {
public:
    ProgressTemplate()
    {
        DLGTEMPLATE header = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 3, 0, 0, 240, 64};
        Add(&header, sizeof(header));
        Add(L"\0\0", 3 * sizeof(wchar_t));  // no menu, the dialog class, no title
        const WORD points = 8;
        Add(&points, sizeof(points));
        Add(L"MS Shell Dlg", sizeof(L"MS Shell Dlg"));
        Item(WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 7, 7, 226, 18, kTextId, 0x0082);
        Item(WS_CHILD | WS_VISIBLE, 7, 27, 226, 10, kBarId, 0);
        Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 183, 43, 50, 14, IDCANCEL, 0x0080);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words); }

private:
    // An item of a predefined class (its atom), or of the progress bar's
    // class when atom is 0; only the button has a text in the template.
    void Item(DWORD style, short x, short y, short width, short height, WORD id, WORD atom)
    {
        if (m_count % 2 != 0)
            m_count++;
        DLGITEMTEMPLATE item = {style, 0, x, y, width, height, id};
        Add(&item, sizeof(item));
        if (atom != 0) {
            const WORD byAtom[] = {0xFFFF, atom};
            Add(byAtom, sizeof(byAtom));
        } else {
            Add(PROGRESS_CLASSW, sizeof(PROGRESS_CLASSW));
        }
        if (id == IDCANCEL)
            Add(kProgressCancelText, sizeof(kProgressCancelText));
        else
            Add(L"", sizeof(wchar_t));
        const WORD noCreationData = 0;
        Add(&noCreationData, sizeof(noCreationData));
    }
    void Add(const void* data, size_t bytes)
    {
        size_t words = bytes / sizeof(WORD);
        if (words <= kCapacity - m_count) {
            std::memcpy(m_words + m_count, data, words * sizeof(WORD));
            m_count += words;
        }
    }

    static const size_t kCapacity = 160;
    alignas(DWORD) WORD m_words[kCapacity] = {};
    size_t m_count = 0;
};

// Moves the bar, names the phase the work is in, and ends the window once
// the work has ended.
void ShowProgress(HWND window, ProgressRun& run)
{
    SendDlgItemMessageW(window, kBarId, PBM_SETPOS, static_cast<WPARAM>(run.progress.Position()), 0);
    const wchar_t* phase = run.progress.Phase();
    if (phase && phase != run.shownText) {
        run.shownText = phase;
        SetDlgItemTextW(window, kTextId, phase);
    }
    AbortIoIfStopping(run);
    if (WaitForSingleObject(run.thread, 0) == WAIT_OBJECT_0)
        EndDialog(window, IDOK);
}

INT_PTR CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        ProgressRun* run = reinterpret_cast<ProgressRun*>(lParam);
        SetWindowTextW(window, run->title);
        run->shownText = run->progress.Phase() ? run->progress.Phase() : run->text;
        SetDlgItemTextW(window, kTextId, run->shownText);
        SendDlgItemMessageW(window, kBarId, PBM_SETRANGE32, 0, kBarRange);
        WindowSize size = GetWindowSize(window);
        CenterWindowOnParent(window, size.width, size.height);
        SetTimer(window, kPollTimer, kPollMs, nullptr);
        ShowProgress(window, *run);
        return TRUE;
    }
    ProgressRun* run = reinterpret_cast<ProgressRun*>(GetWindowLongPtrW(window, DWLP_USER));
    if (run == nullptr)
        return FALSE;
    switch (message) {
    case WM_TIMER:
        if (wParam != kPollTimer)
            return FALSE;
        ShowProgress(window, *run);
        return TRUE;
    case WM_COMMAND:
        // "Cancel", Esc and the close box. The window stays until the work
        // has stopped, so that nothing runs on once the caller goes on.
        if (LOWORD(wParam) != IDCANCEL)
            return FALSE;
        run->progress.Cancel();
        AbortIoIfStopping(*run);
        EnableDlgItem(window, IDCANCEL, FALSE);
        return TRUE;
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

HRESULT RunWithProgress(HWND owner, const wchar_t* title, const wchar_t* text, ProgressWork work, void* context,
                        ProgressStop stop)
{
    if (!work)
        return E_INVALIDARG;
    ProgressRun run;
    run.work = work;
    run.context = context;
    run.stop = stop;
    run.title = title ? title : L"";
    run.text = text ? text : L"";
    KernelHandle thread(CreateThread(nullptr, 0, RunWork, &run, 0, nullptr));
    if (!thread.IsValid()) {
        RunWork(&run);
        return run.result;
    }
    run.thread = thread.Get();
    if (!WaitForThread(thread.Get(), kProgressWindowDelayMs)) {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        ProgressTemplate shape;
        DialogBoxIndirectParamW(ResourceModule(), shape.Get(), owner, ProgressWindowProc,
                                reinterpret_cast<LPARAM>(&run));
        // The window ends itself once the work has ended. Any other end (its
        // owner destroyed, a WM_QUIT in its loop, no window at all: no
        // display, an owner that is gone) leaves the user no way to stop
        // the work while this thread waits: so it stops the work.
        if (WaitForSingleObject(thread.Get(), 0) != WAIT_OBJECT_0)
            run.progress.Cancel();
    }
    WaitUntilEnded(run);
    return run.progress.Cancelled() ? VZ_E_CANCELLED : run.result;
}
