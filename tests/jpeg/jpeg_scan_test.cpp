// The walk over the JPEG markers to the Exif segment and the frame size.
#include <gtest/gtest.h>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
#include "jpeg/jpeg_scan.h"

using namespace vztest;

namespace {

ExifSegmentScan Scan(const Bytes& file)
{
    MemoryByteSource source(file.data(), file.size());
    ExifSegmentScan scan;
    LocateExifSegment(source, &scan);
    return scan;
}

Bytes Xmp()
{
    std::string ns = "http://ns.adobe.com/xap/1.0/";
    Bytes payload(ns.begin(), ns.end());
    payload.push_back(0);
    payload.insert(payload.end(), 40, 'x');
    return Segment(0xE1, payload);
}

TEST(JpegScan, FindsTheExifSegmentBehindOtherSegments)
{
    const Bytes exif = ExifSegment(SimpleTiff(false));
    Bytes file = Jpeg({JfifSegment(), Xmp(), Segment(0xDB, Bytes(67, 1)), exif});
    ExifSegmentScan scan = Scan(file);
    EXPECT_TRUE(scan.isJpeg);
    EXPECT_TRUE(scan.success);
    EXPECT_EQ(scan.offset, 2u + JfifSegment().size() + Xmp().size() + 71);
    EXPECT_EQ(scan.size, exif.size());
    EXPECT_FALSE(scan.bigEndian);
    EXPECT_EQ(scan.frameWidth, 640u);
    EXPECT_EQ(scan.frameHeight, 480u);

    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_NE(block.Root(), nullptr);
    EXPECT_EQ(block.FrameWidth(), 640u);
    EXPECT_NE(block.Root()->FindEntry(ExifIfd, 0x829A, true), nullptr);
}

TEST(JpegScan, ByteOrderIsBigEndianOnlyForMM)
{
    EXPECT_TRUE(Scan(Jpeg({ExifSegment(SimpleTiff(true))})).bigEndian);
    Bytes odd = SimpleTiff(false);
    odd[0] = 'X';
    odd[1] = 'Y';
    ExifSegmentScan scan = Scan(Jpeg({ExifSegment(odd)}));
    EXPECT_TRUE(scan.success);
    EXPECT_FALSE(scan.bigEndian);
    ExifBlock block;
    Bytes file = Jpeg({ExifSegment(odd)});
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_NE(block.Root(), nullptr);
    EXPECT_EQ(block.Root()->EntryCount(), 2);
}

TEST(JpegScan, TheLastValidSegmentBeforeTheFrameHeaderWins)
{
    const Bytes first = ExifSegment(SimpleTiff(false));
    const Bytes second = ExifSegment(SimpleTiff(true));
    ExifSegmentScan scan = Scan(Jpeg({first, second}));
    EXPECT_TRUE(scan.success);
    EXPECT_EQ(scan.offset, 2u + first.size());
    EXPECT_TRUE(scan.bigEndian);

    // After the frame header an Exif segment is not looked for.
    Bytes late = Join({Bytes{0xFF, 0xD8}, FrameHeader(8, 8), first});
    scan = Scan(late);
    EXPECT_FALSE(scan.success);
    EXPECT_FALSE(scan.recorded);
    EXPECT_EQ(scan.offset, 2u);
    EXPECT_EQ(scan.size, 0u);
}

TEST(JpegScan, FillBytesBeforeAMarkerAreSkipped)
{
    const Bytes exif = ExifSegment(SimpleTiff(false));
    Bytes file = Jpeg({Bytes{0xFF, 0xFF}, exif, Bytes{0xFF}, Segment(0xE2, Bytes(5, 0))});
    ExifSegmentScan scan = Scan(file);
    EXPECT_TRUE(scan.success);
    EXPECT_EQ(scan.offset, 4u);
    EXPECT_EQ(scan.frameWidth, 640u);
}

TEST(JpegScan, FrameSizesAreReadFromEveryKindOfFrameHeader)
{
    for (uint8_t code : {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC7, 0xC9, 0xCB, 0xCD, 0xCF}) {
        Bytes file = Join({Bytes{0xFF, 0xD8}, FrameHeader(640, 480, code)});
        ExifSegmentScan scan = Scan(file);
        EXPECT_EQ(scan.frameWidth, 640u) << int(code);
        EXPECT_EQ(scan.frameHeight, 480u) << int(code);
        EXPECT_FALSE(scan.success);  // no Exif segment
    }
    // DHT (C4), JPG (C8) and DAC (CC) are skipped by their length.
    Bytes file = Join({Bytes{0xFF, 0xD8}, Segment(0xC4, Bytes(20, 0)), Segment(0xCC, {1, 2}), FrameHeader(3, 2)});
    EXPECT_EQ(Scan(file).frameWidth, 3u);
    // Without a usable Exif segment the block still knows the frame size.
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    EXPECT_TRUE(block.IsJpeg());
    EXPECT_EQ(block.Root(), nullptr);
    EXPECT_EQ(block.FrameHeight(), 2u);
}

TEST(JpegScan, TinyOrForeignFilesAreNoJpeg)
{
    for (const Bytes& file : {Bytes{}, Bytes{0xFF}, Bytes{0xD8, 0xFF}, Bytes{'B', 'M', 0, 0}}) {
        ExifSegmentScan scan = Scan(file);
        EXPECT_FALSE(scan.isJpeg);
        EXPECT_FALSE(scan.success);
    }
    ExifSegmentScan scan = Scan(Bytes{0xFF, 0xD8});
    EXPECT_TRUE(scan.isJpeg);
    EXPECT_FALSE(scan.success);
}

TEST(JpegScan, BadExifSegmentsEndTheScanWithFailure)
{
    const Bytes good = ExifSegment(SimpleTiff(false));
    // Shorter than 18 bytes.
    Bytes tiny = Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0});
    // Not 42 after the byte-order mark.
    Bytes notTiff = SimpleTiff(false);
    notTiff[2] = 43;
    // Running past the end of the file.
    Bytes cut = Join({Bytes{0xFF, 0xD8}, good});
    cut.resize(cut.size() - 1);
    // A frame header of height 0 (given later by DNL).
    Bytes dnl = Join({Bytes{0xFF, 0xD8}, good, FrameHeader(100, 0)});

    for (const Bytes& file : {Jpeg({good, tiny}), Jpeg({good, ExifSegment(notTiff)}), cut, dnl}) {
        ExifSegmentScan scan = Scan(file);
        EXPECT_TRUE(scan.isJpeg);
        EXPECT_FALSE(scan.success);
        ExifBlock block;
        block.OpenFromBytes(file.data(), file.size());
        EXPECT_EQ(block.Root(), nullptr);
    }
    // The good segment before the bad one is still reported as recorded.
    EXPECT_TRUE(Scan(Jpeg({good, tiny})).recorded);
    EXPECT_EQ(Scan(dnl).frameWidth, 100u);
}

