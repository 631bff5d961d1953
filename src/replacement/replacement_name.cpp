#include "replacement/replacement_name.h"

#include <windows.h>

#include <cwchar>

namespace {

const wchar_t kMarker[] = L".~vz";
const wchar_t kEnding[] = L".tmp";
const size_t kMarkerLength = 4;
const size_t kDigits = 12;
const size_t kEndingLength = 4;
// The longest name one folder entry may have on NTFS, FAT and the rest.
const size_t kLongestName = 255;

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsLowerHexDigit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
}

bool IsDrivePath(const std::wstring& path)
{
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && IsSeparator(path[2]);
}

bool IsUncPath(const std::wstring& path)
{
    return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' && path[2] != L'.';
}

bool IsExtendedPath(const std::wstring& path)
{
    return path.compare(0, 4, L"\\\\?\\") == 0;
}

std::wstring WithBackslashes(std::wstring path)
{
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

}  // namespace

std::wstring FullPathOf(const wchar_t* path)
{
    DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (needed == 0)
        return std::wstring();
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path, needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
        return std::wstring();
    full.resize(length);
    return full;
}

std::wstring PathOnDisk(void* file, const wchar_t* spelled)
{
    wchar_t small[MAX_PATH];
    const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    DWORD needed = GetFinalPathNameByHandleW(file, small, MAX_PATH, flags);
    if (needed > 0 && needed < MAX_PATH)
        return std::wstring(small, needed);
    if (needed >= MAX_PATH) {
        std::wstring path(needed, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(file, &path[0], needed, flags);
        if (length > 0 && length < needed) {
            path.resize(length);
            return path;
        }
    }
    return FullPathOf(spelled);
}

std::wstring FolderOfPath(const std::wstring& path)
{
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

std::wstring ReplacementPathFor(const std::wstring& photoPath, unsigned attempt)
{
    const std::wstring folder = FolderOfPath(photoPath);
    const size_t nameLength = photoPath.size() - folder.size();
    if (nameLength == 0 || nameLength + kMarkerLength + kDigits + kEndingLength > kLongestName)
        return std::wstring();
    // Sixteen bits of a count that every replacement of the process takes
    // a step of, and the attempt on top: unique within the process for the
    // time any one rewrite can take.
    static volatile LONG s_count = 0;
    const unsigned count = static_cast<unsigned>(InterlockedIncrement(&s_count)) + attempt;
    wchar_t digits[kDigits + 1];
    swprintf(digits, kDigits + 1, L"%08lx%04x", static_cast<unsigned long>(GetCurrentProcessId()), count & 0xFFFFu);
    return ExtendedLengthPath(photoPath + kMarker + digits + kEnding);
}

bool PhotoNameOfReplacement(const std::wstring& fileName, std::wstring* photoName)
{
    const size_t suffix = kMarkerLength + kDigits + kEndingLength;
    if (fileName.size() <= suffix)
        return false;
    const size_t marker = fileName.size() - suffix;
    if (fileName.compare(marker, kMarkerLength, kMarker) != 0 ||
        fileName.compare(fileName.size() - kEndingLength, kEndingLength, kEnding) != 0)
        return false;
    for (size_t i = marker + kMarkerLength; i < marker + kMarkerLength + kDigits; ++i)
        if (!IsLowerHexDigit(fileName[i]))
            return false;
    *photoName = fileName.substr(0, marker);
    return true;
}

std::wstring ExtendedLengthPath(const std::wstring& path)
{
    if (path.size() < MAX_PATH || IsExtendedPath(path))
        return path;
    if (IsDrivePath(path))
        return L"\\\\?\\" + WithBackslashes(path);
    if (IsUncPath(path))
        return L"\\\\?\\UNC\\" + WithBackslashes(path.substr(2));
    return path;
}

std::wstring NativePath(const std::wstring& path)
{
    if (IsExtendedPath(path))
        return L"\\??\\" + path.substr(4);
    if (IsDrivePath(path))
        return L"\\??\\" + WithBackslashes(path);
    if (IsUncPath(path))
        return L"\\??\\UNC\\" + WithBackslashes(path.substr(2));
    return std::wstring();
}
