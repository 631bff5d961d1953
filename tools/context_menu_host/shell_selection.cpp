#include "shell_selection.h"

#include "shell_driver/shell_selection.h"

std::wstring FullPathOf(const std::wstring& file)
{
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(file.c_str(), ARRAYSIZE(buffer), buffer, nullptr);
    if (n == 0 || n >= ARRAYSIZE(buffer))
        return file;
    return buffer;
}

HRESULT CreateSelectionDataObject(const std::vector<std::wstring>& files, IDataObject** data,
                                  PIDLIST_ABSOLUTE* folder)
{
    std::vector<std::wstring> paths;
    for (const std::wstring& file : files)
        paths.push_back(FullPathOf(file));
    return shell_driver::CreateShellSelection(paths, data, folder);
}
