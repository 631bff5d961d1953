#include "geotag/gps_clock_dialog.h"

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

    // The photo's moment as matched now, in UTC: a time typed over it
    // moves the clock by the difference.
    wchar_t moment[kGeotagTextCapacity];
    FormatTrackTime(run->photo->utcSeconds, moment, kGeotagTextCapacity);
    SendDlgItemMessageW(dialog, IDC_GPS_CLOCK_TIME, EM_LIMITTEXT, kFieldTextLimit, 0);
    SetDlgItemTextW(dialog, IDC_GPS_CLOCK_TIME, moment);

    // UTC unless the user chooses or types another zone.
    SendDlgItemMessageW(dialog, IDC_GPS_CLOCK_ZONE, CB_LIMITTEXT, kFieldTextLimit, 0);
    FillOffsetList(GetDlgItem(dialog, IDC_GPS_CLOCK_ZONE), 0);
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
    const wchar_t* problem = nullptr;
    if (!ParseShownTime(time, &shown))
        problem = kGpsClockBadTime;
    else if (!ParseShownZone(zone, &zoneMinutes))
        problem = kGpsClockBadZone;
    else if (!ClockCorrectionFromShownTime(CameraUtcSeconds(*run), shown, zoneMinutes, &run->correction))
        problem = kGpsClockTooFar;
    if (problem) {
        ShowMessage(dialog, problem, MB_ICONERROR);
        return;
    }
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
    return TRUE;
}

}  // namespace

HRESULT RunGpsClockDialog(HWND owner, const GeotagPhoto& photo, int offsetMinutes, int* correction)
{
    if (!correction || !photo.time.known)
        return E_INVALIDARG;
    GpsClockRun run = {&photo, offsetMinutes, 0};
    if (ShowDialogBox(ResourceModule(), IDD_GPS_CLOCK, owner, GpsClockDialogProc,
                      reinterpret_cast<LPARAM>(&run)) != IDOK)
        return E_ABORT;
    *correction = run.correction;
    return S_OK;
}
