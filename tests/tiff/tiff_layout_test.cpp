// The TIFF directory model through the public operations: parsing hand-built
// TIFF bytes and serialising trees, byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"

using namespace vztest;

namespace {

// The serialised TIFF part of a block (the segment without its 10 bytes of
// marker, length and "Exif\0\0").
Bytes BuiltTiff(ExifBlock& block)
{
    OwnedBytes segment = block.BuildExifSegment();
    if (!segment.data || segment.size < 10)
        return Bytes();
    return Bytes(segment.data.get() + 10, segment.data.get() + segment.size);
}

ExifBlock* OpenTiff(ExifBlock& block, const Bytes& tiff)
{
    Bytes file = Jpeg({ExifSegment(tiff)});
    block.OpenFromBytes(file.data(), file.size());
    return &block;
}

IfdDirectory* ParseTiff(const Bytes& tiff, bool bigEndian, size_t dirOffset, IfdKind kind = Ifd0)
{
    TiffBytes view = {tiff.data(), tiff.size(), bigEndian};
    return IfdDirectory::Parse(kind, view, dirOffset);
}

// IFD0: Make, Exif pointer, GPS pointer, link to IFD1. The parts stand in
// another order than the writer's, with gaps, so that the written layout
// shows the writer's own rules.
Bytes FullTree(bool be)
{
    TiffBytesBuilder b(be);
    b.Header(8);
    b.U16(3).Entry(0x010F, 2, 6, 200).Entry(0x8769, 4, 1, 120).Entry(0x8825, 4, 1, 80).U32(150);  // 8..49
    b.Zeros(80 - b.Size());
    // 80: GPS directory: GPSVersionID inline, GPSLatitude -> 220.
    b.U16(2).EntryBytes(0x0000, 1, 4, {2, 2, 0, 0}).Entry(0x0002, 5, 3, 220).U32(0);  // 80..109
    b.Zeros(120 - b.Size());
    // 120: Exif directory: ExposureTime -> 244.
    b.U16(1).Entry(0x829A, 5, 1, 244).U32(0);  // 120..137
    b.Zeros(150 - b.Size());
    // 150: IFD1: Compression 6, XResolution -> 252, thumbnail at 260 (10 bytes).
    b.U16(4).EntryBytes(0x0103, 3, 1, be ? Bytes{0, 6} : Bytes{6, 0}).Entry(0x011A, 5, 1, 252)
        .Entry(0x0201, 4, 1, 260).Entry(0x0202, 4, 1, 10).U32(0);  // 150..203
    b.Zeros(220 - b.Size());
    b.U32(48).U32(1).U32(51).U32(1).U32(2952).U32(100);  // 220..243
    b.U32(1).U32(125);                                    // 244..251
    b.U32(72).U32(1);                                     // 252..259
    Bytes thumb = {0xFF, 0xD8, 1, 2, 3, 4, 5, 6, 0xFF, 0xD9};
    for (uint8_t t : thumb)
        b.U8(t);                                          // 260..269
    b.Text("Canon").U8(0);                                // 270..275
    Bytes tiff = b.Get();
    // Make points at 270 (patch the first entry's value field at 10 + 8).
    TiffBytesBuilder patch(be);
    patch.U32(270);
    std::memcpy(&tiff[18], patch.Get().data(), 4);
    return tiff;
}

class TiffLayout : public testing::TestWithParam<bool> {};

TEST_P(TiffLayout, WritesDirectoriesFollowedByTheirDataInEntryOrder)
{
    const bool be = GetParam();
    ExifBlock block;
    ASSERT_NE(OpenTiff(block, FullTree(be))->Root(), nullptr);
    Bytes t = BuiltTiff(block);
    ASSERT_EQ(t.size(), 208u);

    // Header: byte order, 42, IFD0 at 8.
    EXPECT_EQ(t[0], be ? 'M' : 'I');
    EXPECT_EQ(t[1], be ? 'M' : 'I');
    EXPECT_EQ(GetU16(t, 2, be), 42);
    EXPECT_EQ(GetU32(t, 4, be), 8u);

    // IFD0: 2 + 36 + 4 bytes; Make's text at 50..55.
    EXPECT_EQ(GetU16(t, 8, be), 3);
    EXPECT_EQ(GetU16(t, 10, be), 0x010F);
    EXPECT_EQ(GetU32(t, 18, be), 50u);
    EXPECT_EQ(std::memcmp(&t[50], "Canon", 6), 0);
    // Exif directory at 56, its value right after it.
    EXPECT_EQ(GetU16(t, 22, be), 0x8769);
    EXPECT_EQ(GetU32(t, 30, be), 56u);
    EXPECT_EQ(GetU16(t, 56, be), 1);
    EXPECT_EQ(GetU32(t, 58 + 8, be), 74u);
    EXPECT_EQ(GetU32(t, 70, be), 0u);  // no link
    EXPECT_EQ(GetU32(t, 74, be), 1u);
    EXPECT_EQ(GetU32(t, 78, be), 125u);
    // GPS directory at 82: inline version, latitude out of line at 112.
    EXPECT_EQ(GetU16(t, 34, be), 0x8825);
    EXPECT_EQ(GetU32(t, 42, be), 82u);
    EXPECT_EQ(GetU16(t, 82, be), 2);
    EXPECT_EQ(t[84 + 8], 2);
    EXPECT_EQ(t[84 + 9], 2);
    EXPECT_EQ(GetU32(t, 96 + 8, be), 112u);
    EXPECT_EQ(GetU32(t, 112 + 16, be), 2952u);
    // IFD1 last, at 136: the thumbnail first in its data area, then XResolution.
    EXPECT_EQ(GetU32(t, 46, be), 136u);
    EXPECT_EQ(GetU16(t, 136, be), 4);
    const size_t ifd1Data = 136 + 2 + 48 + 4;
    EXPECT_EQ(GetU32(t, 138 + 24 + 8, be), ifd1Data);        // JPEGInterchangeFormat
    EXPECT_EQ(GetU32(t, 138 + 36 + 8, be), 10u);              // its length, unchanged
    EXPECT_EQ(t[ifd1Data], 0xFF);
    EXPECT_EQ(t[ifd1Data + 9], 0xD9);
    EXPECT_EQ(GetU32(t, 138 + 12 + 8, be), ifd1Data + 10);   // XResolution after the thumbnail
    EXPECT_EQ(GetU32(t, ifd1Data + 10, be), 72u);
}

TEST_P(TiffLayout, WrittenTreeReadsBackToTheSameTreeAndBytes)
{
    const bool be = GetParam();
    ExifBlock first;
    OpenTiff(first, FullTree(be));
    Bytes once = BuiltTiff(first);
    ExifBlock second;
    OpenTiff(second, once);
    EXPECT_EQ(BuiltTiff(second), once);
    ASSERT_NE(second.Root()->Next(), nullptr);
    EXPECT_EQ(second.Root()->Next()->ThumbnailLength(), 10u);
    EXPECT_TRUE(second.Root()->Next()->ThumbnailIsJpeg());
    const IfdEntry* make = second.Root()->FindEntry(Ifd0, 0x010F, false);
    ASSERT_NE(make, nullptr);
    EXPECT_EQ(make->Count(), 6u);
    EXPECT_EQ(second.Root()->FindEntry(ExifIfd, 0x829A, true)->GetNumber(0), 1.0 / 125);
}

TEST_P(TiffLayout, BigEndianCountsAndFieldsAreWrittenMostSignificantByteFirst)
{
    const bool be = GetParam();
    ExifBlock block;
    OpenTiff(block, SimpleTiff(be));
    Bytes t = BuiltTiff(block);
    ASSERT_GE(t.size(), 12u);
    // IFD0 count 2, first entry tag 0x010F, type 2.
    Bytes expected = be ? Bytes{0x00, 0x02, 0x01, 0x0F, 0x00, 0x02} : Bytes{0x02, 0x00, 0x0F, 0x01, 0x02, 0x00};
    EXPECT_EQ(Bytes(t.begin() + 8, t.begin() + 14), expected);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, TiffLayout, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST(TiffValues, SmallValuesStayInlineAndLargerOnesMoveOutOfLine)
{
    TiffBytesBuilder b(false);
    b.Header(8);
    // SHORT x2 inline; SHORT x3 at 50; ASCII "N" inline with junk in the
    // unused bytes, which are kept as found.
    b.U16(3).EntryBytes(0x0001, 3, 2, {1, 0, 2, 0}).Entry(0x0002, 3, 3, 50).EntryBytes(0x0003, 2, 2, {'N', 0, 0xAA, 0xBB}).U32(0);
    b.U16(7).U16(8).U16(9);
    ExifBlock block;
    OpenTiff(block, b.Get());
    Bytes t = BuiltTiff(block);
    ASSERT_EQ(t.size(), 50u + 6);
    EXPECT_EQ(Bytes(t.begin() + 18, t.begin() + 22), (Bytes{1, 0, 2, 0}));
    EXPECT_EQ(GetU32(t, 30, false), 50u);
    EXPECT_EQ(GetU16(t, 54, false), 9);
    EXPECT_EQ(Bytes(t.begin() + 42, t.begin() + 46), (Bytes{'N', 0, 0xAA, 0xBB}));

    const IfdEntry* shorts = block.Root()->FindEntry(Ifd0, 0x0002, false);
    EXPECT_EQ(shorts->GetNumber(2), 9.0);
    EXPECT_EQ(shorts->GetNumber(3), 0.0);  // beyond the count
}

TEST(TiffValues, SetTextStoresAnsiWithTerminatorInlineOrOutOfLine)
{
    IfdEntry* entry = IfdEntry::Create(false, 1);
    ASSERT_EQ(entry->SetText(L"N"), S_OK);
    EXPECT_EQ(entry->Type(), 2);
    EXPECT_EQ(entry->Count(), 2u);
    EXPECT_FALSE(entry->IsOutOfLine());
    EXPECT_EQ(entry->ValueBytes(0)[0], 'N');
    EXPECT_EQ(entry->ValueBytes(1)[0], 0);
    char letter[2];
    EXPECT_EQ(entry->GetFirstChar(letter), S_OK);
    EXPECT_STREQ(letter, "N");

    ASSERT_EQ(entry->SetText(L"WGS-84"), S_OK);
    EXPECT_EQ(entry->Count(), 7u);
    EXPECT_TRUE(entry->IsOutOfLine());
    EXPECT_EQ(std::memcmp(entry->ValueBytes(0), "WGS-84", 7), 0);

    ASSERT_EQ(entry->SetText(nullptr), S_OK);
    EXPECT_EQ(entry->Count(), 0u);
    delete entry;
}

TEST(TiffValues, NumbersReadByTheirTypeAndZeroDenominatorsGiveZero)
{
    IfdEntry* entry = IfdEntry::Create(true, 6);
    const int32_t num[2] = {1, -7}, den[2] = {0, 2};
    ASSERT_EQ(entry->SetRationals(5, 2, num, den), S_OK);
    EXPECT_EQ(entry->GetNumber(0), 0.0);                       // 1/0
    EXPECT_EQ(entry->GetNumber(1), 4294967289.0 / 2);          // unsigned numerator
    ASSERT_EQ(entry->SetRationals(10, 2, num, den), S_OK);
    EXPECT_EQ(entry->GetNumber(1), -3.5);
    EXPECT_EQ(entry->GetInteger(1), -3);                       // toward zero
    const int32_t values[3] = {-1, 300, 70000};
    ASSERT_EQ(entry->SetIntegers(1, 3, values), S_OK);         // low 8 bits
    EXPECT_EQ(entry->GetNumber(0), 255.0);
    EXPECT_EQ(entry->GetNumber(1), 44.0);
    ASSERT_EQ(entry->SetIntegers(8, 3, values), S_OK);         // low 16 bits, signed
    EXPECT_EQ(entry->GetNumber(0), -1.0);
    EXPECT_EQ(entry->GetNumber(2), 4464.0);
    EXPECT_TRUE(entry->IsOutOfLine());
    ASSERT_EQ(entry->SetIntegers(9, 1, values), S_OK);
    EXPECT_EQ(entry->GetNumber(0), -1.0);
    EXPECT_EQ(entry->SetIntegers(5, 1, values), E_INVALIDARG);  // not an integer type
    char letter[2];
    EXPECT_EQ(entry->GetFirstChar(letter), E_FAIL);
    EXPECT_STREQ(letter, "");
    delete entry;
}

TEST(TiffValues, FloatAndDoubleReadInEitherByteOrder)
{
    for (bool be : {false, true}) {
        TiffBytesBuilder b(be);
        b.Header(8);
        b.U16(2).Entry(0x0001, 11, 1, 0x40490FDB).Entry(0x0002, 12, 1, 38).U32(0);  // pi as float
        uint64_t bits;
        double value = -2.5;
        std::memcpy(&bits, &value, 8);
        if (be)
            b.U32(static_cast<uint32_t>(bits >> 32)).U32(static_cast<uint32_t>(bits));
        else
            b.U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
        IfdDirectory* root = ParseTiff(b.Get(), be, 8);
        EXPECT_FLOAT_EQ(static_cast<float>(root->FindEntry(Ifd0, 1, false)->GetNumber(0)), 3.14159274f);
        EXPECT_EQ(root->FindEntry(Ifd0, 2, false)->GetNumber(0), -2.5);
        delete root;
    }
}

TEST(TiffParse, PointerTagsAreFollowedOnlyWhereTheirDirectoryBelongs)
{
    TiffBytesBuilder b(false);
    b.Header(8);
    b.U16(2).Entry(0x8769, 4, 1, 38).Entry(0x0110, 2, 2, 'X').U32(0);  // 8..37
    // 38: Exif directory holding a GPS pointer (dropped), an Exif pointer
    // to itself (dropped), an interoperability pointer (kept) and a value.
    b.U16(4).Entry(0x8825, 4, 1, 92).Entry(0x8769, 4, 1, 38).Entry(0x9000, 7, 4, 0x31323230)
        .Entry(0xA005, 4, 1, 92).U32(0);  // 38..91
    // 92: a directory read as GPS and as interoperability: it points at
    // Exif again (dropped) and holds one value.
    b.U16(2).Entry(0x0001, 2, 2, 'R').Entry(0x8769, 4, 1, 38).U32(0);
    IfdDirectory* root = ParseTiff(b.Get(), false, 8);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FindEntry(GpsIfd, 1, true), nullptr);
    IfdEntry* exif = root->FindEntry(Ifd0, 0x8769, false);
    ASSERT_NE(exif, nullptr);
    IfdDirectory* exifDir = exif->SubDirectory();
    ASSERT_NE(exifDir, nullptr);
    ASSERT_EQ(exifDir->EntryCount(), 2);
    EXPECT_EQ(exifDir->EntryAt(0)->Tag(), 0x9000);
    EXPECT_EQ(exifDir->EntryAt(1)->Tag(), 0xA005);
    IfdDirectory* interop = exifDir->EntryAt(1)->SubDirectory();
    ASSERT_EQ(interop->EntryCount(), 1);
    EXPECT_EQ(interop->Kind(), InteropIfd);
    delete root;
}

TEST(TiffParse, DamagedDirectoriesAndValuesNeverReachOutsideTheData)
{
    // Entry table longer than the data: empty directory.
    {
        TiffBytesBuilder b(false);
        b.Header(8);
        b.U16(3).Entry(0x0100, 4, 1, 1).U32(0);
        IfdDirectory* root = ParseTiff(b.Get(), false, 8);
        EXPECT_EQ(root->EntryCount(), 0);
        delete root;
    }
    // A value past the end, a count whose size overflows and a
    // sub-directory whose pointer lies out of range are dropped; the value
    // that fits stays, and so does an entry of count 0, as it was.
    {
        TiffBytesBuilder b(true);
        b.Header(8);
        b.U16(5).Entry(0x0100, 4, 2, 70).Entry(0x0101, 5, 0x40000000, 8).Entry(0x0102, 3, 0, 0)
            .Entry(0x8769, 4, 1, 0xFFFFFFF0).Entry(0x0103, 4, 2, 70 - 8).U32(0);  // 8..73
        IfdDirectory* root = ParseTiff(b.Get(), true, 8);
        ASSERT_EQ(root->EntryCount(), 2);
        EXPECT_EQ(root->EntryAt(0)->Tag(), 0x0102);
        EXPECT_EQ(root->EntryAt(0)->Count(), 0u);
        EXPECT_EQ(root->EntryAt(0)->Type(), TiffShort);
        EXPECT_EQ(root->EntryAt(1)->Tag(), 0x0103);
        delete root;
    }
    // A following directory closer than 18 bytes to the end is ignored.
    {
        TiffBytesBuilder b(false);
        b.Header(8);
        b.U16(1).Entry(0x0100, 4, 1, 1).U32(36);  // 8..25
        b.Zeros(20);                              // ends at 46: 10 bytes after 36
        IfdDirectory* root = ParseTiff(b.Get(), false, 8);
        EXPECT_EQ(root->Next(), nullptr);
        delete root;
    }
}

TEST(TiffParse, RepeatedPointersCannotMultiplyTheTree)
{
    // IFD0 holds the Exif pointer many times over, all to one directory
    // which in turn points at one interoperability directory many times:
    // only the first pointer of each tag counts.
    TiffBytesBuilder b(false);
    b.Header(8);
    const int n = 400;
    const uint32_t exifAt = 8 + 2 + 12 * n + 4;
    const uint32_t interopAt = exifAt + 2 + 12 * n + 4;
    b.U16(n);
    for (int i = 0; i < n; ++i)
        b.Entry(0x8769, 4, 1, exifAt);
    b.U32(0).U16(n);
    for (int i = 0; i < n; ++i)
        b.Entry(0xA005, 4, 1, interopAt);
    b.U32(0).U16(n);
    for (int i = 0; i < n; ++i)
        b.Entry(static_cast<uint16_t>(i + 1), 3, 1, 0);
    b.U32(0);
    IfdDirectory* root = ParseTiff(b.Get(), false, 8);
    ASSERT_EQ(root->EntryCount(), 1);
    ASSERT_EQ(root->EntryAt(0)->SubDirectory()->EntryCount(), 1);
    EXPECT_EQ(root->EntryAt(0)->SubDirectory()->EntryAt(0)->SubDirectory()->EntryCount(), n);
    EXPECT_TRUE(root->IsComplete());
    delete root;
}

TEST(TiffParse, TreesLargerThanAnySegmentAreMarkedIncompleteAndNotWritten)
{
    // 1,000 entries sharing one 40,000-byte value would copy 40 MB.
    const int n = 1000;
    TiffBytesBuilder b(false);
    b.Header(8);
    const uint32_t valueAt = 8 + 2 + 12 * n + 4;
    b.U16(n);
    for (int i = 0; i < n; ++i)
        b.Entry(static_cast<uint16_t>(0x1000 + i), 7, 40000, valueAt);
    b.U32(0).Zeros(40000);
    ExifBlock block;
    Bytes tiff = b.Get();
    Bytes file = Jpeg({ExifSegment(tiff)});
    ASSERT_LT(tiff.size(), 65000u);
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_NE(block.Root(), nullptr);
    EXPECT_FALSE(block.Root()->IsComplete());
    EXPECT_LT(block.Root()->EntryCount(), 30);
    EXPECT_EQ(block.BuildExifSegment().size, 0u);
    OwnedBytes out;
    EXPECT_EQ(block.WriteToBytes(file.data(), file.size(), &out), E_FAIL);
}

TEST(TiffParse, FieldTypesAboveTwelveAreCarriedWithTheirInlineBytes)
{
    TiffBytesBuilder b(false);
    b.Header(8);
    b.U16(2).EntryBytes(0x0100, 13, 1000, {1, 2, 3, 4}).EntryBytes(0x0101, 0, 7, {9, 8, 7, 6}).U32(0);
    ExifBlock block;
    OpenTiff(block, b.Get());
    Bytes t = BuiltTiff(block);
    ASSERT_EQ(t.size(), 8u + 2 + 24 + 4);
    EXPECT_EQ(GetU16(t, 12, false), 13);
    EXPECT_EQ(GetU32(t, 14, false), 1000u);
    EXPECT_EQ(Bytes(t.begin() + 18, t.begin() + 22), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(GetU16(t, 24, false), 0);
    EXPECT_EQ(Bytes(t.begin() + 30, t.begin() + 34), (Bytes{9, 8, 7, 6}));
}

}  // namespace
