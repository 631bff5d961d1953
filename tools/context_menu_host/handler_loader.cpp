#include "handler_loader.h"

#include <objbase.h>

namespace {

// Reads the unnamed string value of HKEY_CLASSES_ROOT\path.
HRESULT ReadClassesDefault(const std::wstring& path, std::wstring* value)
{
    wchar_t buffer[1024];
    DWORD size = sizeof(buffer);
    LSTATUS status = RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ,
                                  nullptr, buffer, &size);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    *value = buffer;
    return S_OK;
}

}  // namespace

HRESULT FindHandler(const std::wstring& handlerName, const std::wstring& clsidText, HandlerServer* server)
{
    HRESULT hr = S_OK;
    if (clsidText.empty())
        hr = ReadClassesDefault(L"*\\shellex\\ContextMenuHandlers\\" + handlerName, &server->clsidText);
    else
        server->clsidText = clsidText;
    if (SUCCEEDED(hr))
        hr = CLSIDFromString(server->clsidText.c_str(), &server->clsid);
    if (SUCCEEDED(hr)) {
        // Only for the printout: a missing server path is COM's to report.
        if (FAILED(ReadClassesDefault(L"CLSID\\" + server->clsidText + L"\\InprocServer32", &server->serverPath)))
            server->serverPath.clear();
    }
    return hr;
}

HRESULT GetHandlerFactory(HandlerServer* server, const std::wstring& dllPath, IClassFactory** factory)
{
    *factory = nullptr;
    if (dllPath.empty())
        return CoGetClassObject(server->clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(factory));

    typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, void**);
    HRESULT hr = S_OK;
    server->serverPath = dllPath;
    server->module = LoadLibraryW(dllPath.c_str());
    if (!server->module)
        hr = HRESULT_FROM_WIN32(GetLastError());
    GetClassObjectFn getClassObject = nullptr;
    if (SUCCEEDED(hr)) {
        getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(server->module, "DllGetClassObject")));
        if (!getClassObject)
            hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    if (SUCCEEDED(hr))
        hr = getClassObject(server->clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
    return hr;
}
