// When a photo was taken, as its Exif tags tell: DateTimeOriginal, else
// DateTimeDigitized, else DateTime, each with the offset tag that belongs
// to it (OffsetTimeOriginal, OffsetTimeDigitized, OffsetTime).
#pragma once
#include "exif/exif_block.h"
#include "exif/photo_reader.h"

struct PhotoTime {
    bool known = false;       // a readable date and time was found
    double wallSeconds = 0;   // the camera's clock on the track time scale
    bool hasOffset = false;   // the photo records the offset to UTC of that time
    int offsetMinutes = 0;    // east of UTC positive; meaningful when hasOffset
};

// Reads the time from an opened block; unknown when the block holds none.
// The offset is that of the time used, never one that belongs to another
// of the three. A time that carries a zone in its own text
// ("2024:05:01 12:30:00+02:00", against the Exif standard but written by
// some programs) has that zone, whatever its offset tag says: ExifTool's
// composite times (SubSecDateTimeOriginal and its siblings) read it so.
PhotoTime ReadPhotoTime(const ExifBlock& block);
// The time of an opened photo of any kind: a raw file's DateTimeOriginal
// with OffsetTimeOriginal from its header, else as above.
PhotoTime ReadPhotoTime(const PhotoReader& photo);
