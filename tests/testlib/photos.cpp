#include "testlib/photos.h"
#include "testlib/temp_folder.h"

#include <windows.h>
#include <algorithm>
#include <cstdlib>

namespace vztest {

std::wstring PhotosFolder()
{
    const char* dir = std::getenv("VZ_PHOTOS");
    if (!dir || !*dir)
        return std::wstring();
    return HostPathToWindows(dir);
}

std::vector<std::wstring> SamplePhotoNames()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((PhotosFolder() + L"\\*.jpg").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring CopyPhoto(const std::wstring& name, const std::wstring& folder, const std::wstring& newName)
{
    // The build's own photos first (their names are not those of the real
    // camera photos), then the real ones.
    std::wstring source;
    if (const char* made = std::getenv("VZ_MADE_PHOTOS"))
        source = HostPathToWindows(made) + L"\\" + name;
    if (source.empty() || GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        source = PhotosFolder() + L"\\" + name;
    std::wstring target = folder + L"\\" + (newName.empty() ? name : newName);
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        return std::wstring();
    SetReadOnly(target, false);
    return target;
}

}  // namespace vztest
