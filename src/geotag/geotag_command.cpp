#include "geotag/geotag_command.h"

#include <memory>
#include <new>

#include "geotag/geotag_dialog.h"
#include "geotag/geotag_texts.h"
#include "geotag/geotag_format.h"
#include "geotag/geotag_plan.h"
#include "track/gpx_reader.h"
#include "selection/image_selection.h"
#include "selection/selection_texts.h"
#include "support/file_extension.h"
#include "support/message_box.h"
#include "support/progress_window.h"
#include "support/text_bounded.h"

namespace {

// Room for the closing report's lines and the names of up to
// kPhotosChangedNamed photos.
const size_t kMessageCapacity = 4096;
// On the reading's bar a photo weighs as much as this many bytes of track:
// about what the two take to read.
const uint64_t kPhotoWeightBytes = 32 * 1024;

// The owner of a message shown after a modal loop, in which the owner may
// have been destroyed: the window if it still exists, else none.
HWND OwnerIfAlive(HWND owner)
{
    return owner && IsWindow(owner) ? owner : nullptr;
}

void ShowTrackRefused(HWND owner, const wchar_t* trackPath, HRESULT hr, const GpxPlace& place)
{
    wchar_t text[kMessageCapacity];
    if (hr == VZ_E_TRACK_UNREADABLE && place.line > 0)
        FormatBoundedW(text, kMessageCapacity, kGeotagTrackMalformed, FileNamePart(trackPath), place.line,
                       place.column);
    else if (hr == VZ_E_TRACK_UNREADABLE || hr == VZ_E_TRACK_EMPTY)
        FormatBoundedW(text, kMessageCapacity, kGeotagTrackRefused, FileNamePart(trackPath));
    else
        FormatBoundedW(text, kMessageCapacity, kGeotagTrackNotRead, FileNamePart(trackPath),
                       static_cast<unsigned long>(hr));
    ShowMessage(OwnerIfAlive(owner), text, MB_ICONERROR);
}

void ShowPhotosNotRead(HWND owner, HRESULT hr)
{
    wchar_t text[kMessageCapacity];
    FormatBoundedW(text, kMessageCapacity, kGeotagPhotosNotRead, static_cast<unsigned long>(hr));
    ShowMessage(OwnerIfAlive(owner), text, MB_ICONERROR);
}

// Appends one line of the report, with count and its plural ending, when
// count is not 0.
int AppendCount(wchar_t* text, int length, const wchar_t* format, int count, const wchar_t* one,
                const wchar_t* many)
{
    if (count <= 0 || static_cast<size_t>(length) + 1 >= kMessageCapacity)
        return length;
    return length + FormatBoundedW(text + length, kMessageCapacity - length, format, count, count == 1 ? one : many);
}

// Names the photos that another program changed while they were written
// (among those that could not be written), a line each.
int AppendChanged(wchar_t* text, int length, const std::vector<std::wstring>& changed)
{
    const int count = static_cast<int>(changed.size());
    if (count == 0 || static_cast<size_t>(length) + 1 >= kMessageCapacity)
        return length;
    length += count == 1 ? FormatBoundedW(text + length, kMessageCapacity - length, kPhotosChangedReportOne)
                         : FormatBoundedW(text + length, kMessageCapacity - length, kPhotosChangedReportMany, count);
    for (int i = 0; i < count && static_cast<size_t>(length) + 1 < kMessageCapacity; ++i) {
        if (i == kPhotosChangedNamed) {
            length += FormatBoundedW(text + length, kMessageCapacity - length, kPhotosChangedMore, count - i);
            break;
        }
        length += FormatBoundedW(text + length, kMessageCapacity - length, kPhotosChangedName,
                                 FileNamePart(changed[i].c_str()));
    }
    return length;
}

// Names the refused sidecars of raw files (among those that could not be
// written) with the reason for each, a line each.
int AppendRefused(wchar_t* text, int length, const std::vector<SidecarOutcome>& refused)
{
    const int count = static_cast<int>(refused.size());
    if (count == 0 || static_cast<size_t>(length) + 1 >= kMessageCapacity)
        return length;
    length += FormatBoundedW(text + length, kMessageCapacity - length, kGeotagSidecarsRefused);
    for (int i = 0; i < count && static_cast<size_t>(length) + 1 < kMessageCapacity; ++i) {
        if (i == kPhotosChangedNamed) {
            length += FormatBoundedW(text + length, kMessageCapacity - length, kPhotosChangedMore, count - i);
            break;
        }
        std::string reason;
        if (FAILED(DescribeSidecarProblem(refused[i].problem, &reason)))
            reason.clear();
        length += FormatBoundedW(text + length, kMessageCapacity - length, kGeotagSidecarRefused,
                                 FileNamePart(refused[i].sidecarPath.c_str()), reason.c_str());
    }
    return length;
}

// What happened to the photos written under plan: "3 of 5 photos were
// geotagged.", then a line for each other fate: read-only and skipped,
// could not be written, not reached before a cancel, kept their own
// position, got none from the track.
void ShowWriteReport(HWND owner, const GeotagPlan& plan, int written, int readOnly, int failed,
                     const std::vector<std::wstring>& changed, const std::vector<SidecarOutcome>& refused)
{
    int total = static_cast<int>(plan.Count());
    int notReached = plan.FixCount() - written - readOnly - failed;
    int kept = plan.KeptCount();
    wchar_t text[kMessageCapacity];
    int length = FormatBoundedW(text, kMessageCapacity, kGeotagWritten, written, total,
                                total == 1 ? L" was" : L"s were");
    length = AppendCount(text, length, kGeotagSkipped, readOnly, L" was", L"s were");
    length = AppendCount(text, length, kGeotagFailed, failed, L"", L"s");
    length = AppendChanged(text, length, changed);
    length = AppendRefused(text, length, refused);
    length = AppendCount(text, length, kGeotagCancelled, notReached, L"", L"s");
    if (kept > 0 && static_cast<size_t>(length) + 1 < kMessageCapacity)
        length += FormatBoundedW(text + length, kMessageCapacity - length,
                                 kept == 1 ? kGeotagReportKeptOne : kGeotagReportKept, kept);
    AppendCount(text, length, kGeotagReportUnlocated, plan.UnlocatedCount(), L" got", L"s got");
    bool cancelled = notReached > 0;
    ShowMessage(OwnerIfAlive(owner), text, written > 0 || cancelled ? MB_ICONINFORMATION : MB_ICONERROR);
}

// The reading's two phases on one bar: the track's bytes, then the photos,
// each weighing kPhotoWeightBytes; the window names the phase.
class ReadingProgress final : public WorkProgress {
public:
    ReadingProgress(WorkProgress* outer, int photos, const wchar_t* trackText)
        : m_outer(outer), m_photoBytes(static_cast<uint64_t>(photos) * kPhotoWeightBytes)
    {
        m_outer->SetPhase(trackText);
    }

