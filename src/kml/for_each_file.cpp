#include "kml/for_each_file.h"

#include <cwchar>
#include <cstring>

#include "support/owners.h"

namespace {

// Length of the drive and folder part of pattern: everything up to and
// including its last backslash, slash or drive colon.
size_t FolderPartLength(const wchar_t* pattern)
{
    size_t length = 0;
    for (size_t i = 0; pattern[i] != L'\0'; ++i) {
        if (pattern[i] == L'\\' || pattern[i] == L'/' || pattern[i] == L':')
            length = i + 1;
    }
    return length;
}

ULONGLONG Combine(DWORD high, DWORD low)
{
    return (static_cast<ULONGLONG>(high) << 32) | low;
}

}  // namespace

bool ForEachFile(const wchar_t* pattern, FileVisitor visit, void* context)
{
    if (pattern == nullptr || visit == nullptr)
        return true;
    size_t folderLength = FolderPartLength(pattern);
    if (folderLength >= MAX_PATH)
        return true;

    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW(pattern, &found));
    if (!search.IsValid())
        return true;

    wchar_t path[MAX_PATH];
    std::memcpy(path, pattern, folderLength * sizeof(wchar_t));
    bool goOn = true;
    do {
        size_t nameLength = std::wcslen(found.cFileName);
        if (folderLength + nameLength >= MAX_PATH)
            continue;
        std::memcpy(path + folderLength, found.cFileName, (nameLength + 1) * sizeof(wchar_t));
        goOn = visit(path, found.dwFileAttributes,
                     Combine(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime),
                     Combine(found.nFileSizeHigh, found.nFileSizeLow), context);
    } while (goOn && FindNextFileW(search.Get(), &found));
    return goOn;
}
