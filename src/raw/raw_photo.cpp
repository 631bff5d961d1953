#include "raw/raw_photo.h"

#include <cstring>

#include "heif/heif_boxes.h"
#include "raw/raw_tiff.h"
#include "tiff/byte_access.h"

namespace {

// Directories one file may make the walk read (IFD chain, SubIFDs).
const uint32_t kMaxDirectories = 32;
// SubIFDs followed per directory, and how deep.
const uint32_t kMaxSubDirectories = 8;
const int kMaxDepth = 2;
// Boxes looked at per level of a CR3 file, and blocks of an MRW header.
const uint32_t kMaxBoxes = 256;
const uint32_t kMaxBlocks = 64;
// Entries of a RAF header's directory.
const uint32_t kMaxRafEntries = 256;

const double kDegree = 0.017453292519943295;

bool ReadExactly(JpegByteSource& source, uint32_t offset, uint8_t* out, uint32_t count)
{
    uint32_t got = 0;
    return source.ReadAt(offset, out, count, &got) && got == count;
}

bool ReadBigU32(JpegByteSource& source, uint32_t offset, uint32_t* value)
{
    uint8_t bytes[4];
    return ReadExactly(source, offset, bytes, 4) && ReadU32(bytes, 4, 0, true, value);
}

// A window [start, start + size) of another source, read as a whole file.
class WindowSource : public JpegByteSource {
public:
    WindowSource(JpegByteSource& source, uint32_t start, uint32_t size)
        : m_source(source), m_start(start), m_size(size)
    {
    }
    uint32_t Size() const override { return m_size; }
    bool ReadAt(uint32_t offset, uint8_t* buffer, uint32_t count, uint32_t* got) override
    {
        *got = 0;
        if (offset >= m_size)
            return false;
        if (count > m_size - offset)
            count = m_size - offset;
        return m_source.ReadAt(m_start + offset, buffer, count, got);
    }

private:
    JpegByteSource& m_source;
    uint32_t m_start;
    uint32_t m_size;
};

// What the walk over the TIFF directories found.
struct Walk {
    uint32_t visited[kMaxDirectories] = {};
    uint32_t visitedCount = 0;
    uint64_t largestArea = 0;
    uint32_t largestWidth = 0;
    uint32_t largestHeight = 0;
    bool hasExif = false;
    uint32_t exifIfd = 0;
    bool hasGps = false;
    uint32_t gpsIfd = 0;
    // Panasonic's sensor borders (top, left, bottom, right) in IFD0.
    uint32_t borders[4] = {};
    bool hasBorders = false;
    // A DateTimeOriginal in IFD0 itself (Nikon writes one there too).
    char ifd0Time[20] = {};
    bool ifd0HasRequiredTag = false;
};

void ConsiderPreview(JpegByteSource& source, uint32_t offset, uint32_t length, RawPhoto* photo)
{
    if (length == 0 || length <= photo->previewLength || !RangeFits(offset, length, source.Size()))
        return;
    photo->previewOffset = offset;
    photo->previewLength = length;
    uint8_t soi[2];
    photo->previewIsJpeg = length >= 2 && ReadExactly(source, offset, soi, 2) && soi[0] == 0xFF && soi[1] == 0xD8;
}

uint32_t NumberOf(const RawTiff& tiff, uint16_t tag, uint32_t fallback)
{
    RawEntry entry;
    uint32_t value = 0;
    return tiff.Find(tag, &entry) && tiff.Number(entry, 0, &value) ? value : fallback;
}

void InspectDirectory(JpegByteSource& source, RawTiff& tiff, uint32_t offset, int depth, uint16_t requiredTag,
                      Walk& walk, RawPhoto* photo)
{
    for (uint32_t i = 0; i < walk.visitedCount; ++i) {
        if (walk.visited[i] == offset)
            return;
    }
    if (walk.visitedCount >= kMaxDirectories || offset == 0)
        return;
    walk.visited[walk.visitedCount++] = offset;
    bool isIfd0 = walk.visitedCount == 1;
    if (!tiff.ReadDirectory(offset))
        return;

    uint32_t subfileType = NumberOf(tiff, 0xFE, 0);
    uint32_t width = NumberOf(tiff, 0x100, 0);
    uint32_t height = NumberOf(tiff, 0x101, 0);
    if (subfileType == 0 && static_cast<uint64_t>(width) * height > walk.largestArea) {
        walk.largestArea = static_cast<uint64_t>(width) * height;
        walk.largestWidth = width;
        walk.largestHeight = height;
    }

    RawEntry entry;
    // A JPEG named by JPEGInterchangeFormat and its length.
    uint32_t jpegAt = NumberOf(tiff, 0x201, 0);
    uint32_t jpegLength = NumberOf(tiff, 0x202, 0);
    if (jpegLength > 0 && RangeFits(jpegAt, jpegLength, tiff.Size()))
        ConsiderPreview(source, tiff.Base() + jpegAt, jpegLength, photo);
    // A JPEG held as one strip: old-style JPEG compression, or new-style
    // JPEG in a reduced image (a full-size one is the lossless raw data).
    uint32_t compression = NumberOf(tiff, 0x103, 0);
    if ((compression == 6 || (compression == 7 && subfileType != 0))) {
        RawEntry offsets;
        RawEntry counts;
        uint32_t stripAt = 0;
        uint32_t stripLength = 0;
        if (tiff.Find(0x111, &offsets) && offsets.count == 1 && tiff.Find(0x117, &counts) &&
            tiff.Number(offsets, 0, &stripAt) && tiff.Number(counts, 0, &stripLength) &&
            RangeFits(stripAt, stripLength, tiff.Size()))
            ConsiderPreview(source, tiff.Base() + stripAt, stripLength, photo);
    }
    // Panasonic's JpgFromRaw: the JPEG is the value itself.
    uint32_t placeAt = 0;
    uint32_t placeSize = 0;
    if (isIfd0 && tiff.Find(0x2E, &entry) && entry.type == 7 && tiff.ValuePlace(entry, &placeAt, &placeSize) &&
        placeSize > 4)
        ConsiderPreview(source, placeAt, placeSize, photo);

    if (isIfd0) {
        uint16_t borderTags[4] = {0x04, 0x05, 0x06, 0x07};
        walk.hasBorders = true;
        for (int i = 0; i < 4; ++i) {
            if (!tiff.Find(borderTags[i], &entry) || !tiff.Number(entry, 0, &walk.borders[i]))
                walk.hasBorders = false;
        }
        if (tiff.Find(0x9003, &entry))
            tiff.Text(entry, walk.ifd0Time, sizeof walk.ifd0Time);
        walk.ifd0HasRequiredTag = requiredTag == 0 || tiff.Find(requiredTag, &entry);
    }
    if (!walk.hasExif && tiff.Find(0x8769, &entry) && tiff.Number(entry, 0, &walk.exifIfd))
        walk.hasExif = true;
    if (!walk.hasGps && tiff.Find(0x8825, &entry) && tiff.Number(entry, 0, &walk.gpsIfd))
        walk.hasGps = true;

    // The directory's entries are replaced by the next read: take the
    // SubIFDs and the link first.
    uint32_t subs[kMaxSubDirectories] = {};
    uint32_t subCount = 0;
    if (depth < kMaxDepth && tiff.Find(0x14A, &entry)) {
        for (uint32_t i = 0; i < entry.count && i < kMaxSubDirectories; ++i) {
            if (tiff.Number(entry, i, &subs[subCount]))
                ++subCount;
        }
    }
    uint32_t next = tiff.NextDirectory();
    for (uint32_t i = 0; i < subCount; ++i)
        InspectDirectory(source, tiff, subs[i], depth + 1, requiredTag, walk, photo);
    // The chain of IFD0, IFD1, ... (SubIFDs have no chain worth following).
    if (depth == 0 && next != 0)
        InspectDirectory(source, tiff, next, 0, requiredTag, walk, photo);
}

// The Exif IFD at offset: capture time and Exif's frame size.
void ReadExif(RawTiff& tiff, uint32_t offset, RawPhoto* photo, uint32_t* width, uint32_t* height)
{
    if (!tiff.ReadDirectory(offset))
        return;
    RawEntry entry;
    if (tiff.Find(0x9003, &entry))
        tiff.Text(entry, photo->dateTimeOriginal, sizeof photo->dateTimeOriginal);
    if (tiff.Find(0x9291, &entry))
        tiff.Text(entry, photo->subSecTimeOriginal, sizeof photo->subSecTimeOriginal);
    if (tiff.Find(0x9011, &entry))
        tiff.Text(entry, photo->offsetTimeOriginal, sizeof photo->offsetTimeOriginal);
    *width = NumberOf(tiff, 0xA002, 0);
    *height = NumberOf(tiff, 0xA003, 0);
}

// One latitude or longitude: its reference letter and three rationals.
bool ReadCoordinate(const RawTiff& tiff, uint16_t refTag, uint16_t valueTag, char positive, char negative,
                    double limit, double* radians)
{
    RawEntry ref;
    RawEntry value;
    char letter[2] = {};
    if (!tiff.Find(refTag, &ref) || !tiff.Text(ref, letter, sizeof letter) || !tiff.Find(valueTag, &value) ||
        value.count < 3)
        return false;
    if (letter[0] != positive && letter[0] != negative)
        return false;
    double parts[3];
    for (uint32_t i = 0; i < 3; ++i) {
        if (!tiff.Rational(value, i, &parts[i]))
            return false;
    }
    double degrees = parts[0] + parts[1] / 60 + parts[2] / 3600;
    if (degrees > limit)
        return false;
    *radians = (letter[0] == negative ? -degrees : degrees) * kDegree;
    return true;
}

// The GPS IFD at offset: the camera's position, when it holds one.
void ReadGps(RawTiff& tiff, uint32_t offset, RawPhoto* photo)
{
    if (!tiff.ReadDirectory(offset))
        return;
    double latitude = 0;
    double longitude = 0;
    if (!ReadCoordinate(tiff, 1, 2, 'N', 'S', 90, &latitude) ||
        !ReadCoordinate(tiff, 3, 4, 'E', 'W', 180, &longitude))
        return;
    photo->hasPosition = true;
    photo->latitude = latitude;
    photo->longitude = longitude;
    RawEntry entry;
    double metres = 0;
    if (tiff.Find(6, &entry) && tiff.Rational(entry, 0, &metres)) {
        photo->hasAltitude = true;
        photo->altitude = NumberOf(tiff, 5, 0) == 1 ? -metres : metres;
    }
}

// Walks a TIFF block from its first IFD and reads what it names; the
// frame by the format's rule (a container's own header sets it before).
void ReadTiffBlock(JpegByteSource& source, RawTiff& tiff, uint32_t firstIfd, const RawFormat& format,
                   Walk& walk, RawPhoto* photo)
{
    InspectDirectory(source, tiff, firstIfd, 0, format.requiredTag, walk, photo);
    uint32_t exifWidth = 0;
    uint32_t exifHeight = 0;
    if (walk.hasExif)
        ReadExif(tiff, walk.exifIfd, photo, &exifWidth, &exifHeight);
    if (!photo->dateTimeOriginal[0])
        std::memcpy(photo->dateTimeOriginal, walk.ifd0Time, sizeof walk.ifd0Time);
    if (walk.hasGps)
        ReadGps(tiff, walk.gpsIfd, photo);

    if (photo->frameWidth && photo->frameHeight)
        return;
    if (format.frame == RawFrameRule::ExifSize && exifWidth && exifHeight) {
        photo->frameWidth = exifWidth;
        photo->frameHeight = exifHeight;
    } else if (format.frame == RawFrameRule::SensorBorders && walk.hasBorders &&
               walk.borders[3] > walk.borders[1] && walk.borders[2] > walk.borders[0]) {
        photo->frameWidth = walk.borders[3] - walk.borders[1];
        photo->frameHeight = walk.borders[2] - walk.borders[0];
    } else if (walk.largestWidth && walk.largestHeight) {
        photo->frameWidth = walk.largestWidth;
        photo->frameHeight = walk.largestHeight;
    } else if (exifWidth && exifHeight) {
        photo->frameWidth = exifWidth;
        photo->frameHeight = exifHeight;
    }
}

// The TIFF block at base, its header checked; false when there is none.
bool OpenTiff(JpegByteSource& source, uint32_t base, uint32_t size, uint16_t* magic, uint32_t* firstIfd,
              bool* bigEndian)
{
    return size >= 8 && RangeFits(base, size, source.Size()) &&
           RawTiff::ReadHeader(source, base, bigEndian, magic, firstIfd);
}

bool ReadTiffRaw(JpegByteSource& source, const RawFormat& format, RawPhoto* photo)
{
    uint16_t magic = 0;
    uint32_t firstIfd = 0;
    bool bigEndian = false;
    if (!OpenTiff(source, 0, source.Size(), &magic, &firstIfd, &bigEndian))
        return false;
    if (magic != format.magic && (format.otherMagic == 0 || magic != format.otherMagic))
        return false;
    if (format.marker) {
        uint32_t length = static_cast<uint32_t>(std::strlen(format.marker));
        uint8_t bytes[8];
        if (length > sizeof bytes || !ReadExactly(source, 8, bytes, length) ||
            std::memcmp(bytes, format.marker, length) != 0)
            return false;
    }
    RawTiff tiff(source, 0, source.Size(), bigEndian);
    Walk walk;
    // The first directory must be there: a header alone is no raw file.
    if (!tiff.ReadDirectory(firstIfd))
        return false;
    ReadTiffBlock(source, tiff, firstIfd, format, walk, photo);
    return walk.ifd0HasRequiredTag;
}

// The box with the given 16-byte uuid, or of the given type, among the
// children of [start, limit).
bool FindBox(JpegByteSource& source, uint32_t start, uint32_t limit, uint32_t type, const uint8_t* uuid,
             HeifBox* found)
{
    uint32_t at = start;
    for (uint32_t n = 0; n < kMaxBoxes && at < limit; ++n) {
        uint8_t header[kBoxHeaderMax];
        uint32_t got = 0;
        if (!source.ReadAt(at, header, kBoxHeaderMax, &got))
            return false;
        HeifBox box;
        if (!ParseBoxHeader(header, got, at, limit, &box) || box.end <= at)
            return false;
        if (box.type == type) {
            uint8_t id[16];
            if (!uuid || (box.body >= 16 && ReadExactly(source, box.body - 16, id, 16) &&
                          std::memcmp(id, uuid, 16) == 0)) {
                *found = box;
                return true;
            }
        }
        at = box.end;
    }
    return false;
}

const uint8_t kCanonUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
const uint8_t kPreviewUuid[16] = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                  0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};

