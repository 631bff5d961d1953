// Writing trees back: thumbnails of both kinds, directories left empty,
// the order of new entries, and the bound of the working buffer.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"

using namespace vztest;

namespace {

Bytes BuiltTiff(ExifBlock& block)
{
    OwnedBytes segment = block.BuildExifSegment();
    if (!segment.data || segment.size < 10)
        return Bytes();
    return Bytes(segment.data.get() + 10, segment.data.get() + segment.size);
}

void OpenTiff(ExifBlock& block, const Bytes& tiff)
{
    Bytes file = Jpeg({ExifSegment(tiff)});
    block.OpenFromBytes(file.data(), file.size());
}

// Tags of a directory in order.
std::vector<uint16_t> Tags(const IfdDirectory* directory)
{
    std::vector<uint16_t> tags;
    for (int i = 0; directory && i < directory->EntryCount(); ++i)
        tags.push_back(directory->EntryAt(i)->Tag());
    return tags;
}

Bytes Pattern(size_t n, uint8_t seed)
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 13);
    return bytes;
}

// IFD0 with one entry, linking to an IFD1 at 26 with the given entries;
// extra bytes follow at 26 + 2 + 12n + 4.
struct Ifd1Layout {
    std::vector<std::array<uint32_t, 4>> entries;  // tag, type, count, value field
    Bytes extra;
};

Bytes TreeWithIfd1(const Ifd1Layout& layout, bool be = false)
{
    TiffBytesBuilder b(be);
    b.Header(8);
    b.U16(1).Entry(0x0100, 4, 1, 640).U32(26);
    b.U16(static_cast<unsigned>(layout.entries.size()));
    for (const auto& e : layout.entries)
        b.Entry(static_cast<uint16_t>(e[0]), static_cast<uint16_t>(e[1]), e[2], e[3]);
    b.U32(0);
    for (uint8_t x : layout.extra)
        b.U8(x);
    return b.Get();
}

size_t Ifd1DataStart(size_t entries)
{
    return 26 + 2 + 12 * entries + 4;
}

// The value of tag in the written IFD1 (at 26), or -1 when it is not there.
int64_t WrittenIfd1Value(const Bytes& t, uint16_t tag, bool be = false)
{
    if (GetU32(t, 22, be) == 0)
        return -1;
    size_t at = GetU32(t, 22, be);
    unsigned n = GetU16(t, at, be);
    for (unsigned i = 0; i < n; ++i) {
        if (GetU16(t, at + 2 + 12 * i, be) == tag)
            return GetU32(t, at + 2 + 12 * i + 8, be);
    }
    return -1;
}

TEST(Thumbnails, JpegThumbnailMovesWithItsOffsetAndKeepsItsBytes)
{
    for (uint32_t compression : {6u, 7u, 0u}) {  // 0: no Compression tag
        SCOPED_TRACE(compression);
        Ifd1Layout layout;
        if (compression)
            layout.entries.push_back({0x0103, 3, 1, compression});
        layout.entries.push_back({0x0201, 4, 1, 0});
        layout.entries.push_back({0x0202, 4, 1, 300});
        const size_t start = Ifd1DataStart(layout.entries.size()) + 5;  // after 5 spare bytes
        layout.entries[layout.entries.size() - 2][3] = static_cast<uint32_t>(start);
        Bytes thumb = Pattern(300, 1);
        layout.extra = Join({Bytes(5, 0xEE), thumb});
        ExifBlock block;
        OpenTiff(block, TreeWithIfd1(layout));
        ASSERT_NE(block.Root()->Next(), nullptr);
        EXPECT_TRUE(block.Root()->Next()->ThumbnailIsJpeg());
        ASSERT_EQ(block.Root()->Next()->ThumbnailLength(), 300u);

        Bytes t = BuiltTiff(block);
        const int64_t written = WrittenIfd1Value(t, 0x0201);
        ASSERT_EQ(written, static_cast<int64_t>(Ifd1DataStart(layout.entries.size())));
        EXPECT_EQ(Bytes(t.begin() + written, t.begin() + written + 300), thumb);
        EXPECT_EQ(WrittenIfd1Value(t, 0x0202), 300);
        EXPECT_EQ(t.size(), Ifd1DataStart(layout.entries.size()) + 300);  // the spare bytes are gone
    }
}

