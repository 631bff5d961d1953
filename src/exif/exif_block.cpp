// ExifBlock: state, parsing of the segment into the tree, and building and
// placing a new segment (the parts that need no file).
#include "exif/exif_block.h"

#include <cstring>
#include <new>

#include "heif/heif_scan.h"

namespace {

// The TIFF part of the segment starts after marker, length and "Exif\0\0".
const size_t kTiffStart = 10;
// IFD0 follows the TIFF header at once in a segment we build.
const size_t kFirstDirectory = 18;

}  // namespace

ExifBlock::ExifBlock()
{
    m_path[0] = 0;
}

ExifBlock::~ExifBlock()
{
#ifdef _WIN32
    ReleaseHeldFile();
#endif
}

void ExifBlock::Reset()
{
#ifdef _WIN32
    ReleaseHeldFile();
#endif
    m_path[0] = 0;
    m_isJpeg = false;
    m_isHeif = false;
    m_root.reset();
    m_frameWidth = 0;
    m_frameHeight = 0;
    m_parsedOffset = 2;
    m_parsedSize = 0;
    m_unparsedSegment = false;
    m_readStamp = FileStamp();
}

void ExifBlock::TakeScan(const ExifSegmentScan& scan, const uint8_t* segment)
{
    m_isJpeg = scan.isJpeg;
    m_frameWidth = scan.frameWidth;
    m_frameHeight = scan.frameHeight;
    if (!scan.success)
        return;
    // From here the file holds a segment; unless it becomes the tree, a
    // rewrite must leave the file alone.
    m_unparsedSegment = true;
    // The scan checked that the segment holds a TIFF header.
    if (segment && ParseTiff(segment + kTiffStart, scan.size - kTiffStart, scan.bigEndian)) {
        m_unparsedSegment = false;
        m_parsedOffset = scan.offset;
        m_parsedSize = scan.size;
    }
}

bool ExifBlock::ParseTiff(const uint8_t* tiff, size_t size, bool bigEndian)
{
    uint32_t ifd0 = 0;
    if (!ReadU32(tiff, size, 4, bigEndian, &ifd0))
        return false;
    // IFD0 must leave room for its count and one entry before the end.
    if (ifd0 < 8 || static_cast<uint64_t>(ifd0) + 14 > size)
        return false;
    TiffBytes bytes = {tiff, size, bigEndian};
    m_root.reset(IfdDirectory::Parse(Ifd0, bytes, ifd0));
    return m_root != nullptr;
}

void ExifBlock::OpenFromBytes(const uint8_t* file, size_t size)
{
    Reset();
    MemoryByteSource source(file, size);
    if (IsHeifFile(source)) {
        OpenHeif(source);
        return;
    }
    ExifSegmentScan scan;
    LocateExifSegment(source, &scan);
    // The scan checked that the segment lies within the file.
    TakeScan(scan, scan.success ? file + scan.offset : nullptr);
}

HRESULT ExifBlock::CheckRescan(const ExifSegmentScan& rescan) const
{
    if (!rescan.isJpeg)
        return E_FAIL;
    // A failed scan means a file the engine cannot read back: a segment put
    // in front of it would not be found again, and a damaged segment would
    // stay. (Open ignores the segments of a failed scan.)
    if (rescan.failed)
        return E_FAIL;
    if (m_parsedSize != 0) {
        if (!rescan.recorded || rescan.offset != m_parsedOffset || rescan.size != m_parsedSize)
            return E_FAIL;
    } else if (rescan.recorded) {
        // Open parsed none (or could not parse the one there was): its
        // metadata must not be replaced.
        return E_FAIL;
    }
    return S_OK;
}

OwnedBytes ExifBlock::BuildExifSegment(size_t room)
{
    OwnedBytes segment;
    if (!m_root || !m_root->IsComplete() || room < kFirstDirectory)
        return segment;
    // Zeroed: the gaps that blocks kept at their places leave read as zeros.
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[room]());
    if (!buffer)
        return segment;
    ByteWriter writer(buffer.get(), room);
    m_root->ReservePlaces(writer, kTiffStart);
    size_t cursor = kFirstDirectory;
    size_t ifd0At = 0;
    if (FAILED(m_root->Serialize(writer, kTiffStart, &cursor, &ifd0At)) || writer.Failed() || cursor > room)
        return segment;
    // A kept block may end past everything laid out around it.
    if (writer.HighWater() > cursor)
        cursor = writer.HighWater();
    const bool bigEndian = m_root->BigEndian();
    const uint8_t order = bigEndian ? 'M' : 'I';
    const uint8_t header[10] = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    writer.PutBytes(0, header, sizeof(header));
    writer.PutU16(2, static_cast<uint16_t>(cursor - 2), true);  // segment lengths are big-endian
    writer.PutBytes(10, &order, 1);
    writer.PutBytes(11, &order, 1);
    writer.PutU16(12, 42, bigEndian);
    writer.PutU32(14, static_cast<uint32_t>(ifd0At - kTiffStart), bigEndian);
    if (writer.Failed())
        return segment;
    segment.data = std::move(buffer);
    segment.size = cursor;
    return segment;
}

HRESULT ExifBlock::WriteToBytes(const uint8_t* file, size_t size, OwnedBytes* rewritten)
{
    rewritten->data.reset();
    rewritten->size = 0;
    if (!IsPhoto() || !file || size > UINT32_MAX)
        return E_FAIL;
    if (m_isHeif)
        return WriteHeifToBytes(file, size, rewritten);
    MemoryByteSource source(file, size);
    ExifSegmentScan rescan;
    LocateExifSegment(source, &rescan);
    HRESULT hr = CheckRescan(rescan);
    OwnedBytes segment;
    if (SUCCEEDED(hr) && m_root) {
        segment = BuildExifSegment();
        if (!segment.data)
            hr = E_FAIL;
    } else if (SUCCEEDED(hr)) {
        hr = S_FALSE;  // no tree and no segment: nothing to write
    }
    const size_t oldStart = rescan.offset;
    const size_t tail = oldStart + rescan.size;  // within the file: the scan checked it
    size_t newSize = 0;
    if (SUCCEEDED(hr) && !AddSizes(size - (tail - oldStart), segment.size, &newSize))
        hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        rewritten->data.reset(new (std::nothrow) uint8_t[newSize ? newSize : 1]);
        if (!rewritten->data)
            hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        if (hr == S_FALSE) {
            std::memcpy(rewritten->data.get(), file, size);
        } else {
            std::memcpy(rewritten->data.get(), file, oldStart);
            std::memcpy(rewritten->data.get() + oldStart, segment.data.get(), segment.size);
            std::memcpy(rewritten->data.get() + oldStart + segment.size, file + tail, size - tail);
        }
        rewritten->size = newSize;
    }
    return hr;
}
