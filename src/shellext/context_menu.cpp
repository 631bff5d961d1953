#include "shellext/context_menu.h"

#include <shlwapi.h>
#include <memory>
#include <new>

#include "exif/exif_block.h"
#include "shellext/com_server.h"
#include "shellext/context_menu_texts.h"
#include "selection/file_access.h"
#include "shellext/menu_bitmaps.h"
#include "shellext/menu_commands.h"
#include "selection/image_selection.h"
#include "shellext/shell_ext_init.h"
#include "support/code_page_text.h"
#include "support/text_bounded.h"

namespace {

// The submenu needs five identifiers: idCmdFirst .. idCmdFirst + 4. The host's
// idCmdLast is inclusive, so a difference of 4 is enough; the track's command
// needs a difference of 5.
const UINT kMinIdentifierSpan = kAlwaysReservedCount - 1;
const UINT kTrackIdentifierSpan = kOffsetGeotagTrack;

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

// Whether some photo of the selection carries a readable GPS position; the
// scan stops at the first one.
bool AnyPhotoLocated(const ImageSelection* selection)
{
    if (!selection)
        return false;
    // One block for the whole scan, so its read buffer is allocated once.
    std::unique_ptr<ExifBlock> block(new (std::nothrow) ExifBlock());
    if (!block)
        return false;
    for (int i = 0; i < selection->Count(); ++i) {
        block->Open(selection->PathAt(i));
        if (SUCCEEDED(block->ReadPosition(nullptr, nullptr, nullptr, nullptr)))
            return true;
    }
    return false;
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

bool CContextMenu::EnsureInitialized()
{
    if (m_bInitialized)
        return true;
    if (!m_pShellExtInit)
        return false;
    m_bEarthInstalled = QueryEarthInstalled() ? TRUE : FALSE;
    m_bAnyLocated = AnyPhotoLocated(Selection()) ? TRUE : FALSE;
    m_bAnyWritable = AnyFileWritable(Selection()) ? TRUE : FALSE;
    LoadUserSettings();
    m_bInitialized = TRUE;
    return true;
}

IFACEMETHODIMP CContextMenu::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                              UINT uFlags)
{
    // A query for the default command only (made each time photos are
    // opened) and a range without room for the submenu are answered before
    // the selection is judged: that reads the photos.
    if ((uFlags & CMF_DEFAULTONLY) || idCmdLast < idCmdFirst || idCmdLast - idCmdFirst < kMinIdentifierSpan)
        return E_FAIL;
    if (!EnsureInitialized())
        return E_FAIL;

    // The track's command comes with a track, when the range has room for
    // its identifier too; otherwise the menu is built without it.
    bool withTrack = HasTrack() && idCmdLast - idCmdFirst >= kTrackIdentifierSpan;

    HBITMAP bitmaps[kMenuCommandCount] = {};
    for (UINT offset = 0; offset < kAlwaysReservedCount; ++offset)
        bitmaps[offset] = MenuBitmap(offset);
    if (withTrack)
        bitmaps[kOffsetGeotagTrack] = MenuBitmap(kOffsetGeotagTrack);

    HMENU popup = CreateMenu();
    const UINT itemMask = MIIM_ID | MIIM_CHECKMARKS | MIIM_TYPE;
    bool offered[kMenuCommandCount] = {
        false,
        m_bEarthInstalled && m_bAnyLocated,
        m_bEarthInstalled != FALSE,
        true,
        true,
        withTrack,
    };
    for (UINT offset : kSubmenuOrder) {
        if (offered[offset])
            AddMenuItem(popup, static_cast<UINT>(-1), itemMask, MFT_STRING, idCmdFirst + offset, nullptr,
                        kMenuCommands[offset].text, 0, bitmaps[offset]);
    }
    AddMenuItem(hmenu, indexMenu, itemMask | MIIM_SUBMENU, MFT_STRING, idCmdFirst + kOffsetSubmenu, popup,
                kMenuCommands[kOffsetSubmenu].text, 0, bitmaps[kOffsetSubmenu]);

    // The first five identifiers are reserved, also those of commands left
    // out; the track's command adds the sixth.
    UINT reserved = withTrack ? kOffsetGeotagTrack + 1 : kAlwaysReservedCount;
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, reserved);
}

IFACEMETHODIMP CContextMenu::GetCommandString(UINT_PTR idCmd, UINT uType, UINT* /*pReserved*/, CHAR* pszName,
                                              UINT cchMax)
{
    // Without a track the track's command does not exist.
    if (idCmd >= kMenuCommandCount || (idCmd == kOffsetGeotagTrack && !HasTrack()))
        return E_FAIL;
    const MenuCommand& command = kMenuCommands[idCmd];
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
        if (idCmd == kOffsetShowLocation)
            return (m_bEarthInstalled && m_bAnyLocated) ? S_OK : S_FALSE;
        if (idCmd == kOffsetGetLocation)
            return m_bEarthInstalled ? S_OK : S_FALSE;
        return S_OK;
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
        *offset = static_cast<UINT>(reinterpret_cast<UINT_PTR>(pici->lpVerb));
        return (*offset == kOffsetGeotagTrack && !HasTrack()) ? E_INVALIDARG : S_OK;
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
    for (UINT candidate = kOffsetShowLocation; candidate < kMenuCommandCount; ++candidate) {
        if (candidate == kOffsetGeotagTrack && !HasTrack())
            continue;
        if (CompareStringOrdinal(verb, -1, kMenuCommands[candidate].verb, -1, TRUE) == CSTR_EQUAL) {
            *offset = candidate;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

IFACEMETHODIMP CContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* pici)
{
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
    const ImageSelection* selection = Selection();
    switch (offset) {
    case kOffsetShowLocation:
        RunShowLocation(selection);
        break;
    case kOffsetGetLocation:
        if (m_bAnyWritable)
            RunGetLocation(selection);
        else
            MessageBoxW(hwnd, kNoWritableFileMessage, kMenuMessageTitle, MB_ICONERROR);
        break;
    case kOffsetEditLocation:
        RunEditLocation(hwnd, selection);
        break;
    case kOffsetAbout:
        RunAbout(hwnd);
        break;
    case kOffsetGeotagTrack:
        RunGeotagFromTrack(hwnd, selection);
        break;
    default:
        break;
    }
}
