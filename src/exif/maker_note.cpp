#include "exif/maker_note.h"

#include <cstring>

#include "exif/byte_access.h"
#include "exif/tiff_types.h"

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
