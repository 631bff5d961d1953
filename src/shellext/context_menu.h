// CContextMenu: the "Vantrelo Zerli" submenu (IContextMenu). It judges once
// what the selection of its paired CShellExtInit allows, builds the submenu,
// answers verbs and help texts, and runs the chosen command.
#pragma once
#include <windows.h>
#include <shlobj.h>

class CShellExtInit;
class ImageSelection;
struct MenuCommand;

class CContextMenu final : public IContextMenu {
public:
    CContextMenu();

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    // IContextMenu
    IFACEMETHODIMP QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                    UINT uFlags) override;
    IFACEMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* pici) override;
    IFACEMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName,
                                    UINT cchMax) override;

    // Takes the partner that created this object; the partner has already
    // added the reference this object holds on it.
    void AttachShellExtInit(CShellExtInit* init) { m_pShellExtInit = init; }

private:
    ~CContextMenu();

    // The one-time evaluation of the selection. False only without a partner.
    bool EnsureInitialized();
    const ImageSelection* Selection() const;
    // Whether the selection holds a GPS track (the track's command exists).
    bool HasTrack() const;
    // Whether the selection and the computer offer the command.
    bool Offered(const MenuCommand& command) const;
    // The command offset named by pici, or E_INVALIDARG.
    HRESULT CommandOffset(const CMINVOKECOMMANDINFO* pici, UINT* offset) const;
    void RunCommand(UINT offset, HWND hwnd);

    LONG m_cRef = 1;
    BOOL m_bInitialized = FALSE;
    CShellExtInit* m_pShellExtInit = nullptr;  // one reference held
    BOOL m_bEarthInstalled = FALSE;
    BOOL m_bAnyLocated = FALSE;
    BOOL m_bAnyWritable = FALSE;
};
