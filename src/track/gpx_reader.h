// Reads the timed points of a GPX file (versions 1.0 and 1.1) with the XML
// reader of Windows (XmlLite, taken from xmllite.dll when it is needed):
// every trkpt of every trk and trkseg, every rtept and every wpt that has a
// valid time; ele when present. DTDs are refused, and the file size, the number of
// points and the depth of elements are bounded, so that no file can make
// the reading exhaust memory or take long.
#pragma once
#include <windows.h>
#include <objidl.h>

#include "track/gps_track.h"
#include "support/work_progress.h"

// Limits of a track that is read.
const ULONGLONG kMaxTrackFileBytes = 64ull * 1024 * 1024;
const size_t kMaxTrackPoints = 1000000;
const UINT kMaxTrackElementDepth = 64;

// A place in a file's text: line and column (in characters), from 1; 0
// when unknown.
struct GpxPlace {
    UINT line = 0;
    UINT column = 0;
};

// Replaces *track with the points of the GPX file, sorted (GpsTrack::Finish).
// S_OK with at least one point; VZ_S_TRACK_INCOMPLETE with at least one
// when the content ends in the middle of an element (a logger still
// writing it; NUL characters at the end, what a logger leaves after a
// power loss, count as the end): the points whose elements ended before
// the cut. On every failure the track is empty:
// - VZ_E_TRACK_UNREADABLE: not well-formed XML anywhere but at the end of
//   such a file (*errorPlace, when given, gets the line and column of an
//   error after the <gpx> root began), a DTD, not a <gpx> root, nesting too deep, a file over
//   kMaxTrackFileBytes or more than kMaxTrackPoints points;
// - VZ_E_TRACK_EMPTY: a GPX document without a single timed point;
// - the system's error when the file cannot be opened or xmllite.dll
//   cannot be loaded; E_OUTOFMEMORY;
// - VZ_E_CANCELLED when progress (optional) said to stop; it is told the
//   bytes read of the file's size at every block read, and asked also
//   while the parser works on without reading.
// No input makes the reading go on for ever.
HRESULT ReadGpxFile(const wchar_t* path, GpsTrack* track, WorkProgress* progress = nullptr,
                    GpxPlace* errorPlace = nullptr);
// The same over a stream (read from its current position to its end); the
// size limit counts the bytes read.
HRESULT ReadGpxStream(IStream* stream, GpsTrack* track);

const HRESULT VZ_E_TRACK_UNREADABLE = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);
const HRESULT VZ_E_TRACK_EMPTY = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0202);
const HRESULT VZ_S_TRACK_INCOMPLETE = MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x0203);
