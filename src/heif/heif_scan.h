// The walk over a HEIF file to the Exif of its primary image: the file
// type box, the top-level meta box (read whole), the Exif item that
// describes the primary item, and that item's bytes. It reads through a
// JpegByteSource, so the same code reads a file or bytes in memory.
#pragma once
#include <cstddef>
#include <cstdint>

#include "tiff/byte_access.h"
#include "heif/heif_meta.h"
#include "jpeg/jpeg_scan.h"

// Top-level boxes looked at before the meta box.
const uint32_t kHeifMaxTopLevelBoxes = 64;
// Top-level boxes a completeness check follows.
const uint32_t kHeifMaxCompleteBoxes = 4096;
// An Exif item larger than this is not read (a JPEG's Exif is at most 64 KiB).
const uint32_t kHeifMaxExifSize = 1024 * 1024;

// True when the file starts with a file type box that names a HEIF brand.
bool IsHeifFile(JpegByteSource& source);

// What one scan found.
struct HeifScan {
    bool isHeif = false;    // a HEIF file whose meta box describes a primary image
    bool recorded = false;  // an Exif item describes the primary image
    bool success = false;   // ... and its TIFF data was read
    uint32_t metaStart = 0;
    uint32_t metaSize = 0;
    // The primary image's size as shown (0 x 0 when the file gives none).
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;
    HeifMeta tables;
    uint32_t exifItem = 0;
    HeifItemPlace exif;
    // Where the TIFF header lies in the item's bytes, and its byte order.
    uint32_t tiffStart = 0;
    bool bigEndian = false;
};

// Scans the file. meta receives the whole meta box and payload the Exif
// item's bytes (when success).
void LocateHeifExif(JpegByteSource& source, HeifScan* scan, OwnedBytes* meta, OwnedBytes* payload);

// True when an Exif item other than the scan's (the one a write replaces)
// holds GPS tags, or cannot be read to tell: a write would leave a position
// that disagrees with the one written or removed.
bool OtherExifHoldsPosition(JpegByteSource& source, const HeifScan& scan, const OwnedBytes& meta);

// True when the file is a HEIF file whose meta box describes a primary
// image, whose top-level boxes follow each other up to its last byte (a
// file cut short while it was written ends inside a box), and where every
// extent that iloc names and every chunk offset of its movie lies inside
// it (a file cut exactly between two boxes does not).
bool IsCompleteHeifFile(JpegByteSource& source);

// Where the TIFF header starts in an Exif item's bytes: after the 4-byte
// offset that leads them, or after an "Exif\0\0" or APP1 prefix that some
// writers put instead. False when no TIFF header is there.
bool FindTiffHeader(const uint8_t* payload, size_t size, uint32_t* tiffStart, bool* bigEndian);
