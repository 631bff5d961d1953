// When a photo was taken, as its Exif tags tell: DateTimeOriginal, else
// DateTimeDigitized, else DateTime, and OffsetTimeOriginal when present.
#pragma once
#include "exif/exif_block.h"

struct PhotoTime {
    bool known = false;       // a readable date and time was found
    double wallSeconds = 0;   // the camera's clock on the track time scale
    bool hasOffset = false;   // the photo records its offset to UTC
    int offsetMinutes = 0;    // east of UTC positive; meaningful when hasOffset
};

// Reads the time from an opened block; unknown when the block holds none.
PhotoTime ReadPhotoTime(const ExifBlock& block);
