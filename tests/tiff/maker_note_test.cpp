// Maker notes moved to a new place: hand-built maker directories in both
// byte orders, checked byte by byte after RelocateMakerNote; the blocks each
// maker's layout keeps in place with its note; and notes carried through a
// whole rewrite of an Exif block, where they keep their place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
#include "tiff/maker_note.h"

using namespace vztest;

namespace {

const size_t kSource = 100;     // where the note stood in the TIFF data
const size_t kTiffSize = 1000;  // size of that TIFF data

// A maker directory after header (header bytes, then the directory): one
// SHORT[4] value out of line right after the table, one inline SHORT, and
// with a sub-directory a type-13 link to a one-entry directory whose
// RATIONAL lies after it. Offsets count from the TIFF data (note at
// kSource).
struct BuiltNote {
    Bytes bytes;
    size_t valueField;     // entry field of the SHORT[4] value
    size_t valueAt;        // where that value lies in the note
    size_t inlineField;
    size_t subLinkField;   // 0 without a sub-directory
    size_t subAt;
    size_t subValueField;
    size_t subValueAt;
};

BuiltNote MakeNote(bool be, const std::string& header, bool withSub, size_t headerRoom = 0)
{
    BuiltNote n = {};
    TiffBytesBuilder b(be);
    b.Text(header).Zeros(headerRoom);
    size_t start = b.Size();
    unsigned count = withSub ? 3 : 2;
    size_t tableEnd = start + 2 + 12 * count + 4;
    n.valueAt = tableEnd;
    n.subAt = tableEnd + 8;
    n.subValueAt = n.subAt + 2 + 12 + 4;
    b.U16(count);
    n.valueField = b.Size() + 8;
    b.Entry(0x0001, 3, 4, static_cast<uint32_t>(kSource + n.valueAt));
    n.inlineField = b.Size() + 8;
    b.Entry(0x0002, 3, 1, 7);
    if (withSub) {
        n.subLinkField = b.Size() + 8;
        b.Entry(0x0003, 13, 1, static_cast<uint32_t>(kSource + n.subAt));
    }
    b.U32(0);
    b.U16(1).U16(2).U16(3).U16(4);
    if (withSub) {
        b.U16(1);
        n.subValueField = b.Size() + 8;
        b.Entry(0x0010, 5, 1, static_cast<uint32_t>(kSource + n.subValueAt));
        b.U32(0);
        b.U32(10).U32(3);
    }
    n.bytes = b.Get();
    return n;
}

class MakerNoteMoveTest : public ::testing::TestWithParam<bool> {};

TEST_P(MakerNoteMoveTest, BareDirectoryOffsetsMoveByTheDistance)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", false);
    Bytes note = n.bytes;
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 250);
    EXPECT_TRUE(move.relocated);
    EXPECT_EQ(1u, move.offsetsMoved);
    EXPECT_EQ(250 + n.valueAt, GetU32(note, n.valueField, be));
    // Everything but the moved offset is as it was.
    Bytes expected = n.bytes;
    TiffBytesBuilder fix(be);
    fix.U32(static_cast<uint32_t>(250 + n.valueAt));
    std::copy(fix.Get().begin(), fix.Get().end(), expected.begin() + n.valueField);
    EXPECT_EQ(expected, note);
}

TEST_P(MakerNoteMoveTest, DirectoryAfterKnownHeadersMoves)
{
    bool be = GetParam();
    struct { std::string header; size_t room; } cases[] = {
        {std::string("Panasonic\0\0\0", 12), 0},
        {std::string("SONY DSC \0\0\0", 12), 0},
        {std::string("SANYO\0\1\0", 8), 0},
        {std::string("OLYMP\0\1\0", 8), 0},
        {std::string("Nikon\0\1\0", 8), 0},
    };
    for (const auto& c : cases) {
        BuiltNote n = MakeNote(be, c.header, false, c.room);
        Bytes note = n.bytes;
        MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 40);
        EXPECT_TRUE(move.relocated) << c.header.c_str();
        EXPECT_EQ(40 + n.valueAt, GetU32(note, n.valueField, be)) << c.header.c_str();
        EXPECT_EQ(0, std::memcmp(note.data(), n.bytes.data(), c.header.size())) << "header kept";
    }
}

