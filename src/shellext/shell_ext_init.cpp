#include "shellext/shell_ext_init.h"

#include <shlwapi.h>
#include <new>

#include "shellext/com_server.h"
#include "shellext/context_menu.h"
#include "selection/image_selection_reader.h"

CShellExtInit::CShellExtInit()
{
    ObjectCreated();
}

CShellExtInit::~CShellExtInit()
{
    ObjectDestroyed();
}

IFACEMETHODIMP CShellExtInit::QueryInterface(REFIID riid, void** ppv)
{
    static const QITAB qit[] = {
        QITABENT(CShellExtInit, IShellExtInit),
        {nullptr, 0},
    };
    if (!ppv || !IsEqualIID(riid, IID_IContextMenu))
        return QISearch(this, qit, riid, ppv);

    *ppv = nullptr;
    if (m_pContextMenu) {
        m_pContextMenu->AddRef();
    } else {
        // The new object's count of 1 is the caller's reference.
        CContextMenu* menu = new (std::nothrow) CContextMenu();
        if (!menu)
            return E_OUTOFMEMORY;
        m_pContextMenu = menu;
        menu->AttachShellExtInit(this);
        AddRef();  // the reference the menu object now holds
    }
    *ppv = static_cast<IContextMenu*>(m_pContextMenu);
    return S_OK;
}

IFACEMETHODIMP_(ULONG) CShellExtInit::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

IFACEMETHODIMP_(ULONG) CShellExtInit::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0)
        delete this;
    return cRef;
}

IFACEMETHODIMP CShellExtInit::Initialize(PCIDLIST_ABSOLUTE /*pidlFolder*/, IDataObject* pdtobj, HKEY /*hkeyProgID*/)
{
    if (!pdtobj)
        return E_INVALIDARG;
    if (!m_pSelection) {
        m_pSelection.reset(new (std::nothrow) ImageSelection());
        if (!m_pSelection)
            return E_OUTOFMEMORY;
    }
    return ReadImageSelection(pdtobj, m_pSelection.get());
}

void CShellExtInit::DetachContextMenu(CContextMenu* menu)
{
    if (m_pContextMenu == menu)
        m_pContextMenu = nullptr;
}
