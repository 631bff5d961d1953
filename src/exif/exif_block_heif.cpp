// ExifBlock over a HEIF file: the Exif item that describes the primary
// image goes into the same tree as a JPEG file's segment.
#include "exif/exif_block.h"
#include "exif/heif_scan.h"

void ExifBlock::OpenHeif(JpegByteSource& source)
{
    HeifScan scan;
    OwnedBytes meta;
    OwnedBytes payload;
    LocateHeifExif(source, &scan, &meta, &payload);
    m_isHeif = scan.isHeif;
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
