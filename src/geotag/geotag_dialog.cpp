// The geotagging dialog: initialisation, the user's changes of the settings
// (each matches the photos again), the clock set from a photo of the GPS,
// "Geotag" and "Cancel".
#include "geotag/geotag_dialog.h"

#include <commctrl.h>

#include "notation/coord_notation.h"
#include "notation/settings.h"
#include "geotag/geotag_dialog_resources.h"
#include "geotag/geotag_texts.h"
#include "geotag/geotag_format.h"
#include "geotag/geotag_photo_list.h"
#include "geotag/gps_clock_dialog.h"
#include "resources/resource_ids.h"
#include "support/dialog_items.h"
#include "support/file_extension.h"
#include "support/message_box.h"
#include "support/module.h"
#include "support/text_bounded.h"
#include "support/window_placement.h"

namespace {

// Characters the clock correction takes: a sign and seven digits, with
// room for white space around them.
const int kClockTextLimit = 12;
const int kClockTextCapacity = 32;
const size_t kTitleCapacity = 160;
const size_t kTrackLineCapacity = 400;
// Posted to the dialog to match the photos under the settings shown.
const UINT kMatchAgainMessage = WM_APP + 1;

GeotagDialogState* StateOf(HWND dialog)
{
    return reinterpret_cast<GeotagDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// "GPS track 'walk.gpx': 240 points from ... to ... UTC", and for a file
// cut off while a logger was writing it, that it is incomplete.
void ShowTrack(HWND dialog, const GeotagDialogState& state)
{
    size_t count = state.track->Count();
    wchar_t first[kGeotagTextCapacity] = L"";
    wchar_t last[kGeotagTextCapacity] = L"";
    if (count > 0) {
        FormatTrackTime(state.track->At(0).time, first, kGeotagTextCapacity);
        FormatTrackTime(state.track->At(count - 1).time, last, kGeotagTextCapacity);
    }
    wchar_t line[kTrackLineCapacity];
    FormatBoundedW(line, kTrackLineCapacity, state.trackIncomplete ? kGeotagTrackIncompleteLine : kGeotagTrackLine,
                   FileNamePart(state.trackPath), static_cast<unsigned>(count), count == 1 ? L"" : L"s", first, last);
    SetDlgItemTextW(dialog, IDC_GEOTAG_TRACK, line);
}

// Whether writing would store a position into some photo.
bool AnyPhotoWillBeWritten(const GeotagPlan& plan)
{
    for (size_t i = 0; i < plan.Count(); ++i) {
        if (WillBeWritten(plan.At(i)))
            return true;
    }
    return false;
}

// Reads the settings the controls show into *settings: the offset chosen,
// the clock correction and the check box. False, the correction left as it
// was, when the correction typed cannot be read.
bool ReadSettings(HWND dialog, GeotagSettings* settings)
{
    DWORD offset = 0;
    BOOL offsetChosen = ComboGetSelectedData(GetDlgItem(dialog, IDC_GEOTAG_OFFSET), &offset);
    if (offsetChosen)
        settings->offsetMinutes = static_cast<int>(offset);
    settings->replacePositions = IsDlgButtonChecked(dialog, IDC_GEOTAG_REPLACE) == BST_CHECKED;
    wchar_t clockText[kClockTextCapacity] = L"";
    int clockLength = GetWindowTextLengthW(GetDlgItem(dialog, IDC_GEOTAG_CLOCK));
    GetDlgItemTextW(dialog, IDC_GEOTAG_CLOCK, clockText, kClockTextCapacity);
    return offsetChosen && clockLength < kClockTextCapacity &&
           ParseClockCorrection(clockText, &settings->clockCorrectionSeconds);
}

// Reads the settings; when they can be read, matches the photos under them
// and shows the result. "Geotag" is enabled only when the settings shown
// are those matched and some photo will get a position.
void MatchAgain(GeotagDialogState* state)
{
    HWND dialog = state->dialog;
    state->settingsValid = ReadSettings(dialog, &state->settings);
    wchar_t summary[kGeotagTextCapacity];
    if (state->settingsValid) {
        state->plan->Match(*state->track, state->settings);
        UpdatePhotoList(GetDlgItem(dialog, IDC_GEOTAG_PHOTOS), *state->plan, state->notation);
        FormatGeotagSummary(*state->plan, summary, kGeotagTextCapacity);
    } else {
        CopyTextBounded(summary, kGeotagClockInvalid, kGeotagTextCapacity);
    }
    SetDlgItemTextW(dialog, IDC_GEOTAG_SUMMARY, summary);
    EnableDlgItem(dialog, IDOK, state->settingsValid && AnyPhotoWillBeWritten(*state->plan));
}

// Sets the clock correction from the photo picked in the list, a photo of
// the GPS's screen, and the time the user reads off it there.
void SetClockFromGpsPhoto(GeotagDialogState* state)
{
    HWND dialog = state->dialog;
    ReadSettings(dialog, &state->settings);
    LRESULT row = SendDlgItemMessageW(dialog, IDC_GEOTAG_PHOTOS, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                      LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= state->plan->Count()) {
        ShowMessage(dialog, kGpsClockPickPhoto, MB_ICONERROR);
        return;
    }
    const GeotagPhoto& photo = state->plan->At(static_cast<size_t>(row));
    if (!photo.time.known) {
        wchar_t text[kTrackLineCapacity];
        FormatBoundedW(text, kTrackLineCapacity, kGpsClockNoTime, FileNamePart(photo.path.c_str()));
        ShowMessage(dialog, text, MB_ICONERROR);
        return;
    }
    int offset = photo.time.hasOffset ? photo.time.offsetMinutes : state->settings.offsetMinutes;
    int correction = 0;
    // The field reports the change, and the photos are matched again.
    if (RunGpsClockDialog(dialog, photo, offset, &correction) == S_OK)
        SetDlgItemInt(dialog, IDC_GEOTAG_CLOCK, static_cast<UINT>(correction), TRUE);
}

INT_PTR OnInitDialog(HWND dialog, GeotagDialogState* state)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    if (state == nullptr)
        return TRUE;
    state->dialog = dialog;
    state->busy = TRUE;

    wchar_t title[kTitleCapacity];
    FormatBoundedW(title, kTitleCapacity, kGeotagTitle, FileNamePart(state->trackPath));
    SetWindowTextW(dialog, title);
    HANDLE picture = LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDB_COORDINATES_PICTURE), IMAGE_BITMAP, 0, 0,
                                LR_SHARED | LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
    SendDlgItemMessageW(dialog, IDC_GEOTAG_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    ShowTrack(dialog, *state);

    FillOffsetList(GetDlgItem(dialog, IDC_GEOTAG_OFFSET), NearestListedOffset(state->settings.offsetMinutes));
    SendDlgItemMessageW(dialog, IDC_GEOTAG_CLOCK, EM_LIMITTEXT, kClockTextLimit, 0);
    SetDlgItemInt(dialog, IDC_GEOTAG_CLOCK, 0, TRUE);

    HWND list = GetDlgItem(dialog, IDC_GEOTAG_PHOTOS);
    SetUpPhotoList(list);
    if (FAILED(FillPhotoList(list, *state->plan))) {
        // A list that lacks photos would hide what "Geotag" writes.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    MatchAgain(state);
    // The names and times stay as they are whatever the settings.
    FitPhotoListColumns(list);
    KeepWindowOnScreen(dialog);
    state->busy = FALSE;
    return TRUE;
}

void OnCommand(HWND dialog, GeotagDialogState* state, int id, int code)
{
    switch (id) {
    case IDOK:
        // The photos are written as the controls show the settings now.
        // Enter reaches here also while the button is disabled.
        MatchAgain(state);
        if (IsWindowEnabled(GetDlgItem(dialog, IDOK))) {
            state->geotag = TRUE;
            EndDialog(dialog, IDOK);
        }
        return;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return;
    case IDC_GEOTAG_OFFSET:
        // An open list left with Esc may take back the selection it showed
        // only after telling so: the photos are matched again once the
        // combo box is done.
        if (code == CBN_SELCHANGE)
            MatchAgain(state);
        else if ((code == CBN_SELENDOK || code == CBN_SELENDCANCEL || code == CBN_CLOSEUP) && !state->matchPosted)
            state->matchPosted = PostMessageW(dialog, kMatchAgainMessage, 0, 0);
        return;
    case IDC_GEOTAG_REPLACE:
        if (code == BN_CLICKED)
            MatchAgain(state);
        return;
    case IDC_GEOTAG_CLOCK_FROM_GPS:
        if (code == BN_CLICKED)
            SetClockFromGpsPhoto(state);
        return;
    case IDC_GEOTAG_CLOCK:
        if (code == EN_CHANGE && !state->busy)
            MatchAgain(state);
        return;
    default:
        return;
    }
}

}  // namespace

void FillOffsetList(HWND list, int chosenMinutes)
{
    SendMessageW(list, CB_SETEXTENDEDUI, TRUE, 0);
    wchar_t text[kGeotagTextCapacity];
    for (int minutes = kMinListedOffsetMinutes; minutes <= kMaxListedOffsetMinutes;
         minutes += kListedOffsetStepMinutes) {
        FormatUtcOffset(minutes, text, kGeotagTextCapacity);
        ComboAddItem(list, text, static_cast<DWORD>(minutes));
    }
    ComboSelectByData(list, static_cast<DWORD>(chosenMinutes));
}

INT_PTR CALLBACK GeotagDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<GeotagDialogState*>(lParam));

    GeotagDialogState* state = StateOf(dialog);
    if (state == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        OnCommand(dialog, state, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case kMatchAgainMessage:
        state->matchPosted = FALSE;
        MatchAgain(state);
        return TRUE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

HRESULT RunGeotagDialog(HWND owner, GeotagDialogState* state)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    if (!InitCommonControlsEx(&controls))
        return E_FAIL;
    uint32_t notation = StoredNotation();
    state->notation = (notation >= DecimalDegrees && notation <= DegreesMinutesSeconds) ? notation : DecimalDegrees;
    state->geotag = FALSE;
    ShowDialogBox(ResourceModule(), IDD_GEOTAG, owner, GeotagDialogProc, reinterpret_cast<LPARAM>(state));
    // DialogBoxParamW gives no dialog at all for an owner window that is
    // gone: only "Geotag" writes the photos.
    return state->geotag ? S_OK : E_ABORT;
}
