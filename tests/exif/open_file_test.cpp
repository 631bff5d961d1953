// Opening photos from files with one block, photo after photo, as the
// context menu's scan does: each photo must read as the in-memory reader
// reads the same bytes, wherever its Exif segment lies in the file, and
// nothing of an earlier photo may show through.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
#include "replacement/file_access.h"
#include "replacement/read_block.h"
#include "testlib/temp_folder.h"

using namespace vztest;

namespace {

// A located Exif segment: SimpleTiff with a position stored into it.
Bytes LocatedSegment(bool bigEndian, double latitude, double longitude)
{
    Bytes plain = Jpeg({ExifSegment(SimpleTiff(bigEndian))});
    ExifBlock block;
    block.OpenFromBytes(plain.data(), plain.size());
    block.StorePosition(latitude, longitude, 35.0, 0.5);
    OwnedBytes segment = block.BuildExifSegment();
    return Bytes(segment.data.get(), segment.data.get() + segment.size);
}

// An APP2 segment of payload bytes, to push what follows further into the file.
Bytes Filler(size_t payload)
{
    return Segment(0xE2, Bytes(payload, 0x5A));
}

struct ReadResult {
    bool isJpeg = false;
    bool hasTree = false;
    uint32_t width = 0;
    HRESULT hr = E_FAIL;
    double values[4] = {};
};

ReadResult Read(const ExifBlock& block)
{
    ReadResult result;
    result.isJpeg = block.IsJpeg();
    result.hasTree = block.Root() != nullptr;
    result.width = block.FrameWidth();
    result.hr = block.ReadPosition(&result.values[0], &result.values[1], &result.values[2], &result.values[3]);
    return result;
}

void ExpectSameRead(const ReadResult& fromFile, const ReadResult& fromMemory, const std::string& what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(fromFile.isJpeg, fromMemory.isJpeg);
    EXPECT_EQ(fromFile.hasTree, fromMemory.hasTree);
    EXPECT_EQ(fromFile.width, fromMemory.width);
    EXPECT_EQ(fromFile.hr, fromMemory.hr);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(fromFile.values[i], fromMemory.values[i]) << "value " << i;
}

struct Photo {
    std::string name;
    Bytes bytes;
    bool located;
};

std::vector<Photo> PhotoSequence()
{
    return {
        {"segment at the start", Jpeg({LocatedSegment(false, 0.8, -0.3)}, 640), true},
        // Two fillers of 40,000 bytes: the segment starts beyond the first read.
        {"segment far into the file", Jpeg({Filler(40000), Filler(40000), LocatedSegment(true, -0.5, 2.0)}, 800),
         true},
        // The segment begins inside the first read (67,584 bytes) and ends
        // beyond it.
        {"segment across the first read's end",
         Jpeg({Filler(65000), Filler(2200), LocatedSegment(false, 0.1, 0.2)}, 1024), true},
        // The scan reads on past the segment to the frame header, far behind it.
        {"frame header far behind the segment",
         Jpeg({LocatedSegment(true, 0.3, -1.0), Filler(40000), Filler(40000)}, 1200), true},
        {"no Exif segment", Jpeg({JfifSegment()}, 320), false},
        {"not a JPEG file", Bytes(5000, 'x'), false},
        {"segment at the start, again", Jpeg({LocatedSegment(false, 0.8, -0.3)}, 640), true},
    };
}

// The sequence written into folder; the paths.
std::vector<std::wstring> WritePhotos(const TempFolder& folder, const std::vector<Photo>& photos)
{
    std::vector<std::wstring> paths;
    for (size_t i = 0; i < photos.size(); ++i) {
        paths.push_back(folder / (L"photo" + std::to_wstring(i) + L".jpg"));
        EXPECT_TRUE(WriteFileBytes(paths.back(), std::string(photos[i].bytes.begin(), photos[i].bytes.end())));
    }
    return paths;
}

ReadResult ReadFromMemory(const Photo& photo)
{
    ExifBlock memory;
    memory.OpenFromBytes(photo.bytes.data(), photo.bytes.size());
    return Read(memory);
}

TEST(OpenFromFile, OneBlockReadsEveryPhotoOfASequenceAsTheMemoryReaderDoes)
{
    const std::vector<Photo> photos = PhotoSequence();
    TempFolder folder;
    const std::vector<std::wstring> paths = WritePhotos(folder, photos);
    ExifBlock reused;
    for (size_t i = 0; i < photos.size(); ++i) {
        reused.Open(paths[i].c_str());
        ReadResult fromFile = Read(reused);
        ExpectSameRead(fromFile, ReadFromMemory(photos[i]), photos[i].name);
        EXPECT_EQ(SUCCEEDED(fromFile.hr), photos[i].located) << photos[i].name;
    }
}

// As commands read: a block of its own for each photo, whose read block is
// the one the last photo's block gave back, still holding that photo.
TEST(OpenFromFile, ABlockPerPhotoReadsEveryPhotoAsTheMemoryReaderDoes)
{
    const std::vector<Photo> photos = PhotoSequence();
    TempFolder folder;
    const std::vector<std::wstring> paths = WritePhotos(folder, photos);
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < photos.size(); ++i) {
            ExifBlock block;
            block.Open(paths[i].c_str());
            ExpectSameRead(Read(block), ReadFromMemory(photos[i]), photos[i].name);
        }
    }
}

