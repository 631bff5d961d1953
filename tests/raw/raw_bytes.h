// Raw files built in the tests: TIFF directories with chosen entries laid
// out in either byte order, and the containers around them (a TIFF-based
// raw file with its own magic, CR3 boxes, a RAF header with an embedded
// JPEG, MRW blocks).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// One TIFF directory; pointer entries name directories built with it.
struct TiffDir {
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        Bytes value;               // in the file's byte order
        const TiffDir* child;      // pointer entries: the directory named
    };
    std::vector<Entry> entries;
    const TiffDir* next = nullptr;
    bool bigEndian = false;

    explicit TiffDir(bool big) : bigEndian(big) {}
    TiffDir& Short(uint16_t tag, uint32_t value);
    TiffDir& Long(uint16_t tag, uint32_t value);
    TiffDir& Ascii(uint16_t tag, const std::string& text);
    // Rationals from numerator, denominator pairs.
    TiffDir& Rationals(uint16_t tag, const std::vector<uint32_t>& pairs);
    TiffDir& Undefined(uint16_t tag, const Bytes& bytes);
    TiffDir& Pointer(uint16_t tag, const TiffDir& child);
    // A value placed later by the builder: a LONG offset to blob bytes
    // appended to the file (a preview), and its length under lengthTag.
    TiffDir& Blob(uint16_t offsetTag, uint16_t lengthTag, const Bytes& bytes);
    std::vector<std::pair<std::pair<uint16_t, uint16_t>, Bytes>> blobs;
};

// A TIFF block: header (byte order, magic, first IFD), extra bytes right
// after the header (a maker's marker), then the directories.
Bytes BuildTiff(const TiffDir& ifd0, uint16_t magic = 42, const Bytes& afterHeader = {});

// A small JPEG: SOI, an Exif APP1 segment holding tiff (when not empty),
// a frame header, EOI.
Bytes BuildJpeg(const Bytes& tiff);

// A DNG for the commands' tests: DateTimeOriginal time (and
// OffsetTimeOriginal offset unless null), a camera position of 48 51' 29.88"
// N, 2 17' 40.2" W, 35.5 m when gps, a 6048 x 4024 frame, and a JPEG
// preview (BuildJpeg of no Exif) when preview.
Bytes BuildDng(const char* time, const char* offset, bool gps, bool preview);

// The containers.
Bytes BuildCr3(const Bytes& cmt1, const Bytes& cmt2, const Bytes& cmt4, const Bytes& preview);
Bytes BuildRaf(const Bytes& jpeg, uint16_t width, uint16_t height);
Bytes BuildMrw(const Bytes& tiff, uint16_t width, uint16_t height);
