// Benchmark (c): a large photo whose Exif segment grows when a position is
// stored, so that the whole rest of the file moves. Every round starts from
// a fresh copy (not timed); OpenForWriting + StorePosition + WriteToFile is
// timed, as a command writes a photo.
//   exif_grow_bench <original> <work copy> <rounds>
// Prints "grow <file bytes> <median microseconds> <bytes the file grew> <rounds written>".
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "exif/exif_block.h"

namespace {

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: exif_grow_bench <original> <work copy> <rounds>\n");
        return 2;
    }
    const std::wstring original = argv[1];
    const std::wstring copy = argv[2];
    const int rounds = _wtoi(argv[3]);
    vzbench::ChooseFlushes();
    std::vector<double> times;
    long long grew = 0;
    int written = 0;
    for (int round = 0; round < rounds; ++round) {
        if (!vzbench::FreshCopy(original, copy))
            return 1;
        const double start = vzbench::NowMicroseconds();
        ExifBlock block;
        block.OpenForWriting(copy.c_str());
        HRESULT hr = block.StorePosition(vzbench::kLatitude, vzbench::kLongitude, vzbench::kAltitude,
                                         vzbench::kHeading);
        if (SUCCEEDED(hr))
            hr = block.WriteToFile();
        times.push_back(vzbench::NowMicroseconds() - start);
        if (hr == S_OK)
            ++written;
        grew = FileSize(copy) - FileSize(original);
    }
    std::printf("grow %lld %.1f %lld %d\n", FileSize(original), vzbench::Median(times), grew, written);
    return 0;
}
