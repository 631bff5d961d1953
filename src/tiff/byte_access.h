// Bounded access to untrusted bytes. Every read of the photo engine goes
// through ReadU16/ReadU32 against an explicit end, and every write through a
// ByteWriter that knows its capacity; no other code does pointer arithmetic
// on file data. Offsets and sizes are size_t, and every sum is checked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// True when [offset, offset + count) lies within a range of size bytes,
// without overflow.
inline bool RangeFits(size_t offset, size_t count, size_t size)
{
    return offset <= size && count <= size - offset;
}

// a + b into *sum, false when it overflows.
inline bool AddSizes(size_t a, size_t b, size_t* sum)
{
    if (a > SIZE_MAX - b)
        return false;
    *sum = a + b;
    return true;
}

// a * b into *product, false when it overflows.
inline bool MultiplySizes(size_t a, size_t b, size_t* product)
{
    if (a != 0 && b > SIZE_MAX / a)
        return false;
    *product = a * b;
    return true;
}

// Reads a 16- or 32-bit value at offset of data (size bytes) in the given
// byte order (big-endian: most significant byte first). False, with *value
// 0, when the value does not lie wholly inside the data.
bool ReadU16(const uint8_t* data, size_t size, size_t offset, bool bigEndian, uint16_t* value);
bool ReadU32(const uint8_t* data, size_t size, size_t offset, bool bigEndian, uint32_t* value);

// Mirrors of the readers for fixed arrays the caller owns (the four inline
// bytes of an entry, element slots of a value buffer): the caller passes the
// room it has.
bool StoreU16(uint8_t* data, size_t size, size_t offset, bool bigEndian, uint16_t value);
bool StoreU32(uint8_t* data, size_t size, size_t offset, bool bigEndian, uint32_t value);

// A writer over a buffer of fixed capacity. Every write names its offset
// and is checked against the capacity; a write that does not fit writes
// nothing and marks the writer failed for good, so a serialiser can run to
// its end and test Failed() once.
class ByteWriter {
public:
    ByteWriter(uint8_t* buffer, size_t capacity) : m_buffer(buffer), m_capacity(capacity) {}

    size_t Capacity() const { return m_capacity; }
    bool Failed() const { return m_failed; }
    // One past the highest byte written so far.
    size_t HighWater() const { return m_highWater; }

    bool PutU16(size_t offset, uint16_t value, bool bigEndian);
    bool PutU32(size_t offset, uint32_t value, bool bigEndian);
    bool PutBytes(size_t offset, const uint8_t* bytes, size_t count);
    // Zero-fills count bytes at offset.
    bool PutZeros(size_t offset, size_t count);
    // Marks the writer failed (a size that cannot be represented, say).
    void Fail() { m_failed = true; }

    // Keeps [offset, offset + count) for bytes that must stand exactly
    // there (a maker note kept at its place): Place steps over it. False,
    // and the writer failed, when more ranges are kept than it can hold.
    bool Reserve(size_t offset, size_t count);
    // The first position from cursor on where count bytes overlap no kept
    // range.
    size_t Place(size_t cursor, size_t count) const;

    static const size_t kMaxReserved = 16;

private:
    bool Claim(size_t offset, size_t count);

    uint8_t* m_buffer;
    size_t m_capacity;
    size_t m_highWater = 0;
    bool m_failed = false;
    size_t m_reserved[kMaxReserved][2] = {};  // [start, end) in the buffer
    size_t m_reservedCount = 0;
};

// Bytes owned by the receiver.
struct OwnedBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};