TEST(Thumbnails, StripsAreTakenAsOneRunFromTheFirstStrip)
{
    // ImageLength 120, RowsPerStrip 40, StripByteCounts[0] 7680: three
    // strips of 7,680 bytes, 23,040 in all.
    Ifd1Layout layout;
    layout.entries = {{0x0101, 3, 1, 120}, {0x0103, 3, 1, 1}, {0x0111, 4, 3, 0},
                    {0x0116, 3, 1, 40}, {0x0117, 4, 3, 0}};
    const size_t arrays = Ifd1DataStart(layout.entries.size());
    const size_t strips = arrays + 24;
    layout.entries[2][3] = static_cast<uint32_t>(arrays);
    layout.entries[4][3] = static_cast<uint32_t>(arrays + 12);
    TiffBytesBuilder values(false);
    values.U32(static_cast<uint32_t>(strips)).U32(static_cast<uint32_t>(strips + 7680)).U32(static_cast<uint32_t>(strips + 15360));
    values.U32(7680).U32(7680).U32(7680);
    Bytes pixels = Pattern(23040, 7);
    layout.extra = Join({values.Get(), pixels});

    ExifBlock block;
    OpenTiff(block, TreeWithIfd1(layout, false));
    const IfdDirectory* ifd1 = block.Root()->Next();
    ASSERT_NE(ifd1, nullptr);
    EXPECT_FALSE(ifd1->ThumbnailIsJpeg());
    ASSERT_EQ(ifd1->ThumbnailLength(), 23040u);

    Bytes t = BuiltTiff(block);
    const int64_t written = WrittenIfd1Value(t, 0x0111);
    ASSERT_EQ(written, static_cast<int64_t>(Ifd1DataStart(5)));
    EXPECT_EQ(Bytes(t.begin() + written, t.begin() + written + 23040), pixels);
    // StripOffsets is now one LONG; StripByteCounts keeps its three counts.
    const IfdEntry* offsets = block.Root()->FindEntry(Ifd1, 0x0111, true);
    EXPECT_EQ(offsets->Type(), 4);
    EXPECT_EQ(offsets->Count(), 1u);
    EXPECT_EQ(block.Root()->FindEntry(Ifd1, 0x0117, true)->Count(), 3u);
}

TEST(Thumbnails, OneStripIsTakenWholeWhateverRowsPerStripSays)
{
    // RowsPerStrip 2^32-1 ("all rows in one strip") as TIFF writers store it.
    Ifd1Layout layout;
    layout.entries = {{0x0101, 4, 1, 60}, {0x0103, 4, 1, 1}, {0x0111, 4, 1, 0},
                    {0x0116, 4, 1, 0xFFFFFFFF}, {0x0117, 4, 1, 900}};
    layout.entries[2][3] = static_cast<uint32_t>(Ifd1DataStart(5));
    layout.extra = Pattern(900, 3);
    ExifBlock block;
    OpenTiff(block, TreeWithIfd1(layout, true));
    ASSERT_NE(block.Root()->Next(), nullptr);
    EXPECT_EQ(block.Root()->Next()->ThumbnailLength(), 900u);
}

