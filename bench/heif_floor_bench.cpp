// The floor of reading the position of HEIF photos: per photo only the
// system calls that any reader needs (open the file, read the bytes that
// hold its Exif in one call, close it), from a warm cache: one untimed pass
// first, then timed passes.
//   heif_floor_bench <listing> <timed passes>
// The listing has one photo a line: "<Windows path>\t<offset>\t<length>".
// Prints "floor <photos> <median microseconds> <mean microseconds>".
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/exif_bench_common.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: heif_floor_bench <listing> <passes>\n");
        return 2;
    }
    struct Photo {
        std::wstring path;
        DWORD offset, length;
    };
    std::vector<Photo> photos;
    std::ifstream listing(argv[1]);
    std::string path;
    DWORD offset = 0, length = 0;
    while (std::getline(listing, path, '\t') && listing >> offset >> length) {
        listing.ignore(1);
        photos.push_back({std::wstring(path.begin(), path.end()), offset, length});
    }
    std::vector<char> buffer(1 << 20);
    std::vector<double> times;
    double total = 0;
    for (int pass = 0; pass <= _wtoi(argv[2]); ++pass) {
        for (const Photo& photo : photos) {
            const double start = vzbench::NowMicroseconds();
            HANDLE file = CreateFileW(photo.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            OVERLAPPED at = {};
            at.Offset = photo.offset;
            DWORD got = 0;
            ReadFile(file, buffer.data(), photo.length, &got, &at);
            CloseHandle(file);
            const double elapsed = vzbench::NowMicroseconds() - start;
            if (pass > 0) {
                times.push_back(elapsed);
                total += elapsed;
            }
        }
    }
    std::printf("floor %zu %.1f %.1f\n", photos.size(), vzbench::Median(times),
                times.empty() ? 0.0 : total / times.size());
    return 0;
}
