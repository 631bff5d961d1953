#include "exif/exif_bytes.h"

namespace vztest {

TiffBytesBuilder& TiffBytesBuilder::U8(unsigned value)
{
    m_bytes.push_back(static_cast<uint8_t>(value));
    return *this;
}

TiffBytesBuilder& TiffBytesBuilder::U16(unsigned value)
{
    m_bytes.resize(m_bytes.size() + 2);
    SetU16(m_bytes.size() - 2, value);
    return *this;
}

TiffBytesBuilder& TiffBytesBuilder::U32(uint32_t value)
{
    m_bytes.resize(m_bytes.size() + 4);
    SetU32(m_bytes.size() - 4, value);
    return *this;
}

TiffBytesBuilder& TiffBytesBuilder::Text(const std::string& text)
{
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    return *this;
}

TiffBytesBuilder& TiffBytesBuilder::Zeros(size_t count)
{
    m_bytes.resize(m_bytes.size() + count, 0);
    return *this;
}

TiffBytesBuilder& TiffBytesBuilder::Header(uint32_t ifd0Offset)
{
    Text(m_bigEndian ? "MM" : "II");
    U16(42);
    return U32(ifd0Offset);
}

TiffBytesBuilder& TiffBytesBuilder::Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField)
{
    return U16(tag).U16(type).U32(count).U32(valueField);
}

TiffBytesBuilder& TiffBytesBuilder::EntryBytes(uint16_t tag, uint16_t type, uint32_t count, const Bytes& inlineBytes)
{
    U16(tag).U16(type).U32(count);
    for (size_t i = 0; i < 4; ++i)
        U8(i < inlineBytes.size() ? inlineBytes[i] : 0);
    return *this;
}

void TiffBytesBuilder::SetU16(size_t at, unsigned value)
{
    m_bytes[at + (m_bigEndian ? 0 : 1)] = static_cast<uint8_t>(value >> 8);
    m_bytes[at + (m_bigEndian ? 1 : 0)] = static_cast<uint8_t>(value);
}

void TiffBytesBuilder::SetU32(size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_bytes[at + i] = static_cast<uint8_t>(value >> (m_bigEndian ? 24 - 8 * i : 8 * i));
}

uint16_t GetU16(const Bytes& bytes, size_t at, bool bigEndian)
{
    return bigEndian ? static_cast<uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1))
                     : static_cast<uint16_t>(bytes.at(at + 1) << 8 | bytes.at(at));
}

uint32_t GetU32(const Bytes& bytes, size_t at, bool bigEndian)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(bytes.at(at + i)) << (bigEndian ? 24 - 8 * i : 8 * i);
    return value;
}

Bytes Segment(uint8_t code, const Bytes& payload)
{
    size_t length = payload.size() + 2;
    Bytes segment = {0xFF, code, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    return segment;
}

Bytes ExifSegment(const Bytes& tiff)
{
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return Segment(0xE1, payload);
}

Bytes JfifSegment()
{
    return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 2, 0, 0, 1, 0, 1, 0, 0});
}

Bytes FrameHeader(unsigned width, unsigned height, uint8_t code)
{
    return Segment(code, {8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height),
                          static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(width), 1, 1, 0x11, 0});
}

Bytes Jpeg(std::initializer_list<Bytes> segments, unsigned width, unsigned height)
{
    Bytes file = {0xFF, 0xD8};
    for (const Bytes& s : segments)
        file.insert(file.end(), s.begin(), s.end());
    Bytes frame = FrameHeader(width, height);
    file.insert(file.end(), frame.begin(), frame.end());
    Bytes scan = Segment(0xDA, {1, 1, 0, 0, 0x3F, 0});
    file.insert(file.end(), scan.begin(), scan.end());
    for (int i = 0; i < 300; ++i)
        file.push_back(static_cast<uint8_t>(i * 7 + 3) == 0xFF ? 0 : static_cast<uint8_t>(i * 7 + 3));
    file.push_back(0xFF);
    file.push_back(0xD9);
    return file;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes joined;
    for (const Bytes& p : parts)
        joined.insert(joined.end(), p.begin(), p.end());
    return joined;
}

Bytes SimpleTiff(bool bigEndian)
{
    // 0: header; 8: IFD0 (2 entries, 30 bytes); 38: "Canon\0"; 44: Exif IFD
    // (1 entry, 18 bytes); 62: 1/125.
    TiffBytesBuilder b(bigEndian);
    b.Header(8);
    b.U16(2).Entry(0x010F, 2, 6, 38).Entry(0x8769, 4, 1, 44).U32(0);
    b.Text("Canon").U8(0);
    b.U16(1).Entry(0x829A, 5, 1, 62).U32(0);
    b.U32(1).U32(125);
    return b.Get();
}

}  // namespace vztest
