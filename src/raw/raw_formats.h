// The camera raw formats the engine reads: which extension names which
// container, and what the file's first bytes must hold for the file to be
// that container. A file whose content does not match its extension is no
// photo. The table lies in raw_formats.cpp, in one place.
#pragma once
#include <cstddef>
#include <cstdint>

// How the file holds its TIFF structures.
enum class RawContainer {
    Tiff,  // a TIFF file (its header possibly with a maker's own magic)
    Cr3,   // ISO base media: TIFF blocks in Canon's uuid box inside moov
    Raf,   // Fujifilm: a header, an embedded JPEG with the Exif
    Mrw,   // Minolta: blocks, the TIFF in the TTW block
};

// Where the frame size comes from.
enum class RawFrameRule {
    LargestImage,    // the largest full-resolution image of the TIFF directories
    ExifSize,        // the Exif IFD's PixelXDimension and PixelYDimension
    SensorBorders,   // Panasonic's sensor borders in IFD0
    ContainerHeader, // the container's own header (RAF, MRW)
};

struct RawFormat {
    const wchar_t* extension;  // lower case, no dot
    const char* name;          // as ExifTool's FileType names it
    RawContainer container;
    // For Tiff: the 16-bit magic after the byte order mark (42 for TIFF,
    // 0x4F52 "RO" for ORF, 0x5352 "RS" for ORF, 0x55 for RW2).
    uint16_t magic;
    uint16_t otherMagic;  // a second accepted magic, or 0
    // For Tiff: bytes that must stand at offset 8 (CR2's "CR", IIQ's
    // "IIII"), or null.
    const char* marker;
    // For Tiff: a tag IFD0 must hold (DNG's DNGVersion), or 0.
    uint16_t requiredTag;
    RawFrameRule frame;
};

// The format a file name's extension names (any case; the name may be a
// path), or null when it names no raw format.
const RawFormat* FindRawFormat(const wchar_t* name);

// The whole table, for tests.
const RawFormat* RawFormatTable(size_t* count);
