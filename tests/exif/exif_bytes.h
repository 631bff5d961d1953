// Hand-built TIFF and JPEG bytes for the photo engine's tests: every byte is
// placed by the test, so layouts can be stated exactly.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace vztest {

typedef std::vector<uint8_t> Bytes;

// Appends numbers in one byte order.
class TiffBytesBuilder {
public:
    explicit TiffBytesBuilder(bool bigEndian) : m_bigEndian(bigEndian) {}

    TiffBytesBuilder& U8(unsigned value);
    TiffBytesBuilder& U16(unsigned value);
    TiffBytesBuilder& U32(uint32_t value);
    TiffBytesBuilder& Text(const std::string& text);  // the characters, no terminator
    TiffBytesBuilder& Zeros(size_t count);
    // TIFF header: byte order mark, 42, offset of IFD0.
    TiffBytesBuilder& Header(uint32_t ifd0Offset);
    // One 12-byte entry with a 32-bit value field.
    TiffBytesBuilder& Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField);
    // One 12-byte entry whose value field holds these bytes (padded with zeros).
    TiffBytesBuilder& EntryBytes(uint16_t tag, uint16_t type, uint32_t count, const Bytes& inlineBytes);

    void SetU16(size_t at, unsigned value);
    void SetU32(size_t at, uint32_t value);
    size_t Size() const { return m_bytes.size(); }
    const Bytes& Get() const { return m_bytes; }

private:
    bool m_bigEndian;
    Bytes m_bytes;
};

// Reads back numbers of serialised data.
uint16_t GetU16(const Bytes& bytes, size_t at, bool bigEndian);
uint32_t GetU32(const Bytes& bytes, size_t at, bool bigEndian);

// A marker segment: 0xFF code, big-endian length (payload + 2), payload.
Bytes Segment(uint8_t code, const Bytes& payload);
// An APP1 Exif segment around TIFF bytes.
Bytes ExifSegment(const Bytes& tiff);
// A JFIF APP0 segment.
Bytes JfifSegment();
// A baseline frame header (SOF0) of width x height.
Bytes FrameHeader(unsigned width, unsigned height, uint8_t code = 0xC0);
// SOI, the segments, then a frame header, a scan with some entropy-coded
// bytes and EOI; the image part is distinctive so moves can be checked.
Bytes Jpeg(std::initializer_list<Bytes> segments, unsigned width = 640, unsigned height = 480);
// Concatenation.
Bytes Join(std::initializer_list<Bytes> parts);

// A small TIFF block (little- or big-endian): IFD0 with Make "Canon" and an
// Exif pointer to a directory with ExposureTime 1/125.
Bytes SimpleTiff(bool bigEndian);

}  // namespace vztest
