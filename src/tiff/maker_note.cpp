#include "tiff/maker_note.h"

#include <cstring>

#include "tiff/byte_access.h"
#include "tiff/tiff_types.h"

namespace {

// Field type 13 (IFD): a LONG that links to a sub-directory.
const uint16_t kTypeIfd = 13;
// More entries than any camera writes: such a "directory" is something else.
const uint16_t kMaxEntries = 1000;
// Sub-directories below the maker directory that are followed.
const int kMaxDepth = 3;
// Directories walked in one note, the maker directory included.
const size_t kMaxDirectories = 64;

// A maker header and where the directory starts after it.
struct MakerHeader {
    const char* prefix;
    size_t prefixLength;
    size_t directoryStart;  // 0: the note counts from its own start, left alone
    // Tags of a plain LONG that holds the offset of a preview picture and of
    // the LONG that holds its length (0: none). The picture usually lies
    // inside the note, and then its offset moves with it.
    uint16_t previewStartTag;
    uint16_t previewLengthTag;
    // Offset of a byte order mark ("II" or "MM") of the note's own, 0 for
    // none: the note is then in the block's byte order.
    size_t byteOrderAt;
};

// Headers before a directory counting from the TIFF data, and headers of
// notes that carry their own TIFF header or base (directoryStart 0).
const MakerHeader kHeaders[] = {
    {"Panasonic\0\0\0", 12, 12, 0, 0, 0},
    {"SONY DSC \0\0\0", 12, 12, 0, 0, 0},
    {"SONY CAM \0\0\0", 12, 12, 0, 0, 0},
    {"SANYO\0", 6, 8, 0, 0, 0},
    {"AOC\0", 4, 6, 0x0004, 0x0003, 4},  // Pentax, older kind
    {"OLYMP\0", 6, 8, 0x0088, 0x0089, 0},  // Olympus, older kind
    {"MINOL\0", 6, 8, 0x0088, 0x0089, 0},  // Minolta, older kind
    {"QVC\0\0\0", 6, 6, 0x0004, 0x0003, 0},   // Casio, second kind
    {"Nikon\0\1", 7, 8, 0, 0, 0},   // Nikon, second kind
    {"Nikon\0\2", 7, 0, 0, 0, 0},   // Nikon, third kind: own TIFF header
    {"FUJIFILM", 8, 0, 0, 0, 0},
    {"OLYMPUS\0", 8, 0, 0, 0, 0},   // Olympus, newer kind: counts from its own start
    {"PENTAX \0", 8, 0, 0, 0, 0},
};

struct Walk {
    uint8_t* note;
    size_t size;
    bool bigEndian;
    size_t sourceOffset;
    size_t sourceTiffSize;
    size_t targetOffset;
    bool afterHeader;   // the directory follows a known maker header
    uint16_t previewStartTag;   // see MakerHeader; 0: none
    uint16_t previewLengthTag;
    bool apply;         // false: only check
    uint32_t inside;    // offsets into the note's own bytes
    uint32_t outside;   // offsets into the rest of the TIFF data
    // The entry tables walked so far, [start, end) in the note.
    size_t tables[kMaxDirectories][2];
    size_t tableCount;
};

// Records a directory's table; false when it meets one walked before. A
// table reached twice would have its offsets moved twice, and sharing also
// lets a small note make the walk endless.
bool RecordTable(Walk& w, size_t start, size_t end)
{
    for (size_t i = 0; i < w.tableCount; ++i) {
        if (start < w.tables[i][1] && w.tables[i][0] < end)
            return false;
    }
    if (w.tableCount == kMaxDirectories)
        return false;
    w.tables[w.tableCount][0] = start;
    w.tables[w.tableCount][1] = end;
    ++w.tableCount;
    return true;
}

// Where an offset of the original TIFF data lies within the note, when it
// does (count bytes from there on all inside the note).
bool InsideNote(const Walk& w, uint32_t offset, size_t count, size_t* noteOffset)
{
    if (offset < w.sourceOffset || !RangeFits(offset - w.sourceOffset, count, w.size))
        return false;
    *noteOffset = offset - w.sourceOffset;
    return true;
}

// The offset field at field moves with the note.
bool MoveOffset(Walk& w, size_t field, uint32_t offset)
{
    size_t moved = offset - w.sourceOffset;
    if (!AddSizes(moved, w.targetOffset, &moved) || moved > UINT32_MAX)
        return false;
    if (w.apply && !StoreU32(w.note, w.size, field, w.bigEndian, static_cast<uint32_t>(moved)))
        return false;
    ++w.inside;
    return true;
}

// Checks (and with w.apply, rewrites) the directory at start of the note.
// False when the bytes are not a sound directory counting from the TIFF
// data.
bool WalkDirectory(Walk& w, size_t start, int depth)
{
    uint16_t n = 0;
    if (depth > kMaxDepth || !ReadU16(w.note, w.size, start, w.bigEndian, &n) || n == 0 || n > kMaxEntries)
        return false;
    size_t tableEnd = start + 2 + 12 * static_cast<size_t>(n);
    if (!RangeFits(start, tableEnd - start, w.size) || !RecordTable(w, start, tableEnd))
        return false;
    size_t unknownTypes = 0;
    size_t previewField = 0;
    uint32_t previewStart = 0, previewLength = 0;
    bool hasPreviewLength = false;
    for (size_t i = 0; i < n; ++i) {
        size_t entry = start + 2 + 12 * i;
        uint16_t type = 0;
        uint32_t count = 0, offset = 0;
        ReadU16(w.note, w.size, entry + 2, w.bigEndian, &type);
        ReadU32(w.note, w.size, entry + 4, w.bigEndian, &count);
        ReadU32(w.note, w.size, entry + 8, w.bigEndian, &offset);
        size_t elementSize = type == kTypeIfd ? 4 : TiffTypeSize(type);
        size_t bytes = 0;
        if (elementSize == 0) {
            // Cameras do write the odd entry of a type no reader knows;
            // its four bytes are carried as they are. More of them than of
            // sound entries mean this is no directory.
            if (++unknownTypes * 2 > n)
                return false;
            continue;
        }
        if (!MultiplySizes(count, elementSize, &bytes))
            return false;
        uint16_t tag = 0;
        ReadU16(w.note, w.size, entry, w.bigEndian, &tag);
        if (depth == 0 && w.previewStartTag && type == TiffLong && count == 1) {
            if (tag == w.previewStartTag) {
                previewField = entry + 8;
                previewStart = offset;
            } else if (tag == w.previewLengthTag) {
                previewLength = offset;
                hasPreviewLength = true;
            }
        }
        if (type == kTypeIfd && count == 1) {
            // A sub-directory: followed only within the note.
            size_t at = 0;
            if (!InsideNote(w, offset, 2, &at)) {
                if (!RangeFits(offset, 2, w.sourceTiffSize))
                    return false;
                ++w.outside;
                continue;
            }
            if (!WalkDirectory(w, at, depth + 1) || !MoveOffset(w, entry + 8, offset))
                return false;
            continue;
        }
        if (bytes <= 4)
            continue;  // inline
        if (!RangeFits(offset, bytes, w.sourceTiffSize))
            return false;
        // A value that starts in the note moves with it, even where the
        // camera's count runs it past the note's end.
        size_t at = 0;
        if (!InsideNote(w, offset, 1, &at)) {
            ++w.outside;
            continue;
        }
        // Without a maker header, a value over the directory's own table
        // means the offsets count from somewhere else. (Behind a header,
        // some cameras are off by a few bytes; the note moves as a whole
        // all the same.)
        if (!w.afterHeader && at < tableEnd && at + bytes > start)
            return false;
        if (!MoveOffset(w, entry + 8, offset))
            return false;
    }
    // The preview's offset moves only when the whole picture lies in the
    // note; one elsewhere in the data is left as found.
    size_t previewAt = 0;
    if (previewField && hasPreviewLength && previewLength > 0) {
        if (InsideNote(w, previewStart, previewLength, &previewAt)) {
            if (!MoveOffset(w, previewField, previewStart))
                return false;
        } else if (RangeFits(previewStart, previewLength, w.sourceTiffSize)) {
            ++w.outside;
        }
    }
    return true;
}

// Where a maker note's directory lies and where its offsets count from, by
// the header it starts with (the layouts ExifTool and exiv2 document).
enum NoteLayout : uint8_t {
    FromTiff,     // offsets count from the Exif TIFF header
    FromNote,     // from the note's start plus baseAt
    OwnHeader,    // a TIFF header of its own at baseAt: its byte order, its
                  // first-directory offset, offsets counting from it
    OffsetField,  // the directory's offset from the note's start is a
                  // little-endian LONG at directoryAt; offsets count from
                  // the note's start
};

struct NoteForm {
    const char* prefix;
    size_t prefixLength;
    size_t directoryAt;  // the directory's place in the note (see the layouts)
    NoteLayout layout;
    size_t baseAt;
    size_t byteOrderAt;  // 0: none of its own
};

// Checked in order; a note matching none is taken for a directory at its
// start counting from the TIFF header (Canon, Minolta, Nikon's first kind,
// Casio's first kind, Kodak, DJI...), when it reads as one.
const NoteForm kForms[] = {
    {"Apple iOS\0", 10, 14, FromNote, 0, 12},
    {"Nikon\0\2", 7, 10, OwnHeader, 10, 0},
    {"Nikon\0\1", 7, 8, FromTiff, 0, 0},
    {"QVC\0", 4, 6, FromTiff, 0, 0},  // Casio, second kind
    {"DCI\0", 4, 6, FromTiff, 0, 0},
    {"FUJIFILM", 8, 8, OffsetField, 0, 0},
    {"GENERALE", 8, 8, OffsetField, 0, 0},
    {"GE\x0c\0\0\0\x16\0\0\0", 10, 12, FromNote, 6, 0},
    {"GE\0\0", 4, 18, FromTiff, 0, 0},
    {"GENIC\0", 6, 18, FromTiff, 0, 0},
    {"ISLMAKERNOTE000\0", 16, 24, FromNote, 16, 0},
    {"JVC ", 4, 4, FromTiff, 0, 0},
    {"KYOCERA", 7, 22, FromNote, 24, 0},
    {"MINOL\0", 6, 8, FromTiff, 0, 0},
    {"CAMER\0", 6, 8, FromTiff, 0, 0},
    {"MOT\0", 4, 8, FromNote, 0, 0},
    {"OLYMPUS\0", 8, 12, FromNote, 0, 8},
    {"OM SYSTEM\0", 10, 16, FromNote, 0, 12},
    {"OLYMP\0", 6, 8, FromTiff, 0, 0},
    {"EPSON\0", 6, 8, FromTiff, 0, 0},
    {"Panasonic\0\0\0", 12, 12, FromTiff, 0, 0},
    {"AOC\0", 4, 6, FromTiff, 0, 4},  // Pentax, older kind
    {"PENTAX \0", 8, 10, FromNote, 0, 8},
    {"S1\0\0\0\0\0\0\x0c\0\0\0", 12, 12, FromNote, 0, 0},
    {"RICOH\0II", 8, 8, FromNote, 0, 6},
    {"RICOH\0MM", 8, 8, FromNote, 0, 6},
    {"RICOH", 5, 8, FromTiff, 0, 0},
    {"Ricoh", 5, 8, FromTiff, 0, 0},
    {"SANYO\0", 6, 8, FromTiff, 0, 0},
    {"SIGMA\0", 6, 10, FromTiff, 0, 0},
    {"FOVEON\0", 7, 10, FromTiff, 0, 0},
    {"SONY DSC \0\0\0", 12, 12, FromTiff, 0, 0},
    {"SONY CAM \0\0\0", 12, 12, FromTiff, 0, 0},
    {"SONY MOBILE\0", 12, 12, FromTiff, 0, 0},
    {"\0\0SONY PIC\0", 11, 12, FromTiff, 0, 0},
    {"SONY PI\0", 8, 12, FromTiff, 0, 0},
    {"VHAB     \0", 10, 12, FromTiff, 0, 0},
    {"PREMI\0", 6, 8, FromTiff, 0, 0},
    {"SEMC MS\0", 8, 20, FromNote, 12, 0},
};

// Entries whose value is a directory of the same note, counting from the
// same place: by offset (a LONG or type 13) or as the bytes of the value
// (Olympus' older notes, Ricoh's camera information behind its
// "[Ricoh Camera Info]" header). Nikon's preview and scan directories,
// Olympus' equipment, camera settings, raw development, image processing
// and focus directories, Ricoh's camera information.
const uint16_t kSubDirectoryTags[] = {0x0011, 0x0E10, 0x2001, 0x2010, 0x2020, 0x2030, 0x2031, 0x2040, 0x2050,
                                      0x3000, 0x4000, 0x5000};

// Entry pairs naming a block by start and length (previews, mostly):
// Casio's and Pentax's preview, Olympus' and Minolta's, Olympus' camera
// settings preview, Nikon's and Sony's preview directory, Olympus' zoomed
// and embedded previews, Sigma's preview and thumbnail, Fujifilm's preview.
const uint16_t kBlockPairs[][2] = {{0x0004, 0x0003}, {0x0088, 0x0089}, {0x0101, 0x0102}, {0x0201, 0x0202},
                                   {0x0F04, 0x0F05}, {0x1036, 0x1037}, {0x001A, 0x001B}, {0x001C, 0x001D},
                                   {0xF007, 0xF008}};
const size_t kPairCount = sizeof(kBlockPairs) / sizeof(kBlockPairs[0]);

// Arrays of LONGs of which one element is a block's start and another its
// length: Canon's preview information.
struct BlockArray {
    uint16_t tag;
    uint32_t startIndex;
    uint32_t lengthIndex;
};
const BlockArray kBlockArrays[] = {{0x00B6, 5, 2}};

const char kRicohInfoHeader[] = "[Ricoh Camera Info]";  // and a NUL: 20 bytes

bool IsSubDirectoryTag(uint16_t tag)
{
    for (uint16_t t : kSubDirectoryTags) {
        if (t == tag)
            return true;
    }
    return false;
}

// Adds [start, start + size) of the TIFF data to the extent, merging it
// with the blocks it overlaps or touches; when the extent is full, the two
// nearest blocks become one. False when the block cannot be kept (it
// reaches past what a segment holds, or into the TIFF header, which the
// rewrite writes anew): its bytes are then not read either.
bool AddBlock(size_t readable, MakerNoteExtent* extent, size_t start, size_t size)
{
    if (start < 8 || !RangeFits(start, size, readable))
        return false;
    if (size == 0)
        return true;
    size_t s = start, e = start + size;
    size_t kept = 0;
    uint32_t starts[MakerNoteExtent::kMaxBlocks + 1];
    uint32_t ends[MakerNoteExtent::kMaxBlocks + 1];
    bool placed = false;
    for (size_t i = 0; i < extent->count; ++i) {
        size_t bs = extent->start[i], be = bs + extent->size[i];
        if (be < s || e < bs) {
            if (!placed && e < bs) {
                starts[kept] = static_cast<uint32_t>(s);
                ends[kept++] = static_cast<uint32_t>(e);
                placed = true;
            }
            starts[kept] = static_cast<uint32_t>(bs);
            ends[kept++] = static_cast<uint32_t>(be);
            continue;
        }
        s = bs < s ? bs : s;
        e = be > e ? be : e;
    }
    if (!placed) {
        starts[kept] = static_cast<uint32_t>(s);
        ends[kept++] = static_cast<uint32_t>(e);
    }
    // A block merged late can reach over the one placed before it.
    size_t merged = 0;
    for (size_t i = 0; i < kept; ++i) {
        if (merged && starts[i] <= ends[merged - 1]) {
            if (ends[i] > ends[merged - 1])
                ends[merged - 1] = ends[i];
            continue;
        }
        starts[merged] = starts[i];
        ends[merged++] = ends[i];
    }
    if (merged > MakerNoteExtent::kMaxBlocks) {
        size_t best = 0;
        for (size_t i = 1; i + 1 < merged; ++i) {
            if (starts[i + 1] - ends[i] < starts[best + 1] - ends[best])
                best = i;
        }
        ends[best] = ends[best + 1];
        for (size_t i = best + 1; i + 1 < merged; ++i) {
            starts[i] = starts[i + 1];
            ends[i] = ends[i + 1];
        }
        --merged;
    }
    extent->count = merged;
    for (size_t i = 0; i < merged; ++i) {
        extent->start[i] = starts[i];
        extent->size[i] = ends[i] - starts[i];
    }
    return true;
}

// The TIFF data as the extent walk reads it: its own bytes, then zeros up
// to what a segment holds (see FindMakerNoteExtent), read in place.
struct PaddedTiff {
    const uint8_t* data;
    size_t size;      // the data's own bytes
    size_t readable;  // those and the zeros after them
};

// Copies count bytes at offset to out, zeros past the data's own bytes;
// false when they reach past what is readable.
bool CopyPadded(const PaddedTiff& tiff, size_t offset, size_t count, uint8_t* out)
{
    if (!RangeFits(offset, count, tiff.readable))
        return false;
    for (size_t i = 0; i < count; ++i)
        out[i] = offset + i < tiff.size ? tiff.data[offset + i] : 0;
    return true;
}

bool ReadPaddedU16(const PaddedTiff& tiff, size_t offset, bool bigEndian, uint16_t* value)
{
    uint8_t bytes[2];
    return CopyPadded(tiff, offset, sizeof(bytes), bytes) && ReadU16(bytes, sizeof(bytes), 0, bigEndian, value);
}

bool ReadPaddedU32(const PaddedTiff& tiff, size_t offset, bool bigEndian, uint32_t* value)
{
    uint8_t bytes[4];
    return CopyPadded(tiff, offset, sizeof(bytes), bytes) && ReadU32(bytes, sizeof(bytes), 0, bigEndian, value);
}

struct ExtentWalk {
    PaddedTiff tiff;
    bool bigEndian;
    size_t base;        // where the note's offsets count from, in the TIFF data
    MakerNoteExtent* extent;
    size_t directories; // walked so far
};

// The entry count at at, inside the note's bytes, is one of a directory.
bool CountsEntries(const uint8_t* note, size_t noteSize, size_t at, bool bigEndian)
{
    uint16_t n = 0;
    return ReadU16(note, noteSize, at, bigEndian, &n) && n > 0 && n <= kMaxEntries;
}

// A block named by an offset of the note and a length.
void AddNamedBlock(ExtentWalk& w, uint32_t offset, uint32_t length)
{
    size_t start = 0;
    if (AddSizes(w.base, offset, &start))
        AddBlock(w.tiff.readable, w.extent, start, length);
}

void WalkForExtent(ExtentWalk& w, size_t at, int depth)
{
    // Every byte read is first made part of the extent, so that the
    // rewritten data, which holds the extent's bytes where they were, walks
    // the same. The directory's own bytes are kept too: it may lie outside
    // the note (and an empty one is still read as one).
    uint16_t n = 0;
    if (depth > kMaxDepth || w.directories >= kMaxDirectories || !AddBlock(w.tiff.readable, w.extent, at, 2) ||
        !ReadPaddedU16(w.tiff, at, w.bigEndian, &n) || n == 0 || n > kMaxEntries ||
        !AddBlock(w.tiff.readable, w.extent, at, 2 + 12 * static_cast<size_t>(n) + 4))
        return;
    ++w.directories;
    uint32_t pairValue[kPairCount][2] = {};
    bool pairSeen[kPairCount][2] = {};
    for (size_t i = 0; i < n; ++i) {
        size_t entry = at + 2 + 12 * i;
        uint16_t tag = 0, type = 0;
        uint32_t count = 0, value = 0;
        ReadPaddedU16(w.tiff, entry, w.bigEndian, &tag);
        ReadPaddedU16(w.tiff, entry + 2, w.bigEndian, &type);
        ReadPaddedU32(w.tiff, entry + 4, w.bigEndian, &count);
        ReadPaddedU32(w.tiff, entry + 8, w.bigEndian, &value);
        size_t elementSize = type == kTypeIfd ? 4 : TiffTypeSize(type);
        size_t bytes = 0;
        if (elementSize == 0 || !MultiplySizes(count, elementSize, &bytes))
            continue;
        size_t valueAt = entry + 8;
        bool kept = true;  // the value's bytes are in the extent
        if (bytes > 4)
            kept = AddSizes(w.base, value, &valueAt) && AddBlock(w.tiff.readable, w.extent, valueAt, bytes);
        if (type == kTypeIfd || (count == 1 && type == TiffLong && IsSubDirectoryTag(tag))) {
            size_t sub = 0;
            if (AddSizes(w.base, value, &sub))
                WalkForExtent(w, sub, depth + 1);
        } else if (bytes > 4 && kept && (type == TiffUndefined || type == TiffByte) && IsSubDirectoryTag(tag)) {
            size_t sub = valueAt;
            uint8_t header[sizeof(kRicohInfoHeader)];
            if (bytes > sizeof(header) && CopyPadded(w.tiff, valueAt, sizeof(header), header) &&
                std::memcmp(header, kRicohInfoHeader, sizeof(header)) == 0)
                sub += sizeof(kRicohInfoHeader);
            WalkForExtent(w, sub, depth + 1);
        }
        if (count == 1 && (type == TiffLong || type == TiffShort)) {
            uint32_t number = value;
            if (type == TiffShort) {
                uint16_t v16 = 0;
                ReadPaddedU16(w.tiff, entry + 8, w.bigEndian, &v16);
                number = v16;
            }
            for (size_t p = 0; p < kPairCount; ++p) {
                for (int k = 0; k < 2; ++k) {
                    if (tag == kBlockPairs[p][k]) {
                        pairValue[p][k] = number;
                        pairSeen[p][k] = true;
                    }
                }
            }
        }
        for (const BlockArray& array : kBlockArrays) {
            uint32_t start = 0, length = 0;
            if (tag == array.tag && type == TiffLong && bytes > 4 && kept && count > array.startIndex &&
                count > array.lengthIndex &&
                ReadPaddedU32(w.tiff, valueAt + 4 * array.startIndex, w.bigEndian, &start) &&
                ReadPaddedU32(w.tiff, valueAt + 4 * array.lengthIndex, w.bigEndian, &length))
                AddNamedBlock(w, start, length);
        }
    }
    for (size_t p = 0; p < kPairCount; ++p) {
        if (pairSeen[p][0] && pairSeen[p][1])
            AddNamedBlock(w, pairValue[p][0], pairValue[p][1]);
    }
}

}  // namespace

