// Slow work kept off a window's thread: the work runs on a worker thread
// while the calling thread (Explorer's, which must keep answering its
// messages) waits, and past a short delay shows a small modal window with
// how far the work has come and "Cancel".
#pragma once
#include <windows.h>

#include "support/work_progress.h"

// Work to run on the worker thread: context as given to RunWithProgress.
// It reports through progress, stops with VZ_E_CANCELLED when Continue
// says so, and must not touch the calling thread's windows.
typedef HRESULT (*ProgressWork)(void* context, WorkProgress* progress);

// How long the work may take before the window shows: small work shows
// no window at all.
const DWORD kProgressWindowDelayMs = 500;

// How a stop reaches the work.
enum class ProgressStop {
    // Only through WorkProgress::Continue: the step under way (the writing
    // of one photo) is finished first.
    BetweenSteps,
    // Also by cancelling the worker's pending reads and writes
    // (CancelSynchronousIo), again and again until it has ended: for work
    // that only reads, which a file that never delivers (a pipe, a share
    // that hangs) would otherwise hold for ever.
    AbortingIo,
};

// Runs work(context) on a worker thread in a single-threaded apartment of
// its own and returns its result once the thread has ended, never before.
// Past kProgressWindowDelayMs a modal window over owner (owner disabled
// meanwhile, as for any modal window) titled title shows text (or the
// phase the work names), a bar of the work's progress and "Cancel";
// "Cancel", Esc and the close box ask the work to stop, the window stays
// until it has, and the result is then VZ_E_CANCELLED whatever the work
// returned. A window that ends otherwise (its owner destroyed, a WM_QUIT)
// or cannot be shown asks the work to stop the same way. When no thread
// can be started, the work runs on the calling thread without a window.
HRESULT RunWithProgress(HWND owner, const wchar_t* title, const wchar_t* text, ProgressWork work, void* context,
                        ProgressStop stop = ProgressStop::BetweenSteps);
