// A read-only walk over TIFF directories that lie somewhere in a file (a
// raw file's header, a CR3 box, the TTW block of an MRW file, the Exif of
// an embedded JPEG). Every value is read through the byte source at an
// offset checked against the TIFF block's extent; nothing is copied but
// the entries of the directory at hand.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "jpeg/jpeg_scan.h"

// Entries a directory may have; a larger count is damage.
const uint32_t kRawMaxEntries = 1024;

struct RawEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint8_t field[4] = {};  // the value, or the offset of a larger one
};

class RawTiff {
public:
    // The TIFF block [base, base + size) of source; offsets in it count
    // from base, where its header starts.
    RawTiff(JpegByteSource& source, uint32_t base, uint32_t size, bool bigEndian)
        : m_source(source), m_base(base), m_size(size), m_bigEndian(bigEndian)
    {
    }

    // Reads the header's byte order and magic; false when the block is too
    // small or the byte order mark is neither "II" nor "MM".
    static bool ReadHeader(JpegByteSource& source, uint32_t base, bool* bigEndian, uint16_t* magic,
                           uint32_t* firstIfd);

    // Reads the directory at offset: false when it does not lie in the block
    // or has more than kRawMaxEntries entries.
    bool ReadDirectory(uint32_t offset);
    uint32_t EntryCount() const { return m_count; }
    RawEntry EntryAt(uint32_t index) const;
    uint32_t NextDirectory() const { return m_next; }
    bool Find(uint16_t tag, RawEntry* entry) const;

    // Element index of a BYTE, SHORT, LONG or IFD value; false for any
    // other type or an element outside the value.
    bool Number(const RawEntry& entry, uint32_t index, uint32_t* value) const;
    // Element index of a RATIONAL value; false for another type, an
    // element outside the value or a zero denominator.
    bool Rational(const RawEntry& entry, uint32_t index, double* value) const;
    // An ASCII value, up to its first NUL, trailing spaces trimmed, cut to
    // capacity - 1 characters; false for another type or a value outside
    // the block.
    bool Text(const RawEntry& entry, char* text, size_t capacity) const;
    // Where the value lies in the file (an absolute offset) and its size;
    // false when it does not lie in the block.
    bool ValuePlace(const RawEntry& entry, uint32_t* offset, uint32_t* size) const;

    uint32_t Base() const { return m_base; }
    uint32_t Size() const { return m_size; }
    bool BigEndian() const { return m_bigEndian; }

private:
    bool ReadValue(const RawEntry& entry, uint32_t at, uint8_t* out, uint32_t count) const;

    JpegByteSource& m_source;
    uint32_t m_base;
    uint32_t m_size;
    bool m_bigEndian;
    std::unique_ptr<uint8_t[]> m_entries;
    uint32_t m_count = 0;
    uint32_t m_next = 0;
};