// A CMT box: a TIFF block whose first directory is IFD0 (CMT1), the Exif
// IFD (CMT2) or the GPS IFD (CMT4).
bool OpenCmt(JpegByteSource& source, const HeifBox& canon, const char (&name)[5], uint32_t* base, uint32_t* size,
             uint32_t* firstIfd, bool* bigEndian)
{
    HeifBox box;
    uint16_t magic = 0;
    if (!FindBox(source, canon.body, canon.end, FourCC(name), nullptr, &box) ||
        !OpenTiff(source, box.body, box.end - box.body, &magic, firstIfd, bigEndian) || magic != 42)
        return false;
    *base = box.body;
    *size = box.end - box.body;
    return true;
}

bool ReadCr3(JpegByteSource& source, RawPhoto* photo)
{
    uint8_t header[kBoxHeaderMax];
    uint32_t got = 0;
    HeifBox ftyp;
    uint8_t brand[4];
    if (!source.ReadAt(0, header, kBoxHeaderMax, &got) ||
        !ParseBoxHeader(header, got, 0, source.Size(), &ftyp) || ftyp.type != FourCC("ftyp") ||
        ftyp.end - ftyp.body < 4 || !ReadExactly(source, ftyp.body, brand, 4) || std::memcmp(brand, "crx ", 4) != 0)
        return false;
    HeifBox moov;
    HeifBox canon;
    if (!FindBox(source, 0, source.Size(), FourCC("moov"), nullptr, &moov) ||
        !FindBox(source, moov.body, moov.end, FourCC("uuid"), kCanonUuid, &canon))
        return false;
    uint32_t base = 0;
    uint32_t size = 0;
    uint32_t first = 0;
    bool bigEndian = false;
    // IFD0 is required: it is what makes the file a CR3 raw file.
    if (!OpenCmt(source, canon, "CMT1", &base, &size, &first, &bigEndian))
        return false;
    {
        RawTiff tiff(source, base, size, bigEndian);
        Walk walk;
        InspectDirectory(source, tiff, first, 0, 0, walk, photo);
        photo->frameWidth = walk.largestWidth;
        photo->frameHeight = walk.largestHeight;
        std::memcpy(photo->dateTimeOriginal, walk.ifd0Time, sizeof walk.ifd0Time);
    }
    if (OpenCmt(source, canon, "CMT2", &base, &size, &first, &bigEndian)) {
        RawTiff tiff(source, base, size, bigEndian);
        uint32_t width = 0;
        uint32_t height = 0;
        ReadExif(tiff, first, photo, &width, &height);
        if (!photo->frameWidth || !photo->frameHeight) {
            photo->frameWidth = width;
            photo->frameHeight = height;
        }
    }
    if (OpenCmt(source, canon, "CMT4", &base, &size, &first, &bigEndian)) {
        RawTiff tiff(source, base, size, bigEndian);
        ReadGps(tiff, first, photo);
    }
    // The preview: a PRVW box 8 bytes into its own top-level uuid box,
    // with the JPEG's length at 20 and the JPEG at 24. Only the JPEG's own
    // extent is checked: cameras' PRVW sizes are not always the box's.
    HeifBox previewBox;
    uint8_t prvw[8];
    uint32_t length = 0;
    if (FindBox(source, 0, source.Size(), FourCC("uuid"), kPreviewUuid, &previewBox) &&
        previewBox.end - previewBox.body >= 32 && ReadExactly(source, previewBox.body + 8, prvw, 8) &&
        std::memcmp(prvw + 4, "PRVW", 4) == 0 && ReadBigU32(source, previewBox.body + 8 + 20, &length))
        ConsiderPreview(source, previewBox.body + 8 + 24, length, photo);
    return true;
}

