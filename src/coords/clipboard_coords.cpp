#include "coords/clipboard_coords.h"

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_resources.h"
#include "coords/notation/coord_parse.h"
#include "coords/notation/coords_texts.h"
#include "support/clipboard_text.h"

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
    wchar_t text[kClipboardTextCapacity];
    double latitude = 0.0;
    double longitude = 0.0;
    if (ReadClipboardText(state->dialog, text, kClipboardTextCapacity) &&
        ParsePositionText(text, &latitude, &longitude)) {
        GeoPosition position;
        position.known = TRUE;
        position.latitude = latitude;
        position.longitude = longitude;
        state->position = position;
        FillFields(state);
    } else {
        MessageBoxA(state->dialog, VZ_TEXT_INVALID_COORDINATE_FORMAT, VZ_COORD_CAPTION,
                    MB_ICONERROR | MB_SETFOREGROUND);
    }
    state->busy = FALSE;
}
