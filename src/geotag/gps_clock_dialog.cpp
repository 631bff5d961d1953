#include "geotag/gps_clock_dialog.h"

#include <cwchar>

#include "geotag/geotag_dialog.h"
#include "geotag/geotag_dialog_resources.h"
#include "geotag/geotag_format.h"
#include "geotag/geotag_texts.h"
#include "geotag/gps_clock.h"
#include "resources/resource_ids.h"
#include "support/dialog_items.h"
#include "support/file_extension.h"
#include "support/message_box.h"
#include "support/module.h"
#include "support/text_bounded.h"

namespace {

// Room for what the fields take; longer texts are refused as they are.
const int kFieldTextLimit = 40;
const int kFieldTextCapacity = 64;
const size_t kPhotoLineCapacity = 400;

struct GpsClockRun {
    const GeotagPhoto* photo;
    int offsetMinutes;
    int correction;
    // The zone the time field shows the photo's moment in, and the text
    // put there: the field follows the zone until the user edits it.
    int zoneMinutes;
    wchar_t shown[kFieldTextCapacity];
};

GpsClockRun* RunOf(HWND dialog)
{
    return reinterpret_cast<GpsClockRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The photo's camera time in UTC, before any correction.
double CameraUtcSeconds(const GpsClockRun& run)
{
    return run.photo->time.wallSeconds - run.offsetMinutes * 60.0;
}

// Fills the time field with the photo's moment as matched now in the zone.
void ShowMomentInZone(HWND dialog, GpsClockRun* run, int zoneMinutes)
{
    run->zoneMinutes = zoneMinutes;
    FormatTrackTime(run->photo->utcSeconds + zoneMinutes * 60.0, run->shown, kFieldTextCapacity);
    SetDlgItemTextW(dialog, IDC_GPS_CLOCK_TIME, run->shown);
}

void OnInitDialog(HWND dialog, GpsClockRun* run)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(run));
    SetWindowTextW(dialog, kGpsClockTitle);
    wchar_t taken[kGeotagTextCapacity];
    wchar_t offset[kGeotagTextCapacity];
    FormatTrackTime(run->photo->time.wallSeconds, taken, kGeotagTextCapacity);
    FormatUtcOffset(run->offsetMinutes, offset, kGeotagTextCapacity);
    wchar_t line[kPhotoLineCapacity];
    FormatBoundedW(line, kPhotoLineCapacity, kGpsClockPhotoLine, FileNamePart(run->photo->path.c_str()), taken,
                   offset);
    SetDlgItemTextW(dialog, IDC_GPS_CLOCK_PHOTO, line);

    // The photo's moment as matched now, date and time in the zone (UTC
    // unless the user chooses or types another): a time typed over it
    // moves the clock by the difference.
    SendDlgItemMessageW(dialog, IDC_GPS_CLOCK_TIME, EM_LIMITTEXT, kFieldTextLimit, 0);
    SendDlgItemMessageW(dialog, IDC_GPS_CLOCK_ZONE, CB_LIMITTEXT, kFieldTextLimit, 0);
    FillOffsetList(GetDlgItem(dialog, IDC_GPS_CLOCK_ZONE), 0);
    ShowMomentInZone(dialog, run, 0);
}

// The zone chosen or typed has changed: a time field the user has not
// edited shows the photo's moment in it, date included, so that only the
// time of day needs typing over.
void OnZoneChanged(HWND dialog, GpsClockRun* run, bool chosen)
{
    int zoneMinutes = 0;
    if (chosen) {
        DWORD data = 0;
        if (!ComboGetSelectedData(GetDlgItem(dialog, IDC_GPS_CLOCK_ZONE), &data))
            return;
        zoneMinutes = static_cast<int>(data);
    } else {
        wchar_t zone[kFieldTextCapacity] = L"";
        GetDlgItemTextW(dialog, IDC_GPS_CLOCK_ZONE, zone, kFieldTextCapacity);
        if (!ParseShownZone(zone, &zoneMinutes))
            return;
    }
    wchar_t time[kFieldTextCapacity] = L"";
    GetDlgItemTextW(dialog, IDC_GPS_CLOCK_TIME, time, kFieldTextCapacity);
    if (zoneMinutes != run->zoneMinutes && std::wcscmp(time, run->shown) == 0)
        ShowMomentInZone(dialog, run, zoneMinutes);
}

// A correction of more than 12 hours is a date or zone misread more often
// than a clock: taken only when the user confirms it.
bool ConfirmedIfLarge(HWND dialog, int correction)
{
    if (correction >= -kLargeClockCorrectionSeconds && correction <= kLargeClockCorrectionSeconds)
        return true;
    wchar_t length[kGeotagTextCapacity];
    FormatCorrectionLength(correction, length, kGeotagTextCapacity);
    wchar_t text[kPhotoLineCapacity];
    FormatBoundedW(text, kPhotoLineCapacity, kGpsClockConfirmLarge, length,
                   correction > 0 ? kGpsClockLater : kGpsClockEarlier, correction);
    return ShowMessage(dialog, text, MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) == IDYES;
}

// Reads the time and the zone; says what is wrong, or ends the dialog with
// the correction they give.
void OnSetClock(HWND dialog, GpsClockRun* run)
{
    wchar_t time[kFieldTextCapacity] = L"";
    wchar_t zone[kFieldTextCapacity] = L"";
    GetDlgItemTextW(dialog, IDC_GPS_CLOCK_TIME, time, kFieldTextCapacity);
    GetDlgItemTextW(dialog, IDC_GPS_CLOCK_ZONE, zone, kFieldTextCapacity);
    ShownTime shown;
    int zoneMinutes = 0;
    int correction = 0;
    const wchar_t* problem = nullptr;
    if (!ParseShownTime(time, &shown))
        problem = kGpsClockBadTime;
    else if (!ParseShownZone(zone, &zoneMinutes))
        problem = kGpsClockBadZone;
    else if (!ClockCorrectionFromShownTime(CameraUtcSeconds(*run), shown, zoneMinutes, &correction))
        problem = kGpsClockTooFar;
    if (problem) {
        ShowMessage(dialog, problem, MB_ICONERROR);
        return;
    }
    if (!ConfirmedIfLarge(dialog, correction))
        return;
    run->correction = correction;
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK GpsClockDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        OnInitDialog(dialog, reinterpret_cast<GpsClockRun*>(lParam));
        return TRUE;
    }
    GpsClockRun* run = RunOf(dialog);
    if (run == nullptr || message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wParam) == IDOK)
        OnSetClock(dialog, run);
    else if (LOWORD(wParam) == IDCANCEL)
        EndDialog(dialog, IDCANCEL);
    else if (LOWORD(wParam) == IDC_GPS_CLOCK_ZONE && HIWORD(wParam) == CBN_SELCHANGE)
        OnZoneChanged(dialog, run, true);
    else if (LOWORD(wParam) == IDC_GPS_CLOCK_ZONE && HIWORD(wParam) == CBN_EDITCHANGE)
        OnZoneChanged(dialog, run, false);
    return TRUE;
}

}  // namespace

HRESULT RunGpsClockDialog(HWND owner, const GeotagPhoto& photo, int offsetMinutes, int* correction)
{
    if (!correction || !photo.time.known)
        return E_INVALIDARG;
    GpsClockRun run = {&photo, offsetMinutes, 0, 0, L""};
    if (ShowDialogBox(ResourceModule(), IDD_GPS_CLOCK, owner, GpsClockDialogProc,
                      reinterpret_cast<LPARAM>(&run)) != IDOK)
        return E_ABORT;
    *correction = run.correction;
    return S_OK;
}
