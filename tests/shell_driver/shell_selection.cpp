#include "shell_driver/shell_selection.h"

namespace shell_driver {

HRESULT CreateShellSelection(const std::vector<std::wstring>& paths, IDataObject** data, PIDLIST_ABSOLUTE* folder)
{
    *data = nullptr;
    if (folder)
        *folder = nullptr;
    if (paths.empty())
        return E_INVALIDARG;

    std::vector<PIDLIST_ABSOLUTE> items;
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder* parent = nullptr;
    HRESULT hr = S_OK;
    for (size_t i = 0; SUCCEEDED(hr) && i < paths.size(); ++i) {
        PIDLIST_ABSOLUTE item = nullptr;
        hr = SHParseDisplayName(paths[i].c_str(), nullptr, &item, 0, nullptr);
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
    PIDLIST_ABSOLUTE selectionFolder = nullptr;
    if (SUCCEEDED(hr) && folder) {
        selectionFolder = ILCloneFull(items[0]);
        if (selectionFolder)
            ILRemoveLastID(selectionFolder);
        else
            hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr))
        hr = parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(),
                                   IID_IDataObject, nullptr, reinterpret_cast<void**>(data));
    if (SUCCEEDED(hr) && folder)
        *folder = selectionFolder;
    else if (selectionFolder)
        CoTaskMemFree(selectionFolder);
    if (parent)
        parent->Release();
    for (PIDLIST_ABSOLUTE item : items)
        CoTaskMemFree(item);
    return hr;
}

}  // namespace shell_driver
