// Reading the capture time of raw files, against the floor: per file,
//   ours   CreateFileW, GetFileSizeEx, the raw reader (ReadRawPhoto) over a
//          FileByteSource with one block lent for all files, CloseHandle;
//   floor  CreateFileW, the very reads ours made of that file (each offset
//          and length, recorded in a first pass through the file calls),
//          CloseHandle; and once more with GetFileSizeEx after the open
//          (what the size, which bounds every read, costs by itself).
// One untimed pass warms the cache and records the reads; then timed passes,
// file by file, the three in an order that rotates.
//   raw_read_bench <folder> <timed passes>
// Prints "raw <files> <with a time> <median us ours> <median us floor>
// <reads per file> <median us floor with the size> <median us of the reader
// alone, from memory>".
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/exif_bench_common.h"
#include "raw/raw_photo.h"
#include "replacement/file_access.h"

namespace {

struct Read {
    LONGLONG offset;
    DWORD count;
};
std::vector<Read>* g_recorded = nullptr;

BOOL WINAPI RecordingRead(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped)
{
    LARGE_INTEGER zero = {}, at = {};
    if (g_recorded && SetFilePointerEx(file, zero, &at, FILE_CURRENT))
        g_recorded->push_back(Read{at.QuadPart, count});
    return ReadFile(file, buffer, count, read, overlapped);
}

// Ours: the capture time of one raw file. True when it has one.
bool ReadCaptureTime(const std::wstring& path, uint8_t* block)
{
    const RawFormat* format = FindRawFormat(path.c_str());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    RawPhoto photo;
    bool timed = false;
    if (format && GetFileSizeEx(file, &size) && size.QuadPart <= UINT32_MAX) {
        FileByteSource source(file, static_cast<uint32_t>(size.QuadPart), block);
        source.StartAtFileStart();
        timed = ReadRawPhoto(source, *format, &photo) == S_OK && photo.dateTimeOriginal[0] != 0;
    }
    CloseHandle(file);
    return timed;
}

void ReadFloor(const std::wstring& path, const std::vector<Read>& reads, uint8_t* buffer, bool sized)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    if (sized)
        GetFileSizeEx(file, &size);
    // Each read where the file pointer is moved to, as ours reads (no move
    // where it is already there): under Wine a read given its offset in an
    // OVERLAPPED costs more.
    LONGLONG pointer = 0;
    for (const Read& read : reads) {
        LARGE_INTEGER at;
        at.QuadPart = read.offset;
        DWORD got = 0;
        if (read.offset != pointer)
            SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        ReadFile(file, buffer, read.count, &got, nullptr);
        pointer = read.offset + got;
    }
    CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: raw_read_bench <folder> <passes>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const int passes = _wtoi(argv[2]);
    std::vector<std::wstring> paths;
    for (const std::wstring& name : vzbench::JpegNames(folder, L"*.*"))
        paths.push_back(folder + L"\\" + name);
    std::unique_ptr<uint8_t[]> block(new uint8_t[FileByteSource::kCacheSize]);
    std::vector<std::vector<Read>> reads(paths.size());
    const FileCalls recording = {RecordingRead, WriteFile, FlushFileBuffers, SetFileInformationByHandle,
                                 FindFirstFileW};
    const FileCalls* previous = UseFileCalls(&recording);
    int timed = 0;
    size_t readCount = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        g_recorded = &reads[i];
        timed += ReadCaptureTime(paths[i], block.get()) ? 1 : 0;
        readCount += reads[i].size();
    }
    g_recorded = nullptr;
    UseFileCalls(previous);

    // The reader alone, from memory: each file's bytes read once, untimed.
    std::vector<double> parse;
    for (size_t i = 0; i < paths.size(); ++i) {
        std::vector<uint8_t> bytes(FileByteSource::kCacheSize * 2);
        HANDLE file = CreateFileW(paths[i].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(file);
        const RawFormat* format = FindRawFormat(paths[i].c_str());
        for (int pass = 0; format && pass < passes; ++pass) {
            MemoryByteSource source(bytes.data(), got);
            RawPhoto photo;
            const double start = vzbench::NowMicroseconds();
            ReadRawPhoto(source, *format, &photo);
            parse.push_back(vzbench::NowMicroseconds() - start);
        }
    }

    std::vector<double> ours, floor, sizedFloor;
    DWORD largest = 1;
    for (const std::vector<Read>& file : reads) {
        for (const Read& read : file)
            largest = read.count > largest ? read.count : largest;
    }
    std::vector<uint8_t> buffer(largest);
    // The three take turns at going first: under Wine, opening a file that
    // was closed a moment ago costs another amount than the first open, and
    // a fixed order would hand that difference to one of them.
    for (int pass = 0; pass < passes; ++pass) {
        for (size_t i = 0; i < paths.size(); ++i) {
            for (size_t turn = 0; turn < 3; ++turn) {
                const size_t which = (turn + i + static_cast<size_t>(pass)) % 3;
                const double start = vzbench::NowMicroseconds();
                if (which == 0)
                    ReadCaptureTime(paths[i], block.get());
                else
                    ReadFloor(paths[i], reads[i], buffer.data(), which == 2);
                (which == 0 ? ours : which == 1 ? floor : sizedFloor).push_back(vzbench::NowMicroseconds() - start);
            }
        }
    }
    std::printf("raw %zu %d %.1f %.1f %.2f %.1f %.1f\n", paths.size(), timed, vzbench::Median(ours), vzbench::Median(floor),
                paths.empty() ? 0.0 : static_cast<double>(readCount) / paths.size(), vzbench::Median(sizedFloor),
                vzbench::Median(parse));
    return 0;
}
