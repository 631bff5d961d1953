// The item location table (iloc) of a HEIF file read whole, changed and
// written anew: a writer that moves the Exif item, adds one, or shifts the
// data behind a grown meta box keeps every other entry's values, and its
// bytes too when the field sizes stay.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "tiff/byte_access.h"
#include "heif/heif_meta.h"

// Extents of all items the table takes (an extent of 0-byte fields takes no
// bytes in the box, so the box's size does not bound them).
const uint32_t kHeifMaxTableExtents = 65536;

struct HeifLocation {
    uint32_t id = 0;
    uint16_t method = 0;  // construction method with the reserved bits as found
    uint16_t dataReference = 0;
    uint64_t base = 0;
    uint32_t firstExtent = 0;  // index into the table's extents
    uint16_t extentCount = 0;
};

struct HeifLocationExtent {
    uint64_t index = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
};

class HeifLocationTable {
public:
    // Reads the iloc box of meta, with room for one more item and extent.
    bool Read(const uint8_t* meta, size_t size, const HeifMeta& tables);
    // The entry of an item, null when none.
    HeifLocation* Find(uint32_t id);
    // Adds an entry (the room Read made); null when it was used.
    HeifLocation* Add(uint32_t id);
    // Gives the item one new extent (the room Read made); false when used.
    bool SetSingleExtent(HeifLocation* item, uint64_t offset, uint64_t length);
    // Widens offset and length fields of 0 bytes to 4, so that every
    // value can be written.
    void WidenFields();
    // False when a value does not fit its field, an id its version, or
    // the extents are more than Read takes.
    bool Fits() const;
    // Size of the box Write writes.
    uint32_t BoxSize() const;
    // Writes the whole box at offset of writer.
    void Write(ByteWriter& writer, size_t offset) const;
    // Largest item id, 0 when none.
    uint32_t MaxId() const;

    uint32_t ItemCount() const { return m_itemCount; }
    HeifLocation& Item(uint32_t i) { return m_items[i]; }
    HeifLocationExtent& Extent(uint32_t i) { return m_extents[i]; }
    uint8_t Version() const { return m_version; }

private:
    uint8_t m_version = 0;
    uint32_t m_flags = 0;
    uint8_t m_offsetSize = 0, m_lengthSize = 0, m_baseOffsetSize = 0, m_indexSize = 0;
    uint32_t m_itemCount = 0, m_itemRoom = 0;
    uint32_t m_extentCount = 0, m_extentRoom = 0;
    std::unique_ptr<HeifLocation[]> m_items;
    std::unique_ptr<HeifLocationExtent[]> m_extents;
};
