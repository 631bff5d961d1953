// Benchmark (b): Open + ReadPosition per photo over a folder of photos
// without a position (the context menu's worst case), from a warm cache:
// one untimed pass first, then timed passes.
//   exif_read_bench <folder> <timed passes> [<file pattern, *.jpg>]
// Prints "read <photos> <median microseconds> <mean microseconds> <photos with a position>".
// With VZ_BENCH_BARE set, the floor instead: the bare CreateFileW, one
// ReadFile of the engine's first read and CloseHandle of each photo
// ("bare ..." in the same form, no photo counted as located).
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "exif/exif_block.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: exif_read_bench <folder> <passes> [<pattern, *.jpg>]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const int passes = _wtoi(argv[2]);
    std::vector<std::wstring> paths;
    for (const std::wstring& name : vzbench::JpegNames(folder, argc == 4 ? argv[3] : L"*.jpg"))
        paths.push_back(folder + L"\\" + name);
    const bool bare = std::getenv("VZ_BENCH_BARE") != nullptr;
    std::vector<uint8_t> block(FileByteSource::kCacheSize);
    std::vector<double> times;
    double total = 0;
    int located = 0;
    for (int pass = 0; pass <= passes; ++pass) {
        located = 0;
        for (const std::wstring& path : paths) {
            const double start = vzbench::NowMicroseconds();
            if (bare) {
                HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
                DWORD got = 0;
                if (file != INVALID_HANDLE_VALUE) {
                    ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr);
                    CloseHandle(file);
                }
                const double elapsed = vzbench::NowMicroseconds() - start;
                if (pass > 0) {
                    times.push_back(elapsed);
                    total += elapsed;
                }
                continue;
            }
            ExifBlock block;
            block.Open(path.c_str());
            double latitude, longitude, altitude, heading;
            const HRESULT hr = block.ReadPosition(&latitude, &longitude, &altitude, &heading);
            const double elapsed = vzbench::NowMicroseconds() - start;
            if (SUCCEEDED(hr))
                ++located;
            if (pass > 0) {  // pass 0 warms the cache
                times.push_back(elapsed);
                total += elapsed;
            }
        }
    }
    std::printf(bare ? "bare %zu %.1f %.1f %d\n" : "read %zu %.1f %.1f %d\n", paths.size(), vzbench::Median(times),
                times.empty() ? 0.0 : total / times.size(), located);
    return 0;
}
