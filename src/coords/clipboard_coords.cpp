#include "coords/clipboard_coords.h"

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_resources.h"
#include "notation/coord_parse.h"
#include "notation/coords_texts.h"
#include "notation/position_links.h"
#include "support/clipboard_text.h"

#include <memory>
#include <new>

namespace {

// The most bytes of clipboard text read for a link or a placemark: placemarks
// that Google Earth copies are a few KiB; anything beyond is not looked at.
const int kLinkTextBytes = 64 * 1024;

// How many characters to ask for so that no more than kLinkTextBytes of the
// clipboard's ANSI text are read: a character takes at most MaxCharSize bytes.
int LinkTextCapacity()
{
    CPINFO info;
    int charSize = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? static_cast<int>(info.MaxCharSize) : 4;
    return kLinkTextBytes / charSize;
}

// The position on the clipboard: its first 63 characters as a plain position
// (altitude and heading 0), else the whole bounded text as a geo: URI, a map
// link or a KML placemark.
HRESULT ReadClipboardPosition(HWND owner, GeoPosition* position)
{
    int capacity = LinkTextCapacity();
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[capacity]);
    if (!text)
        return E_OUTOFMEMORY;
    if (!ReadClipboardText(owner, text.get(), capacity))
        return E_FAIL;
    // ParsePositionText reads the first 63 characters only, as it always has.
    double latitude = 0.0;
    double longitude = 0.0;
    if (ParsePositionText(text.get(), &latitude, &longitude)) {
        GeoPosition plain;
        plain.known = TRUE;
        plain.latitude = latitude;
        plain.longitude = longitude;
        *position = plain;
        return S_OK;
    }
    return ReadPositionLink(text.get(), position);
}

}  // namespace

void JoinClipboardChain(CoordinatesDialogState* state)
{
    // Windows sends WM_DRAWCLIPBOARD before this returns; the dialog then
    // has no next viewer yet.
    state->nextViewer = nullptr;
    state->nextViewer = SetClipboardViewer(state->dialog);
}

void LeaveClipboardChain(CoordinatesDialogState* state)
{
    ChangeClipboardChain(state->dialog, state->nextViewer);
    state->nextViewer = nullptr;
}

void OnClipboardChanged(CoordinatesDialogState* state, WPARAM wParam, LPARAM lParam)
{
    UpdateEnabling(state);
    if (state->nextViewer != nullptr)
        SendMessageW(state->nextViewer, WM_DRAWCLIPBOARD, wParam, lParam);
}

void OnClipboardChainChanged(CoordinatesDialogState* state, WPARAM wParam, LPARAM lParam)
{
    HWND leaving = reinterpret_cast<HWND>(wParam);
    if (leaving == state->nextViewer)
        state->nextViewer = reinterpret_cast<HWND>(lParam);
    else if (state->nextViewer != nullptr)
        SendMessageW(state->nextViewer, WM_CHANGECBCHAIN, wParam, lParam);
}

void TakeFromClipboard(CoordinatesDialogState* state)
{
    state->busy = TRUE;
    GeoPosition position;
    if (SUCCEEDED(ReadClipboardPosition(state->dialog, &position))) {
        state->position = position;
        FillFields(state);
    } else {
        MessageBoxA(state->dialog, VZ_TEXT_INVALID_COORDINATE_FORMAT, VZ_COORD_CAPTION,
                    MB_ICONERROR | MB_SETFOREGROUND);
    }
    state->busy = FALSE;
}
