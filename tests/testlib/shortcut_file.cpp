#include "testlib/shortcut_file.h"

#include <shlobj.h>

namespace vztest {

HRESULT CreateShortcut(const std::wstring& linkPath, const std::wstring& targetPath)
{
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr))
        hr = link->SetPath(targetPath.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(hr))
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr))
        hr = file->Save(linkPath.c_str(), TRUE);
    if (file)
        file->Release();
    if (link)
        link->Release();
    return hr;
}

}  // namespace vztest