// One thread of ThreadsReadingAtOnceEachReadTheirOwnPhoto: 200 photos of
// the sequence, from its own first one on, each against the memory reader.
struct PhotoReader {
    const std::vector<std::wstring>* paths;
    const std::vector<ReadResult>* expected;
    size_t first;
    int mismatches = 0;
};

DWORD WINAPI ReadPhotosInTurn(void* context)
{
    PhotoReader& reader = *static_cast<PhotoReader*>(context);
    for (size_t n = 0; n < 200; ++n) {
        const size_t i = (reader.first + n) % reader.paths->size();
        ExifBlock block;
        block.Open((*reader.paths)[i].c_str());
        const ReadResult got = Read(block);
        const ReadResult& want = (*reader.expected)[i];
        if (got.hr != want.hr || got.width != want.width || got.hasTree != want.hasTree ||
            got.values[0] != want.values[0] || got.values[1] != want.values[1])
            ++reader.mismatches;
    }
    return 0;
}

// Writers of a batch read at once on threads of their own, taking and
// giving back read blocks from the same few: no two share one.
TEST(OpenFromFile, ThreadsReadingAtOnceEachReadTheirOwnPhoto)
{
    const std::vector<Photo> photos = PhotoSequence();
    TempFolder folder;
    const std::vector<std::wstring> paths = WritePhotos(folder, photos);
    std::vector<ReadResult> expected;
    for (const Photo& photo : photos)
        expected.push_back(ReadFromMemory(photo));
    const size_t kThreads = 6;  // more than the blocks kept
    std::vector<PhotoReader> readers(kThreads);
    std::vector<HANDLE> threads;
    for (size_t t = 0; t < kThreads; ++t) {
        readers[t] = PhotoReader{&paths, &expected, t};
        threads.push_back(CreateThread(nullptr, 0, ReadPhotosInTurn, &readers[t], 0, nullptr));
        ASSERT_NE(threads.back(), nullptr);
    }
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (size_t t = 0; t < kThreads; ++t) {
        CloseHandle(threads[t]);
        EXPECT_EQ(readers[t].mismatches, 0) << "thread " << t;
    }
}

