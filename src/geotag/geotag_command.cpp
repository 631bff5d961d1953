#include "geotag/geotag_command.h"

#include <memory>
#include <new>

#include "geotag/geotag_dialog.h"
#include "geotag/geotag_texts.h"
#include "geotag/geotag_format.h"
#include "geotag/geotag_plan.h"
#include "track/gpx_reader.h"
#include "selection/image_selection.h"
#include "support/file_extension.h"
#include "support/message_box.h"
#include "support/progress_window.h"
#include "support/text_bounded.h"

namespace {

const size_t kMessageCapacity = 600;

void ShowTrackRefused(HWND owner, const wchar_t* trackPath, HRESULT hr)
{
    wchar_t text[kMessageCapacity];
    if (hr == VZ_E_TRACK_UNREADABLE || hr == VZ_E_TRACK_EMPTY)
        FormatBoundedW(text, kMessageCapacity, kGeotagTrackRefused, FileNamePart(trackPath));
    else
        FormatBoundedW(text, kMessageCapacity, kGeotagTrackNotRead, FileNamePart(trackPath),
                       static_cast<unsigned long>(hr));
    ShowMessage(owner, text, MB_ICONERROR);
}

// "3 of 5 photos were geotagged.", then the read-only photos skipped and
// the photos whose writing failed, or that writing was cancelled before
// the rest.
void ShowWriteReport(HWND owner, const GeotagPlan& plan, int written, int readOnly, bool cancelled)
{
    int total = static_cast<int>(plan.Count());
    int failed = plan.FixCount() - written - readOnly;
    wchar_t text[kMessageCapacity];
    int length = FormatBoundedW(text, kMessageCapacity, kGeotagWritten, written, total,
                                total == 1 ? L" was" : L"s were");
    if (readOnly > 0)
        length += FormatBoundedW(text + length, kMessageCapacity - length, kGeotagSkipped, readOnly,
                                 readOnly == 1 ? L" was" : L"s were");
    if (failed > 0)
        FormatBoundedW(text + length, kMessageCapacity - length, cancelled ? kGeotagCancelled : kGeotagFailed,
                       failed, failed == 1 ? L"" : L"s");
    ShowMessage(owner, text, written > 0 || cancelled ? MB_ICONINFORMATION : MB_ICONERROR);
}

// What is read before the dialog shows, on the worker thread of the
// progress window: the track, then the photos' times. The paths are taken
// from the selection beforehand, on the calling thread.
struct TrackAndPhotos {
    const wchar_t* trackPath = nullptr;
    const wchar_t* const* photoPaths = nullptr;
    int photoCount = 0;
    GpsTrack* track = nullptr;
    GeotagPlan* plan = nullptr;
    HRESULT trackResult = E_UNEXPECTED;  // the track reader's
};

HRESULT ReadTrackAndPhotos(void* context, WorkProgress* progress)
{
    TrackAndPhotos* reading = static_cast<TrackAndPhotos*>(context);
    HRESULT hr = ReadGpxFile(reading->trackPath, reading->track, progress);
    reading->trackResult = hr;
    if (SUCCEEDED(hr))
        hr = reading->plan->Load(reading->photoPaths, reading->photoCount);
    return hr;
}

// Reads the track and the photos with a progress window past a short
// delay; a track that cannot be used is refused with a message, a
// cancelled reading ends quietly.
HRESULT ReadWithProgress(HWND owner, const ImageSelection& selection, GpsTrack* track, GeotagPlan* plan,
                         bool* incomplete)
{
    TrackAndPhotos reading;
    reading.trackPath = selection.TrackPath();
    reading.photoCount = selection.Count();
    reading.track = track;
    reading.plan = plan;
    std::unique_ptr<const wchar_t*[]> paths(new (std::nothrow) const wchar_t*[reading.photoCount]);
    if (!paths)
        return E_OUTOFMEMORY;
    for (int i = 0; i < reading.photoCount; ++i)
        paths[i] = selection.PathAt(i);
    reading.photoPaths = paths.get();

    wchar_t text[kMessageCapacity];
    FormatBoundedW(text, kMessageCapacity, kGeotagReadingText, FileNamePart(reading.trackPath));
    HRESULT hr = RunWithProgress(owner, kGeotagProgressTitle, text, ReadTrackAndPhotos, &reading);
    *incomplete = reading.trackResult == VZ_S_TRACK_INCOMPLETE;
    if (hr != VZ_E_CANCELLED && FAILED(reading.trackResult))
        ShowTrackRefused(owner, reading.trackPath, reading.trackResult);
    return hr;
}

// The writing, on the worker thread of the progress window.
struct PlanWrite {
    const GeotagPlan* plan = nullptr;
    int written = 0;
    int readOnly = 0;
    HRESULT result = E_UNEXPECTED;
};

HRESULT WritePlan(void* context, WorkProgress* progress)
{
    PlanWrite* write = static_cast<PlanWrite*>(context);
    write->result = write->plan->Write(&write->written, &write->readOnly, progress);
    return write->result;
}

}  // namespace

HRESULT GeotagFromTrack(HWND owner, const ImageSelection& selection)
{
    const wchar_t* trackPath = selection.TrackPath();
    if (!trackPath || selection.Count() == 0)
        return E_INVALIDARG;

    // The track and the plan may be large: on the heap, not the shell's stack.
    std::unique_ptr<GpsTrack> track(new (std::nothrow) GpsTrack());
    std::unique_ptr<GeotagPlan> plan(new (std::nothrow) GeotagPlan());
    HRESULT hr = (track && plan) ? S_OK : E_OUTOFMEMORY;
    bool incomplete = false;
    if (SUCCEEDED(hr))
        hr = ReadWithProgress(owner, selection, track.get(), plan.get(), &incomplete);

    GeotagDialogState state;
    if (SUCCEEDED(hr)) {
        state.track = track.get();
        state.plan = plan.get();
        state.trackPath = trackPath;
        state.trackIncomplete = incomplete ? TRUE : FALSE;
        state.settings.offsetMinutes = plan->DefaultOffsetMinutes();
        hr = RunGeotagDialog(owner, &state);
    }
    if (SUCCEEDED(hr)) {
        // Many photos on a slow disk take seconds too. A cancel that came
        // after the last photo changes nothing: the plan's result counts.
        PlanWrite write;
        write.plan = plan.get();
        RunWithProgress(owner, kGeotagProgressTitle, kGeotagWritingText, WritePlan, &write);
        hr = write.result;
        ShowWriteReport(owner, *plan, write.written, write.readOnly, hr == VZ_E_CANCELLED);
    }
    return hr;
}
