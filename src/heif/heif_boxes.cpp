#include "heif/heif_boxes.h"

#include "tiff/byte_access.h"

bool ParseBoxHeader(const uint8_t* header, size_t count, uint32_t start, uint32_t limit, HeifBox* box)
{
    *box = HeifBox();
    uint32_t size32 = 0;
    uint32_t type = 0;
    if (start > limit || !ReadU32(header, count, 0, true, &size32) || !ReadU32(header, count, 4, true, &type))
        return false;
    uint64_t size = size32;
    uint32_t headerSize = 8;
    if (size32 == 1) {
        uint32_t high = 0, low = 0;
        if (!ReadU32(header, count, 8, true, &high) || !ReadU32(header, count, 12, true, &low))
            return false;
        size = (static_cast<uint64_t>(high) << 32) | low;
        headerSize = 16;
    } else if (size32 == 0) {
        size = limit - start;
    }
    if (type == FourCC("uuid"))
        headerSize += 16;
    if (size < headerSize || size > limit - start || headerSize > count)
        return false;
    box->type = type;
    box->start = start;
    box->body = start + headerSize;
    box->end = start + static_cast<uint32_t>(size);
    return true;
}

bool ReadBox(const uint8_t* data, size_t size, uint32_t offset, uint32_t limit, HeifBox* box)
{
    if (limit > size || offset >= limit) {
        *box = HeifBox();
        return false;
    }
    const size_t available = limit - offset;
    return ParseBoxHeader(data + offset, available < kBoxHeaderMax ? available : kBoxHeaderMax, offset, limit, box);
}

bool BoxFields::Take(uint32_t count)
{
    if (m_failed || count > m_end - m_offset) {
        m_failed = true;
        return false;
    }
    return true;
}

uint8_t BoxFields::U8()
{
    if (!Take(1))
        return 0;
    return m_data[m_offset++];
}

uint16_t BoxFields::U16()
{
    uint16_t value = 0;
    if (Take(2) && ReadU16(m_data, m_end, m_offset, true, &value))
        m_offset += 2;
    return value;
}

uint32_t BoxFields::U32()
{
    uint32_t value = 0;
    if (Take(4) && ReadU32(m_data, m_end, m_offset, true, &value))
        m_offset += 4;
    return value;
}

uint64_t BoxFields::U64()
{
    const uint64_t high = U32();
    return (high << 32) | U32();
}

uint64_t BoxFields::Sized(uint32_t bytes)
{
    if (bytes == 0)
        return 0;
    if (bytes == 4)
        return U32();
    if (bytes == 8)
        return U64();
    m_failed = true;
    return 0;
}

void BoxFields::Skip(uint32_t count)
{
    if (Take(count))
        m_offset += count;
}
