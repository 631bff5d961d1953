// Small helpers shared by the photo engine's benchmarks (Windows programs
// run under Wine): a microsecond clock, medians, and the JPEG files of a
// folder.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "replacement/file_access.h"
#include "replacement/replacement_name.h"

namespace vzbench {

inline double NowMicroseconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Names (no folder) of the *.jpg files of a folder, sorted.
inline std::vector<std::wstring> JpegNames(const std::wstring& folder, const wchar_t* pattern = L"*.jpg")
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// A writable copy of a file (the originals are read-only).
inline bool FreshCopy(const std::wstring& from, const std::wstring& to)
{
    SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    return CopyFileW(from.c_str(), to.c_str(), FALSE) && SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
}

inline std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// With VZ_BENCH_NO_FLUSH set, the engine's flushes return at once without
// flushing: what a write costs without them, which gives their own cost.
inline BOOL WINAPI FlushNothing(HANDLE)
{
    return TRUE;
}

inline void ChooseFlushes()
{
    static const FileCalls kNoFlush = {ReadFile, WriteFile, FlushNothing, SetFileInformationByHandle, FindFirstFileW};
    if (std::getenv("VZ_BENCH_NO_FLUSH"))
        UseFileCalls(&kNoFlush);
}

inline bool ReadWhole(const std::wstring& path, std::vector<uint8_t>* bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    DWORD got = 0;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 30);
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        ok = bytes->empty() || (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) &&
                                got == bytes->size());
    }
    CloseHandle(file);
    return ok;
}

// The floor of any crash-safe writer under this Wine: the photo opened,
// read whole and closed; a new file beside it made, written with those
// bytes, flushed, renamed over the photo through its handle, flushed again
// and closed. No parse, no check, no access rules, no recovery: what the
// promise alone costs. Without flushes under VZ_BENCH_NO_FLUSH, as the
// engine's.
inline bool ReplaceBare(const std::wstring& photo, std::vector<uint8_t>& bytes)
{
    static const bool flush = std::getenv("VZ_BENCH_NO_FLUSH") == nullptr;
    if (!ReadWhole(photo, &bytes))
        return false;
    const std::wstring target = NativePath(photo);
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    const DWORD infoSize = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + nameBytes);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[infoSize]());
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    info->ReplaceIfExists = TRUE;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, target.c_str(), nameBytes);

    const std::wstring newPath = photo + L".floor.tmp";
    HANDLE file = CreateFileW(newPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && (!flush || FlushFileBuffers(file)) &&
              SetFileInformationByHandle(file, FileRenameInfo, info, infoSize) && (!flush || FlushFileBuffers(file));
    CloseHandle(file);
    if (!ok)
        DeleteFileW(newPath.c_str());
    return ok;
}

// The position every benchmark stores: 48.8582 N, 2.2945 E, 35.2 m, 57 degrees.
const double kLatitude = 48.8582 * 0.017453292519943295;
const double kLongitude = 2.2945 * 0.017453292519943295;
const double kAltitude = 35.2;
const double kHeading = 57.0 * 0.017453292519943295;

}  // namespace vzbench