TEST(Thumbnails, OffsetsOfAThumbnailThatCannotBeTakenAreLeftOut)
{
    // A JPEG thumbnail running one byte past the end of the data: IFD1 and
    // its other entries remain, its offset entries are not written.
    {
        Ifd1Layout layout;
        layout.entries = {{0x0103, 3, 1, 6}, {0x011A, 4, 1, 72}, {0x0201, 4, 1, 0}, {0x0202, 4, 1, 51}};
        layout.entries[2][3] = static_cast<uint32_t>(Ifd1DataStart(4));
        layout.extra = Pattern(50, 9);
        ExifBlock block;
        OpenTiff(block, TreeWithIfd1(layout));
        const IfdDirectory* ifd1 = block.Root()->Next();
        ASSERT_NE(ifd1, nullptr);
        EXPECT_EQ(ifd1->ThumbnailLength(), 0u);
        EXPECT_EQ(ifd1->EntryCount(), 4);
        Bytes t = BuiltTiff(block);
        EXPECT_EQ(WrittenIfd1Value(t, 0x0201), -1);
        EXPECT_EQ(WrittenIfd1Value(t, 0x0202), -1);
        EXPECT_EQ(WrittenIfd1Value(t, 0x011A), 72);
        EXPECT_EQ(WrittenIfd1Value(t, 0x0103), 6);
    }
    // Strips outside the data: StripOffsets and StripByteCounts go.
    {
        Ifd1Layout layout;
        layout.entries = {{0x0103, 3, 1, 1}, {0x0111, 4, 1, 5000}, {0x0117, 4, 1, 100}, {0x011A, 4, 1, 72}};
        ExifBlock block;
        OpenTiff(block, TreeWithIfd1(layout));
        Bytes t = BuiltTiff(block);
        EXPECT_EQ(WrittenIfd1Value(t, 0x0111), -1);
        EXPECT_EQ(WrittenIfd1Value(t, 0x0117), -1);
        EXPECT_EQ(WrittenIfd1Value(t, 0x011A), 72);
    }
    // An IFD1 of nothing but such offsets is not written at all.
    {
        Ifd1Layout layout;
        layout.entries = {{0x0201, 4, 1, 9000}, {0x0202, 4, 1, 100}};
        ExifBlock block;
        OpenTiff(block, TreeWithIfd1(layout));
        ASSERT_NE(block.Root()->Next(), nullptr);
        Bytes t = BuiltTiff(block);
        EXPECT_EQ(GetU32(t, 22, false), 0u);
        EXPECT_EQ(t.size(), 26u);
    }
}

TEST(EmptyDirectories, AGpsDirectoryLeftEmptyIsWrittenAsNothingWithoutItsPointer)
{
    ExifBlock block;
    OpenTiff(block, SimpleTiff(true));
    ASSERT_EQ(block.StorePosition(0.5, 0.5, 10, 1), S_OK);
    block.RemovePosition();
    Bytes t = BuiltTiff(block);
    // IFD0 again holds Make and the Exif pointer only, and the tree reads
    // back without a GPS directory.
    EXPECT_EQ(GetU16(t, 8, true), 2);
    ExifBlock again;
    OpenTiff(again, t);
    EXPECT_EQ(Tags(again.Root()), (std::vector<uint16_t>{0x010F, 0x8769}));
    EXPECT_EQ(BuiltTiff(again), SimpleTiff(true));
}

TEST(EmptyDirectories, OtherGpsTagsKeepTheDirectory)
{
    ExifBlock block;
    OpenTiff(block, SimpleTiff(false));
    ASSERT_EQ(block.StorePosition(0.5, 0.5, 10, 1), S_OK);
    ASSERT_EQ(block.SetTextTag(GpsIfd, 0x0012, L"WGS-84"), S_OK);  // GPSMapDatum
    block.RemovePosition();
    ExifBlock again;
    OpenTiff(again, BuiltTiff(block));
    EXPECT_EQ(Tags(again.Root()), (std::vector<uint16_t>{0x010F, 0x8769, 0x8825}));
    EXPECT_NE(again.Root()->FindEntry(GpsIfd, 0x0012, true), nullptr);
    EXPECT_EQ(again.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);
}

