// DllInstall: installation with an entry in the list of installed programs,
// and removal (run by that entry's uninstall command).
#include <windows.h>

#include "setup/setup_texts.h"
#include "support/message_box.h"
#include "support/registry_key.h"
#include "support/text_bounded.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

const DWORD kPathCapacity = 260;

void ShowSetupMessage(bool verbose, const char* text, UINT style)
{
    if (verbose)
        ShowMessage(nullptr, text, style);
}

HRESULT SetStringValue(RegistryKey& key, const char* name, const char* text)
{
    return key.SetValue(name, REG_SZ, text, static_cast<DWORD>(lstrlenA(text) + 1));
}

HRESULT Install(bool verbose, const wchar_t* modulePath)
{
    HRESULT hr = DllRegisterServer();
    if (FAILED(hr)) {
        ShowSetupMessage(verbose, kRegistrationFailedMessage, MB_ICONINFORMATION);
        return hr;
    }

    RegistryKey entry;
    entry.Open(TRUE, HKEY_LOCAL_MACHINE, kUninstallKey);
    char displayName[64];
    wchar_t displayIcon[kPathCapacity + 16];
    wchar_t uninstallString[kPathCapacity + 32];
    FormatBounded(displayName, sizeof(displayName), kDisplayNameFormat, kProductName, kShortVersion,
                  kEditionSuffix);
    FormatBoundedW(displayIcon, ARRAYSIZE(displayIcon), kDisplayIconFormat, modulePath, kIconResource);
    FormatBoundedW(uninstallString, ARRAYSIZE(uninstallString), kUninstallStringFormat, modulePath);
    const DWORD one = 1;
    // An entry that cannot be written (no administrator rights) does not
    // undo the registration.
    SetStringValue(entry, "DisplayName", displayName);
    SetStringValue(entry, "Publisher", kPublisher);
    entry.SetString(L"DisplayIcon", displayIcon);
    entry.SetString(L"UninstallString", uninstallString);
    entry.SetValue("NoModify", REG_DWORD, &one, sizeof(one));
    entry.SetValue("NoRepair", REG_DWORD, &one, sizeof(one));

    if (verbose) {
        char message[512];
        FormatBounded(message, sizeof(message), kInstalledMessageFormat, kProductName, kFullVersion);
        ShowSetupMessage(verbose, message, MB_ICONINFORMATION);
    }
    entry.Close();
    return hr;
}

HRESULT Remove(bool verbose, const wchar_t* modulePath)
{
    if (verbose && ShowMessage(nullptr, kConfirmRemovalMessage, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return E_FAIL;

    HRESULT hr = DllUnregisterServer();
    if (FAILED(hr))
        return hr;

    RegistryKey entry;
    entry.Open(FALSE, HKEY_LOCAL_MACHINE, kUninstallKey);
    entry.DeleteTree();
    entry.Close();

    // The DLL is in use by the very process that removes it: it goes at
    // the next restart.
    if (!MoveFileExW(modulePath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && GetLastError() == ERROR_ACCESS_DENIED) {
        ShowSetupMessage(verbose, kNoDeleteRightMessage, MB_ICONERROR);
        return E_FAIL;
    }

    if (verbose) {
        char message[512];
        FormatBounded(message, sizeof(message), kRemovedMessageFormat, kProductName, kFullVersion);
        ShowSetupMessage(verbose, message, MB_ICONINFORMATION);
    }
    return S_OK;
}

}  // namespace

STDAPI DllInstall(BOOL bInstall, PCWSTR pszCmdLine)
{
    // No command line at all counts as a silent run.
    bool verbose = pszCmdLine && lstrcmpiW(pszCmdLine, kVerboseSwitch) == 0;

    // The path in UTF-16, as the file system holds it: its ANSI form would
    // turn the characters that the code page cannot hold into "?". A path
    // that fills the buffer has been cut and is not used.
    wchar_t modulePath[kPathCapacity];
    HMODULE module = GetModuleHandleA(kModuleName);
    DWORD length = module ? GetModuleFileNameW(module, modulePath, kPathCapacity) : 0;
    if (length == 0 || length >= kPathCapacity)
        return E_FAIL;

    return bInstall ? Install(verbose, modulePath) : Remove(verbose, modulePath);
}
