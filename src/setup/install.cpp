// DllInstall: installation with an entry in the list of installed programs,
// and removal (run by that entry's uninstall command).
#include <windows.h>

#include "setup/setup_texts.h"
#include "support/registry_key.h"
#include "support/text_bounded.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

const DWORD kPathCapacity = 260;

void ShowSetupMessage(bool verbose, const char* text, UINT style)
{
    if (verbose)
        MessageBoxA(nullptr, text, kSetupMessageTitle, style);
}

HRESULT SetStringValue(RegistryKey& key, const char* name, const char* text)
{
    return key.SetValue(name, REG_SZ, text, static_cast<DWORD>(lstrlenA(text) + 1));
}

HRESULT Install(bool verbose, const char* modulePath)
{
    HRESULT hr = DllRegisterServer();
    if (FAILED(hr)) {
        ShowSetupMessage(verbose, kRegistrationFailedMessage, MB_ICONINFORMATION);
        return hr;
    }

    RegistryKey entry;
    entry.Open(TRUE, HKEY_LOCAL_MACHINE, kUninstallKey);
    char displayName[64];
    char displayIcon[kPathCapacity + 16];
    char uninstallString[kPathCapacity + 32];
    FormatBounded(displayName, sizeof(displayName), kDisplayNameFormat, kProductName, kShortVersion,
                  kEditionSuffix);
    FormatBounded(displayIcon, sizeof(displayIcon), kDisplayIconFormat, modulePath, kIconResource);
    FormatBounded(uninstallString, sizeof(uninstallString), kUninstallStringFormat, modulePath);
    const DWORD one = 1;
    // An entry that cannot be written (no administrator rights) does not
    // undo the registration.
    SetStringValue(entry, "DisplayName", displayName);
    SetStringValue(entry, "Publisher", kPublisher);
    SetStringValue(entry, "DisplayIcon", displayIcon);
    SetStringValue(entry, "UninstallString", uninstallString);
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

HRESULT Remove(bool verbose, const char* modulePath)
{
    if (verbose && MessageBoxA(nullptr, kConfirmRemovalMessage, kSetupMessageTitle, MB_ICONQUESTION | MB_YESNO) !=
                       IDYES)
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
    wchar_t widePath[kPathCapacity];
    if (MultiByteToWideChar(CP_ACP, 0, modulePath, -1, widePath, kPathCapacity) > 0 &&
        !MoveFileExW(widePath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && GetLastError() == ERROR_ACCESS_DENIED) {
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

    char modulePath[kPathCapacity];
    HMODULE module = GetModuleHandleA(kModuleName);
    DWORD length = module ? GetModuleFileNameA(module, modulePath, kPathCapacity) : 0;
    if (length == 0 || length >= kPathCapacity)
        return E_FAIL;

    return bInstall ? Install(verbose, modulePath) : Remove(verbose, modulePath);
}
