// CClassFactory: makes the shell's initialisation object (IShellExtInit) or
// a menu object without a partner (IContextMenu).
#include "shellext/class_factory.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <new>

#include "shellext/com_server.h"
#include "shellext/context_menu.h"
#include "shellext/shell_ext_init.h"

namespace {

class CClassFactory final : public IClassFactory {
public:
    CClassFactory() { ObjectCreated(); }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        static const QITAB qit[] = {
            QITABENT(CClassFactory, IClassFactory),
            {nullptr, 0},
        };
        return QISearch(this, qit, riid, ppv);
    }

    IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }

    IFACEMETHODIMP_(ULONG) Release() override
    {
        LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

    IFACEMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        // The new object is handed out with its initial count of 1.
        if (IsEqualIID(riid, IID_IShellExtInit)) {
            CShellExtInit* init = new (std::nothrow) CShellExtInit();
            if (!init)
                return E_OUTOFMEMORY;
            *ppv = static_cast<IShellExtInit*>(init);
            return S_OK;
        }
        if (IsEqualIID(riid, IID_IContextMenu)) {
            CContextMenu* menu = new (std::nothrow) CContextMenu();
            if (!menu)
                return E_OUTOFMEMORY;
            *ppv = static_cast<IContextMenu*>(menu);
            return S_OK;
        }
        return E_NOINTERFACE;
    }

    IFACEMETHODIMP LockServer(BOOL fLock) override
    {
        if (fLock)
            InterlockedIncrement(&g_cLocks);
        else
            InterlockedDecrement(&g_cLocks);
        return S_OK;
    }

private:
    ~CClassFactory() { ObjectDestroyed(); }

    LONG m_cRef = 1;
};

}  // namespace

HRESULT CClassFactory_CreateInstance(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CClassFactory* factory = new (std::nothrow) CClassFactory();
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}