bool ReadRaf(JpegByteSource& source, const RawFormat& format, RawPhoto* photo)
{
    uint8_t magic[16];
    uint32_t jpegAt = 0;
    uint32_t jpegLength = 0;
    uint32_t directoryAt = 0;
    uint32_t directoryLength = 0;
    if (!ReadExactly(source, 0, magic, 16) || std::memcmp(magic, "FUJIFILMCCD-RAW ", 16) != 0 ||
        !ReadBigU32(source, 0x54, &jpegAt) || !ReadBigU32(source, 0x58, &jpegLength) ||
        !ReadBigU32(source, 0x5C, &directoryAt) || !ReadBigU32(source, 0x60, &directoryLength))
        return false;

    // The header's directory: count, then tag, size and data; the frame is
    // the cropped raw image (height, width), else the full one.
    uint32_t count = 0;
    if (RangeFits(directoryAt, directoryLength, source.Size()) && directoryLength >= 4 &&
        ReadBigU32(source, directoryAt, &count)) {
        uint32_t at = directoryAt + 4;
        uint32_t end = directoryAt + directoryLength;
        for (uint32_t i = 0; i < count && i < kMaxRafEntries && at <= end && end - at >= 4; ++i) {
            uint8_t entry[8];
            if (!ReadExactly(source, at, entry, 4))
                break;
            uint16_t tag = static_cast<uint16_t>(entry[0] << 8 | entry[1]);
            uint16_t size = static_cast<uint16_t>(entry[2] << 8 | entry[3]);
            if (size > end - at - 4)
                break;
            if ((tag == 0x111 || (tag == 0x100 && !photo->frameWidth)) && size == 4 &&
                ReadExactly(source, at + 4, entry + 4, 4)) {
                photo->frameHeight = static_cast<uint32_t>(entry[4] << 8 | entry[5]);
                photo->frameWidth = static_cast<uint32_t>(entry[6] << 8 | entry[7]);
            }
            at += 4 + size;
        }
    }

    if (!RangeFits(jpegAt, jpegLength, source.Size()))
        return true;
    ConsiderPreview(source, jpegAt, jpegLength, photo);
    WindowSource jpeg(source, jpegAt, jpegLength);
    ExifSegmentScan scan;
    LocateExifSegment(jpeg, &scan);
    uint16_t tiffMagic = 0;
    uint32_t first = 0;
    bool bigEndian = false;
    // The segment: marker, length, "Exif\0\0", then the TIFF block.
    if (scan.recorded && scan.size > 10 &&
        OpenTiff(source, jpegAt + scan.offset + 10, scan.size - 10, &tiffMagic, &first, &bigEndian)) {
        RawTiff tiff(source, jpegAt + scan.offset + 10, scan.size - 10, bigEndian);
        Walk walk;
        ReadTiffBlock(source, tiff, first, format, walk, photo);
    }
    return true;
}

