// Benchmark (a): storing a position into each photo and writing it back, in
// one process. Every round starts from fresh copies (not timed); the time of
// OpenForWriting (as the commands open a photo they write) + StorePosition +
// WriteToFile is taken per photo. A round writes the photos as one command
// does: the folder's leftovers are looked for once.
// Each photo is also replaced by the floor of any crash-safe writer under
// this Wine (vzbench::ReplaceBare), on a fresh copy of its own, the two
// taking turns at going first.
//   exif_store_bench <originals folder> <work folder> <rounds> [<file pattern, *.jpg>]
// Prints one line per photo: "store <name> <median microseconds> <rounds
// written> <median of Open> <median of WriteToFile>" (the remainder is the
// in-memory StorePosition), then one per photo: "floor <name> <median
// microseconds> <rounds replaced>".
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "exif/exif_block.h"
#include "replacement/replacement_recovery.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: exif_store_bench <originals> <work> <rounds> [<pattern, *.jpg>]\n");
        return 2;
    }
    const std::wstring originals = argv[1];
    const std::wstring work = argv[2];
    const int rounds = _wtoi(argv[3]);
    vzbench::ChooseFlushes();
    const std::vector<std::wstring> names = vzbench::JpegNames(originals, argc == 5 ? argv[4] : L"*.jpg");
    std::vector<std::vector<double>> times(names.size()), opens(names.size()), writes(names.size()),
        floors(names.size());
    std::vector<int> written(names.size(), 0), replaced(names.size(), 0);
    std::vector<uint8_t> bytes;
    for (int round = 0; round < rounds; ++round) {
        ReplacementRecovery recovery;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::wstring copy = work + L"\\" + names[i];
            for (int turn = 0; turn < 2; ++turn) {
                if (!vzbench::FreshCopy(originals + L"\\" + names[i], copy))
                    return 1;
                if ((turn + i + static_cast<size_t>(round)) % 2 == 1) {
                    const double start = vzbench::NowMicroseconds();
                    const bool ok = vzbench::ReplaceBare(copy, bytes);
                    floors[i].push_back(vzbench::NowMicroseconds() - start);
                    replaced[i] += ok ? 1 : 0;
                    continue;
                }
                const double start = vzbench::NowMicroseconds();
                ExifBlock block;
                block.OpenForWriting(copy.c_str());
                const double opened = vzbench::NowMicroseconds();
                HRESULT hr = block.StorePosition(vzbench::kLatitude, vzbench::kLongitude, vzbench::kAltitude,
                                                 vzbench::kHeading);
                const double stored = vzbench::NowMicroseconds();
                if (SUCCEEDED(hr))
                    hr = block.WriteToFile(&recovery);
                const double end = vzbench::NowMicroseconds();
                times[i].push_back(end - start);
                opens[i].push_back(opened - start);
                writes[i].push_back(end - stored);
                if (hr == S_OK)
                    ++written[i];
            }
        }
    }
    for (size_t i = 0; i < names.size(); ++i)
        std::printf("store %s %.1f %d %.1f %.1f\n", vzbench::Narrow(names[i]).c_str(), vzbench::Median(times[i]),
                    written[i], vzbench::Median(opens[i]), vzbench::Median(writes[i]));
    for (size_t i = 0; i < names.size(); ++i)
        std::printf("floor %s %.1f %d\n", vzbench::Narrow(names[i]).c_str(), vzbench::Median(floors[i]),
                    replaced[i]);
    return 0;
}