MakerNoteMove RelocateMakerNote(uint8_t* note, size_t size, bool bigEndian, size_t sourceOffset,
                                size_t sourceTiffSize, size_t targetOffset)
{
    MakerNoteMove result;
    if (!note || !RangeFits(sourceOffset, size, sourceTiffSize))
        return result;

    size_t start = 0;
    const MakerHeader* known = nullptr;
    for (const MakerHeader& header : kHeaders) {
        if (size >= header.prefixLength && std::memcmp(note, header.prefix, header.prefixLength) == 0) {
            if (header.directoryStart == 0)
                return result;
            start = header.directoryStart;
            known = &header;
            break;
        }
    }
    if (known && known->byteOrderAt && size >= known->byteOrderAt + 2) {
        const uint8_t* mark = note + known->byteOrderAt;
        if (mark[0] == 'M' && mark[1] == 'M')
            bigEndian = true;
        else if (mark[0] == 'I' && mark[1] == 'I')
            bigEndian = false;
    }

    // A TIFF-style footer (byte order mark and the note's own offset), as
    // Canon writes: readers rebase the note by it. One that names another
    // place than where the note stood means the offsets already count from
    // elsewhere; the note then moves as it is.
    bool hasFooter = false;
    if (size >= 8) {
        const uint8_t* f = note + size - 8;
        bool le = f[0] == 'I' && f[1] == 'I' && f[2] == 42 && f[3] == 0;
        bool be = f[0] == 'M' && f[1] == 'M' && f[2] == 0 && f[3] == 42;
        uint32_t footer = 0;
        if (le || be) {
            ReadU32(note, size, size - 4, be, &footer);
            if (footer != sourceOffset)
                return result;
            hasFooter = true;
        }
    }

    Walk w = {note, size, bigEndian, sourceOffset, sourceTiffSize, targetOffset, start != 0,
              known ? known->previewStartTag : uint16_t(0), known ? known->previewLengthTag : uint16_t(0),
              false, 0, 0, {}, 0};
    if (!WalkDirectory(w, start, 0) || w.inside == 0 || w.inside < w.outside)
        return result;
    if (hasFooter && targetOffset > UINT32_MAX)
        return result;
    w.apply = true;
    w.inside = 0;
    w.outside = 0;
    w.tableCount = 0;
    WalkDirectory(w, start, 0);  // the same walk, checked above
    result.relocated = true;
    result.offsetsMoved = w.inside;
    result.offsetsLeft = w.outside;
    if (hasFooter) {
        bool be = note[size - 8] == 'M';
        StoreU32(note, size, size - 4, be, static_cast<uint32_t>(targetOffset));
        ++result.offsetsMoved;
    }
    return result;
}

