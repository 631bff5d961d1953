// Storing a position into raw files' XMP sidecars, in one process: for each
// raw file of a folder, the whole WriteRawSidecarPosition (the folder's
// listing of the raw file's names, the sidecar read, the position stored by
// the sidecar editor, a new file beside it, flushed, renamed over it and
// flushed again), with one ReplacementRecovery for all, as a command has.
// With VZ_BENCH_NO_FLUSH set, without the flushes. Every round starts from
// fresh copies (not timed).
//   sidecar_store_bench <originals folder> <work folder> <rounds>
// Prints "sidecars <count> <median microseconds of a round> <stored per round>".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/exif_bench_common.h"
#include "exif/raw_sidecar.h"
#include "replacement/replacement_recovery.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: sidecar_store_bench <originals> <work> <rounds>\n");
        return 2;
    }
    vzbench::ChooseFlushes();
    const std::wstring originals = argv[1], work = argv[2];
    const int rounds = _wtoi(argv[3]);
    const std::vector<std::wstring> sidecars = vzbench::JpegNames(originals, L"*.xmp");
    const std::vector<std::wstring> raws = vzbench::JpegNames(originals, L"*.dng");
    SidecarPosition position;
    position.place.known = TRUE;
    position.place.latitude = vzbench::kLatitude;
    position.place.longitude = vzbench::kLongitude;
    position.place.altitude = vzbench::kAltitude;
    position.hasAltitude = true;
    std::vector<double> times;
    int stored = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const std::vector<std::wstring>* names : {&sidecars, &raws}) {
            for (const std::wstring& name : *names) {
                if (!vzbench::FreshCopy(originals + L"\\" + name, work + L"\\" + name))
                    return 1;
            }
        }
        stored = 0;
        ReplacementRecovery recovery;
        const double start = vzbench::NowMicroseconds();
        for (const std::wstring& name : raws) {
            if (WriteRawSidecarPosition((work + L"\\" + name).c_str(), position, &recovery) == S_OK)
                ++stored;
        }
        times.push_back(vzbench::NowMicroseconds() - start);
    }
    std::printf("sidecars %u %.0f %d\n", static_cast<unsigned>(raws.size()), vzbench::Median(times), stored);
    return 0;
}
