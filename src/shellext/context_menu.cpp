#include "shellext/context_menu.h"

#include <shlwapi.h>
#include <memory>
#include <new>

#include "earth_client/earth_client.h"
#include "exif/photo_reader.h"
#include "notation/settings.h"
#include "selection/file_access.h"
#include "selection/image_selection.h"
#include "selection/selection_texts.h"
#include "shellext/com_server.h"
#include "shellext/menu_bitmaps.h"
#include "shellext/menu_table.h"
#include "shellext/shell_ext_init.h"
#include "support/code_page_text.h"
#include "support/message_box.h"
#include "support/text_bounded.h"

namespace {

// InvokeCommand tells the two structures apart by their size, which differs
// between the 32-bit and the 64-bit build.
#ifdef _WIN64
static_assert(sizeof(CMINVOKECOMMANDINFO) == 56 && sizeof(CMINVOKECOMMANDINFOEX) == 104, "64-bit layouts");
#else
static_assert(sizeof(CMINVOKECOMMANDINFO) == 36 && sizeof(CMINVOKECOMMANDINFOEX) == 64, "32-bit layouts");
#endif

void AddMenuItem(HMENU hmenu, UINT position, UINT fMask, UINT fType, UINT wID, HMENU hSubMenu,
                 const wchar_t* text, UINT fState, HBITMAP bitmap)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = fMask;
    info.fType = fType;
    info.fState = fState;
    info.wID = wID;
    info.hSubMenu = hSubMenu;
    info.hbmpChecked = bitmap;
    info.hbmpUnchecked = bitmap;
    info.dwTypeData = const_cast<wchar_t*>(text ? text : L"");
    InsertMenuItemW(hmenu, position, TRUE, &info);
}

// Whether some photo of the selection carries a readable GPS position (a
// raw file: in its sidecar, else in itself); the scan stops at the first
// one.
bool AnyPhotoLocated(const ImageSelection* selection)
{
    if (!selection)
        return false;
    // One reader for the whole scan, so its read buffers are allocated once.
    std::unique_ptr<PhotoReader> photo(new (std::nothrow) PhotoReader());
    if (!photo)
        return false;
    for (int i = 0; i < selection->Count(); ++i) {
        photo->Open(selection->PathAt(i));
        if (SUCCEEDED(photo->ReadPosition(nullptr)))
            return true;
    }
    return false;
}

// The commands work on a selection; one never initialised is empty.
const ImageSelection& OrEmpty(const ImageSelection* selection)
{
    static const ImageSelection empty;
    return selection ? *selection : empty;
}

bool AnyFileWritable(const ImageSelection* selection)
{
    if (!selection)
        return false;
    for (int i = 0; i < selection->Count(); ++i) {
        if (!IsFileReadOnly(selection->PathAt(i)))
            return true;
    }
    return false;
}

// A reference to a COM object and a lock on the module for as long as it
// lives, so that neither the object nor the DLL can go meanwhile.
class ObjectInUse {
public:
    explicit ObjectInUse(IUnknown* object) : m_object(object)
    {
        m_object->AddRef();
        InterlockedIncrement(&g_cLocks);
    }
    ~ObjectInUse()
    {
        InterlockedDecrement(&g_cLocks);
        m_object->Release();
    }
    ObjectInUse(const ObjectInUse&) = delete;
    ObjectInUse& operator=(const ObjectInUse&) = delete;

private:
    IUnknown* m_object;
};

}  // namespace

CContextMenu::CContextMenu()
{
    ObjectCreated();
}

CContextMenu::~CContextMenu()
{
    if (m_pShellExtInit) {
        m_pShellExtInit->DetachContextMenu(this);
        m_pShellExtInit->Release();
        m_pShellExtInit = nullptr;
    }
    ObjectDestroyed();
}

