// The size in which a HEIF file's primary image is shown: its image
// spatial extents property (ispe), turned a quarter for an image rotation
// property (irot) of 90 or 270 degrees. Both are item properties: boxes in
// iprp's ipco, tied to items by iprp's ipma.
#pragma once
#include <cstddef>
#include <cstdint>

#include "heif/heif_meta.h"

// Associations of the primary item followed.
const uint32_t kHeifMaxAssociations = 255;

// Reads the primary image's displayed width and height from meta (the
// whole box, as ParseHeifMeta read it). False, with 0 x 0, when the file
// has no item properties or none gives the primary image a size.
bool FindPrimaryImageSize(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t* width,
                          uint32_t* height);
