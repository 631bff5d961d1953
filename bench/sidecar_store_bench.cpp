// Storing a position into XMP sidecars, in one process: each sidecar of a
// folder is read, given the position by the sidecar editor, written into a
// new file beside it and renamed over it (the crash-safe replacement's
// flushes are not part of this figure). Every round starts from fresh
// copies (not timed).
//   sidecar_store_bench <originals folder> <work folder> <rounds>
// Prints "sidecars <count> <median microseconds of a round> <stored per round>".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sidecar/sidecar_position.h"

namespace {

double NowMicroseconds()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

bool ReadWhole(const std::wstring& path, std::string* text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= static_cast<LONGLONG>(kMaxSidecarBytes);
    DWORD read = 0;
    if (ok) {
        text->resize(static_cast<size_t>(size.QuadPart));
        ok = ReadFile(file, &(*text)[0], static_cast<DWORD>(text->size()), &read, nullptr) && read == text->size();
    }
    CloseHandle(file);
    return ok;
}

bool WriteAndReplace(const std::wstring& path, const std::string& text)
{
    const std::wstring fresh = path + L".new";
    HANDLE file = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(file);
    return ok && MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: sidecar_store_bench <originals> <work> <rounds>\n");
        return 2;
    }
    const std::wstring originals = argv[1], work = argv[2];
    const int rounds = _wtoi(argv[3]);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((originals + L"\\*.xmp").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            names.push_back(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SidecarPosition position;
    position.place.known = TRUE;
    position.place.latitude = 48.8582 * kRadiansPerDegree;
    position.place.longitude = 2.2945 * kRadiansPerDegree;
    position.place.altitude = 35.5;
    position.hasAltitude = true;
    std::vector<double> times;
    int stored = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const std::wstring& name : names) {
            if (!CopyFileW((originals + L"\\" + name).c_str(), (work + L"\\" + name).c_str(), FALSE))
                return 1;
        }
        stored = 0;
        const double start = NowMicroseconds();
        for (const std::wstring& name : names) {
            const std::wstring path = work + L"\\" + name;
            std::string text, out;
            if (ReadWhole(path, &text) && StoreSidecarPosition(text, position, &out) == S_OK &&
                WriteAndReplace(path, out))
                ++stored;
        }
        times.push_back(NowMicroseconds() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("sidecars %u %.0f %d\n", static_cast<unsigned>(names.size()), times.empty() ? 0.0 : times[times.size() / 2],
                stored);
    return 0;
}
