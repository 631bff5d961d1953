// Writing one position into one photo: the per-photo sequence of the
// commands that store positions ("Get location from Google Earth", the
// coordinates dialog, geotagging from a track). A JPEG or HEIF photo gets
// it in its Exif; a camera raw file is never written: its XMP sidecars get
// it (exif/raw_sidecar.h).
#pragma once
#include <vector>

#include "exif/exif_block.h"
#include "exif/raw_sidecar.h"
#include "support/geo_position.h"
#include "support/platform.h"

class ReplacementRecovery;

// Whether hr is the refusal of a sidecar that is no well-formed XMP (or
// too large, too deep, not UTF-8) or whose name a folder holds: the
// sidecar is left as it was.
bool IsSidecarRefusal(HRESULT hr);

// The sidecars that the writes of one command refused, gathered from the
// threads of its write loop for the messages after it.
class SidecarRefusals {
public:
    SidecarRefusals() = default;
    SidecarRefusals(const SidecarRefusals&) = delete;
    SidecarRefusals& operator=(const SidecarRefusals&) = delete;
    // Keeps outcome (from any thread); one that cannot be kept for want
    // of memory is dropped: its write still counts as failed.
    void Add(const SidecarOutcome& outcome);
    // The refusals kept so far, leaving none.
    std::vector<SidecarOutcome> Take();

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::vector<SidecarOutcome> m_refusals;
};

// Opens the photo, stores the position (or removes the position tags when
// it is not known) and rewrites the file; for a raw file, stores the
// position (altitude and heading included, as the Exif write does) into its
// sidecars. The photo counts as written when the result is >= 0. A position
// that cannot be stored (E_INVALIDARG) is returned without touching the
// file. recovery: that of the command's write loop (see
// ExifBlock::WriteToFile). refusals (optional) is given a refused sidecar.
HRESULT WritePositionToPhoto(const wchar_t* path, const GeoPosition& position,
                             ReplacementRecovery* recovery = nullptr, SidecarRefusals* refusals = nullptr);

// Stores a fix as geotagging from a track does (ExifBlock::StoreFix):
// latitude and longitude (radians), the altitude when the track knows one
// (else an earlier one is removed) and the UTC moment of the fix, the
// directions kept; a raw file's sidecars get the same (GPSTimeStamp in
// UTC). Results as WritePositionToPhoto.
HRESULT WriteFixToPhoto(const wchar_t* path, double latitude, double longitude, const double* altitude,
                        const GpsFixTime& utc, ReplacementRecovery* recovery = nullptr,
                        SidecarRefusals* refusals = nullptr);
