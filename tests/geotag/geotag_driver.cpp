// Runs the track layer and the plan of "Geotag from GPS track" from the
// command line, for checks that compare them with other programs
// (check_geotag_exiftool.py: ExifTool and gpxpy).
//
//   geotag_driver points <track.gpx>
//       The points ReadGpxFile read, in the order it keeps them:
//       "point <time> <latitude> <longitude> <elevation or none>", then
//       "points <count>". Times are seconds since 1970 (UTC), all numbers
//       with full precision.
//   geotag_driver tag <track.gpx> <offsetMinutes> <correctionSeconds> <photo>...
//       Reads the track, then GeotagPlan Load, Match and Write over the
//       photos, replacing positions they already have as ExifTool's
//       geotagging does: per photo "photo <index> <outcome> <read-only 0|1> <utc>
//       <latitude> <longitude> <altitude>" (degrees and metres of the
//       position the plan holds, "-" when it holds none or no altitude), then "write
//       <HRESULT> <written> <read-only>".
//
// Both commands first print "track <HRESULT>". When the track cannot be
// read, that HRESULT is also the exit code; 2 for wrong arguments, 1 when
// the plan cannot load the photos, else 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "geotag/geotag_plan.h"
#include "track/gpx_reader.h"

namespace {

const char* OutcomeName(GeotagOutcome outcome)
{
    switch (outcome) {
    case GeotagOutcome::Interpolated:
        return "interpolated";
    case GeotagOutcome::Nearest:
        return "nearest";
    case GeotagOutcome::TooFar:
        return "too-far";
    case GeotagOutcome::NoTime:
        return "no-time";
    case GeotagOutcome::NotAPhoto:
        return "not-a-photo";
    case GeotagOutcome::InUse:
        return "in-use";
    }
    return "unknown";
}

// A whole number in the text, or false.
bool ReadInteger(const wchar_t* text, int* value)
{
    wchar_t* end = nullptr;
    long number = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0')
        return false;
    *value = static_cast<int>(number);
    return true;
}

HRESULT ReadTrack(const wchar_t* path, GpsTrack* track)
{
    HRESULT hr = ReadGpxFile(path, track);
    std::printf("track %08lx\n", static_cast<unsigned long>(hr));
    return hr;
}

int PrintPoints(const wchar_t* path)
{
    GpsTrack track;
    HRESULT hr = ReadTrack(path, &track);
    if (FAILED(hr))
        return static_cast<int>(hr);
    for (size_t i = 0; i < track.Count(); ++i) {
        const TrackPoint& point = track.At(i);
        std::printf("point %.17g %.17g %.17g", point.time, point.latitude, point.longitude);
        if (point.hasElevation)
            std::printf(" %.17g\n", point.elevation);
        else
            std::printf(" none\n");
    }
    std::printf("points %u\n", static_cast<unsigned>(track.Count()));
    return 0;
}

int Tag(const wchar_t* path, const GeotagSettings& settings, wchar_t** photos, int count)
{
    GpsTrack track;
    HRESULT hr = ReadTrack(path, &track);
    if (FAILED(hr))
        return static_cast<int>(hr);
    GeotagPlan plan;
    std::vector<const wchar_t*> paths(photos, photos + count);
    if (FAILED(plan.Load(paths.data(), count))) {
        std::printf("load failed\n");
        return 1;
    }
    plan.Match(track, settings);
    int written = -1, readOnly = -1;
    hr = plan.Write(&written, &readOnly);
    for (size_t i = 0; i < plan.Count(); ++i) {
        const GeotagPhoto& photo = plan.At(i);
        std::printf("photo %u %s %d ", static_cast<unsigned>(i), OutcomeName(photo.outcome), photo.readOnly ? 1 : 0);
        if (photo.time.known)
            std::printf("%.17g", photo.utcSeconds);
        else
            std::printf("-");
        if (photo.position.known) {
            std::printf(" %.17g %.17g", photo.position.latitude * kDegreesPerRadian,
                        photo.position.longitude * kDegreesPerRadian);
            if (photo.hasAltitude)
                std::printf(" %.17g\n", photo.position.altitude);
            else
                std::printf(" -\n");
        } else {
            std::printf(" - - -\n");
        }
    }
    std::printf("write %08lx %d %d\n", static_cast<unsigned long>(hr), written, readOnly);
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: geotag_driver points <track.gpx>\n"
                 "       geotag_driver tag <track.gpx> <offsetMinutes> <correctionSeconds> <photo>...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wcscmp(argv[1], L"points") == 0)
        return PrintPoints(argv[2]);
    GeotagSettings settings;
    settings.replacePositions = true;
    if (argc >= 5 && std::wcscmp(argv[1], L"tag") == 0 && ReadInteger(argv[3], &settings.offsetMinutes) &&
        ReadInteger(argv[4], &settings.clockCorrectionSeconds))
        return Tag(argv[2], settings, argv + 5, argc - 5);
    return Usage();
}