TEST(JpegScan, Ifd0OffsetsOutOfRangeGiveNoTree)
{
    for (uint32_t offset : {0u, 7u, 200u}) {
        Bytes tiff = SimpleTiff(false);
        tiff[4] = static_cast<uint8_t>(offset);
        Bytes file = Jpeg({ExifSegment(tiff)});
        ExifBlock block;
        block.OpenFromBytes(file.data(), file.size());
        EXPECT_TRUE(block.IsJpeg());
        EXPECT_EQ(block.Root(), nullptr) << offset;
    }
    // 14 bytes from IFD0 to the end of the segment are enough.
    Bytes tiff = SimpleTiff(false);
    const size_t offset = tiff.size() + 10 - 24;
    tiff[4] = static_cast<uint8_t>(offset);
    Bytes file = Jpeg({ExifSegment(tiff)});
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    EXPECT_NE(block.Root(), nullptr);
}

TEST(JpegScan, BytesPastTheEndNeverMakeAMarker)
{
    // The file ends in the middle of a marker: no frame, no hang.
    Bytes file = Join({Bytes{0xFF, 0xD8}, Segment(0xE0, Bytes(4, 0)), Bytes{0xFF}});
    ExifSegmentScan scan = Scan(file);
    EXPECT_TRUE(scan.isJpeg);
    EXPECT_FALSE(scan.success);
    EXPECT_EQ(scan.frameWidth, 0u);
    // A segment length of 0 moves on by the two marker bytes only; the
    // bytes before the next marker are skipped.
    Bytes zero = Join({Bytes{0xFF, 0xD8, 0xFF, 0xE5, 0x00, 0x00}, FrameHeader(5, 5)});
    EXPECT_EQ(Scan(zero).frameWidth, 5u);
}

}  // namespace