IFACEMETHODIMP CContextMenu::QueryInterface(REFIID riid, void** ppv)
{
    static const QITAB qit[] = {
        QITABENT(CContextMenu, IContextMenu),
        {nullptr, 0},
    };
    if (!ppv || !IsEqualIID(riid, IID_IShellExtInit))
        return QISearch(this, qit, riid, ppv);

    *ppv = nullptr;
    if (!m_pShellExtInit) {
        // The new object's count of 1 is this object's own reference.
        CShellExtInit* init = new (std::nothrow) CShellExtInit();
        if (!init)
            return E_OUTOFMEMORY;
        m_pShellExtInit = init;
        init->AttachContextMenu(this);
    }
    m_pShellExtInit->AddRef();
    *ppv = static_cast<IShellExtInit*>(m_pShellExtInit);
    return S_OK;
}

IFACEMETHODIMP_(ULONG) CContextMenu::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

IFACEMETHODIMP_(ULONG) CContextMenu::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0)
        delete this;
    return cRef;
}

const ImageSelection* CContextMenu::Selection() const
{
    return m_pShellExtInit ? m_pShellExtInit->Selection() : nullptr;
}

bool CContextMenu::HasTrack() const
{
    const ImageSelection* selection = Selection();
    return selection && selection->TrackPath();
}

bool CContextMenu::Offered(const MenuCommand& command) const
{
    switch (command.offer) {
    case MenuOffer::WithEarth:
        return m_bEarthInstalled != FALSE;
    case MenuOffer::WithEarthAndLocation:
        return m_bEarthInstalled && m_bAnyLocated;
    case MenuOffer::WithTrack:
        return HasTrack();
    default:
        return true;
    }
}

bool CContextMenu::EnsureInitialized()
{
    if (m_bInitialized)
        return true;
    if (!m_pShellExtInit)
        return false;
    m_bEarthInstalled = IsEarthInstalled() ? TRUE : FALSE;
    m_bAnyLocated = AnyPhotoLocated(Selection()) ? TRUE : FALSE;
    m_bAnyWritable = AnyFileWritable(Selection()) ? TRUE : FALSE;
    LoadSettings();
    m_bInitialized = TRUE;
    return true;
}

IFACEMETHODIMP CContextMenu::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                              UINT uFlags)
{
    // A query for the default command only (made each time photos are
    // opened) and a range without room for the submenu are answered before
    // the selection is judged: that reads the photos. The host's idCmdLast
    // is inclusive.
    if ((uFlags & CMF_DEFAULTONLY) || idCmdLast < idCmdFirst ||
        idCmdLast - idCmdFirst < ReservedIdentifiers(false) - 1)
        return E_FAIL;
    if (!EnsureInitialized())
        return E_FAIL;

    // The track's command comes with a track, when the range has room for
    // its identifier too; otherwise the menu is built without it.
    bool withTrack = HasTrack() && idCmdLast - idCmdFirst >= ReservedIdentifiers(true) - 1;

    HMENU popup = CreateMenu();
    const UINT itemMask = MIIM_ID | MIIM_CHECKMARKS | MIIM_TYPE;
    const MenuCommand& submenu = kMenuTable[0];
    for (UINT row = 1; row < kMenuTableRows; ++row) {
        const MenuCommand& command = kMenuTable[row];
        if (Offered(command) && (command.offer != MenuOffer::WithTrack || withTrack))
            AddMenuItem(popup, static_cast<UINT>(-1), itemMask, MFT_STRING, idCmdFirst + command.offset, nullptr,
                        command.text, 0, MenuBitmap(command));
    }
    AddMenuItem(hmenu, indexMenu, itemMask | MIIM_SUBMENU, MFT_STRING, idCmdFirst + submenu.offset, popup,
                submenu.text, 0, MenuBitmap(submenu));

    // The identifiers of commands left out are reserved too.
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, ReservedIdentifiers(withTrack));
}

