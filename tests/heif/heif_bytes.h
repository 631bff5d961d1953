// Hand-built HEIF files for the photo engine's tests: a primary image item
// and, when asked, an Exif item describing it, laid out as the fields say.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "exif/exif_bytes.h"

namespace vztest {

struct HeifLayout {
    Bytes exif;               // the Exif item's bytes; empty: no Exif item
    unsigned ilocVersion = 1;
    unsigned offsetSize = 4;  // iloc field sizes: 0, 4 or 8
    unsigned lengthSize = 4;
    unsigned baseOffsetSize = 0;
    unsigned method = 0;      // 0: the Exif item in mdat, 1: in idat
    unsigned extents = 1;     // the Exif item cut into this many extents
    unsigned infeVersion = 2;
    unsigned irefVersion = 0;
    bool describesPrimary = true;  // the cdsc reference names the primary item
    bool movie = false;       // a moov (tracks 7 and 8) whose stco and co64 name 4-byte chunks in mdat
    Bytes trailer{};         // bytes after mdat (a motion photo's video box)
    bool groups = false;      // grpl: an entity group with the next free item id
    bool sharedExif = false;  // item 3 has the Exif item's first extent
    const char* sharedType = "mime";
    bool remoteItem = false;  // item 4 lies in another file (data_reference_index 1)
    Bytes metaTail{};         // more children at the end of meta
};

// A box: big-endian size, type, body.
Bytes Box(const std::string& type, const Bytes& body);
// ftyp, meta (hdlr, pitm, iinf, iloc, iref, idat, grpl), moov and mdat with
// the image item's bytes, the Exif item's and the chunks, as the layout says.
Bytes Heif(const HeifLayout& layout);
// The Exif item's bytes as most writers lay them out: a 4-byte offset to the
// TIFF header, "Exif\0\0", the TIFF data.
Bytes ExifItem(const Bytes& tiff);
// A box a phone appends after a HEIF file: a video found by counting back
// from the end.
Bytes MotionPhotoVideo();

// Every layout the engine reads, around the TIFF data: iloc versions 0 to 2,
// field sizes 0, 4 and 8, a base offset, several extents, idat, 32-bit ids,
// and the three forms of the bytes before the TIFF header.
struct NamedLayout {
    const char* what;
    HeifLayout layout;
};
std::vector<NamedLayout> EveryHeifLayout(const Bytes& tiff);

}  // namespace vztest
