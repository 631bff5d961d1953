#include "geotag/geotag_plan.h"

#include <windows.h>
#include <cmath>
#include <memory>
#include <new>

#include "exif/exif_block.h"
#include "selection/file_access.h"
#include "selection/photo_writes.h"
#include "track/track_time.h"

namespace {

GeotagOutcome OutcomeOf(TrackMatch match)
{
    switch (match) {
    case TrackMatch::Interpolated:
        return GeotagOutcome::Interpolated;
    case TrackMatch::Nearest:
        return GeotagOutcome::Nearest;
    default:
        return GeotagOutcome::TooFar;
    }
}

double SecondsOf(const SYSTEMTIME& time)
{
    return CivilDaySeconds(time.wYear, time.wMonth, time.wDay) + time.wHour * 3600.0 + time.wMinute * 60.0 +
           time.wSecond;
}

// Opens the photo, stores the track's fix for it and rewrites the file.
HRESULT WriteFixToPhoto(const GeotagPhoto& photo, ReplacementRecovery* recovery)
{
    CivilTime utc;
    if (!CivilTimeOf(photo.utcSeconds, &utc))
        return E_INVALIDARG;
    const GpsFixTime time = {utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second};
    ExifBlock block;
    block.OpenForWriting(photo.path.c_str());
    HRESULT hr = block.StoreFix(photo.position.latitude, photo.position.longitude,
                                photo.hasAltitude ? &photo.position.altitude : nullptr, time);
    if (SUCCEEDED(hr))
        hr = block.WriteToFile(recovery);
    return hr;
}

}  // namespace

int ZoneOffsetMinutesAt(const TIME_ZONE_INFORMATION* zone, double wallSeconds)
{
    // The wall time is the zone's local time: converted to UTC, the
    // difference is the bias in force at that very time of day, also in
    // the hours around a change of daylight saving time.
    CivilTime civil;
    if (!CivilTimeOf(wallSeconds, &civil))
        return 0;
    SYSTEMTIME local = {static_cast<WORD>(civil.year), static_cast<WORD>(civil.month), 0,
                        static_cast<WORD>(civil.day), static_cast<WORD>(civil.hour), static_cast<WORD>(civil.minute),
                        static_cast<WORD>(civil.second), 0};
    SYSTEMTIME utc;
    if (!TzSpecificLocalTimeToSystemTime(zone, &local, &utc))
        return 0;
    return static_cast<int>(std::lround((SecondsOf(local) - SecondsOf(utc)) / 60.0));
}

int ComputerOffsetMinutesAt(double wallSeconds)
{
    return ZoneOffsetMinutesAt(nullptr, wallSeconds);
}

HRESULT GeotagPlan::Load(const wchar_t* const* paths, int count, WorkProgress* progress)
{
    m_photos.clear();
    if (count < 0 || (count > 0 && !paths))
        return E_INVALIDARG;
    std::unique_ptr<ExifBlock> block(new (std::nothrow) ExifBlock());
    if (!block)
        return E_OUTOFMEMORY;
    try {
        m_photos.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (progress && !progress->Continue(static_cast<uint64_t>(i), static_cast<uint64_t>(count))) {
                m_photos.clear();
                return VZ_E_CANCELLED;
            }
            GeotagPhoto photo;
            photo.path = paths[i] ? paths[i] : L"";
            block->Open(photo.path.c_str());
            // The engine names the shortcut's target, or nothing when even
            // the path could not be taken.
            photo.target = block->Path()[0] ? block->Path() : photo.path;
            if (!block->IsPhoto()) {
                photo.outcome =
                    IsFileInUse(photo.target.c_str()) ? GeotagOutcome::InUse : GeotagOutcome::NotAPhoto;
            } else {
                photo.time = ReadPhotoTime(*block);
                photo.readOnly = IsFileReadOnly(photo.target.c_str());
                photo.hasPosition = SUCCEEDED(block->ReadPosition(nullptr, nullptr, nullptr, nullptr));
            }
            m_photos.push_back(std::move(photo));
        }
    } catch (const std::bad_alloc&) {
        m_photos.clear();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void GeotagPlan::Match(const GpsTrack& track, const GeotagSettings& settings)
{
    for (GeotagPhoto& photo : m_photos) {
        if (photo.outcome == GeotagOutcome::NotAPhoto || photo.outcome == GeotagOutcome::InUse)
            continue;
        photo.position = GeoPosition();
        photo.hasAltitude = false;
        photo.keepsPosition = photo.hasPosition && !settings.replacePositions;
        if (!photo.time.known) {
            photo.outcome = GeotagOutcome::NoTime;
            continue;
        }
        int offset = photo.time.hasOffset ? photo.time.offsetMinutes : settings.offsetMinutes;
        photo.utcSeconds = photo.time.wallSeconds - offset * 60.0 + settings.clockCorrectionSeconds;
        photo.outcome = OutcomeOf(MatchTrack(track, photo.utcSeconds, &photo.position, &photo.hasAltitude));
    }
}

int GeotagPlan::DefaultOffsetMinutes() const
{
    if (!m_photos.empty() && m_photos.front().time.hasOffset)
        return m_photos.front().time.offsetMinutes;
    for (const GeotagPhoto& photo : m_photos) {
        if (photo.time.known)
            return ComputerOffsetMinutesAt(photo.time.wallSeconds);
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    return ComputerOffsetMinutesAt(SecondsOf(now));
}

int GeotagPlan::FixCount() const
{
    int fixes = 0;
    for (const GeotagPhoto& photo : m_photos) {
        if (GetsFix(photo))
            ++fixes;
    }
    return fixes;
}

int GeotagPlan::KeptCount() const
{
    int kept = 0;
    for (const GeotagPhoto& photo : m_photos) {
        if (photo.keepsPosition)
            ++kept;
    }
    return kept;
}

int GeotagPlan::UnlocatedCount() const
{
    int unlocated = 0;
    for (const GeotagPhoto& photo : m_photos) {
        if (!photo.position.known && !photo.keepsPosition)
            ++unlocated;
    }
    return unlocated;
}

HRESULT GeotagPlan::Write(int* written, int* readOnly, WorkProgress* progress, int* failed,
                          std::vector<std::wstring>* changed) const
{
    // A fix is more than a position (WriteFixToPhoto), and a shortcut's
    // read-only attribute is judged at its target.
    const int count = static_cast<int>(m_photos.size());
    bool stopped = false;
    PhotoWrites writes = WriteToPhotos(
        count,
        [&](int i, const wchar_t** path) {
            stopped = stopped || (progress && !progress->Continue(static_cast<uint64_t>(i), count));
            if (stopped)
                return false;
            *path = m_photos[i].target.c_str();
            return GetsFix(m_photos[i]);
        },
        [&](int i, ReplacementRecovery* recovery) { return WriteFixToPhoto(m_photos[i], recovery); });
    if (written)
        *written = writes.written;
    if (failed)
        *failed = writes.failed;
    if (changed)
        changed->swap(writes.changedPaths);
    if (readOnly)
        *readOnly = writes.readOnly;
    if (stopped)
        return VZ_E_CANCELLED;
    return writes.written > 0 ? S_OK : E_FAIL;
}
