// DllRegisterServer and DllUnregisterServer: the COM class, its ProgIDs and
// the context-menu handler for all files.
#include <windows.h>
#include <olectl.h>

#include "setup/com_registration.h"
#include "setup/setup_texts.h"
#include "shellext/com_server.h"
#include "support/code_page_text.h"
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
    CodePageResult ansi = WideToAnsi(clsidText, -1, ansiClsid, sizeof(ansiClsid));
    if (!ansi.complete || ansi.length != 38)
        return SELFREG_E_CLASS;

    RegistryKey handler;
    handler.Open(TRUE, HKEY_CLASSES_ROOT, kContextMenuHandlerKey);
    hr = handler.SetValue(static_cast<const char*>(nullptr), REG_SZ, ansiClsid, sizeof(ansiClsid));
    handler.Close();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer()
{
    // Without this view's registration of the class there is nothing to remove.
    if (!ClassRegistered(CLSID_VantreloZerli, 0))
        return SELFREG_E_CLASS;

    // The other DLL (32-bit beside 64-bit) still registered: the ProgIDs and
    // the handler key are shared and stay for it; the handler names the class,
    // which both views register.
    const REGSAM otherView = OtherRegistryView();
    if (otherView && ClassRegistered(CLSID_VantreloZerli, otherView)) {
        return SUCCEEDED(UnregisterComClass(CLSID_VantreloZerli)) ? S_OK : SELFREG_E_CLASS;
    }

    HRESULT hr = UnregisterComServer(CLSID_VantreloZerli, kIndependentProgId, kProgId);
    if (FAILED(hr)) {
        // A ProgID was gone already (an earlier version removed the shared
        // keys with the other DLL). Once the class itself is gone, the rest
        // of the shared keys goes too, so the removal can complete.
        if (ClassRegistered(CLSID_VantreloZerli, 0))
            return SELFREG_E_CLASS;
        RemoveProgIds(kIndependentProgId, kProgId);
    }

    // A missing handler key is created and deleted again.
    RegistryKey handler;
    handler.Open(TRUE, HKEY_CLASSES_ROOT, kContextMenuHandlerKey);
    hr = handler.DeleteTree();
    handler.Close();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}
