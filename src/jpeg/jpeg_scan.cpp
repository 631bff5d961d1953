#include "jpeg/jpeg_scan.h"

#include <cstring>

#include "tiff/byte_access.h"

namespace {

bool IsFrameHeader(uint8_t code)
{
    // SOF0-SOF3, SOF5-SOF7, SOF9-SOF11, SOF13-SOF15 (not DHT C4, JPG C8, DAC CC).
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

}  // namespace

MemoryByteSource::MemoryByteSource(const uint8_t* data, size_t size)
    : m_data(data), m_size(size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size))
{
}

bool MemoryByteSource::ReadAt(uint32_t offset, uint8_t* buffer, uint32_t count, uint32_t* got)
{
    *got = 0;
    if (count == 0)
        return true;
    if (!m_data || offset >= m_size)
        return false;
    uint32_t available = m_size - offset;
    *got = count < available ? count : available;
    std::memcpy(buffer, m_data + offset, *got);
    return true;
}

void LocateExifSegment(JpegByteSource& source, ExifSegmentScan* scan)
{
    *scan = ExifSegmentScan();
    const uint64_t fileSize = source.Size();
    uint8_t window[kMarkerWindowSize];
    uint32_t got = 0;
    if (!source.ReadAt(0, window, 2, &got) || got < 2 || window[0] != 0xFF || window[1] != 0xD8)
        return;
    scan->isJpeg = true;

    uint64_t position = 2;
    bool failed = false;
    for (;;) {
        // Positions stay 32-bit quantities; past that the scan is over.
        if (position >= fileSize || position > UINT32_MAX)
            break;
        std::memset(window, 0, sizeof(window));
        if (!source.ReadAt(static_cast<uint32_t>(position), window, kMarkerWindowSize, &got))
            break;
        // The marker: the first 0xFF followed by something else than 0xFF
        // among the first eight bytes; fill bytes before it are skipped.
        // Bytes past the end of the file never make a marker.
        uint32_t i = 0;
        while (i < 8 && !(i + 1 < got && window[i] == 0xFF && window[i + 1] != 0xFF))
            ++i;
        if (i == 8)
            break;
        const uint64_t marker = position + i;
        const uint8_t code = window[i + 1];
        const uint32_t length = (static_cast<uint32_t>(window[i + 2]) << 8) | window[i + 3];

        if (IsFrameHeader(code)) {
            scan->frameHeight = (static_cast<uint32_t>(window[i + 5]) << 8) | window[i + 6];
            scan->frameWidth = (static_cast<uint32_t>(window[i + 7]) << 8) | window[i + 8];
            failed = scan->frameWidth == 0 || scan->frameHeight == 0;
            break;
        }
        if (code == 0xDA)  // SOS: the image data follows
            break;
        if (code == 0xE1 && std::memcmp(window + i + 4, kExifHeader, sizeof(kExifHeader)) == 0) {
            const uint32_t size = length + 2;
            const bool bigEndian = window[i + 10] == 0x4D && window[i + 11] == 0x4D;
            uint16_t magic = 0;
            ReadU16(window, sizeof(window), i + 12, bigEndian, &magic);
            if (size < 18 || magic != 42 || marker + size > fileSize) {
                failed = true;
                break;
            }
            // A later valid segment replaces an earlier one.
            scan->recorded = true;
            scan->offset = static_cast<uint32_t>(marker);
            scan->size = size;
            scan->bigEndian = bigEndian;
        }
        position = marker + 2 + length;
    }
    scan->failed = failed;
    scan->success = scan->recorded && !failed;
}
