#include "track/photo_time.h"

#include <cstring>

#include "tiff/ifd_entry.h"
#include "tiff/tiff_types.h"
#include "track/track_time.h"

namespace {

const uint16_t kTagDateTime = 0x0132;             // IFD0: when the file was last changed
const uint16_t kTagDateTimeOriginal = 0x9003;     // Exif: when the picture was taken
const uint16_t kTagDateTimeDigitized = 0x9004;    // Exif: when it was stored
const uint16_t kTagOffsetTime = 0x9010;           // Exif: DateTime's offset to UTC
const uint16_t kTagOffsetTimeOriginal = 0x9011;   // Exif: DateTimeOriginal's
const uint16_t kTagOffsetTimeDigitized = 0x9012;  // Exif: DateTimeDigitized's

// A time tag and the offset tag that belongs to it, in the order they count.
struct TimeSource {
    IfdKind kind;
    uint16_t timeTag;
    uint16_t offsetTag;  // always in the Exif IFD
};
const TimeSource kTimeSources[] = {
    {ExifIfd, kTagDateTimeOriginal, kTagOffsetTimeOriginal},
    {ExifIfd, kTagDateTimeDigitized, kTagOffsetTimeDigitized},
    {Ifd0, kTagDateTime, kTagOffsetTime},
};

// The length of "YYYY:MM:DD hh:mm:ss".
const size_t kExifDateTimeLength = 19;

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

// The time of one source, with its offset when the photo records one.
bool ReadSource(const IfdDirectory* root, const TimeSource& source, PhotoTime* time)
{
    size_t length = 0;
    const char* text = TextOf(root->FindEntry(source.kind, source.timeTag, true), &length);
    if (!text)
        return false;
    if (ParseExifDateTime(text, length, &time->wallSeconds)) {
        size_t offsetLength = 0;
        const char* offset = TextOf(root->FindEntry(ExifIfd, source.offsetTag, true), &offsetLength);
        time->hasOffset = offset && ParseExifUtcOffset(offset, offsetLength, &time->offsetMinutes);
        return true;
    }
    // A zone in the time's own text.
    if (length > kExifDateTimeLength && (text[kExifDateTimeLength] == '+' || text[kExifDateTimeLength] == '-') &&
        ParseExifDateTime(text, kExifDateTimeLength, &time->wallSeconds)) {
        time->hasOffset = ParseExifUtcOffset(text + kExifDateTimeLength, length - kExifDateTimeLength,
                                             &time->offsetMinutes);
        return true;
    }
    return false;
}

}  // namespace

PhotoTime ReadPhotoTime(const PhotoReader& photo)
{
    if (!photo.IsRaw())
        return ReadPhotoTime(photo.Block());
    PhotoTime time;
    const RawPhoto& raw = photo.Raw();
    if (!ParseExifDateTime(raw.dateTimeOriginal, std::strlen(raw.dateTimeOriginal), &time.wallSeconds))
        return PhotoTime();
    time.known = true;
    time.hasOffset = raw.offsetTimeOriginal[0] &&
                     ParseExifUtcOffset(raw.offsetTimeOriginal, std::strlen(raw.offsetTimeOriginal),
                                        &time.offsetMinutes);
    if (!time.hasOffset)
        time.offsetMinutes = 0;
    return time;
}

PhotoTime ReadPhotoTime(const ExifBlock& block)
{
    PhotoTime time;
    const IfdDirectory* root = block.Root();
    for (const TimeSource& source : kTimeSources) {
        if (root && ReadSource(root, source, &time)) {
            time.known = true;
            break;
        }
        time = PhotoTime();
    }
    return time;
}
