#include "selection/file_access.h"

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "raw/raw_formats.h"
#include "sidecar/sidecar_names.h"
#include "support/file_extension.h"

namespace {

bool HasReadOnlyAttribute(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool IsRawName(const std::wstring& name)
{
    return FindRawFormat(name.c_str()) != nullptr;
}

// Whether an existing sidecar of the raw file at path is read-only. A raw
// file without a sidecar gets a new one, which nothing keeps from being
// written.
bool IsRawSidecarReadOnly(const wchar_t* path)
{
    try {
        const wchar_t* name = FileNamePart(path);
        const std::wstring folder(path, name);
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, 0);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.emplace_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        SidecarNames sidecars;
        if (FAILED(FindSidecarNames(name, names, IsRawName, &sidecars)))
            return false;
        for (const std::wstring& sidecar : sidecars.existing) {
            if (HasReadOnlyAttribute((folder + sidecar).c_str()))
                return true;
        }
    } catch (const std::bad_alloc&) {
        // Judged by the write, which fails without memory too.
    }
    return false;
}

}  // namespace

bool IsFileReadOnly(const wchar_t* path)
{
    if (!path)
        return false;
    // A raw file is never written, its sidecar is.
    if (FindRawFormat(path))
        return IsRawSidecarReadOnly(path);
    return HasReadOnlyAttribute(path);
}

bool IsFileInUse(const wchar_t* path)
{
    if (!path)
        return false;
    // Opened as the photo engine opens a photo to read it.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}