void FindMakerNoteExtent(const TiffBytes& data, uint32_t noteOffset, uint32_t noteSize, MakerNoteExtent* extent)
{
    *extent = MakerNoteExtent();
    if (!RangeFits(noteOffset, noteSize, data.size) || noteOffset < 8)
        return;
    // The walk reads the TIFF data as if zeros followed it up to what a
    // segment holds: a block that runs past its end is kept with zeros
    // there, and the rewritten data, longer or shorter, reads the same.
    const PaddedTiff tiff = {data.data, data.size,
                             data.size < kMaxSegmentTiffSize ? kMaxSegmentTiffSize : data.size};
    if (!AddBlock(tiff.readable, extent, noteOffset, noteSize))
        return;
    const uint8_t* note = data.data + noteOffset;

    const NoteForm* form = nullptr;
    for (const NoteForm& f : kForms) {
        if (noteSize >= f.prefixLength && std::memcmp(note, f.prefix, f.prefixLength) == 0) {
            form = &f;
            break;
        }
    }
    size_t directory = noteOffset;
    size_t base = 0;
    bool bigEndian = data.bigEndian;
    bool ownOrder = false;
    if (form) {
        size_t markAt = form->layout == OwnHeader ? form->baseAt : form->byteOrderAt;
        if (markAt && noteSize >= markAt + 2) {
            if (note[markAt] == 'M' && note[markAt + 1] == 'M') {
                bigEndian = true;
                ownOrder = true;
            } else if (note[markAt] == 'I' && note[markAt + 1] == 'I') {
                bigEndian = false;
                ownOrder = true;
            }
        }
        directory = noteOffset + form->directoryAt;
        if (form->layout == FromNote) {
            base = noteOffset + form->baseAt;
        } else if (form->layout == OwnHeader || form->layout == OffsetField) {
            uint32_t first = 0;
            size_t field = form->layout == OwnHeader ? form->baseAt + 4 : form->directoryAt;
            if (form->layout == OffsetField) {
                bigEndian = false;
                ownOrder = true;
            }
            if (!ReadU32(note, noteSize, field, bigEndian, &first))
                return;
            base = noteOffset + form->baseAt;
            if (!AddSizes(base, first, &directory))
                return;
        }
    }
    // Without a byte order of its own, a note is in the block's order, or,
    // where its directory reads only the other way, in that one.
    if (directory < noteOffset)
        return;
    size_t inNote = directory - noteOffset;
    if (!ownOrder && !CountsEntries(note, noteSize, inNote, bigEndian) &&
        CountsEntries(note, noteSize, inNote, !bigEndian))
        bigEndian = !bigEndian;
    ExtentWalk w = {tiff, bigEndian, base, extent, 0};
    WalkForExtent(w, directory, 0);
}
