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
