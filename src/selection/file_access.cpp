#include "selection/file_access.h"

#include <windows.h>

bool IsFileReadOnly(const wchar_t* path)
{
    if (!path)
        return false;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
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