    bool Continue(uint64_t done, uint64_t total) override
    {
        if (!m_photos) {
            m_trackBytes = total > done ? total : done;
            return m_outer->Continue(done, m_trackBytes + m_photoBytes);
        }
        return m_outer->Continue(m_trackBytes + done * kPhotoWeightBytes, m_trackBytes + m_photoBytes);
    }
    void SetPhase(const wchar_t* text) override { m_outer->SetPhase(text); }

    // The track is read: the photos come next.
    void StartPhotos()
    {
        m_photos = true;
        m_outer->SetPhase(kGeotagReadingPhotosText);
    }

private:
    WorkProgress* m_outer;
    uint64_t m_photoBytes;
    uint64_t m_trackBytes = 0;
    bool m_photos = false;
};

// What is read before the dialog shows, on the worker thread of the
// progress window: the track, then the photos' times. The paths are taken
// from the selection beforehand, on the calling thread.
struct TrackAndPhotos {
    const wchar_t* trackPath = nullptr;
    const wchar_t* const* photoPaths = nullptr;
    int photoCount = 0;
    const wchar_t* trackText = nullptr;
    GpsTrack* track = nullptr;
    GeotagPlan* plan = nullptr;
    HRESULT trackResult = E_UNEXPECTED;  // the track reader's
    GpxPlace errorPlace;                 // of an XML error in the track
};

HRESULT ReadTrackAndPhotos(void* context, WorkProgress* progress)
{
    TrackAndPhotos* reading = static_cast<TrackAndPhotos*>(context);
    ReadingProgress phases(progress, reading->photoCount, reading->trackText);
    HRESULT hr = ReadGpxFile(reading->trackPath, reading->track, &phases, &reading->errorPlace);
    reading->trackResult = hr;
    if (SUCCEEDED(hr)) {
        phases.StartPhotos();
        hr = reading->plan->Load(reading->photoPaths, reading->photoCount, &phases);
    }
    return hr;
}

// Reads the track and the photos with a progress window past a short
// delay; a track that cannot be used and photos that cannot be read are
// refused with a message, a cancelled reading ends quietly.
HRESULT ReadWithProgress(HWND owner, const ImageSelection& selection, GpsTrack* track, GeotagPlan* plan,
                         bool* incomplete)
{
    TrackAndPhotos reading;
    reading.trackPath = selection.TrackPath();
    reading.photoCount = selection.Count();
    reading.track = track;
    reading.plan = plan;
    std::unique_ptr<const wchar_t*[]> paths(new (std::nothrow) const wchar_t*[reading.photoCount]);
    if (!paths) {
        ShowPhotosNotRead(owner, E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    }
    for (int i = 0; i < reading.photoCount; ++i)
        paths[i] = selection.PathAt(i);
    reading.photoPaths = paths.get();

    wchar_t text[kMessageCapacity];
    FormatBoundedW(text, kMessageCapacity, kGeotagReadingText, FileNamePart(reading.trackPath));
    reading.trackText = text;
    // The reading writes nothing: a read that hangs may be cancelled.
    HRESULT hr =
        RunWithProgress(owner, kGeotagProgressTitle, text, ReadTrackAndPhotos, &reading, ProgressStop::AbortingIo);
    *incomplete = reading.trackResult == VZ_S_TRACK_INCOMPLETE;
    if (hr != VZ_E_CANCELLED && FAILED(reading.trackResult))
        ShowTrackRefused(owner, reading.trackPath, reading.trackResult, reading.errorPlace);
    else if (hr != VZ_E_CANCELLED && FAILED(hr))
        ShowPhotosNotRead(owner, hr);
    return hr;
}

// The writing, on the worker thread of the progress window.
struct PlanWrite {
    const GeotagPlan* plan = nullptr;
    int written = 0;
    int readOnly = 0;
    int failed = 0;
    std::vector<std::wstring> changed;
    std::vector<SidecarOutcome> refused;
    HRESULT result = E_UNEXPECTED;
};

HRESULT WritePlan(void* context, WorkProgress* progress)
{
    PlanWrite* write = static_cast<PlanWrite*>(context);
    write->result = write->plan->Write(&write->written, &write->readOnly, progress, &write->failed, &write->changed,
                                       &write->refused);
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
    if (!track || !plan) {
        ShowPhotosNotRead(owner, E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    }
    bool incomplete = false;
    HRESULT hr = ReadWithProgress(owner, selection, track.get(), plan.get(), &incomplete);

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
        ShowWriteReport(owner, *plan, write.written, write.readOnly, write.failed, write.changed, write.refused);
    }
    return hr;
}
