// The built VantreloZerli.dll loaded into the test process, as a shell host
// loads it, with its COM exports at hand.
#pragma once
#include <windows.h>
#include <shlobj.h>

namespace shelltest {

// {EEA3944D-8517-4992-8A7C-47FFDD78A39B}, the class the DLL registers.
const CLSID kExtensionClsid = {0xEEA3944D, 0x8517, 0x4992, {0x8A, 0x7C, 0x47, 0xFF, 0xDD, 0x78, 0xA3, 0x9B}};

class LoadedServer {
public:
    typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);
    typedef HRESULT(STDAPICALLTYPE* CanUnloadNowFn)();

    LoadedServer();
    ~LoadedServer();
    LoadedServer(const LoadedServer&) = delete;
    LoadedServer& operator=(const LoadedServer&) = delete;

    bool IsLoaded() const { return m_getClassObject && m_canUnloadNow; }
    // Frees the DLL before the object goes (as a host does once DllCanUnloadNow
    // allows it); the exports are not to be called afterwards.
    void Unload();
    HMODULE Module() const { return m_module; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const { return m_getClassObject(clsid, riid, ppv); }
    HRESULT CanUnloadNow() const { return m_canUnloadNow(); }

    // The class factory of the extension's class, or null.
    IClassFactory* Factory() const;
    // A new initialisation object from the factory, or null.
    IShellExtInit* NewShellExtInit() const;

private:
    HMODULE m_module = nullptr;
    GetClassObjectFn m_getClassObject = nullptr;
    CanUnloadNowFn m_canUnloadNow = nullptr;
};

// The count of a COM object as its AddRef and Release report it (one AddRef
// and one Release, so the object is left as it was).
ULONG RefCount(IUnknown* object);

}  // namespace shelltest
