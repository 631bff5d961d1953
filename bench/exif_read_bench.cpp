// Benchmark (b): Open + ReadPosition per photo over a folder of photos
// without a position (the context menu's worst case), from a warm cache:
// one untimed pass first, then timed passes. Each photo is also read by the
// floor of any reader under this Wine, the bare CreateFileW, one ReadFile of
// the engine's first read and CloseHandle, in the same process and the same
// pass, the two taking turns at going first: Wine's round trips change their
// cost from one moment to the next, and two runs apart can land in
// different regimes.
//   exif_read_bench <folder> <timed passes> [<file pattern, *.jpg>]
// Prints "read <photos> <median microseconds> <mean microseconds> <photos with
// a position>", then "bare ..." in the same form (no photo counted located).
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "exif/exif_block.h"

namespace {

struct Timings {
    std::vector<double> times;
    double total = 0;

    void Add(double elapsed)
    {
        times.push_back(elapsed);
        total += elapsed;
    }
    void Print(const char* what, size_t photos, int located) const
    {
        std::printf("%s %zu %.1f %.1f %d\n", what, photos, vzbench::Median(times),
                    times.empty() ? 0.0 : total / times.size(), located);
    }
};

// Ours: true when the photo has a position.
bool ReadOurs(const std::wstring& path)
{
    ExifBlock block;
    block.Open(path.c_str());
    double latitude, longitude, altitude, heading;
    return SUCCEEDED(block.ReadPosition(&latitude, &longitude, &altitude, &heading));
}

void ReadBare(const std::wstring& path, std::vector<uint8_t>& block)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr);
        CloseHandle(file);
    }
}

}  // namespace

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
    std::vector<uint8_t> block(FileByteSource::kCacheSize);
    Timings ours, bare;
    int located = 0;
    for (int pass = 0; pass <= passes; ++pass) {  // pass 0 warms the cache
        located = 0;
        for (size_t i = 0; i < paths.size(); ++i) {
            for (size_t turn = 0; turn < 2; ++turn) {
                const bool oursNow = (turn + i + static_cast<size_t>(pass)) % 2 == 0;
                const double start = vzbench::NowMicroseconds();
                bool hasPosition = false;
                if (oursNow)
                    hasPosition = ReadOurs(paths[i]);
                else
                    ReadBare(paths[i], block);
                const double elapsed = vzbench::NowMicroseconds() - start;
                located += hasPosition ? 1 : 0;
                if (pass > 0)
                    (oursNow ? ours : bare).Add(elapsed);
            }
        }
    }
    ours.Print("read", paths.size(), located);
    bare.Print("bare", paths.size(), 0);
    return 0;
}
