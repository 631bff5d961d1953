#include "heif/heif_location_table.h"

#include <new>

namespace {

bool FitsField(uint64_t value, uint32_t bytes)
{
    return bytes == 8 || (bytes == 4 && value <= UINT32_MAX) || value == 0;
}

void PutSized(ByteWriter& writer, size_t* at, uint64_t value, uint32_t bytes)
{
    if (bytes == 8) {
        writer.PutU32(*at, static_cast<uint32_t>(value >> 32), true);
        writer.PutU32(*at + 4, static_cast<uint32_t>(value), true);
    } else if (bytes == 4) {
        writer.PutU32(*at, static_cast<uint32_t>(value), true);
    } else if (bytes == 2) {
        writer.PutU16(*at, static_cast<uint16_t>(value), true);
    }
    *at += bytes;
}

}  // namespace

bool HeifLocationTable::Read(const uint8_t* meta, size_t size, const HeifMeta& tables)
{
    m_version = tables.ilocVersion;
    m_offsetSize = tables.offsetSize;
    m_lengthSize = tables.lengthSize;
    m_baseOffsetSize = tables.baseOffsetSize;
    m_indexSize = tables.indexSize;
    BoxFields header(meta, size, tables.iloc.body, tables.iloc.end);
    m_flags = header.U32() & 0xFFFFFF;
    // Each entry takes at least 6 bytes: the count cannot exceed what the box holds.
    if (tables.ilocItemCount > (tables.iloc.end - tables.ilocFirstEntry) / 6)
        return false;
    m_itemCount = tables.ilocItemCount;
    m_itemRoom = m_itemCount + 1;
    m_items.reset(new (std::nothrow) HeifLocation[m_itemRoom]);
    m_extentRoom = kHeifMaxTableExtents + 1;
    m_extents.reset(new (std::nothrow) HeifLocationExtent[m_extentRoom]);
    if (!m_items || !m_extents)
        return false;
    BoxFields fields(meta, size, tables.ilocFirstEntry, tables.iloc.end);
    m_extentCount = 0;
    for (uint32_t i = 0; i < m_itemCount && !fields.Failed(); ++i) {
        HeifLocation& item = m_items[i];
        item.id = m_version < 2 ? fields.U16() : fields.U32();
        item.method = m_version == 0 ? 0 : fields.U16();
        item.dataReference = fields.U16();
        item.base = fields.Sized(m_baseOffsetSize);
        item.extentCount = fields.U16();
        item.firstExtent = m_extentCount;
        if (item.extentCount > kHeifMaxTableExtents - m_extentCount)
            return false;
        for (uint16_t e = 0; e < item.extentCount; ++e) {
            HeifLocationExtent& extent = m_extents[m_extentCount++];
            extent.index = m_version == 0 ? 0 : fields.Sized(m_indexSize);
            extent.offset = fields.Sized(m_offsetSize);
            extent.length = fields.Sized(m_lengthSize);
        }
    }
    return !fields.Failed();
}

HeifLocation* HeifLocationTable::Find(uint32_t id)
{
    for (uint32_t i = 0; i < m_itemCount; ++i) {
        if (m_items[i].id == id)
            return &m_items[i];
    }
    return nullptr;
}

HeifLocation* HeifLocationTable::Add(uint32_t id)
{
    if (m_itemCount == m_itemRoom)
        return nullptr;
    HeifLocation& item = m_items[m_itemCount++];
    item = HeifLocation();
    item.id = id;
    return &item;
}

bool HeifLocationTable::SetSingleExtent(HeifLocation* item, uint64_t offset, uint64_t length)
{
    if (m_extentCount == m_extentRoom)
        return false;
    item->firstExtent = m_extentCount;
    item->extentCount = 1;
    HeifLocationExtent& extent = m_extents[m_extentCount++];
    extent = HeifLocationExtent();
    extent.offset = offset;
    extent.length = length;
    return true;
}

void HeifLocationTable::WidenFields()
{
    m_offsetSize = m_offsetSize ? m_offsetSize : 4;
    m_lengthSize = m_lengthSize ? m_lengthSize : 4;
}

bool HeifLocationTable::Fits() const
{
    if (m_version < 2 && (m_itemCount > 0xFFFF || MaxId() > 0xFFFF))
        return false;
    // A table the engine could not read back is not written: an added
    // entry's extent counts with all the others.
    uint64_t extents = 0;
    for (uint32_t i = 0; i < m_itemCount; ++i) {
        const HeifLocation& item = m_items[i];
        extents += item.extentCount;
        if (extents > kHeifMaxTableExtents || !FitsField(item.base, m_baseOffsetSize) ||
            (m_version == 0 && item.method != 0))
            return false;
        for (uint32_t e = item.firstExtent; e < item.firstExtent + item.extentCount; ++e) {
            if (!FitsField(m_extents[e].offset, m_offsetSize) || !FitsField(m_extents[e].length, m_lengthSize))
                return false;
        }
    }
    return true;
}

uint32_t HeifLocationTable::BoxSize() const
{
    const uint32_t idSize = m_version < 2 ? 2 : 4;
    const uint32_t extentSize = (m_version == 0 ? 0 : m_indexSize) + m_offsetSize + m_lengthSize;
    uint64_t size = 8 + 4 + 2 + idSize;  // header, version and flags, field sizes, item count
    for (uint32_t i = 0; i < m_itemCount; ++i) {
        size += idSize + (m_version == 0 ? 0 : 2) + 2 + m_baseOffsetSize + 2 +
                static_cast<uint64_t>(extentSize) * m_items[i].extentCount;
    }
    return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
}

void HeifLocationTable::Write(ByteWriter& writer, size_t offset) const
{
    const uint32_t idSize = m_version < 2 ? 2 : 4;
    size_t at = offset;
    writer.PutU32(at, BoxSize(), true);
    writer.PutU32(at + 4, FourCC("iloc"), true);
    writer.PutU32(at + 8, static_cast<uint32_t>(m_version) << 24 | m_flags, true);
    writer.PutU16(at + 12, static_cast<uint16_t>(m_offsetSize << 12 | m_lengthSize << 8 | m_baseOffsetSize << 4 |
                                                 (m_version == 0 ? 0 : m_indexSize)), true);
    at += 14;
    PutSized(writer, &at, m_itemCount, idSize);
    for (uint32_t i = 0; i < m_itemCount; ++i) {
        const HeifLocation& item = m_items[i];
        PutSized(writer, &at, item.id, idSize);
        if (m_version != 0) {
            writer.PutU16(at, item.method, true);
            at += 2;
        }
        writer.PutU16(at, item.dataReference, true);
        at += 2;
        PutSized(writer, &at, item.base, m_baseOffsetSize);
        writer.PutU16(at, item.extentCount, true);
        at += 2;
        for (uint32_t e = item.firstExtent; e < item.firstExtent + item.extentCount; ++e) {
            if (m_version != 0)
                PutSized(writer, &at, m_extents[e].index, m_indexSize);
            PutSized(writer, &at, m_extents[e].offset, m_offsetSize);
            PutSized(writer, &at, m_extents[e].length, m_lengthSize);
        }
    }
}

uint32_t HeifLocationTable::MaxId() const
{
    uint32_t max = 0;
    for (uint32_t i = 0; i < m_itemCount; ++i)
        max = m_items[i].id > max ? m_items[i].id : max;
    return max;
}
