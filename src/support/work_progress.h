// What slow work (reading a large file) reports as it goes, and how it
// learns that the user wants it stopped. The work calls Continue from
// whatever thread runs it; no window is involved here.
#pragma once
#include <windows.h>
#include <cstdint>

// The result of work that stopped because Continue said so.
const HRESULT VZ_E_CANCELLED = HRESULT_FROM_WIN32(ERROR_CANCELLED);

class WorkProgress {
public:
    // done of total units so far (bytes, say; total 0 when unknown). False
    // when the work is to stop: it then returns VZ_E_CANCELLED.
    virtual bool Continue(uint64_t done, uint64_t total) = 0;
    // The work enters a phase that text (kept, not copied, until the work
    // ends) names; a window shows it instead of the text it began with.
    virtual void SetPhase(const wchar_t* /*text*/) {}

protected:
    ~WorkProgress() = default;
};
