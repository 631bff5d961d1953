#include "about/about_box.h"

#include <cwchar>
#include <new>

#include "about/about_resources.h"
#include "earth_client/earth_client.h"
#include "product_identity.h"
#include "resources/resource_ids.h"
#include "support/dialog_items.h"
#include "support/module.h"
#include "support/owners.h"
#include "support/text_bounded.h"
#include "support/window_placement.h"

namespace {

const size_t kMainTextCapacity = 2000;
const size_t kAddressCapacity = 512;

// Everything below the picture: the buttons' top is this far under it, and
// the client area ends as far under the buttons.
const int kButtonGap = 6;
const int kBottomMargin = 12;
// Tops, in pixels, of the texts and the symbol laid over the picture.
const int kMainTextTop = 144;
const int kSymbolTop = 318;
const int kEarthTextTop = 322;

const COLORREF kTextColour = RGB(255, 255, 255);
const COLORREF kAvailableColour = RGB(0, 128, 0);
const COLORREF kNotAvailableColour = RGB(218, 0, 0);

// What one open About box keeps until its window is destroyed.
struct AboutBoxState {
    explicit AboutBoxState(BOOL installed) : earthInstalled(installed) {}
    BOOL earthInstalled;
    GdiObject<HFONT> font;
};

AboutBoxState* StateOf(HWND dialog)
{
    return reinterpret_cast<AboutBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Appends source to the text in buffer, cut at the buffer's capacity.
void AppendBounded(wchar_t* buffer, size_t capacity, const wchar_t* source)
{
    size_t length = wcslen(buffer);
    if (length + 1 < capacity) {
        CopyTextBounded(buffer + length, source, capacity - length);
    }
}

// The host of the maker's web site: its address without the scheme.
const wchar_t* MakerHostName()
{
    const wchar_t* address = VZ_MAKER_URL_W;
    const wchar_t* separator = wcsstr(address, L"://");
    return separator != nullptr ? separator + 3 : address;
}

void OpenMakerPage(const wchar_t* path)
{
    wchar_t address[kAddressCapacity];
    FormatBoundedW(address, kAddressCapacity, L"%ls%ls", VZ_MAKER_URL_W, path);
    ShellExecuteW(nullptr, nullptr, address, nullptr, nullptr, SW_SHOWDEFAULT);
}

void ShowEarthAvailability(HWND dialog, BOOL installed)
{
    SetDlgItemTextW(dialog, IDC_ABOUT_EARTH_TEXT,
                    installed ? VZ_ABOUT_EARTH_AVAILABLE : VZ_ABOUT_EARTH_NOT_AVAILABLE);
    HANDLE symbol = LoadImageW(ResourceModule(),
                               MAKEINTRESOURCEW(installed ? IDB_EARTH_AVAILABLE : IDB_EARTH_NOT_AVAILABLE),
                               IMAGE_BITMAP, 0, 0, LR_SHARED);
    SendDlgItemMessageW(dialog, IDC_ABOUT_EARTH_SYMBOL, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(symbol));
}

void MoveChildTop(HWND dialog, int id, int top)
{
    WindowRect rect = GetChildRect(dialog, id);
    rect.top = top;
    MoveChild(dialog, id, rect, TRUE);
}

// Sizes the window so that its client area is the picture plus one row of
// buttons, centres it, and puts the texts and buttons in their places.
void LayOut(HWND dialog)
{
    WindowSize outer = GetWindowSize(dialog);
    WindowSize client = GetClientSize(dialog);
    WindowSize picture = GetWindowSize(GetDlgItem(dialog, IDC_ABOUT_BACKGROUND));
    WindowRect button = GetChildRect(dialog, IDC_ABOUT_MAKER_PAGE);

    int width = outer.width - client.width + picture.width;
    int height = outer.height - client.height + picture.height + button.height + kBottomMargin;
    CenterWindowOnParent(dialog, width, height);

    MoveChildTop(dialog, IDC_ABOUT_MAIN_TEXT, kMainTextTop);
    MoveChildTop(dialog, IDC_ABOUT_EARTH_SYMBOL, kSymbolTop);
    MoveChildTop(dialog, IDC_ABOUT_EARTH_TEXT, kEarthTextTop);
    const int buttons[] = {IDC_ABOUT_MAKER_PAGE, IDC_ABOUT_TOOL_PAGE, IDC_ABOUT_GPS_PAGE, IDOK};
    for (int id : buttons) {
        MoveChildTop(dialog, id, picture.height + kButtonGap);
    }
}

HFONT CreateTextFont()
{
    return CreateFontW(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, L"Verdana");
}

INT_PTR OnInitDialog(HWND dialog)
{
    AboutBoxState* state = new (std::nothrow) AboutBoxState(IsEarthInstalled());
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    BOOL installed = state != nullptr ? state->earthInstalled : IsEarthInstalled();

    wchar_t text[kMainTextCapacity];
    FormatAboutText(text, kMainTextCapacity);
    SetDlgItemTextW(dialog, IDC_ABOUT_MAIN_TEXT, text);
    ShowEarthAvailability(dialog, installed);
    LayOut(dialog);

    // Without a state nobody would delete the font later: it goes at the end
    // of this function, and the controls keep the dialog font.
    GdiObject<HFONT> font(CreateTextFont());
    if (font.Get() != nullptr) {
        SetDlgItemFont(dialog, IDC_ABOUT_SLOGAN, font.Get());
        SetDlgItemFont(dialog, IDC_ABOUT_MAIN_TEXT, font.Get());
        SetDlgItemFont(dialog, IDC_ABOUT_EARTH_TEXT, font.Get());
        if (state != nullptr) {
            state->font.Reset(font.Detach());
        }
    }
    return FALSE;
}

// The texts lie on the picture: no background of their own, white, and the
// Google Earth line green or red.
INT_PTR OnCtlColorStatic(HWND dialog, HDC dc, HWND control)
{
    int id = GetDlgCtrlID(control);
    if (id != IDC_ABOUT_SLOGAN && id != IDC_ABOUT_MAIN_TEXT && id != IDC_ABOUT_EARTH_TEXT) {
        return FALSE;
    }
    SetBkMode(dc, TRANSPARENT);
    COLORREF colour = kTextColour;
    if (id == IDC_ABOUT_EARTH_TEXT) {
        const AboutBoxState* state = StateOf(dialog);
        BOOL installed = state != nullptr && state->earthInstalled;
        colour = installed ? kAvailableColour : kNotAvailableColour;
    }
    SetTextColor(dc, colour);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    case IDC_ABOUT_MAKER_PAGE:
        OpenMakerPage(L"");
        break;
    case IDC_ABOUT_TOOL_PAGE:
        OpenMakerPage(VZ_ABOUT_TOOL_PAGE_PATH);
        break;
    case IDC_ABOUT_GPS_PAGE:
        OpenMakerPage(VZ_ABOUT_GPS_PAGE_PATH);
        break;
    default:
        break;
    }
    return TRUE;
}

void OnNcDestroy(HWND dialog)
{
    AboutBoxState* state = StateOf(dialog);
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    // The state deletes its font.
    delete state;
}

}  // namespace

void FormatAboutText(wchar_t* buffer, size_t capacity)
{
    if (capacity == 0) {
        return;
    }
    FormatBoundedW(buffer, capacity, VZ_ABOUT_TEXT_HEAD, VZ_PRODUCT_NAME_A, VZ_FILE_VERSION_A,
                   VZ_ABOUT_COPYRIGHT);
    AppendBounded(buffer, capacity, VZ_ABOUT_TEXT_TERMS);
    AppendBounded(buffer, capacity, VZ_ABOUT_TEXT_VIEWER);
    AppendBounded(buffer, capacity, MakerHostName());
    AppendBounded(buffer, capacity, VZ_ABOUT_TEXT_TAIL);
}

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(dialog, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NCDESTROY:
        OnNcDestroy(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

void ShowAboutBox(HWND owner)
{
    DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutBoxProc, 0);
}
