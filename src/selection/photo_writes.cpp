#include "selection/photo_writes.h"

#include <windows.h>

#include <cstdint>
#include <new>

#include "selection/selection_texts.h"
#include "support/message_box.h"
#include "support/text_bounded.h"

namespace {

const size_t kMessageCapacity = 600;
// More threads than this would only queue at the disk.
const int kMostWriters = 16;

enum class Outcome : uint8_t { None, ReadOnly, Written, Failed, Changed };

// What the threads of one loop share; everything but recovery and the
// jobs' writes under lock.
struct WriteLoop {
    WriteLoop(int count, PhotoWriteJobs& jobs) : count(count), jobs(jobs) {}

    const int count;
    PhotoWriteJobs& jobs;
    ReplacementRecovery recovery;
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE writeEnded = CONDITION_VARIABLE_INIT;
    int next = 0;
    // Each photo's path and outcome, by its place in the selection.
    std::vector<const wchar_t*> paths;
    std::vector<Outcome> outcomes;
    // The paths being written now, one entry per writer at most.
    std::vector<const wchar_t*> writing;
};

bool IsBeingWritten(const WriteLoop& loop, const wchar_t* path)
{
    for (const wchar_t* other : loop.writing) {
        if (CompareStringOrdinal(other, -1, path, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

// One writer: takes the next photo in the order of the selection, writes
// it, and so on until none is left.
void WritePhotos(WriteLoop& loop)
{
    AcquireSRWLockExclusive(&loop.lock);
    while (loop.next < loop.count) {
        const int i = loop.next++;
        const wchar_t* path = nullptr;
        if (!loop.jobs.PhotoAt(i, &path) || path == nullptr)
            continue;
        // A photo selected twice is written twice, one write after the
        // other: at the same time, one would find the other's open file.
        while (IsBeingWritten(loop, path))
            SleepConditionVariableSRW(&loop.writeEnded, &loop.lock, INFINITE, 0);
        loop.writing.push_back(path);  // within the capacity reserved
        ReleaseSRWLockExclusive(&loop.lock);

        Outcome outcome = Outcome::ReadOnly;
        if (!IsFileReadOnly(path)) {
            const HRESULT hr = loop.jobs.Write(i, &loop.recovery);
            outcome = SUCCEEDED(hr) ? Outcome::Written : hr == VZ_E_PHOTO_CHANGED ? Outcome::Changed : Outcome::Failed;
        }

        AcquireSRWLockExclusive(&loop.lock);
        loop.paths[i] = path;
        loop.outcomes[i] = outcome;
        for (size_t w = 0; w < loop.writing.size(); ++w) {
            if (loop.writing[w] == path) {
                loop.writing.erase(loop.writing.begin() + static_cast<ptrdiff_t>(w));
                break;
            }
        }
        WakeAllConditionVariable(&loop.writeEnded);
    }
    ReleaseSRWLockExclusive(&loop.lock);
}

DWORD WINAPI WriterThread(void* context)
{
    // A shortcut's target is found through the shell's COM objects.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WritePhotos(*static_cast<WriteLoop*>(context));
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

}  // namespace

PhotoWrites RunPhotoWrites(int count, PhotoWriteJobs& jobs, int writers)
{
    PhotoWrites writes;
    if (count <= 0)
        return writes;
    writers = writers < 1 ? 1 : writers > kMostWriters ? kMostWriters : writers;
    if (writers > count)
        writers = count;
    WriteLoop loop(count, jobs);
    try {
        loop.paths.resize(static_cast<size_t>(count), nullptr);
        loop.outcomes.resize(static_cast<size_t>(count), Outcome::None);
        loop.writing.reserve(static_cast<size_t>(writers));
    } catch (const std::bad_alloc&) {
        return writes;  // nothing written
    }
    // The calling thread is one writer; where a thread cannot be had, the
    // others write more photos each.
    HANDLE threads[kMostWriters];
    int started = 0;
    for (int t = 1; t < writers; ++t) {
        threads[started] = CreateThread(nullptr, 0, WriterThread, &loop, 0, nullptr);
        if (threads[started])
            ++started;
    }
    WritePhotos(loop);
    for (int t = 0; t < started; ++t) {
        WaitForSingleObject(threads[t], INFINITE);
        CloseHandle(threads[t]);
    }

    // Counted in the order of the selection, whichever write ended first.
    for (int i = 0; i < count; ++i) {
        switch (loop.outcomes[i]) {
        case Outcome::Written:
            ++writes.written;
            break;
        case Outcome::ReadOnly:
            ++writes.readOnly;
            break;
        case Outcome::Changed:
            ++writes.changed;
            ++writes.failed;
            try {
                writes.changedPaths.emplace_back(loop.paths[i]);
            } catch (const std::bad_alloc&) {
                // Counted, not named.
            }
            break;
        case Outcome::Failed:
            ++writes.failed;
            break;
        case Outcome::None:
            break;
        }
    }
    return writes;
}

void ShowPhotoChangedMessage(const wchar_t* path)
{
    wchar_t text[kMessageCapacity];
    FormatBoundedW(text, kMessageCapacity, kPhotoChangedMessage, path);
    ShowMessage(nullptr, text, MB_ICONWARNING);
}

void ShowSidecarRefusedMessage(const SidecarOutcome& refused)
{
    std::string reason;
    if (FAILED(DescribeSidecarProblem(refused.problem, &reason)))
        reason.clear();
    wchar_t text[kMessageCapacity];
    FormatBoundedW(text, kMessageCapacity, kSidecarRefusedMessage, refused.sidecarPath.c_str(), reason.c_str());
    ShowMessage(nullptr, text, MB_ICONWARNING);
}

void ShowWriteMessages(const PhotoWrites& writes)
{
    for (const std::wstring& changed : writes.changedPaths)
        ShowPhotoChangedMessage(changed.c_str());
    for (const SidecarOutcome& refused : writes.refusedSidecars)
        ShowSidecarRefusedMessage(refused);
}