bool ReadMrw(JpegByteSource& source, const RawFormat& format, RawPhoto* photo)
{
    uint8_t magic[4];
    uint32_t length = 0;
    if (!ReadExactly(source, 0, magic, 4) || std::memcmp(magic, "\0MRM", 4) != 0 || !ReadBigU32(source, 4, &length))
        return false;
    if (length > source.Size() - 8)
        return false;
    uint32_t end = 8 + length;
    bool foundTiff = false;
    uint32_t at = 8;
    for (uint32_t n = 0; n < kMaxBlocks && at <= end && end - at >= 8; ++n) {
        uint8_t tag[4];
        uint32_t size = 0;
        if (!ReadExactly(source, at, tag, 4) || !ReadBigU32(source, at + 4, &size) || size > end - at - 8)
            break;
        uint32_t body = at + 8;
        uint8_t dims[4];
        if (std::memcmp(tag, "\0PRD", 4) == 0 && size >= 16 && ReadExactly(source, body + 12, dims, 4)) {
            photo->frameHeight = static_cast<uint32_t>(dims[0] << 8 | dims[1]);
            photo->frameWidth = static_cast<uint32_t>(dims[2] << 8 | dims[3]);
        } else if (std::memcmp(tag, "\0TTW", 4) == 0 && !foundTiff) {
            uint16_t tiffMagic = 0;
            uint32_t first = 0;
            bool bigEndian = false;
            if (OpenTiff(source, body, size, &tiffMagic, &first, &bigEndian) && tiffMagic == 42) {
                foundTiff = true;
                RawTiff tiff(source, body, size, bigEndian);
                Walk walk;
                ReadTiffBlock(source, tiff, first, format, walk, photo);
            }
        }
        at = body + size;
    }
    return foundTiff;
}

}  // namespace

HRESULT ReadRawPhoto(JpegByteSource& source, const RawFormat& format, RawPhoto* photo)
{
    *photo = RawPhoto();
    photo->format = &format;
    bool matches = false;
    switch (format.container) {
    case RawContainer::Tiff: matches = ReadTiffRaw(source, format, photo); break;
    case RawContainer::Cr3: matches = ReadCr3(source, photo); break;
    case RawContainer::Raf: matches = ReadRaf(source, format, photo); break;
    case RawContainer::Mrw: matches = ReadMrw(source, format, photo); break;
    }
    if (!matches) {
        *photo = RawPhoto();
        photo->format = &format;
        return E_FAIL;
    }
    return S_OK;
}
