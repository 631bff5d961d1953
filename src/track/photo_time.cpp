#include "track/photo_time.h"

#include "exif/ifd_entry.h"
#include "exif/tiff_types.h"
#include "track/track_time.h"

namespace {

const uint16_t kTagDateTime = 0x0132;             // IFD0: when the file was last changed
const uint16_t kTagDateTimeOriginal = 0x9003;     // Exif: when the picture was taken
const uint16_t kTagDateTimeDigitized = 0x9004;    // Exif: when it was stored
const uint16_t kTagOffsetTimeOriginal = 0x9011;   // Exif: DateTimeOriginal's offset to UTC

// The text of an ASCII entry, or null.
const char* TextOf(const IfdEntry* entry, size_t* length)
{
    if (!entry || entry->Type() != TiffAscii || entry->Count() == 0)
        return nullptr;
    const uint8_t* bytes = entry->ValueBytes(0);
    if (!bytes)
        return nullptr;
    *length = entry->ValueSize();
    return reinterpret_cast<const char*>(bytes);
}

bool ReadDateTime(const IfdDirectory* root, IfdKind kind, uint16_t tag, double* wallSeconds)
{
    size_t length = 0;
    const char* text = TextOf(root->FindEntry(kind, tag, true), &length);
    return text && ParseExifDateTime(text, length, wallSeconds);
}

}  // namespace

PhotoTime ReadPhotoTime(const ExifBlock& block)
{
    PhotoTime time;
    const IfdDirectory* root = block.Root();
    if (!root)
        return time;
    if (ReadDateTime(root, ExifIfd, kTagDateTimeOriginal, &time.wallSeconds) ||
        ReadDateTime(root, ExifIfd, kTagDateTimeDigitized, &time.wallSeconds) ||
        ReadDateTime(root, Ifd0, kTagDateTime, &time.wallSeconds))
        time.known = true;

    size_t length = 0;
    const char* offset = TextOf(root->FindEntry(ExifIfd, kTagOffsetTimeOriginal, true), &length);
    if (offset && ParseExifUtcOffset(offset, length, &time.offsetMinutes))
        time.hasOffset = true;
    return time;
}
