#include "raw/raw_tiff.h"

#include <new>

#include "tiff/byte_access.h"

namespace {

// Element size of a TIFF type; 0 for a type this reader does not know.
uint32_t ElementSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}

bool ReadExactly(JpegByteSource& source, uint32_t offset, uint8_t* out, uint32_t count)
{
    uint32_t got = 0;
    return source.ReadAt(offset, out, count, &got) && got == count;
}

}  // namespace

bool RawTiff::ReadHeader(JpegByteSource& source, uint32_t base, bool* bigEndian, uint16_t* magic,
                         uint32_t* firstIfd)
{
    uint8_t header[8];
    if (!ReadExactly(source, base, header, sizeof header))
        return false;
    if (header[0] == 'I' && header[1] == 'I')
        *bigEndian = false;
    else if (header[0] == 'M' && header[1] == 'M')
        *bigEndian = true;
    else
        return false;
    return ReadU16(header, sizeof header, 2, *bigEndian, magic) &&
           ReadU32(header, sizeof header, 4, *bigEndian, firstIfd);
}

bool RawTiff::ReadDirectory(uint32_t offset)
{
    m_count = 0;
    m_next = 0;
    uint8_t countBytes[2];
    uint16_t count = 0;
    if (!RangeFits(offset, 2, m_size) || !ReadExactly(m_source, m_base + offset, countBytes, 2) ||
        !ReadU16(countBytes, 2, 0, m_bigEndian, &count) || count > kRawMaxEntries)
        return false;
    size_t bytes = static_cast<size_t>(count) * 12 + 4;
    if (!RangeFits(offset + 2u, bytes - 4, m_size))
        return false;
    m_entries.reset(new (std::nothrow) uint8_t[bytes]);
    if (!m_entries)
        return false;
    uint32_t got = 0;
    if (!m_source.ReadAt(m_base + offset + 2, m_entries.get(), static_cast<uint32_t>(bytes), &got) ||
        got < bytes - 4)
        return false;
    m_count = count;
    // A missing link (the directory ends the block) ends the chain.
    if (got < bytes || !ReadU32(m_entries.get(), bytes, bytes - 4, m_bigEndian, &m_next))
        m_next = 0;
    return true;
}

RawEntry RawTiff::EntryAt(uint32_t index) const
{
    RawEntry entry;
    if (index >= m_count)
        return entry;
    const uint8_t* at = m_entries.get() + static_cast<size_t>(index) * 12;
    size_t size = static_cast<size_t>(m_count) * 12;
    size_t offset = static_cast<size_t>(index) * 12;
    ReadU16(m_entries.get(), size, offset, m_bigEndian, &entry.tag);
    ReadU16(m_entries.get(), size, offset + 2, m_bigEndian, &entry.type);
    ReadU32(m_entries.get(), size, offset + 4, m_bigEndian, &entry.count);
    for (int i = 0; i < 4; ++i)
        entry.field[i] = at[8 + i];
    return entry;
}

bool RawTiff::Find(uint16_t tag, RawEntry* entry) const
{
    // Only the tags are compared (a directory is searched once for every
    // tag the reader wants); the entry found is then read whole.
    const uint8_t* at = m_entries.get();
    for (uint32_t i = 0; i < m_count; ++i, at += 12) {
        const uint16_t found = m_bigEndian ? static_cast<uint16_t>(at[0] << 8 | at[1])
                                           : static_cast<uint16_t>(at[1] << 8 | at[0]);
        if (found == tag) {
            *entry = EntryAt(i);
            return true;
        }
    }
    return false;
}

bool RawTiff::ValuePlace(const RawEntry& entry, uint32_t* offset, uint32_t* size) const
{
    uint32_t element = ElementSize(entry.type);
    size_t total = 0;
    if (element == 0 || !MultiplySizes(element, entry.count, &total) || total > m_size)
        return false;
    *size = static_cast<uint32_t>(total);
    if (total <= 4) {
        // Inline: the value stands in the entry's field, which the caller
        // reads from the entry itself; no place in the file is named.
        *offset = 0;
        return true;
    }
    uint32_t at = 0;
    ReadU32(entry.field, 4, 0, m_bigEndian, &at);
    if (!RangeFits(at, total, m_size))
        return false;
    *offset = m_base + at;
    return true;
}

bool RawTiff::ReadValue(const RawEntry& entry, uint32_t at, uint8_t* out, uint32_t count) const
{
    uint32_t offset = 0;
    uint32_t size = 0;
    if (!ValuePlace(entry, &offset, &size) || !RangeFits(at, count, size))
        return false;
    if (size <= 4) {
        for (uint32_t i = 0; i < count; ++i)
            out[i] = entry.field[at + i];
        return true;
    }
    return ReadExactly(m_source, offset + at, out, count);
}

bool RawTiff::Number(const RawEntry& entry, uint32_t index, uint32_t* value) const
{
    *value = 0;
    uint32_t element = 0;
    switch (entry.type) {
    case 1: element = 1; break;
    case 3: element = 2; break;
    case 4: case 13: element = 4; break;
    default: return false;
    }
    if (index >= entry.count)
        return false;
    uint8_t bytes[4];
    if (!ReadValue(entry, index * element, bytes, element))
        return false;
    if (element == 1) {
        *value = bytes[0];
        return true;
    }
    if (element == 2) {
        uint16_t v = 0;
        ReadU16(bytes, 2, 0, m_bigEndian, &v);
        *value = v;
        return true;
    }
    return ReadU32(bytes, 4, 0, m_bigEndian, value);
}

bool RawTiff::Rational(const RawEntry& entry, uint32_t index, double* value) const
{
    *value = 0;
    uint8_t bytes[8];
    if (entry.type != 5 || index >= entry.count || !ReadValue(entry, index * 8, bytes, 8))
        return false;
    uint32_t numerator = 0;
    uint32_t denominator = 0;
    ReadU32(bytes, 8, 0, m_bigEndian, &numerator);
    ReadU32(bytes, 8, 4, m_bigEndian, &denominator);
    if (denominator == 0)
        return false;
    *value = static_cast<double>(numerator) / denominator;
    return true;
}

bool RawTiff::Text(const RawEntry& entry, char* text, size_t capacity) const
{
    if (capacity == 0)
        return false;
    text[0] = '\0';
    if (entry.type != 2)
        return false;
    uint32_t take = entry.count < capacity - 1 ? entry.count : static_cast<uint32_t>(capacity - 1);
    if (!ReadValue(entry, 0, reinterpret_cast<uint8_t*>(text), take))
        return false;
    text[take] = '\0';
    size_t length = 0;
    while (length < take && text[length] != '\0')
        ++length;
    while (length > 0 && text[length - 1] == ' ')
        --length;
    text[length] = '\0';
    return true;
}
