#include "shellext/loaded_server.h"

#include "testlib/temp_folder.h"

namespace shelltest {

LoadedServer::LoadedServer()
{
    m_module = LoadLibraryW(vztest::HostPathToWindows(VZ_DLL_UNIX_PATH).c_str());
    if (!m_module)
        return;
    m_getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
    m_canUnloadNow =
        reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
}

LoadedServer::~LoadedServer()
{
    Unload();
}

void LoadedServer::Unload()
{
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_getClassObject = nullptr;
    m_canUnloadNow = nullptr;
}

IClassFactory* LoadedServer::Factory() const
{
    IClassFactory* factory = nullptr;
    if (FAILED(GetClassObject(kExtensionClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    return factory;
}

IShellExtInit* LoadedServer::NewShellExtInit() const
{
    IClassFactory* factory = Factory();
    if (!factory)
        return nullptr;
    IShellExtInit* init = nullptr;
    factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    factory->Release();
    return init;
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

}  // namespace shelltest
