// Reading a camera raw file: its capture time, the position the camera
// stored, the frame size and where its embedded JPEG preview lies. Raw
// files are only read, never written. The reader works through a
// JpegByteSource, so the same code reads a file or bytes in memory, and it
// reads only the header structures, never the image data.
#pragma once
#include <cstdint>

#include "jpeg/jpeg_scan.h"
#include "raw/raw_formats.h"
#include "support/platform.h"

struct RawPhoto {
    const RawFormat* format = nullptr;
    // DateTimeOriginal ("YYYY:MM:DD HH:MM:SS"), SubSecTimeOriginal and
    // OffsetTimeOriginal ("+02:00") as the file holds them, trimmed of
    // trailing spaces; empty when absent.
    char dateTimeOriginal[20] = {};
    char subSecTimeOriginal[10] = {};
    char offsetTimeOriginal[7] = {};
    // The camera's own position (radians; metres above sea level).
    bool hasPosition = false;
    double latitude = 0;
    double longitude = 0;
    bool hasAltitude = false;
    double altitude = 0;
    // The frame size (0 x 0 when the file gives none).
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;
    // The largest embedded JPEG preview: its offset and length in the file
    // (length 0 when none), and whether it starts with a JPEG SOI marker
    // (samples whose image data was removed keep the place, not the JPEG).
    uint32_t previewOffset = 0;
    uint32_t previewLength = 0;
    bool previewIsJpeg = false;
};

// Reads the raw file of the format named (see FindRawFormat) from source.
// S_OK when the content is that format's container; E_FAIL, *photo cleared
// but for the format, when it is not (no photo: a JPEG renamed .nef, a cut
// header). A raw file without a time or a position is still a photo.
HRESULT ReadRawPhoto(JpegByteSource& source, const RawFormat& format, RawPhoto* photo);
