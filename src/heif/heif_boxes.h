// The boxes of an ISO base media file (the container of HEIF photos), read
// from untrusted bytes: a box header with its size forms, and a cursor over
// the big-endian fields of a box body. Positions are 32-bit quantities, as
// everywhere in the photo engine; a box that reaches beyond its parent or
// the 4 GiB mark is refused.
#pragma once
#include <cstddef>
#include <cstdint>

// A four-character code as a big-endian number ('meta' is 0x6D657461).
constexpr uint32_t FourCC(const char (&code)[5])
{
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

// One box: its type and where it and its body start and end.
struct HeifBox {
    uint32_t type = 0;
    uint32_t start = 0;
    uint32_t body = 0;  // after size, type, largesize and a uuid's 16 bytes
    uint32_t end = 0;   // one past the box's last byte
};

// Largest box header: size, type, largesize and a uuid's extended type.
const uint32_t kBoxHeaderMax = 32;

// Reads the header of the box at start of a parent that ends at limit.
// header holds the count bytes of the file from start on (fewer at the end
// of a file). A size of 0 makes the box reach to limit; a size of 1 takes
// the 64-bit size that follows. False when the header is cut off, the size
// is smaller than the header, or the box ends beyond limit.
bool ParseBoxHeader(const uint8_t* header, size_t count, uint32_t start, uint32_t limit, HeifBox* box);

// The same over a whole buffer: the box at offset of data, within [offset, limit).
bool ReadBox(const uint8_t* data, size_t size, uint32_t offset, uint32_t limit, HeifBox* box);

// A cursor over the fields of a box body in data (size bytes), from offset
// to end. A read that does not fit fails, gives 0 and fails every later
// read, so a parser can read a group of fields and test Failed() once.
class BoxFields {
public:
    BoxFields(const uint8_t* data, size_t size, uint32_t offset, uint32_t end)
        : m_data(data), m_end(end <= size ? end : 0), m_offset(offset)
    {
        m_failed = offset > m_end;
    }
    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    uint64_t U64();
    // An unsigned field of 0, 4 or 8 bytes (0 bytes read as 0).
    uint64_t Sized(uint32_t bytes);
    void Skip(uint32_t count);
    uint32_t Offset() const { return m_offset; }
    uint32_t Remaining() const { return m_failed ? 0 : m_end - m_offset; }
    bool Failed() const { return m_failed; }
    void Fail() { m_failed = true; }

private:
    bool Take(uint32_t count);

    const uint8_t* m_data;
    uint32_t m_end;
    uint32_t m_offset;
    bool m_failed = false;
};
