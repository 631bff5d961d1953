#include "tiff/byte_access.h"

#include <cstring>

bool ReadU16(const uint8_t* data, size_t size, size_t offset, bool bigEndian, uint16_t* value)
{
    *value = 0;
    if (!data || !RangeFits(offset, 2, size))
        return false;
    const uint8_t* p = data + offset;
    *value = bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1])
                       : static_cast<uint16_t>((p[1] << 8) | p[0]);
    return true;
}

bool ReadU32(const uint8_t* data, size_t size, size_t offset, bool bigEndian, uint32_t* value)
{
    *value = 0;
    if (!data || !RangeFits(offset, 4, size))
        return false;
    const uint8_t* p = data + offset;
    if (bigEndian)
        *value = (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                 (static_cast<uint32_t>(p[2]) << 8) | p[3];
    else
        *value = (static_cast<uint32_t>(p[3]) << 24) | (static_cast<uint32_t>(p[2]) << 16) |
                 (static_cast<uint32_t>(p[1]) << 8) | p[0];
    return true;
}

bool StoreU16(uint8_t* data, size_t size, size_t offset, bool bigEndian, uint16_t value)
{
    if (!data || !RangeFits(offset, 2, size))
        return false;
    uint8_t* p = data + offset;
    uint8_t hi = static_cast<uint8_t>(value >> 8), lo = static_cast<uint8_t>(value);
    p[0] = bigEndian ? hi : lo;
    p[1] = bigEndian ? lo : hi;
    return true;
}

bool StoreU32(uint8_t* data, size_t size, size_t offset, bool bigEndian, uint32_t value)
{
    if (!data || !RangeFits(offset, 4, size))
        return false;
    uint8_t* p = data + offset;
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        p[i] = static_cast<uint8_t>(value >> shift);
    }
    return true;
}

bool ByteWriter::Claim(size_t offset, size_t count)
{
    if (m_failed || !m_buffer || !RangeFits(offset, count, m_capacity)) {
        m_failed = true;
        return false;
    }
    if (offset + count > m_highWater)
        m_highWater = offset + count;
    return true;
}

bool ByteWriter::PutU16(size_t offset, uint16_t value, bool bigEndian)
{
    return Claim(offset, 2) && StoreU16(m_buffer, m_capacity, offset, bigEndian, value);
}

bool ByteWriter::PutU32(size_t offset, uint32_t value, bool bigEndian)
{
    return Claim(offset, 4) && StoreU32(m_buffer, m_capacity, offset, bigEndian, value);
}

bool ByteWriter::PutBytes(size_t offset, const uint8_t* bytes, size_t count)
{
    if (!Claim(offset, count))
        return false;
    if (count)
        std::memcpy(m_buffer + offset, bytes, count);
    return true;
}

bool ByteWriter::PutZeros(size_t offset, size_t count)
{
    if (!Claim(offset, count))
        return false;
    if (count)
        std::memset(m_buffer + offset, 0, count);
    return true;
}

bool ByteWriter::Reserve(size_t offset, size_t count)
{
    size_t end = 0;
    if (m_reservedCount == kMaxReserved || !AddSizes(offset, count, &end)) {
        m_failed = true;
        return false;
    }
    m_reserved[m_reservedCount][0] = offset;
    m_reserved[m_reservedCount][1] = end;
    ++m_reservedCount;
    return true;
}

size_t ByteWriter::Place(size_t cursor, size_t count) const
{
    if (count > SIZE_MAX - cursor)
        return cursor;  // no such write fits; Claim fails it
    // Each step moves past one kept range, so the loop ends after at most
    // as many steps as there are ranges.
    for (size_t step = 0; step <= m_reservedCount; ++step) {
        bool moved = false;
        for (size_t i = 0; i < m_reservedCount; ++i) {
            size_t start = m_reserved[i][0], end = m_reserved[i][1];
            if (cursor < end && start < cursor + count) {
                cursor = end;
                moved = true;
            }
        }
        if (!moved)
            break;
    }
    return cursor;
}