IFACEMETHODIMP CContextMenu::GetCommandString(UINT_PTR idCmd, UINT uType, UINT* /*pReserved*/, CHAR* pszName,
                                              UINT cchMax)
{
    // Without a track the track's command does not exist.
    const MenuCommand* found = MenuCommandAt(idCmd);
    if (!found || (found->offer == MenuOffer::WithTrack && !HasTrack()))
        return E_FAIL;
    const MenuCommand& command = *found;
    bool writes = uType == GCS_VERBA || uType == GCS_HELPTEXTA || uType == GCS_VERBW || uType == GCS_HELPTEXTW;
    if (writes && !pszName && cchMax > 0)
        return E_INVALIDARG;

    switch (uType) {
    case GCS_VERBA:
        WideToAnsi(command.verb, -1, pszName, cchMax);
        return S_OK;
    case GCS_HELPTEXTA:
        WideToAnsi(command.help, -1, pszName, cchMax);
        return S_OK;
    case GCS_VERBW:
        CopyTextBounded(reinterpret_cast<wchar_t*>(pszName), command.verb, cchMax);
        return S_OK;
    case GCS_HELPTEXTW:
        CopyTextBounded(reinterpret_cast<wchar_t*>(pszName), command.help, cchMax);
        return S_OK;
    case GCS_VALIDATEA:
    case GCS_VALIDATEW:
        if (!EnsureInitialized())
            return E_FAIL;
        return Offered(command) ? S_OK : S_FALSE;
    default:
        return E_FAIL;
    }
}

HRESULT CContextMenu::CommandOffset(const CMINVOKECOMMANDINFO* pici, UINT* offset) const
{
    // The structure sizes of this build's architecture.
    bool unicode = false;
    if (pici->cbSize == sizeof(CMINVOKECOMMANDINFOEX))
        unicode = (pici->fMask & CMIC_MASK_UNICODE) != 0;
    else if (pici->cbSize != sizeof(CMINVOKECOMMANDINFO))
        return E_INVALIDARG;

    if (IS_INTRESOURCE(pici->lpVerb)) {
        // A number no command has is accepted and runs nothing.
        *offset = static_cast<UINT>(reinterpret_cast<UINT_PTR>(pici->lpVerb));
        const MenuCommand* command = MenuCommandAt(*offset);
        return (command && command->offer == MenuOffer::WithTrack && !HasTrack()) ? E_INVALIDARG : S_OK;
    }

    wchar_t converted[kVerbCapacity] = L"";
    const wchar_t* verb = converted;
    if (unicode) {
        verb = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(pici)->lpVerbW;
        if (IS_INTRESOURCE(verb))
            return E_INVALIDARG;
    } else {
        // A verb that cannot be converted stays empty and names no command.
        AnsiToWide(pici->lpVerb, -1, converted, kVerbCapacity);
    }
    // Verbs are names, not words of the user's language: compared ordinally
    // without regard to case, so that under Turkish rules "ABOUTZERLI" still
    // names AboutZerli (lstrcmpiW would not match I with i there).
    // Without a track the track's verb names nothing, as an unknown verb.
    for (UINT row = 1; row < kMenuTableRows; ++row) {
        const MenuCommand& command = kMenuTable[row];
        if (command.offer == MenuOffer::WithTrack && !HasTrack())
            continue;
        if (CompareStringOrdinal(verb, -1, command.verb, -1, TRUE) == CSTR_EQUAL) {
            *offset = command.offset;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

IFACEMETHODIMP CContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* pici)
{
    // A command may run modal loops for minutes, in which the host may
    // release this object: it, its partner's selection and the module
    // stay until the command has returned.
    ObjectInUse inUse(this);
    if (!EnsureInitialized())
        return E_FAIL;
    if (!pici)
        return E_INVALIDARG;
    UINT offset = 0;
    HRESULT hr = CommandOffset(pici, &offset);
    if (SUCCEEDED(hr))
        RunCommand(offset, pici->hwnd);
    return hr;
}

void CContextMenu::RunCommand(UINT offset, HWND hwnd)
{
    // The commands show their own messages; their results are not passed on.
    const MenuCommand* command = MenuCommandAt(offset);
    if (!command || !command->run)
        return;
    if (command->writes && !m_bAnyWritable)
        ShowMessage(hwnd, kNoWritableFileMessage, MB_ICONERROR);
    else
        command->run(hwnd, OrEmpty(Selection()));
}