TEST(EmptyDirectories, AnEmptyRootIsWrittenAsAnEmptyIfd0)
{
    Bytes file = Jpeg({JfifSegment()});
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_EQ(block.StorePosition(0.1, 0.2, 0, 0), S_OK);
    // An interoperability directory that ends up empty empties the Exif
    // directory that holds it, too.
    ASSERT_NE(block.GetOrCreateEntry(ExifIfd, 0x9000), nullptr);  // left without a value
    ASSERT_EQ(block.SetTextTag(InteropIfd, 1, L"R98"), S_OK);
    block.RemovePosition();
    ASSERT_EQ(block.Root()->RemoveEntry(InteropIfd, 1), S_OK);
    OwnedBytes segment = block.BuildExifSegment();
    ASSERT_EQ(segment.size, 24u);
    Bytes s(segment.data.get(), segment.data.get() + segment.size);
    EXPECT_EQ(s, (Bytes{0xFF, 0xE1, 0, 22, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                        0, 0, 0, 0, 0, 0}));
}

TEST(SortedDirectories, NewEntriesGoBeforeTheFirstHigherTagAndOldOnesStay)
{
    TiffBytesBuilder b(false);
    b.Header(8);
    b.U16(3).Entry(0x0110, 2, 2, 'A').Entry(0x010F, 2, 2, 'B').Entry(0xC000, 4, 1, 5).U32(0);
    ExifBlock block;
    OpenTiff(block, b.Get());
    ASSERT_EQ(block.StorePosition(0.5, -0.5, 1, 0), S_OK);
    ASSERT_NE(block.GetOrCreateEntry(Ifd0, 0x0112), nullptr);
    EXPECT_EQ(Tags(block.Root()), (std::vector<uint16_t>{0x0110, 0x010F, 0x0112, 0x8825, 0xC000}));
}

TEST(BufferBound, ATreeThatFitsExactlyIsWrittenAndOneByteMoreIsRefused)
{
    // IFD0 with one UNDEFINED value: 18 header bytes + 18 directory bytes +
    // the value = the segment.
    auto build = [](uint32_t valueSize) {
        TiffBytesBuilder b(false);
        b.Header(8);
        b.U16(1).Entry(0x927C, 7, valueSize, 26).U32(0);
        b.Zeros(valueSize);
        return b.Get();
    };
    ExifBlock block;
    OpenTiff(block, build(65500));
    EXPECT_EQ(block.BuildExifSegment().size, 65536u);

    // Two entries sharing one 40,000-byte value fit a segment when read,
    // not when written out twice.
    TiffBytesBuilder b(false);
    b.Header(8);
    b.U16(2).Entry(0x927C, 7, 40000, 38).Entry(0x927D, 7, 40000, 38).U32(0);
    b.Zeros(40000);
    Bytes file = Jpeg({ExifSegment(b.Get())});
    ExifBlock shared;
    shared.OpenFromBytes(file.data(), file.size());
    ASSERT_NE(shared.Root(), nullptr);
    EXPECT_EQ(shared.Root()->EntryCount(), 2);
    EXPECT_EQ(shared.BuildExifSegment().size, 0u);
    OwnedBytes out;
    EXPECT_EQ(shared.WriteToBytes(file.data(), file.size(), &out), E_FAIL);
    EXPECT_EQ(out.size, 0u);
}

TEST(BufferBound, TheWriterRefusesEveryByteBeyondItsCapacity)
{
    uint8_t buffer[8] = {0};
    uint8_t guard[4] = {0xA5, 0xA5, 0xA5, 0xA5};
    ByteWriter writer(buffer, 8);
    EXPECT_TRUE(writer.PutU32(4, 0x01020304, true));
    EXPECT_FALSE(writer.Failed());
    EXPECT_FALSE(writer.PutU32(5, 1, true));
    EXPECT_TRUE(writer.Failed());
    EXPECT_FALSE(writer.PutBytes(0, guard, 1));  // failed for good
    EXPECT_EQ(buffer[0], 0);
    ByteWriter wrap(buffer, 8);
    EXPECT_FALSE(wrap.PutBytes(SIZE_MAX - 1, guard, 4));
    EXPECT_EQ(buffer[7], 4);
}

}  // namespace
