// ExifBlock over a HEIF file: the Exif item that describes the primary
// image goes into the same tree as a JPEG file's segment, and the tree
// back into that item (heif_rewrite.h says where its bytes go).
#include "exif/exif_block.h"

#include <cstring>
#include <new>

#include "heif/heif_rewrite.h"
#include "heif/heif_scan.h"

namespace {

// The segment's marker, length and "Exif\0\0" before TIFF data as large
// as an Exif item is read.
const size_t kHeifExifSegmentRoom = 10 + kHeifMaxExifSize;

}  // namespace

void ExifBlock::OpenHeif(JpegByteSource& source)
{
    HeifScan scan;
    OwnedBytes meta;
    OwnedBytes payload;
    LocateHeifExif(source, &scan, &meta, &payload);
    m_isHeif = scan.isHeif;
    m_frameWidth = scan.frameWidth;
    m_frameHeight = scan.frameHeight;
    if (!scan.recorded)
        return;
    // From here the file holds an Exif item; unless it becomes the tree, a
    // rewrite must leave the file alone.
    m_unparsedSegment = true;
    if (scan.success &&
        ParseTiff(payload.data.get() + scan.tiffStart, payload.size - scan.tiffStart, scan.bigEndian)) {
        m_unparsedSegment = false;
        m_parsedOffset = scan.exif.extents[0].offset;
        m_parsedSize = scan.exif.length;
    }
}

HRESULT ExifBlock::CheckHeifRescan(const HeifScan& rescan) const
{
    if (!rescan.isHeif)
        return E_FAIL;
    if (m_parsedSize != 0) {
        if (!rescan.success || rescan.exif.extents[0].offset != m_parsedOffset || rescan.exif.length != m_parsedSize)
            return E_FAIL;
    } else if (rescan.recorded) {
        return E_FAIL;  // an Exif item that Open did not parse stays as it is
    }
    return S_OK;
}

HRESULT ExifBlock::PlanHeifWrite(JpegByteSource& source, HeifRewrite* plan)
{
    HeifScan rescan;
    OwnedBytes meta;
    OwnedBytes payload;
    LocateHeifExif(source, &rescan, &meta, &payload);
    HRESULT hr = CheckHeifRescan(rescan);
    // Another Exif item with a position would disagree with the one
    // written (or removed): the file is left alone.
    if (SUCCEEDED(hr) && OtherExifHoldsPosition(source, rescan, meta))
        hr = E_FAIL;
    if (SUCCEEDED(hr) && !m_root)
        return S_FALSE;  // no tree and no Exif item: nothing to write
    HeifMovie movie;
    if (SUCCEEDED(hr))
        hr = ReadHeifMovie(source, &movie);
    OwnedBytes segment;
    if (SUCCEEDED(hr)) {
        segment = BuildExifSegment(kHeifExifSegmentRoom);
        hr = segment.data ? S_OK : E_FAIL;
    }
    // The TIFF part follows the segment's marker, length and "Exif\0\0".
    if (SUCCEEDED(hr))
        hr = PlanHeifRewrite(rescan, meta, payload, movie, source.Size(), segment.data.get() + 10, segment.size - 10,
                             plan);
    return hr;
}

HRESULT ExifBlock::WriteHeifToBytes(const uint8_t* file, size_t size, OwnedBytes* rewritten)
{
    MemoryByteSource source(file, size);
    std::unique_ptr<HeifRewrite> plan(new (std::nothrow) HeifRewrite);
    HRESULT hr = plan ? PlanHeifWrite(source, plan.get()) : E_OUTOFMEMORY;
    const size_t newSize = hr == S_OK ? plan->size : size;
    if (SUCCEEDED(hr)) {
        rewritten->data.reset(new (std::nothrow) uint8_t[newSize ? newSize : 1]);
        hr = rewritten->data ? hr : E_OUTOFMEMORY;
    }
    if (hr == S_FALSE)
        std::memcpy(rewritten->data.get(), file, size);
    size_t at = 0;
    for (uint32_t i = 0; hr == S_OK && i < plan->pieceCount; ++i) {
        const HeifPiece& piece = plan->pieces[i];
        std::memcpy(rewritten->data.get() + at, piece.bytes ? piece.bytes : file + piece.fileOffset, piece.length);
        at += piece.length;
    }
    if (SUCCEEDED(hr))
        rewritten->size = newSize;
    else
        rewritten->data.reset();
    return hr;
}
