// Benchmark: "Geotag from GPS track" over a folder of photos, as the command
// does it: ReadGpxFile, then GeotagPlan Load, Match and Write. Every round
// starts from fresh copies of the photos (not timed); one untimed round
// first warms the cache.
//   geotag_track_bench <track.gpx> <originals folder> <work folder> <rounds>
// Prints "geotag <photos> <track points> <photos written> <median of the
// whole run> <read track> <Load> <Match> <Write>", medians in microseconds
// over the timed rounds.
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "geotag/geotag_plan.h"
#include "track/gpx_reader.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: geotag_track_bench <track.gpx> <originals> <work> <rounds>\n");
        return 2;
    }
    const std::wstring track = argv[1];
    const std::wstring originals = argv[2];
    const std::wstring work = argv[3];
    const int rounds = _wtoi(argv[4]);
    const std::vector<std::wstring> names = vzbench::JpegNames(originals);
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names)
        paths.push_back(work + L"\\" + name);
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& path : paths)
        pointers.push_back(path.c_str());

    std::vector<double> totals, reads, loads, matches, writes;
    size_t points = 0;
    int written = 0;
    for (int round = 0; round <= rounds; ++round) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (!vzbench::FreshCopy(originals + L"\\" + names[i], paths[i]))
                return 1;
        }
        const double start = vzbench::NowMicroseconds();
        GpsTrack gps;
        HRESULT hr = ReadGpxFile(track.c_str(), &gps);
        const double read = vzbench::NowMicroseconds();
        GeotagPlan plan;
        if (SUCCEEDED(hr))
            hr = plan.Load(pointers.data(), static_cast<int>(pointers.size()));
        const double loaded = vzbench::NowMicroseconds();
        GeotagSettings settings;  // the photos' times are UTC
        plan.Match(gps, settings);
        const double matched = vzbench::NowMicroseconds();
        int readOnly = 0;
        if (SUCCEEDED(hr))
            hr = plan.Write(&written, &readOnly);
        const double end = vzbench::NowMicroseconds();
        if (FAILED(hr)) {
            std::fprintf(stderr, "geotagging failed: %08lx\n", static_cast<unsigned long>(hr));
            return 1;
        }
        points = gps.Count();
        if (round == 0)
            continue;
        totals.push_back(end - start);
        reads.push_back(read - start);
        loads.push_back(loaded - read);
        matches.push_back(matched - loaded);
        writes.push_back(end - matched);
    }
    std::printf("geotag %u %u %d %.0f %.0f %.0f %.0f %.0f\n", static_cast<unsigned>(names.size()),
                static_cast<unsigned>(points), written, vzbench::Median(totals), vzbench::Median(reads),
                vzbench::Median(loads), vzbench::Median(matches), vzbench::Median(writes));
    return 0;
}
