// DllRegisterServer and DllUnregisterServer: the COM class, its ProgIDs and
// the context-menu handler for all files.
#include <windows.h>
#include <olectl.h>

#include "setup/com_registration.h"
#include "setup/setup_texts.h"
#include "shellext/com_server.h"
#include "support/registry_key.h"

STDAPI DllRegisterServer()
{
    HRESULT hr = RegisterComServer(kModuleFileName, CLSID_VantreloZerli, kIndependentDescription,
                                   kIndependentProgId, kClassDescription, kProgId, kThreadingModel);
    if (FAILED(hr))
        return SELFREG_E_CLASS;

    wchar_t clsidText[39];
    RegistryKey::GuidToString(CLSID_VantreloZerli, clsidText);
    char ansiClsid[39];
    if (WideCharToMultiByte(CP_ACP, 0, clsidText, -1, ansiClsid, sizeof(ansiClsid), nullptr, nullptr) != 39)
        return SELFREG_E_CLASS;

    RegistryKey handler;
    handler.Open(TRUE, HKEY_CLASSES_ROOT, kContextMenuHandlerKey);
    hr = handler.SetValue(static_cast<const char*>(nullptr), REG_SZ, ansiClsid, sizeof(ansiClsid));
    handler.Close();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer()
{
    HRESULT hr = UnregisterComServer(CLSID_VantreloZerli, kIndependentProgId, kProgId);
    if (FAILED(hr))
        return SELFREG_E_CLASS;

    // A missing handler key is created and deleted again.
    RegistryKey handler;
    handler.Open(TRUE, HKEY_CLASSES_ROOT, kContextMenuHandlerKey);
    hr = handler.DeleteTree();
    handler.Close();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}
