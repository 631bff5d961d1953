// The coordinates dialog: initialisation, the user's commands, and the run
// of the whole command.
#include "coords/coord_dialog.h"

#include "about/about_box.h"
#include "coords/clipboard_coords.h"
#include "coords/coord_dialog_resources.h"
#include "notation/coord_notation.h"
#include "notation/coords_texts.h"
#include "notation/settings.h"
#include "earth_client/earth_client.h"
#include "earth_client/earth_texts.h"
#include "resources/resource_ids.h"
#include "support/dialog_items.h"
#include "support/message_box.h"
#include "support/module.h"

namespace {

struct TextLimit {
    int id;
    int characters;
};

// Characters the user may type into each field.
const TextLimit kTextLimits[] = {
    {IDC_COORD_LAT_DEGREES, 10}, {IDC_COORD_LAT_DM_DEG, 2},  {IDC_COORD_LAT_DM_MIN, 7},
    {IDC_COORD_LAT_DMS_DEG, 2},  {IDC_COORD_LAT_DMS_MIN, 2}, {IDC_COORD_LAT_DMS_SEC, 5},
    {IDC_COORD_LON_DEGREES, 11}, {IDC_COORD_LON_DM_DEG, 3},  {IDC_COORD_LON_DM_MIN, 7},
    {IDC_COORD_LON_DMS_DEG, 3},  {IDC_COORD_LON_DMS_MIN, 2}, {IDC_COORD_LON_DMS_SEC, 5},
    {IDC_COORD_ALTITUDE, 4},     {IDC_COORD_HEADING, 3},
};

CoordinatesDialogState* StateOf(HWND dialog)
{
    return reinterpret_cast<CoordinatesDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void FillNotationList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_COORD_NOTATION);
    SendMessageW(list, CB_SETEXTENDEDUI, TRUE, 0);
    ComboAddItem(list, kNotationDecimalDegrees, DecimalDegrees);
    ComboAddItem(list, kNotationDegreesMinutes, DegreesMinutes);
    ComboAddItem(list, kNotationDegreesMinutesSeconds, DegreesMinutesSeconds);
    // A stored notation that names none of the three (a damaged or foreign
    // setting) opens the dialog in decimal degrees rather than with no
    // fields at all.
    uint32_t stored = StoredNotation();
    if (stored < DecimalDegrees || stored > DegreesMinutesSeconds)
        stored = DecimalDegrees;
    ComboSelectByData(list, stored);
}

INT_PTR OnInitDialog(HWND dialog, CoordinatesDialogState* state)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    if (state == nullptr)
        return TRUE;
    state->dialog = dialog;
    SetWindowTextW(dialog, state->title);

    HANDLE picture = LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDB_COORDINATES_PICTURE), IMAGE_BITMAP, 0, 0,
                                LR_SHARED | LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
    SendDlgItemMessageW(dialog, IDC_COORD_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));

    FillNotationList(dialog);
    EnableDlgItem(dialog, IDC_COORD_FROM_EARTH, IsEarthInstalled());
    for (const TextLimit& limit : kTextLimits)
        SendDlgItemMessageW(dialog, limit.id, EM_LIMITTEXT, static_cast<WPARAM>(limit.characters), 0);

    SetDlgItemTextW(dialog, IDC_COORD_SOURCE, state->source ? state->source : L"");
    FillFields(state);
    UpdateEnabling(state);
    EnableDlgItem(dialog, IDOK, FALSE);
    JoinClipboardChain(state);
    return TRUE;
}

// "From Google Earth!": the point at the centre of Google Earth's view.
void TakeFromGoogleEarth(CoordinatesDialogState* state)
{
    state->busy = TRUE;
    GeoPosition point;
    EarthViewReport report;
    HRESULT hr = GetEarthViewPoint(&point.latitude, &point.longitude, &point.altitude, &point.heading, &report);
    if (report.flags)
        ShowMessage(nullptr, report.text, report.flags);
    if (SUCCEEDED(hr)) {
        point.known = TRUE;
        state->position = point;
        FillFields(state);
    } else {
        ShowMessage(state->dialog, kEarthPositionFailedMessage, MB_ICONERROR | MB_SETFOREGROUND);
    }
    state->busy = FALSE;
}

bool IsPositionField(int id)
{
    return (id >= IDC_COORD_LAT_DEGREES && id <= IDC_COORD_LAT_DMS_SEC) ||
           (id >= IDC_COORD_LON_DEGREES && id <= IDC_COORD_LON_DMS_SEC) || id == IDC_COORD_ALTITUDE ||
           id == IDC_COORD_HEADING;
}

bool IsHemisphereButton(int id)
{
    return id == IDC_COORD_NORTH || id == IDC_COORD_SOUTH || id == IDC_COORD_EAST || id == IDC_COORD_WEST;
}

void OnCommand(HWND dialog, CoordinatesDialogState* state, int id, int code)
{
    switch (id) {
    case IDOK:
        ReadFields(state);
        state->saved = TRUE;
        EndDialog(dialog, 0);
        return;
    case IDCANCEL:
        EndDialog(dialog, static_cast<INT_PTR>(E_FAIL));
        return;
    case IDC_COORD_KNOWN:
        if (code == BN_CLICKED) {
            UpdateEnabling(state);
            EnableSave(state);
        }
        return;
    case IDC_COORD_NOTATION:
        if (code == CBN_CLOSEUP) {
            ReadFields(state);
            FillFields(state);
        }
        return;
    case IDC_COORD_FROM_EARTH:
        if (code == BN_CLICKED) {
            TakeFromGoogleEarth(state);
            UpdateEnabling(state);
            EnableSave(state);
        }
        return;
    case IDC_COORD_FROM_CLIPBOARD:
        if (code == BN_CLICKED) {
            TakeFromClipboard(state);
            UpdateEnabling(state);
            EnableSave(state);
        }
        return;
    case IDC_COORD_ABOUT:
        ShowAboutBox(dialog);
        return;
    default:
        if (IsPositionField(id) && code == EN_CHANGE && !state->busy)
            EnableSave(state);
        else if (IsHemisphereButton(id) && code == BN_CLICKED)
            EnableSave(state);
        return;
    }
}

}  // namespace

INT_PTR CALLBACK CoordinatesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<CoordinatesDialogState*>(lParam));

    CoordinatesDialogState* state = StateOf(dialog);
    if (state == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        OnCommand(dialog, state, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DRAWCLIPBOARD:
        OnClipboardChanged(state, wParam, lParam);
        return TRUE;
    case WM_CHANGECBCHAIN:
        OnClipboardChainChanged(state, wParam, lParam);
        return TRUE;
    case WM_DESTROY:
        LeaveClipboardChain(state);
        return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

HRESULT RunCoordinatesDialog(HWND owner, const ImageSelection* selection)
{
    CoordinatesDialogState state;
    PrepareCoordinatesDialog(&state, owner, selection);
    HRESULT hr = static_cast<HRESULT>(ShowDialogBox(ResourceModule(), IDD_COORDINATES, owner,
                                                    CoordinatesDialogProc, reinterpret_cast<LPARAM>(&state)));
    // DialogBoxParamW gives 0 also when it shows no dialog at all (an owner
    // window that is gone by now): only "Save!" writes the photos.
    if (SUCCEEDED(hr) && !state.saved)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = SavePositionToPhotos(state);
    return hr;
}
