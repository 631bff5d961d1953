#include "exif/photo_writer.h"

#include <new>

#include "raw/raw_formats.h"
#include "sidecar/xmp_results.h"
#include "support/shortcut.h"

namespace {

// Whether a selected name stands for a raw file; target receives the file
// it stands for (a shortcut's target), or is empty when that cannot be had.
bool RawTarget(const wchar_t* path, wchar_t (&target)[ExifBlock::kPathCapacity])
{
    target[0] = L'\0';
    if (!path || FAILED(ResolveShortcut(path, target, static_cast<int>(ExifBlock::kPathCapacity), nullptr, FALSE)))
        return false;
    return target[0] && FindRawFormat(target) != nullptr;
}

HRESULT WriteSidecar(const wchar_t* rawPath, const SidecarPosition& position, ReplacementRecovery* recovery,
                     SidecarRefusals* refusals)
{
    SidecarOutcome outcome;
    const HRESULT hr = WriteRawSidecarPosition(rawPath, position, recovery, &outcome);
    if (refusals && IsSidecarRefusal(hr))
        refusals->Add(outcome);
    return hr;
}

}  // namespace

bool IsSidecarRefusal(HRESULT hr)
{
    return (hr >= VZ_E_SIDECAR_MALFORMED && hr <= VZ_E_SIDECAR_ENCODING) || hr == VZ_E_SIDECAR_IS_FOLDER;
}

void SidecarRefusals::Add(const SidecarOutcome& outcome)
{
    AcquireSRWLockExclusive(&m_lock);
    try {
        m_refusals.push_back(outcome);
    } catch (const std::bad_alloc&) {
        // Dropped: the write counts as failed all the same.
    }
    ReleaseSRWLockExclusive(&m_lock);
}

std::vector<SidecarOutcome> SidecarRefusals::Take()
{
    std::vector<SidecarOutcome> taken;
    AcquireSRWLockExclusive(&m_lock);
    taken.swap(m_refusals);
    ReleaseSRWLockExclusive(&m_lock);
    return taken;
}

HRESULT WritePositionToPhoto(const wchar_t* path, const GeoPosition& position, ReplacementRecovery* recovery,
                             SidecarRefusals* refusals)
{
    wchar_t rawPath[ExifBlock::kPathCapacity];
    if (RawTarget(path, rawPath)) {
        SidecarPosition sidecar;
        sidecar.place = position;
        sidecar.hasAltitude = position.known != FALSE;
        sidecar.hasHeading = position.known != FALSE;
        return WriteSidecar(rawPath, sidecar, recovery, refusals);
    }
    ExifBlock block;
    block.OpenForWriting(rawPath[0] ? rawPath : path);
    HRESULT hr = S_OK;
    if (position.known)
        hr = block.StorePosition(position.latitude, position.longitude, position.altitude, position.heading);
    else
        block.RemovePosition();
    // Only a completely stored position is written.
    if (SUCCEEDED(hr))
        hr = block.WriteToFile(recovery);
    return hr;
}

HRESULT WriteFixToPhoto(const wchar_t* path, double latitude, double longitude, const double* altitude,
                        const GpsFixTime& utc, ReplacementRecovery* recovery, SidecarRefusals* refusals)
{
    wchar_t rawPath[ExifBlock::kPathCapacity];
    if (RawTarget(path, rawPath)) {
        SidecarPosition sidecar;
        sidecar.place.known = TRUE;
        sidecar.place.latitude = latitude;
        sidecar.place.longitude = longitude;
        sidecar.hasAltitude = altitude != nullptr;
        sidecar.place.altitude = altitude ? *altitude : 0.0;
        sidecar.hasFixTime = true;
        sidecar.fixTime = {utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second};
        return WriteSidecar(rawPath, sidecar, recovery, refusals);
    }
    ExifBlock block;
    block.OpenForWriting(rawPath[0] ? rawPath : path);
    HRESULT hr = block.StoreFix(latitude, longitude, altitude, utc);
    if (SUCCEEDED(hr))
        hr = block.WriteToFile(recovery);
    return hr;
}
