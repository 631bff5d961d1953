#include "support/shortcut.h"

#include <shlobj.h>
#include <cwchar>
#include "support/file_extension.h"
#include "support/owners.h"

namespace {

// Copies the resolved link's target into out, refusing a target that would
// have to be cut: the buffer holds one character more than MAX_PATH, so a
// target that fills it is too long to be used.
HRESULT CopyTarget(IShellLinkW* link, wchar_t* out, int cchOut)
{
    wchar_t target[MAX_PATH + 1];
    WIN32_FIND_DATAW findData;
    HRESULT hr = link->GetPath(target, MAX_PATH + 1, &findData, 0);
    if (SUCCEEDED(hr)) {
        target[MAX_PATH] = L'\0';
        size_t length = std::wcslen(target);
        if (length >= MAX_PATH || length >= static_cast<size_t>(cchOut))
            hr = E_INVALIDARG;
        else
            std::wmemcpy(out, target, length + 1);
    }
    return hr;
}

}  // namespace

HRESULT ResolveShortcut(const wchar_t* path, wchar_t* out, int cchOut, HWND hwnd, BOOL force)
{
    if (!out || cchOut <= 0)
        return E_INVALIDARG;
    size_t length = path ? wcsnlen(path, MAX_PATH) : MAX_PATH;
    if (length >= MAX_PATH) {
        out[0] = L'\0';
        return E_INVALIDARG;
    }

    if (!force && !ExtensionIs(FindExtension(path), L".LNK")) {
        if (length >= static_cast<size_t>(cchOut)) {
            out[0] = L'\0';
            return E_INVALIDARG;
        }
        if (out != path)
            std::wmemmove(out, path, length + 1);
        return S_FALSE;
    }

    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> file;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    if (SUCCEEDED(hr))
        hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (SUCCEEDED(hr))
        hr = file->Load(path, STGM_READ);
    if (SUCCEEDED(hr)) {
        DWORD flags = hwnd ? 0 : MAKELONG(SLR_NO_UI, kShortcutResolveTimeoutMs);
        hr = link->Resolve(hwnd, flags);
    }
    if (SUCCEEDED(hr))
        hr = CopyTarget(link.Get(), out, cchOut);
    // When the link search gives up (and always under Wine) Resolve succeeds
    // and GetPath returns the old target: a target that is not there counts
    // as unresolved.
    if (hr == S_OK && GetFileAttributesW(out) == INVALID_FILE_ATTRIBUTES)
        hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (FAILED(hr))
        out[0] = L'\0';
    return hr;
}