TEST_P(MakerNoteMoveTest, SubDirectoryLinkAndItsValuesMove)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", true);
    Bytes note = n.bytes;
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 612);
    EXPECT_TRUE(move.relocated);
    EXPECT_EQ(3u, move.offsetsMoved);
    EXPECT_EQ(612 + n.valueAt, GetU32(note, n.valueField, be));
    EXPECT_EQ(612 + n.subAt, GetU32(note, n.subLinkField, be));
    EXPECT_EQ(612 + n.subValueAt, GetU32(note, n.subValueField, be));
    EXPECT_EQ(7u, GetU32(note, n.inlineField, be));
}

TEST_P(MakerNoteMoveTest, OffsetOutsideTheDataLeavesTheNoteUnchanged)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", true);
    for (uint32_t bad : {static_cast<uint32_t>(kTiffSize - 4), 0xFFFFFFF0u}) {
        Bytes note = n.bytes;
        TiffBytesBuilder v(be);
        v.U32(bad);
        std::copy(v.Get().begin(), v.Get().end(), note.begin() + n.subValueField);
        Bytes hostile = note;
        MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 300);
        EXPECT_FALSE(move.relocated);
        EXPECT_EQ(hostile, note);
    }
    // A count whose table runs past the note.
    Bytes note = n.bytes;
    TiffBytesBuilder c(be);
    c.U16(200);
    std::copy(c.Get().begin(), c.Get().end(), note.begin());
    Bytes hostile = note;
    EXPECT_FALSE(RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 300).relocated);
    EXPECT_EQ(hostile, note);
}

TEST_P(MakerNoteMoveTest, ValueBeyondTheNoteIsLeftAndCounted)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", true);
    Bytes note = n.bytes;
    TiffBytesBuilder v(be);
    v.U32(900);  // inside the TIFF data, past the note
    std::copy(v.Get().begin(), v.Get().end(), note.begin() + n.subValueField);
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 300);
    EXPECT_TRUE(move.relocated);
    EXPECT_EQ(1u, move.offsetsLeft);
    EXPECT_EQ(900u, GetU32(note, n.subValueField, be));
    EXPECT_EQ(300 + n.valueAt, GetU32(note, n.valueField, be));
}

// A directory reached twice (two links to one sub-directory) would have
// its offsets moved twice; such a note is no sound tree and moves as it is.
TEST_P(MakerNoteMoveTest, SubDirectoryLinkedTwiceLeavesTheNoteUnchanged)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", true);
    Bytes twice = n.bytes;
    TiffBytesBuilder link(be);
    link.U16(13).U32(1).U32(static_cast<uint32_t>(kSource + n.subAt));
    std::copy(link.Get().begin(), link.Get().end(), twice.begin() + n.inlineField - 6);
    Bytes note = twice;
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, kSource + 4);
    EXPECT_FALSE(move.relocated);
    EXPECT_EQ(twice, note);
}

TEST_P(MakerNoteMoveTest, MoveOfZeroBytesChangesNothing)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", true);
    Bytes note = n.bytes;
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, kSource);
    EXPECT_TRUE(move.relocated);
    EXPECT_EQ(n.bytes, note);
}

TEST_P(MakerNoteMoveTest, SelfContainedNotesAreLeftAlone)
{
    bool be = GetParam();
    for (std::string header : {std::string("Nikon\0\2\x10\0\0", 10), std::string("FUJIFILM", 8),
                               std::string("OLYMPUS\0II", 10)}) {
        BuiltNote n = MakeNote(be, header, false, 2);
        Bytes note = n.bytes;
        EXPECT_FALSE(RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 500).relocated);
        EXPECT_EQ(n.bytes, note);
    }
}

// Pentax' older notes: "AOC\0", their own byte order mark, the directory;
// the preview picture's offset is a plain LONG (tag 4, length in tag 3).
Bytes PentaxNote(bool noteBe, uint32_t previewStart, uint32_t previewLength, size_t* startField)
{
    TiffBytesBuilder b(noteBe);
    b.Text("AOC").U8(0).Text(noteBe ? "MM" : "II");
    b.U16(2).Entry(0x0003, 4, 1, previewLength);
    *startField = b.Size() + 8;
    b.Entry(0x0004, 4, 1, previewStart).U32(0);
    b.Zeros(40);  // the preview picture
    return b.Get();
}

