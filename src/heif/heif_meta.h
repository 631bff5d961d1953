// The item tables of a HEIF file's meta box: which item is the primary
// image (pitm), the items and their types (iinf/infe), which item describes
// which (iref), and where each item's bytes lie (iloc, idat). Read from the
// whole meta box in memory; every position below counts from the start of
// that box.
#pragma once
#include <cstddef>
#include <cstdint>

#include "heif/heif_boxes.h"

// A meta box larger than this is refused (a phone's is a few KiB, one with
// hundreds of tiles some tens of KiB).
const uint32_t kHeifMaxMetaSize = 1024 * 1024;
// Extents of one item the engine follows.
const uint32_t kHeifMaxExtents = 64;
// References to the primary item checked for an Exif item.
const uint32_t kHeifMaxDescriptions = 64;

struct HeifMeta {
    uint32_t primary = 0;  // item id of the primary image
    // The child boxes the engine reads (type 0: absent).
    HeifBox pitm, iinf, iloc, iref, idat, iprp, grpl;
    // iloc's header.
    uint8_t ilocVersion = 0;
    uint8_t offsetSize = 0;
    uint8_t lengthSize = 0;
    uint8_t baseOffsetSize = 0;
    uint8_t indexSize = 0;
    uint32_t ilocFirstEntry = 0;  // offset of the first item entry
    uint32_t ilocItemCount = 0;
};

// Reads meta (size bytes, the whole box from its header on). False when it
// is no picture metadata: no handler 'pict', no primary item, no iinf or
// iloc, a child box repeated or beyond the box, or an iloc of an unknown
// version or field size.
bool ParseHeifMeta(const uint8_t* meta, size_t size, HeifMeta* out);

// The id of the item of type 'Exif' that describes (cdsc) the primary
// item; false when there is none.
bool FindPrimaryExif(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t* itemId);

// The ids of the items of type 'Exif' in iinf, in their order: the count
// found (at most room are stored).
uint32_t ListExifItems(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t* ids, uint32_t room);

// The largest id that grpl's entity groups use (group ids and the entity
// ids they name), 0 when there is no grpl.
uint32_t MaxGroupId(const uint8_t* meta, size_t size, const HeifMeta& tables);

// One extent of an item: a range of the file.
struct HeifExtent {
    uint32_t offset = 0;
    uint32_t length = 0;
};

// Where an item's bytes are in the file, whether they lie in the file
// (method 0) or in the meta box's idat (method 1), and where its iloc entry
// is (for a writer).
struct HeifItemPlace {
    uint16_t method = 0;
    uint32_t entry = 0;      // offset of the item's iloc entry in meta
    uint32_t entryEnd = 0;   // one past it
    uint32_t extentCount = 0;
    HeifExtent extents[kHeifMaxExtents];
    uint32_t length = 0;  // sum of the extents
};

// Finds the item's iloc entry and turns its extents into ranges of the
// file: metaStart is where the meta box lies in the file and fileSize the
// file's size. False when the item has no entry, refers to another file, is
// built from other items (method 2), has no extent or more than
// kHeifMaxExtents, or an extent lies beyond the file or its idat.
bool LocateHeifItem(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t itemId,
                    uint32_t metaStart, uint32_t fileSize, HeifItemPlace* place);
