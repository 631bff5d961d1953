// TIFF vocabulary of the photo engine: directory kinds, field types, the tag
// numbers the engine acts on, and the view of the TIFF bytes of one Exif
// segment that the parser reads from.
#pragma once
#include <cstddef>
#include <cstdint>

// Kinds of image file directory in an Exif block.
enum IfdKind : uint16_t {
    Ifd0 = 1,        // reached through the TIFF header
    ExifIfd = 2,     // through tag 0x8769
    InteropIfd = 3,  // through tag 0xA005
    GpsIfd = 4,      // through tag 0x8825
    Ifd1 = 5,        // the next-directory link of IFD0 (thumbnail)
};

// TIFF field types.
enum TiffType : uint16_t {
    TiffNone = 0,
    TiffByte = 1,
    TiffAscii = 2,
    TiffShort = 3,
    TiffLong = 4,
    TiffRational = 5,
    TiffSByte = 6,
    TiffUndefined = 7,
    TiffSShort = 8,
    TiffSLong = 9,
    TiffSRational = 10,
    TiffFloat = 11,
    TiffDouble = 12,
};

// Bytes per element of a field type; 0 for type 0 and for types above 12,
// whose entries are carried with their four inline bytes as found.
uint32_t TiffTypeSize(uint16_t type);

// Tags that point at whole directories.
const uint16_t kTagExifPointer = 0x8769;
const uint16_t kTagGpsPointer = 0x8825;
const uint16_t kTagInteropPointer = 0xA005;
bool IsPointerTag(uint16_t tag);

// The camera maker's own data, carried as bytes (see maker_note.h).
const uint16_t kTagMakerNote = 0x927C;
// The most TIFF data one Exif segment holds (64 KiB less the marker, the
// length and "Exif\0\0").
const size_t kMaxSegmentTiffSize = 65536 - 10;

// IFD1 thumbnail tags.
const uint16_t kTagImageLength = 0x0101;
const uint16_t kTagCompression = 0x0103;
const uint16_t kTagStripOffsets = 0x0111;
const uint16_t kTagRowsPerStrip = 0x0116;
const uint16_t kTagStripByteCounts = 0x0117;
const uint16_t kTagJpegInterchangeFormat = 0x0201;
const uint16_t kTagJpegInterchangeFormatLength = 0x0202;

// GPS tags of the position (Exif 2.2 names).
const uint16_t kTagGpsVersionId = 0x0000;
const uint16_t kTagGpsLatitudeRef = 0x0001;
const uint16_t kTagGpsLatitude = 0x0002;
const uint16_t kTagGpsLongitudeRef = 0x0003;
const uint16_t kTagGpsLongitude = 0x0004;
const uint16_t kTagGpsAltitudeRef = 0x0005;
const uint16_t kTagGpsAltitude = 0x0006;
const uint16_t kTagGpsTimeStamp = 0x0007;
const uint16_t kTagGpsTrackRef = 0x000E;
const uint16_t kTagGpsTrack = 0x000F;
const uint16_t kTagGpsImgDirectionRef = 0x0010;
const uint16_t kTagGpsImgDirection = 0x0011;
const uint16_t kTagGpsDateStamp = 0x001D;

// The TIFF part of an Exif segment as the parser sees it: every offset
// stored in the data counts from data[0]; nothing at or beyond data[size]
// is ever read.
struct TiffBytes {
    const uint8_t* data;
    size_t size;
    bool bigEndian;
};