TEST(ReadBlocks, AGivenBackBlockServesTheNextTakerAndTwoTakersNeverShareOne)
{
    // More takers than blocks are kept: every kept block is out, the rest new.
    std::vector<ReadBlock> taken;
    for (int i = 0; i < 6; ++i) {
        taken.push_back(TakeReadBlock());
        ASSERT_TRUE(taken.back());
        taken.back()[0] = static_cast<uint8_t>(i);
        taken.back()[FileByteSource::kCacheSize - 1] = 0x22;  // the whole size is there
        for (int j = 0; j < i; ++j)
            EXPECT_NE(taken[j].get(), taken.back().get()) << j << " and " << i;
    }
    uint8_t* const given = taken[3].get();
    taken[3].reset();
    ReadBlock again = TakeReadBlock();
    EXPECT_EQ(again.get(), given);
    EXPECT_EQ(again[0], 3);  // as its last reader left it
}

TEST(OpenFromFile, APhotoOpenedInAReusedBlockIsRewrittenAsAFreshBlockWouldRewriteIt)
{
    TempFolder folder;
    const Bytes first = Jpeg({Filler(40000), Filler(40000), LocatedSegment(true, -0.5, 2.0)});
    const Bytes second = Jpeg({LocatedSegment(false, 0.8, -0.3)});
    const std::wstring firstPath = folder / L"first.jpg";
    const std::wstring secondPath = folder / L"second.jpg";
    ASSERT_TRUE(WriteFileBytes(firstPath, std::string(first.begin(), first.end())));
    ASSERT_TRUE(WriteFileBytes(secondPath, std::string(second.begin(), second.end())));

    ExifBlock reused;
    reused.Open(firstPath.c_str());
    reused.Open(secondPath.c_str());
    ASSERT_EQ(reused.StorePosition(0.25, 0.75, 10.0, 0.0), S_OK);
    ASSERT_EQ(reused.WriteToFile(), S_OK);

    ExifBlock fresh;
    fresh.OpenFromBytes(second.data(), second.size());
    ASSERT_EQ(fresh.StorePosition(0.25, 0.75, 10.0, 0.0), S_OK);
    OwnedBytes expected;
    ASSERT_EQ(fresh.WriteToBytes(second.data(), second.size(), &expected), S_OK);
    EXPECT_EQ(ReadFileBytes(secondPath), std::string(expected.data.get(), expected.data.get() + expected.size));
    EXPECT_EQ(ReadFileBytes(firstPath), std::string(first.begin(), first.end()));
}

}  // namespace

// A source over a handle just opened reads from its start without moving
// the file pointer first; every read after that, in any order, inside or
// outside its large read, must still give the bytes at its own offset, as
// must a source over a handle whose pointer someone else moved.
TEST(FileByteSourceReads, ReadsInAnyOrderGiveTheBytesAtTheirOffsetWhereverThePointerWas)
{
    TempFolder folder;
    const uint32_t size = 3 * FileByteSource::kCacheSize + 123;
    std::string content(size, '\0');
    for (uint32_t i = 0; i < size; ++i)
        content[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    const std::wstring path = folder / L"pattern.bin";
    ASSERT_TRUE(WriteFileBytes(path, content));
    struct Read {
        uint32_t offset, count;
    };
    const Read reads[] = {{0, 24},
                          {10, 24},
                          {2 * FileByteSource::kCacheSize + 7, 100},
                          {FileByteSource::kCacheSize - 12, 24},
                          {5, FileByteSource::kCacheSize + 10},
                          {size - 24, 24},
                          {0, 24}};
    for (int moved = 0; moved < 2; ++moved) {
        SCOPED_TRACE(moved ? "pointer moved before" : "fresh handle");
        KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        std::vector<uint8_t> buffer(2 * FileByteSource::kCacheSize);
        FileByteSource source(file.Get(), size);
        if (moved) {
            DWORD got = 0;
            ASSERT_TRUE(ReadFile(file.Get(), buffer.data(), 1000, &got, nullptr));
        } else {
            source.StartAtFileStart();
        }
        for (const Read& read : reads) {
            uint32_t got = 0;
            ASSERT_TRUE(source.ReadAt(read.offset, buffer.data(), read.count, &got)) << read.offset;
            ASSERT_EQ(got, read.count) << read.offset;
            EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + got), content.substr(read.offset, got))
                << read.offset;
        }
    }
}
