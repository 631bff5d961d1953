#include "heif/heif_scan.h"

#include <cstring>
#include <new>

#include "heif/heif_image_size.h"
#include "heif/heif_location_table.h"
#include "heif/heif_movie.h"

namespace {

bool IsHeifBrand(uint32_t brand)
{
    switch (brand) {
    case FourCC("mif1"): case FourCC("mif2"): case FourCC("msf1"):
    case FourCC("heic"): case FourCC("heix"): case FourCC("heim"): case FourCC("heis"):
    case FourCC("hevc"): case FourCC("hevx"): case FourCC("hevm"): case FourCC("hevs"):
        return true;
    default:
        return false;
    }
}

bool ReadHeader(JpegByteSource& source, uint32_t start, uint32_t limit, HeifBox* box)
{
    uint8_t header[kBoxHeaderMax];
    uint32_t got = 0;
    return source.ReadAt(start, header, sizeof(header), &got) && ParseBoxHeader(header, got, start, limit, box);
}

bool ReadWhole(JpegByteSource& source, uint32_t offset, uint32_t count, uint8_t* buffer)
{
    uint32_t got = 0;
    return count == 0 || (source.ReadAt(offset, buffer, count, &got) && got == count);
}

OwnedBytes Allocate(uint32_t size)
{
    OwnedBytes bytes;
    bytes.data.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (bytes.data)
        bytes.size = size;
    return bytes;
}

bool IsTiffHeader(const uint8_t* payload, size_t size, uint32_t at, bool* bigEndian)
{
    const uint8_t ii[4] = {'I', 'I', 42, 0};
    const uint8_t mm[4] = {'M', 'M', 0, 42};
    if (!RangeFits(at, 8, size))
        return false;
    *bigEndian = std::memcmp(payload + at, mm, 4) == 0;
    return *bigEndian || std::memcmp(payload + at, ii, 4) == 0;
}

// True when IFD0 of the TIFF data at tiffStart holds a GPS IFD pointer, or
// cannot be read to tell.
bool Ifd0HasGpsPointer(const uint8_t* payload, size_t size, uint32_t tiffStart, bool bigEndian)
{
    const uint8_t* tiff = payload + tiffStart;
    const size_t tiffSize = size - tiffStart;
    uint32_t ifd0 = 0;
    uint16_t count = 0;
    if (!ReadU32(tiff, tiffSize, 4, bigEndian, &ifd0) || !ReadU16(tiff, tiffSize, ifd0, bigEndian, &count))
        return true;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t tag = 0;
        if (!ReadU16(tiff, tiffSize, static_cast<size_t>(ifd0) + 2 + 12 * i, bigEndian, &tag) || tag == 0x8825)
            return true;
    }
    return false;
}

// True when every extent of every item in this file lies inside it (or
// inside idat).
bool ExtentsInside(const OwnedBytes& meta, const HeifScan& scan, uint32_t fileSize)
{
    HeifLocationTable table;
    if (!table.Read(meta.data.get(), meta.size, scan.tables))
        return false;
    for (uint32_t i = 0; i < table.ItemCount(); ++i) {
        const HeifLocation& item = table.Item(i);
        const bool inIdat = (item.method & 15) == 1;
        const uint64_t sourceEnd = inIdat ? scan.tables.idat.end - scan.tables.idat.body : fileSize;
        for (uint32_t e = item.firstExtent; item.dataReference == 0 && (item.method & 15) < 2 &&
                                            e < item.firstExtent + item.extentCount; ++e) {
            const HeifLocationExtent& extent = table.Extent(e);
            if ((inIdat && scan.tables.idat.type == 0) || item.base > sourceEnd || extent.offset > sourceEnd ||
                extent.length > sourceEnd || item.base + extent.offset + extent.length > sourceEnd)
                return false;
        }
    }
    return true;
}

}  // namespace

bool IsHeifFile(JpegByteSource& source)
{
    HeifBox ftyp;
    if (!ReadHeader(source, 0, source.Size(), &ftyp) || ftyp.type != FourCC("ftyp") || ftyp.end - ftyp.body < 8)
        return false;
    // Major brand, minor version, compatible brands: at most 64 brands looked at.
    uint8_t brands[8 + 4 * 64];
    const uint32_t count = ftyp.end - ftyp.body < sizeof(brands) ? ftyp.end - ftyp.body : sizeof(brands);
    if (!ReadWhole(source, ftyp.body, count, brands))
        return false;
    for (uint32_t at = 0; at + 4 <= count; at += at == 0 ? 8 : 4) {
        uint32_t brand = 0;
        if (ReadU32(brands, count, at, true, &brand) && IsHeifBrand(brand))
            return true;
    }
    return false;
}