TEST_P(MakerNoteMoveTest, PentaxPreviewInsideTheNoteMovesInTheNotesOwnByteOrder)
{
    const bool blockBe = GetParam();
    for (bool noteBe : {false, true}) {
        size_t field = 0;
        // The picture takes the note's last 40 bytes.
        Bytes note = PentaxNote(noteBe, 0, 40, &field);
        const uint32_t pictureAt = static_cast<uint32_t>(kSource + note.size() - 40);
        note = PentaxNote(noteBe, pictureAt, 40, &field);
        Bytes original = note;
        MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), blockBe, kSource, kTiffSize, 700);
        EXPECT_TRUE(move.relocated);
        EXPECT_EQ(1u, move.offsetsMoved);
        EXPECT_EQ(pictureAt - kSource + 700, GetU32(note, field, noteBe));
        EXPECT_EQ(0, std::memcmp(note.data(), original.data(), field));

        // A picture elsewhere in the data stays where it was named.
        note = PentaxNote(noteBe, 20, 40, &field);
        original = note;
        move = RelocateMakerNote(note.data(), note.size(), blockBe, kSource, kTiffSize, 700);
        EXPECT_FALSE(move.relocated);
        EXPECT_EQ(original, note);
    }
}

// Casio's second kind: "QVC" and three zero bytes, then the directory in the
// block's byte order. The preview picture is named twice: by a plain LONG
// offset (tag 4, length in tag 3) and as the value of tag 0x2000.
Bytes CasioNote(bool be, uint32_t previewStart, size_t* startField, size_t* valueField)
{
    TiffBytesBuilder b(be);
    b.Text("QVC").Zeros(3);
    b.U16(3).Entry(0x0003, 4, 1, 40);
    *startField = b.Size() + 8;
    b.Entry(0x0004, 4, 1, previewStart);
    *valueField = b.Size() + 8;
    b.Entry(0x2000, 7, 40, previewStart).U32(0);
    b.Zeros(40);  // the preview picture
    return b.Get();
}

TEST_P(MakerNoteMoveTest, CasioPreviewOffsetMovesWithThePicture)
{
    const bool be = GetParam();
    size_t startField = 0, valueField = 0;
    Bytes note = CasioNote(be, 0, &startField, &valueField);
    const uint32_t pictureAt = static_cast<uint32_t>(kSource + note.size() - 40);
    note = CasioNote(be, pictureAt, &startField, &valueField);
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 700);
    EXPECT_TRUE(move.relocated);
    EXPECT_EQ(2u, move.offsetsMoved);
    EXPECT_EQ(pictureAt - kSource + 700, GetU32(note, valueField, be));
    EXPECT_EQ(pictureAt - kSource + 700, GetU32(note, startField, be));
}

TEST_P(MakerNoteMoveTest, CanonFooterFollowsTheNote)
{
    bool be = GetParam();
    BuiltNote n = MakeNote(be, "", false);
    TiffBytesBuilder f(be);
    f.Text(be ? "MM" : "II").U16(42).U32(static_cast<uint32_t>(kSource));
    Bytes note = n.bytes;
    note.insert(note.end(), f.Get().begin(), f.Get().end());
    MakerNoteMove move = RelocateMakerNote(note.data(), note.size(), be, kSource, kTiffSize, 333);
    EXPECT_TRUE(move.relocated);
    EXPECT_EQ(333u, GetU32(note, note.size() - 4, be));
    EXPECT_EQ(333 + n.valueAt, GetU32(note, n.valueField, be));
    // A footer naming another place: the note already counts from elsewhere.
    Bytes other = n.bytes;
    TiffBytesBuilder g(be);
    g.Text(be ? "MM" : "II").U16(42).U32(77);
    other.insert(other.end(), g.Get().begin(), g.Get().end());
    Bytes kept = other;
    EXPECT_FALSE(RelocateMakerNote(other.data(), other.size(), be, kSource, kTiffSize, 333).relocated);
    EXPECT_EQ(kept, other);
}

