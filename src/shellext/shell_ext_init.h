// CShellExtInit: the object the shell initialises with the selected files
// (IShellExtInit). It owns the ImageSelection and creates, on request for
// IContextMenu, the paired menu object that reads it.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "selection/image_selection.h"

class CContextMenu;

class CShellExtInit final : public IShellExtInit {
public:
    CShellExtInit();

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    // IShellExtInit
    IFACEMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj, HKEY hkeyProgID) override;

    // The selection of the last successful Initialize, or null before one.
    const ImageSelection* Selection() const { return m_pSelection.get(); }

    // Pairing with the menu object, which holds a reference on this object
    // while this object only points back (no reference).
    void AttachContextMenu(CContextMenu* menu) { m_pContextMenu = menu; }
    // Called by a dying menu object so that a later request for
    // IContextMenu makes a new one instead of reaching the dead one.
    void DetachContextMenu(CContextMenu* menu);

private:
    ~CShellExtInit();

    std::unique_ptr<ImageSelection> m_pSelection;
    LONG m_cRef = 1;
    CContextMenu* m_pContextMenu = nullptr;  // no reference held
};