void LocateHeifExif(JpegByteSource& source, HeifScan* scan, OwnedBytes* meta, OwnedBytes* payload)
{
    *scan = HeifScan();
    *meta = OwnedBytes();
    *payload = OwnedBytes();
    if (!IsHeifFile(source))
        return;
    const uint32_t fileSize = source.Size();
    HeifBox box;
    bool found = false;
    uint32_t at = 0;
    for (uint32_t i = 0; i < kHeifMaxTopLevelBoxes && !found && at < fileSize; ++i, at = box.end) {
        if (!ReadHeader(source, at, fileSize, &box))
            return;
        found = box.type == FourCC("meta");
    }
    if (!found || box.end - box.start > kHeifMaxMetaSize)
        return;
    *meta = Allocate(box.end - box.start);
    if (!meta->data || !ReadWhole(source, box.start, static_cast<uint32_t>(meta->size), meta->data.get()) ||
        !ParseHeifMeta(meta->data.get(), meta->size, &scan->tables))
        return;
    scan->isHeif = true;
    scan->metaStart = box.start;
    scan->metaSize = static_cast<uint32_t>(meta->size);
    FindPrimaryImageSize(meta->data.get(), meta->size, scan->tables, &scan->frameWidth, &scan->frameHeight);
    if (!FindPrimaryExif(meta->data.get(), meta->size, scan->tables, &scan->exifItem))
        return;
    scan->recorded = true;
    if (!LocateHeifItem(meta->data.get(), meta->size, scan->tables, scan->exifItem, scan->metaStart, fileSize,
                        &scan->exif) ||
        scan->exif.length > kHeifMaxExifSize)
        return;
    *payload = Allocate(scan->exif.length);
    if (!payload->data)
        return;
    uint32_t filled = 0;
    for (uint32_t e = 0; e < scan->exif.extentCount; ++e) {
        const HeifExtent& extent = scan->exif.extents[e];
        if (!ReadWhole(source, extent.offset, extent.length, payload->data.get() + filled))
            return;
        filled += extent.length;
    }
    scan->success = FindTiffHeader(payload->data.get(), payload->size, &scan->tiffStart, &scan->bigEndian);
}

bool IsCompleteHeifFile(JpegByteSource& source)
{
    HeifScan scan;
    OwnedBytes meta;
    OwnedBytes payload;
    LocateHeifExif(source, &scan, &meta, &payload);
    if (!scan.isHeif)
        return false;
    const uint32_t fileSize = source.Size();
    HeifBox box;
    uint32_t at = 0;
    for (uint32_t i = 0; i < kHeifMaxCompleteBoxes && at < fileSize; ++i, at = box.end) {
        if (!ReadHeader(source, at, fileSize, &box))
            return false;
    }
    HeifMovie movie;
    return at == fileSize && ExtentsInside(meta, scan, fileSize) && SUCCEEDED(ReadHeifMovie(source, &movie)) &&
           (!movie.box.data || ChunkOffsetsInside(movie.box.data.get(), movie.box.size, fileSize));
}

bool OtherExifHoldsPosition(JpegByteSource& source, const HeifScan& scan, const OwnedBytes& meta)
{
    uint32_t ids[kHeifMaxDescriptions];
    const uint32_t count = ListExifItems(meta.data.get(), meta.size, scan.tables, ids, kHeifMaxDescriptions);
    if (count > kHeifMaxDescriptions)
        return true;
    for (uint32_t i = 0; i < count; ++i) {
        HeifItemPlace place;
        if (scan.recorded && ids[i] == scan.exifItem)
            continue;
        if (!LocateHeifItem(meta.data.get(), meta.size, scan.tables, ids[i], scan.metaStart, source.Size(), &place) ||
            place.length > kHeifMaxExifSize)
            return true;
        OwnedBytes payload = Allocate(place.length);
        uint32_t filled = 0;
        for (uint32_t e = 0; payload.data && e < place.extentCount; ++e) {
            if (!ReadWhole(source, place.extents[e].offset, place.extents[e].length, payload.data.get() + filled))
                return true;
            filled += place.extents[e].length;
        }
        uint32_t tiffStart = 0;
        bool bigEndian = false;
        if (!payload.data || !FindTiffHeader(payload.data.get(), payload.size, &tiffStart, &bigEndian) ||
            Ifd0HasGpsPointer(payload.data.get(), payload.size, tiffStart, bigEndian))
            return true;
    }
    return false;
}

bool FindTiffHeader(const uint8_t* payload, size_t size, uint32_t* tiffStart, bool* bigEndian)
{
    const uint8_t exif[6] = {'E', 'x', 'i', 'f', 0, 0};
    *tiffStart = 0;
    if (RangeFits(0, 6, size) && std::memcmp(payload, exif, 6) == 0)
        *tiffStart = 6;
    else if (RangeFits(0, 10, size) && payload[0] == 0xFF && payload[1] == 0xE1 && std::memcmp(payload + 4, exif, 6) == 0)
        *tiffStart = 10;
    else if (!ReadU32(payload, size, 0, true, tiffStart) || *tiffStart > UINT32_MAX - 4)
        return false;
    else
        *tiffStart += 4;
    return IsTiffHeader(payload, size, *tiffStart, bigEndian);
}
