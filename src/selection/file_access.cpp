#include "selection/file_access.h"

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "exif/raw_sidecar.h"
#include "raw/raw_formats.h"
#include "support/file_extension.h"

namespace {

bool HasReadOnlyAttribute(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Whether an existing sidecar of the raw file at path is read-only. A raw
// file without a sidecar gets a new one, which nothing keeps from being
// written.
bool IsRawSidecarReadOnly(const wchar_t* path)
{
    std::vector<RawSidecarFile> sidecars;
    if (FAILED(ListRawSidecars(path, &sidecars)))
        return false;  // judged by the write, which fails the same way
    for (const RawSidecarFile& sidecar : sidecars) {
        if (sidecar.attributes & FILE_ATTRIBUTE_READONLY)
            return true;
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
