#include "tiff/tiff_types.h"

uint32_t TiffTypeSize(uint16_t type)
{
    static const uint8_t kSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < 13 ? kSizes[type] : 0;
}

bool IsPointerTag(uint16_t tag)
{
    return tag == kTagExifPointer || tag == kTagGpsPointer || tag == kTagInteropPointer;
}
