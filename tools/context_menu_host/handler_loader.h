// Finds a context-menu handler in the registry and gets its class factory,
// as Explorer does for the handlers registered for all files ("*").
#pragma once
#include <windows.h>
#include <string>

struct HandlerServer {
    CLSID clsid = {};
    std::wstring clsidText;   // as the handler key holds it
    std::wstring serverPath;  // InprocServer32 of the class, or the --dll file
    HMODULE module = nullptr; // the loaded --dll file, freed by the caller
};

// Reads the class of *\shellex\ContextMenuHandlers\<handlerName> (or takes
// clsidText when not empty) and the server path registered for it.
HRESULT FindHandler(const std::wstring& handlerName, const std::wstring& clsidText, HandlerServer* server);

// The handler's class factory: through COM (CoGetClassObject, in-process
// server), or with dllPath given straight from that file's DllGetClassObject.
HRESULT GetHandlerFactory(HandlerServer* server, const std::wstring& dllPath, IClassFactory** factory);
