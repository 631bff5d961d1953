#include "shell_selection.h"

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
    *data = nullptr;
    *folder = nullptr;
    if (files.empty())
        return E_INVALIDARG;

    std::vector<PIDLIST_ABSOLUTE> items;
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder* parent = nullptr;
    HRESULT hr = S_OK;
    for (size_t i = 0; SUCCEEDED(hr) && i < files.size(); ++i) {
        PIDLIST_ABSOLUTE item = nullptr;
        hr = SHParseDisplayName(FullPathOf(files[i]).c_str(), nullptr, &item, 0, nullptr);
        if (SUCCEEDED(hr)) {
            items.push_back(item);
            IShellFolder* itemFolder = nullptr;
            PCUITEMID_CHILD child = nullptr;
            hr = SHBindToParent(item, IID_PPV_ARGS(&itemFolder), &child);
            if (SUCCEEDED(hr)) {
                children.push_back(child);
                if (!parent)
                    parent = itemFolder;
                else
                    itemFolder->Release();
            }
        }
    }
    // The folder of the first file is the folder of the whole selection.
    if (SUCCEEDED(hr)) {
        *folder = ILCloneFull(items[0]);
        if (*folder)
            ILRemoveLastID(*folder);
        else
            hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr))
        hr = parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(),
                                   IID_IDataObject, nullptr, reinterpret_cast<void**>(data));
    if (FAILED(hr) && *folder) {
        CoTaskMemFree(*folder);
        *folder = nullptr;
    }
    if (parent)
        parent->Release();
    for (PIDLIST_ABSOLUTE item : items)
        CoTaskMemFree(item);
    return hr;
}
