// The walk over the markers of a JPEG file to its Exif APP1 segment and its
// frame header. It reads through a JpegByteSource, so the same code scans a
// file (a source that reads the first KiB in one call and serves the small
// marker windows from that buffer) or bytes in memory.
#pragma once
#include <cstddef>
#include <cstdint>

class JpegByteSource {
public:
    virtual ~JpegByteSource() {}
    // Size of the whole file in bytes (positions are 32-bit quantities).
    virtual uint32_t Size() const = 0;
    // Reads up to count bytes at offset into buffer and sets *got to the
    // number read. False when offset is at or beyond the end, or on a read
    // error; a read that reaches past the end gives the bytes that exist.
    virtual bool ReadAt(uint32_t offset, uint8_t* buffer, uint32_t count, uint32_t* got) = 0;
};

// A source over bytes the caller keeps alive.
class MemoryByteSource : public JpegByteSource {
public:
    MemoryByteSource(const uint8_t* data, size_t size);
    uint32_t Size() const override { return m_size; }
    bool ReadAt(uint32_t offset, uint8_t* buffer, uint32_t count, uint32_t* got) override;

private:
    const uint8_t* m_data;
    uint32_t m_size;
};

// What one scan found.
struct ExifSegmentScan {
    bool isJpeg = false;       // the file starts with SOI
    bool success = false;      // a segment was recorded and the scan ended well
    bool recorded = false;     // a segment was recorded (even when the scan then failed)
    bool failed = false;       // the scan met a damaged Exif segment or a frame of no size
    uint32_t offset = 2;       // offset of the recorded segment's 0xFF, 2 when none
    uint32_t size = 0;         // its size including the marker, 0 when none
    bool bigEndian = false;    // byte order of its TIFF part
    uint32_t frameWidth = 0;   // samples per line from the frame header, 0 until one
    uint32_t frameHeight = 0;  // lines from the frame header
};

// Size of the window read at each marker.
const uint32_t kMarkerWindowSize = 24;

// Scans the markers from SOI to the frame header (or SOS) and records the
// last valid Exif APP1 segment before it.
void LocateExifSegment(JpegByteSource& source, ExifSegmentScan* scan);
