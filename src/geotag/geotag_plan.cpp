#include "geotag/geotag_plan.h"

#include <windows.h>
#include <cmath>
#include <memory>
#include <new>

#include "exif/exif_block.h"
#include "exif/photo_writer.h"
#include "track/track_time.h"
#include "selection/file_access.h"

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

}  // namespace

int ComputerOffsetMinutesAt(double wallSeconds)
{
    // The wall time is read as UTC and converted to local time: the
    // difference is the zone's bias on that date (a few hours off at the
    // change of daylight saving time, which does not move the date).
    CivilTime civil;
    if (!CivilTimeOf(wallSeconds, &civil))
        return 0;
    SYSTEMTIME utc = {static_cast<WORD>(civil.year), static_cast<WORD>(civil.month), 0,
                      static_cast<WORD>(civil.day), static_cast<WORD>(civil.hour), static_cast<WORD>(civil.minute),
                      static_cast<WORD>(civil.second), 0};
    SYSTEMTIME local;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return 0;
    return static_cast<int>(std::lround((SecondsOf(local) - SecondsOf(utc)) / 60.0));
}

HRESULT GeotagPlan::Load(const wchar_t* const* paths, int count)
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
            GeotagPhoto photo;
            photo.path = paths[i] ? paths[i] : L"";
            block->Open(photo.path.c_str());
            if (!block->IsPhoto()) {
                photo.outcome = GeotagOutcome::NotAPhoto;
            } else {
                photo.time = ReadPhotoTime(*block);
                photo.readOnly = IsFileReadOnly(photo.path.c_str());
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
        if (photo.outcome == GeotagOutcome::NotAPhoto)
            continue;
        photo.position = GeoPosition();
        if (!photo.time.known) {
            photo.outcome = GeotagOutcome::NoTime;
            continue;
        }
        int offset = photo.time.hasOffset ? photo.time.offsetMinutes : settings.offsetMinutes;
        photo.utcSeconds = photo.time.wallSeconds - offset * 60.0 + settings.clockCorrectionSeconds;
        photo.outcome = OutcomeOf(MatchTrack(track, photo.utcSeconds, &photo.position));
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

int GeotagPlan::LocatedCount() const
{
    int located = 0;
    for (const GeotagPhoto& photo : m_photos) {
        if (photo.position.known)
            ++located;
    }
    return located;
}

HRESULT GeotagPlan::Write(int* written, int* readOnly) const
{
    int writtenCount = 0, readOnlyCount = 0;
    for (const GeotagPhoto& photo : m_photos) {
        if (!photo.position.known)
            continue;
        // The attribute as it is now: the user may have changed it while
        // the dialog was open.
        if (IsFileReadOnly(photo.path.c_str())) {
            ++readOnlyCount;
            continue;
        }
        if (SUCCEEDED(WritePositionToPhoto(photo.path.c_str(), photo.position)))
            ++writtenCount;
    }
    if (written)
        *written = writtenCount;
    if (readOnly)
        *readOnly = readOnlyCount;
    return writtenCount > 0 ? S_OK : E_FAIL;
}
