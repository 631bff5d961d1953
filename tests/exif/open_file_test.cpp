// Opening photos from files with one block, photo after photo, as the
// context menu's scan does: each photo must read as the in-memory reader
// reads the same bytes, wherever its Exif segment lies in the file, and
// nothing of an earlier photo may show through.
#include <gtest/gtest.h>
#include <windows.h>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
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

TEST(OpenFromFile, OneBlockReadsEveryPhotoOfASequenceAsTheMemoryReaderDoes)
{
    struct Photo {
        std::string name;
        Bytes bytes;
        bool located;
    };
    const std::vector<Photo> photos = {
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
    TempFolder folder;
    ExifBlock reused;
    for (size_t i = 0; i < photos.size(); ++i) {
        const Photo& photo = photos[i];
        std::wstring path = folder / (L"photo" + std::to_wstring(i) + L".jpg");
        ASSERT_TRUE(WriteFileBytes(path, std::string(photo.bytes.begin(), photo.bytes.end())));
        reused.Open(path.c_str());
        ExifBlock memory;
        memory.OpenFromBytes(photo.bytes.data(), photo.bytes.size());
        ReadResult fromFile = Read(reused);
        ExpectSameRead(fromFile, Read(memory), photo.name);
        EXPECT_EQ(SUCCEEDED(fromFile.hr), photo.located) << photo.name;
    }
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