// Through a whole rewrite: a block whose Exif IFD holds a bare maker note,
// given a position, keeps the note where it stood (the directories grow
// around it) and its value readable there.
TEST_P(MakerNoteMoveTest, RewrittenBlockKeepsTheMakerValue)
{
    bool be = GetParam();
    // IFD0 at 8: one entry (Exif pointer to 26); Exif IFD at 26: MakerNote
    // (UNDEFINED) at 44; the note follows.
    const size_t noteAt = 44;
    TiffBytesBuilder b(be);
    b.Header(8);
    b.U16(1).Entry(0x8769, 4, 1, 26).U32(0);
    b.U16(1);
    BuiltNote probe = MakeNote(be, "", false);
    b.Entry(0x927C, 7, static_cast<uint32_t>(probe.bytes.size()), noteAt).U32(0);
    ASSERT_EQ(noteAt, b.Size());
    // The same note, counted from this block's TIFF data.
    TiffBytesBuilder nb(be);
    nb.U16(2).Entry(0x0001, 3, 4, static_cast<uint32_t>(noteAt + probe.valueAt)).Entry(0x0002, 3, 1, 7).U32(0);
    nb.U16(1).U16(2).U16(3).U16(4);
    Bytes tiff = b.Get();
    tiff.insert(tiff.end(), nb.Get().begin(), nb.Get().end());

    Bytes file = Jpeg({ExifSegment(tiff)});
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_TRUE(SUCCEEDED(block.StorePosition(0.5, 0.25, 10.0, 1.0)));
    OwnedBytes segment = block.BuildExifSegment();
    ASSERT_GT(segment.size, 10u);
    Bytes out(segment.data.get() + 10, segment.data.get() + segment.size);

    ExifBlock reread;
    Bytes file2 = Jpeg({ExifSegment(out)});
    reread.OpenFromBytes(file2.data(), file2.size());
    ASSERT_NE(nullptr, reread.Root());
    IfdEntry* maker = reread.Root()->FindEntry(ExifIfd, 0x927C, true);
    ASSERT_NE(nullptr, maker);
    // Find where the note landed: the start of its table in the output.
    const uint8_t* first = maker->ValueBytes(0);
    ASSERT_NE(nullptr, first);
    size_t newAt = 0;
    bool found = false;
    for (size_t i = 0; i + 8 <= out.size() && !found; ++i) {
        if (std::equal(first, first + 8, out.begin() + i)) {
            newAt = i;
            found = true;
        }
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(noteAt, newAt) << "the note keeps its place";
    uint32_t valueOffset = GetU32(out, newAt + 2 + 8, be);
    ASSERT_LE(valueOffset + 8, out.size());
    EXPECT_EQ(3u, GetU16(out, valueOffset + 4, be)) << "the SHORT[4] value reads 1 2 3 4 at its new place";
    EXPECT_EQ(4u, GetU16(out, valueOffset + 6, be));
}

// A note that starts inside the TIFF header can keep neither its place nor,
// moved alone, what its offsets name: the block is not written back, and
// the file stays as it was.
TEST_P(MakerNoteMoveTest, ANoteInsideTheTiffHeaderIsNotWritten)
{
    bool be = GetParam();
    TiffBytesBuilder b(be);
    b.Header(8);
    b.U16(1).Entry(0x8769, 4, 1, 26).U32(0);
    b.U16(1).Entry(0x927C, 7, 20, 4).U32(0);
    b.Zeros(20);
    Bytes file = Jpeg({ExifSegment(b.Get())});
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_EQ(S_OK, block.StorePosition(0.5, 0.25, 10.0, 1.0));
    EXPECT_EQ(nullptr, block.BuildExifSegment().data);
    OwnedBytes out;
    EXPECT_TRUE(FAILED(block.WriteToBytes(file.data(), file.size(), &out)));
}

// The blocks that keep their place with a note, by the maker's layout: the
// note at 100 of 1000 bytes of TIFF data, 60 bytes long; what it points to
// at 400 (outside it).
struct ExtentCase {
    const char* what;
    std::string header;     // before the directory
    uint32_t base;          // where the note's offsets count from
    bool ownTiffHeader;     // the header ends in a TIFF header of its own
    uint16_t tag, type;     // the entry that names the block outside
    uint32_t count;
    uint16_t lengthTag;     // 0: the entry's value is the block
    size_t blocks;          // blocks kept, the note's included
};

TEST_P(MakerNoteMoveTest, EachLayoutKeepsWhatItsNotePointsTo)
{
    const bool be = GetParam();
    const ExtentCase cases[] = {
        {"Casio preview pair", std::string("QVC\0\0\0", 6), 0, false, 0x0004, 4, 1, 0x0003, 2},
        {"Olympus preview pair", std::string("OLYMP\0\1\0", 8), 0, false, 0x0088, 4, 1, 0x0089, 2},
        {"Pentax preview pair", std::string("AOC\0", 4) + (be ? "MM" : "II"), 0, false, 0x0004, 4, 1, 0x0003, 2},
        {"Nikon preview from its own header", std::string("Nikon\0\2\0\0\0", 10), 110, true, 0x0201, 4, 1, 0x0202, 2},
        {"Olympus equipment as bytes", std::string("OLYMP\0\1\0", 8), 0, false, 0x2010, 7, 18, 0, 3},
        {"Nikon preview directory by offset", std::string("Nikon\0\2\0\0\0", 10), 110, true, 0x0011, 4, 1, 0, 3},
        {"value past the note", "", 0, false, 0x0007, 3, 9, 0, 2},
        {"Sigma value from the TIFF header", std::string("SIGMA\0\0\0\1\0", 10), 0, false, 0x0002, 2, 20, 0, 2},
        {"not a directory", "", 0, false, 0, 0, 0, 0, 1},
    };
    for (const ExtentCase& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBytesBuilder tiff(be);
        tiff.Header(8).Zeros(100 - 8);
        tiff.Text(c.header);
        if (c.ownTiffHeader)
            tiff.Text(be ? "MM" : "II").U16(42).U32(8);
        const uint32_t target = 400 - c.base;
        if (c.tag == 0) {
            tiff.Text("a note of text, no directory");
        } else if (c.lengthTag) {
            tiff.U16(2).Entry(c.lengthTag, 4, 1, 24).Entry(c.tag, c.type, c.count, target).U32(0);
        } else {
            tiff.U16(1).Entry(c.tag, c.type, c.count, target).U32(0);
        }
        const size_t noteEnd = 160;
        ASSERT_LE(tiff.Size(), noteEnd);
        tiff.Zeros(400 - tiff.Size());
        // At 400: a directory whose one value lies at 600 (followed where
        // the case leads to a directory), or just bytes.
        tiff.U16(1).Entry(0x0001, 3, 4, 600 - c.base).U32(0).Zeros(1000 - 418);
        Bytes data = tiff.Get();
        TiffBytes bytes = {data.data(), data.size(), be};
        MakerNoteExtent extent;
        FindMakerNoteExtent(bytes, 100, static_cast<uint32_t>(noteEnd - 100), &extent);
        ASSERT_EQ(c.blocks, extent.count);
        EXPECT_EQ(100u, extent.start[0]);
        EXPECT_EQ(noteEnd - 100, extent.size[0]);
        if (c.blocks > 1) {
            EXPECT_EQ(400u, extent.start[1]);
            EXPECT_LE(18u, extent.size[1]);
        }
        if (c.blocks > 2) {
            EXPECT_EQ(600u, extent.start[2]);
            EXPECT_EQ(8u, extent.size[2]);
        }
    }
}

// Past the end of the data the walk reads zeros, up to what a segment
// holds: a directory there is kept (as an empty one), a value reaching
// beyond the segment is not.
TEST_P(MakerNoteMoveTest, TheWalkReadsZerosPastTheDataUpToASegmentsSize)
{
    const bool be = GetParam();
    TiffBytesBuilder tiff(be);
    tiff.Header(8).Zeros(100 - 8);
    tiff.U16(3)
        .Entry(0x0001, 13, 1, 2000)
        .Entry(0x0002, 7, 50, static_cast<uint32_t>(kMaxSegmentTiffSize) - 40)
        .Entry(0x0003, 7, 40, static_cast<uint32_t>(kMaxSegmentTiffSize) - 40)
        .U32(0);
    tiff.Zeros(1000 - tiff.Size());
    const Bytes data = tiff.Get();
    const TiffBytes bytes = {data.data(), data.size(), be};
    MakerNoteExtent extent;
    FindMakerNoteExtent(bytes, 100, 60, &extent);
    ASSERT_EQ(3u, extent.count);
    EXPECT_EQ(100u, extent.start[0]);
    EXPECT_EQ(60u, extent.size[0]);
    EXPECT_EQ(2000u, extent.start[1]);
    EXPECT_EQ(2u, extent.size[1]);
    EXPECT_EQ(kMaxSegmentTiffSize - 40, extent.start[2]);
    EXPECT_EQ(40u, extent.size[2]);
}

// Through a whole rewrite: a note whose preview lies outside it, after
// IFD1, both keep their places; an entry of count 0 and IFD1's thumbnail
// entries of length 0 are written back as they were.
TEST_P(MakerNoteMoveTest, RewriteKeepsThePreviewEmptyEntriesAndEmptyThumbnail)
{
    const bool be = GetParam();
    TiffBytesBuilder b(be);
    b.Header(8);
    b.U16(2).Entry(0x8298, 2, 0, 0).Entry(0x8769, 4, 1, 38).U32(68);  // 8..37, IFD1 at 68
    b.U16(1).Entry(0x927C, 7, 0, 0).U32(0);                            // 38..55, note at 56 (set below)
    b.Zeros(12);                                                        // 56..67
    b.U16(2).Entry(0x0201, 4, 1, 0).Entry(0x0202, 4, 1, 0).U32(0);     // 68..97: IFD1, thumbnail of length 0
    const size_t noteAt = b.Size();                                     // 98
    b.Text(std::string("QVC\0\0\0", 6)).U16(2).Entry(0x0003, 4, 1, 16).Entry(0x0004, 4, 1, 200).U32(0);
    const size_t noteSize = b.Size() - noteAt;
    b.Zeros(200 - b.Size());
    b.Text("preview 16 bytes");
    Bytes tiff = b.Get();
    // The Exif IFD's note entry: count and offset.
    TiffBytesBuilder fix(be);
    fix.U32(static_cast<uint32_t>(noteSize)).U32(static_cast<uint32_t>(noteAt));
    std::copy(fix.Get().begin(), fix.Get().end(), tiff.begin() + 38 + 2 + 4);

    Bytes file = Jpeg({ExifSegment(tiff)});
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_TRUE(SUCCEEDED(block.StorePosition(0.5, 0.25, 10.0, 1.0)));
    OwnedBytes rewritten;
    ASSERT_EQ(S_OK, block.WriteToBytes(file.data(), file.size(), &rewritten));
    OwnedBytes segment = block.BuildExifSegment();
    ASSERT_GT(segment.size, 10u);
    Bytes out(segment.data.get() + 10, segment.data.get() + segment.size);
    EXPECT_TRUE(std::equal(tiff.begin() + noteAt, tiff.begin() + noteAt + noteSize, out.begin() + noteAt))
        << "the note stands where it stood";
    EXPECT_EQ("preview 16 bytes", std::string(out.begin() + 200, out.begin() + 216)) << "and so does its preview";

    ExifBlock reread;
    Bytes file2 = Jpeg({ExifSegment(out)});
    reread.OpenFromBytes(file2.data(), file2.size());
    ASSERT_NE(nullptr, reread.Root());
    IfdEntry* maker = reread.Root()->FindEntry(ExifIfd, 0x927C, true);
    ASSERT_NE(nullptr, maker);
    EXPECT_EQ(noteSize, maker->Count());
    IfdEntry* copyright = reread.Root()->FindEntry(Ifd0, 0x8298, false);
    ASSERT_NE(nullptr, copyright) << "the entry of count 0 stays";
    EXPECT_EQ(0u, copyright->Count());
    EXPECT_EQ(TiffAscii, copyright->Type());
    IfdEntry* length = reread.Root()->FindEntry(Ifd1, 0x0202, true);
    ASSERT_NE(nullptr, length) << "the thumbnail's length of 0 stays";
    EXPECT_EQ(0, length->GetInteger(0));
    EXPECT_NE(nullptr, reread.Root()->FindEntry(Ifd1, 0x0201, true)) << "and its offset";
    // Written again, the same bytes.
    ASSERT_TRUE(SUCCEEDED(reread.StorePosition(0.5, 0.25, 10.0, 1.0)));
    OwnedBytes again = reread.BuildExifSegment();
    ASSERT_EQ(segment.size, again.size);
    EXPECT_EQ(0, std::memcmp(segment.data.get(), again.data.get(), segment.size));
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, MakerNoteMoveTest, ::testing::Values(false, true));

}  // namespace
