// Benchmark: "Geotag from GPS track" over a folder of photos, as the command
// does it: ReadGpxFile, then GeotagPlan Load, Match and Write. Every round
// starts from fresh copies of the photos (not timed); one untimed round
// first warms the cache.
//   geotag_track_bench <track.gpx> <originals folder> <work folder> <rounds>
// Prints "geotag <photos> <track points> <photos written> <median of the
// whole run> <read track> <Load> <Match> <Write>", medians in microseconds
// over the timed rounds.
//   geotag_track_bench match <originals folder> <rounds>
// Matching alone, as every change in the dialog's fields does it: 300 of
// the photos against a track of 1,000,000 points without any elevation,
// one every 0.3 s over the photos' days. Prints "match <photos> <track
// points> <photos located> <median of Match> <Finish>", in microseconds.
//   geotag_track_bench create <folder> <files>
// The floor of making a new file in a folder: CreateFileW of a new name
// (CREATE_NEW, hidden, marked to be deleted on close) and CloseHandle, as
// often as given. Prints "create <files> <median microseconds>". Wine looks
// for every name it does not find in every case of letters, reading the
// whole folder: what a crowded folder costs any program that makes a file.
//   geotag_track_bench floor <originals folder> <work folder> <rounds>
// The floor of the command's writes: the photos replaced bare
// (vzbench::ReplaceBare: read, new file, write, flush, rename, flush) on
// as many threads as the command writes with, from fresh copies each round.
// Prints "floor <photos> <photos replaced> <median of the whole run>", in
// microseconds.
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "bench/exif_bench_common.h"
#include "geotag/geotag_plan.h"
#include "selection/photo_writes.h"
#include "track/gpx_reader.h"
#include "track/track_time.h"

namespace {

const int kMatchPhotos = 300;
const int kMatchPoints = 1000000;

int MatchOnly(const std::wstring& originals, int rounds)
{
    const std::vector<std::wstring> names = vzbench::JpegNames(originals);
    if (names.empty())
        return 1;
    std::vector<std::wstring> paths;
    for (size_t i = 0; i < kMatchPhotos; ++i)
        paths.push_back(originals + L"\\" + names[i * names.size() / kMatchPhotos]);
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& path : paths)
        pointers.push_back(path.c_str());
    GeotagPlan plan;
    if (FAILED(plan.Load(pointers.data(), static_cast<int>(pointers.size()))))
        return 1;

    // The photos' days from 2021-06-01 06:00 UTC, densely, no elevation.
    GpsTrack track;
    const double start = CivilDaySeconds(2021, 6, 1) + 6 * 3600.0;
    for (int i = 0; i < kMatchPoints; ++i) {
        TrackPoint point;
        point.time = start + i * 0.3;
        point.latitude = 46.5 + i * 1e-7;
        point.longitude = 7.5;
        if (FAILED(track.Add(point)))
            return 1;
    }
    const double finishStart = vzbench::NowMicroseconds();
    if (FAILED(track.Finish()))
        return 1;
    const double finish = vzbench::NowMicroseconds() - finishStart;

    std::vector<double> matches;
    GeotagSettings settings;  // the photos' times are UTC
    for (int round = 0; round <= rounds; ++round) {
        const double begin = vzbench::NowMicroseconds();
        plan.Match(track, settings);
        if (round > 0)
            matches.push_back(vzbench::NowMicroseconds() - begin);
    }
    int located = 0;
    for (size_t i = 0; i < plan.Count(); ++i)
        located += plan.At(i).position.known ? 1 : 0;
    std::printf("match %u %u %d %.0f %.0f\n", static_cast<unsigned>(plan.Count()),
                static_cast<unsigned>(track.Count()), located, vzbench::Median(matches), finish);
    return 0;
}

int CreateOnly(const std::wstring& folder, int files)
{
    std::vector<double> times;
    for (int i = 0; i < files; ++i) {
        wchar_t name[64];
        std::swprintf(name, 64, L"\\bench.jpg.~vz%08x%04x.tmp", static_cast<unsigned>(GetCurrentProcessId()),
                      static_cast<unsigned>(i));
        const std::wstring path = folder + name;
        const double start = vzbench::NowMicroseconds();
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "cannot make a new file in the folder (error %lu)\n", GetLastError());
            return 1;
        }
        FILE_DISPOSITION_INFO disposition = {TRUE};
        const BOOL marked = SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition));
        CloseHandle(file);
        times.push_back(vzbench::NowMicroseconds() - start);
        if (!marked && !DeleteFileW(path.c_str())) {
            std::fprintf(stderr, "cannot delete the new file (error %lu)\n", GetLastError());
            return 1;
        }
    }
    std::printf("create %d %.1f\n", files, vzbench::Median(times));
    return 0;
}

struct FloorRun {
    const std::vector<std::wstring>* paths;
    volatile LONG next;
    volatile LONG replaced;
};

DWORD WINAPI ReplaceBareLoop(void* context)
{
    FloorRun& run = *static_cast<FloorRun*>(context);
    std::vector<uint8_t> bytes;
    for (;;) {
        const LONG i = InterlockedIncrement(&run.next) - 1;
        if (i >= static_cast<LONG>(run.paths->size()))
            return 0;
        if (vzbench::ReplaceBare((*run.paths)[static_cast<size_t>(i)], bytes))
            InterlockedIncrement(&run.replaced);
    }
}

int FloorOnly(const std::wstring& originals, const std::wstring& work, int rounds)
{
    const std::vector<std::wstring> names = vzbench::JpegNames(originals);
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names)
        paths.push_back(work + L"\\" + name);
    std::vector<double> totals;
    LONG replaced = 0;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms the cache
        for (size_t i = 0; i < names.size(); ++i) {
            if (!vzbench::FreshCopy(originals + L"\\" + names[i], paths[i]))
                return 1;
        }
        FloorRun run = {&paths, 0, 0};
        const double start = vzbench::NowMicroseconds();
        HANDLE threads[kPhotoWriters];
        int started = 0;
        for (int t = 1; t < kPhotoWriters; ++t) {
            threads[started] = CreateThread(nullptr, 0, ReplaceBareLoop, &run, 0, nullptr);
            started += threads[started] ? 1 : 0;
        }
        ReplaceBareLoop(&run);
        for (int t = 0; t < started; ++t) {
            WaitForSingleObject(threads[t], INFINITE);
            CloseHandle(threads[t]);
        }
        if (round > 0)
            totals.push_back(vzbench::NowMicroseconds() - start);
        replaced = run.replaced;
    }
    std::printf("floor %u %ld %.0f\n", static_cast<unsigned>(names.size()), static_cast<long>(replaced),
                vzbench::Median(totals));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && std::wcscmp(argv[1], L"match") == 0)
        return MatchOnly(argv[2], _wtoi(argv[3]));
    if (argc == 4 && std::wcscmp(argv[1], L"create") == 0)
        return CreateOnly(argv[2], _wtoi(argv[3]));
    if (argc == 5 && std::wcscmp(argv[1], L"floor") == 0)
        return FloorOnly(argv[2], argv[3], _wtoi(argv[4]));
    if (argc != 5) {
        std::fprintf(stderr, "usage: geotag_track_bench <track.gpx> <originals> <work> <rounds>\n"
                             "       geotag_track_bench match <originals> <rounds>\n"
                             "       geotag_track_bench create <folder> <files>\n"
                             "       geotag_track_bench floor <originals> <work> <rounds>\n");
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
