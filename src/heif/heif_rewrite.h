// The plan of a HEIF file written anew with a new Exif item: the new meta
// box, the item's new bytes, and the pieces the new file is made of, in
// order (ranges of the old file and new bytes). Every other item, box and
// byte of image data stays as it was:
//   - new bytes that fit the item's single extent go in its place (in the
//     file or in idat), the rest of the old bytes zeroed;
//   - otherwise (or when another item shares those bytes) the item moves
//     to a new mdat box right behind meta and its old bytes are zeroed
//     (where no other item shares them);
//   - a file without an Exif item gets one: an infe in iinf, an entry in
//     iloc and a cdsc reference in iref to the primary image.
// When meta grows or shrinks or the new mdat comes in, every extent behind
// meta moves with it, and so do the chunk offsets of an image sequence's
// movie box; the file's end stays as it was (a motion photo's video, found
// by counting back from the end). Items in other files keep their entries.
#pragma once
#include <cstddef>
#include <cstdint>

#include "tiff/byte_access.h"
#include "heif/heif_movie.h"
#include "heif/heif_scan.h"
#include "support/platform.h"

struct HeifPiece {
    const uint8_t* bytes = nullptr;  // null: the old file's bytes at fileOffset
    uint32_t fileOffset = 0;
    uint32_t length = 0;
};

const uint32_t kHeifMaxPieces = 4 * kHeifMaxExtents + 8;

struct HeifRewrite {
    OwnedBytes meta;     // the new meta box
    OwnedBytes payload;  // the new Exif item's bytes, after an mdat header when it moves
    OwnedBytes zeros;    // what replaces old bytes of the item
    OwnedBytes movie;    // the movie box with its chunk offsets moved
    uint32_t pieceCount = 0;
    HeifPiece pieces[kHeifMaxPieces];
    uint32_t size = 0;  // of the new file
    // Where the Exif item's bytes lie in the new file.
    uint32_t exifOffset = 0;
    uint32_t exifLength = 0;
};

// Plans the new file for the new TIFF data (header included). scan, meta
// and oldPayload are what LocateHeifExif gave for the file (of fileSize
// bytes), movie what ReadHeifMovie gave. E_FAIL when the file cannot take
// the item: tables the engine cannot change (an id or a position beyond its
// fields, an extent inside meta that would have to move, extents that
// overlap, a chunk offset into meta), an item larger than kHeifMaxExifSize,
// or a file beyond 4 GiB; E_OUTOFMEMORY.
HRESULT PlanHeifRewrite(const HeifScan& scan, const OwnedBytes& meta, const OwnedBytes& oldPayload,
                        const HeifMovie& movie, uint32_t fileSize, const uint8_t* tiff, size_t tiffSize,
                        HeifRewrite* plan);
