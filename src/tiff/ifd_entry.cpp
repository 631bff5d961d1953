#include "tiff/ifd_entry.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>
#include <utility>

#include "tiff/ansi_text.h"
#include "tiff/ifd_directory.h"

namespace {

// Size in bytes of one 12-byte directory entry.
const size_t kEntrySize = 12;

IfdKind KindOfPointer(uint16_t tag)
{
    switch (tag) {
    case kTagExifPointer: return ExifIfd;
    case kTagGpsPointer: return GpsIfd;
    default: return InteropIfd;
    }
}

// Takes bytes from the parse budget; false (and the budget marked
// exhausted) when they are not there.
bool Spend(ParseBudget* budget, size_t bytes)
{
    if (!budget)
        return true;
    if (bytes > budget->bytesLeft) {
        budget->exhausted = true;
        return false;
    }
    budget->bytesLeft -= bytes;
    return true;
}

}  // namespace

IfdEntry::IfdEntry(bool bigEndian, uint16_t tag) : m_bigEndian(bigEndian), m_tag(tag) {}

IfdEntry* IfdEntry::Create(bool bigEndian, uint16_t tag)
{
    return new (std::nothrow) IfdEntry(bigEndian, tag);
}

IfdEntry::~IfdEntry()
{
    ReleaseValue();
}

void IfdEntry::ReleaseValue()
{
    m_subDirectory.reset();
    m_buffer.reset();
    m_sourceOffset = 0;
    m_sourceTiffSize = 0;
    m_kept.reset();
    m_extent = MakerNoteExtent();
    m_emptyInPhoto = false;
    m_type = TiffUndefined;
    m_count = 0;
    std::memset(m_inline, 0, sizeof(m_inline));
}

void IfdEntry::AdoptSubDirectory(IfdDirectory* directory)
{
    ReleaseValue();
    m_type = TiffLong;
    m_count = 1;
    m_subDirectory.reset(directory);
}

void IfdEntry::Parse(const TiffBytes& tiff, size_t entryOffset, ParseBudget* budget)
{
    ReleaseValue();
    m_bigEndian = tiff.bigEndian;
    uint32_t count = 0;
    bool ok = ReadU16(tiff.data, tiff.size, entryOffset, tiff.bigEndian, &m_tag) &&
              ReadU16(tiff.data, tiff.size, entryOffset + 2, tiff.bigEndian, &m_type) &&
              ReadU32(tiff.data, tiff.size, entryOffset + 4, tiff.bigEndian, &count);
    m_count = count;
    bool placed = false;
    uint32_t offset = 0;
    size_t size = 0;
    if (ok && Spend(budget, kEntrySize)) {
        bool sized = MultiplySizes(count, TiffTypeSize(m_type), &size);
        if (IsPointerTag(m_tag)) {
            // The value is a whole directory; an empty one is not kept.
            if (ReadU32(tiff.data, tiff.size, entryOffset + 8, tiff.bigEndian, &offset) &&
                RangeFits(offset, 18, tiff.size)) {
                std::unique_ptr<IfdDirectory> sub(IfdDirectory::Parse(KindOfPointer(m_tag), tiff, offset, budget));
                if (sub && sub->EntryCount() > 0) {
                    m_subDirectory = std::move(sub);
                    placed = true;
                }
            }
        } else if (sized && size <= 4) {
            // Inline: the four bytes exactly as stored.
            placed = RangeFits(entryOffset + 8, 4, tiff.size);
            if (placed)
                std::memcpy(m_inline, tiff.data + entryOffset + 8, 4);
        } else if (sized &&
                   ReadU32(tiff.data, tiff.size, entryOffset + 8, tiff.bigEndian, &offset) &&
                   RangeFits(offset, size, tiff.size) && Spend(budget, size)) {
            m_buffer.reset(new (std::nothrow) uint8_t[size]);
            if (m_buffer) {
                std::memcpy(m_buffer.get(), tiff.data + offset, size);
                m_sourceOffset = offset;
                m_sourceTiffSize = tiff.size;
                placed = true;
                if (m_tag == kTagMakerNote && !KeepMakerNoteBlocks(tiff, budget))
                    placed = false;
            } else if (budget) {
                budget->exhausted = true;  // the tree is incomplete
            }
        }
    }
    if (!placed)
        m_count = 0;
    m_emptyInPhoto = placed && count == 0;
}

bool IfdEntry::KeepMakerNoteBlocks(const TiffBytes& tiff, ParseBudget* budget)
{
    FindMakerNoteExtent(tiff, m_sourceOffset, static_cast<uint32_t>(ValueSize()), &m_extent);
    size_t total = 0;
    for (size_t i = 0; i < m_extent.count; ++i)
        total += m_extent.size[i];  // blocks of the TIFF data: no overflow
    if (total == 0) {
        // A note that starts inside the TIFF header cannot stand where it
        // stood, and moved alone it would point elsewhere than before, so
        // the tree is not written back: the photo keeps its bytes.
        if (budget)
            budget->exhausted = true;
        return true;
    }
    if (!Spend(budget, total))
        return false;
    m_kept.reset(new (std::nothrow) uint8_t[total]);
    if (!m_kept) {
        if (budget)
            budget->exhausted = true;
        return false;
    }
    // A block may run past the TIFF data: zeros stand for that part.
    std::memset(m_kept.get(), 0, total);
    size_t at = 0;
    for (size_t i = 0; i < m_extent.count; ++i) {
        size_t start = m_extent.start[i];
        size_t inData = start < tiff.size ? tiff.size - start : 0;
        if (inData > 0)
            std::memcpy(m_kept.get() + at, tiff.data + start, inData < m_extent.size[i] ? inData : m_extent.size[i]);
        at += m_extent.size[i];
    }
    return true;
}

void IfdEntry::ReservePlaces(ByteWriter& writer, size_t base) const
{
    if (!m_kept)
        return;
    for (size_t i = 0; i < m_extent.count; ++i)
        writer.Reserve(base + m_extent.start[i], m_extent.size[i]);
}

HRESULT IfdEntry::Serialize(ByteWriter& writer, size_t base, size_t entryCursor, size_t* dataCursor)
{
    writer.PutU16(entryCursor, m_tag, m_bigEndian);
    writer.PutU16(entryCursor + 2, m_type, m_bigEndian);
    writer.PutU32(entryCursor + 4, m_count, m_bigEndian);
    size_t valueField = entryCursor + 8;
    if (*dataCursor < base)
        writer.Fail();
    uint32_t dataOffset = 0;
    if (m_subDirectory) {
        size_t tableAt = 0;
        if (FAILED(m_subDirectory->Serialize(writer, base, dataCursor, &tableAt)) || tableAt - base > UINT32_MAX)
            writer.Fail();
        writer.PutU32(valueField, static_cast<uint32_t>(tableAt - base), m_bigEndian);
    } else if (!m_buffer) {
        writer.PutBytes(valueField, m_inline, 4);
    } else if (m_kept) {
        // The note and its blocks where they stood; their places were
        // reserved before anything was laid out.
        writer.PutU32(valueField, m_sourceOffset, m_bigEndian);
        size_t at = 0;
        for (size_t i = 0; i < m_extent.count; ++i) {
            writer.PutBytes(base + m_extent.start[i], m_kept.get() + at, m_extent.size[i]);
            at += m_extent.size[i];
        }
    } else {
        size_t size = ValueSize();
        *dataCursor = writer.Place(*dataCursor, size);
        if (*dataCursor - base > UINT32_MAX)
            writer.Fail();
        dataOffset = static_cast<uint32_t>(*dataCursor - base);
        writer.PutU32(valueField, dataOffset, m_bigEndian);
        if (m_tag == kTagMakerNote && m_sourceTiffSize != 0)
            PutMakerNote(writer, *dataCursor, dataOffset);
        else
            writer.PutBytes(*dataCursor, m_buffer.get(), size);
        *dataCursor += size;
    }
    return writer.Failed() ? E_FAIL : S_OK;
}

void IfdEntry::PutMakerNote(ByteWriter& writer, size_t at, uint32_t dataOffset)
{
    // The note's offsets are rewritten in a copy: the tree keeps the bytes
    // as parsed, so every write starts from the same note.
    size_t size = ValueSize();
    std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[size]);
    if (!copy) {
        writer.Fail();
        return;
    }
    std::memcpy(copy.get(), m_buffer.get(), size);
    m_makerNoteMove = RelocateMakerNote(copy.get(), size, m_bigEndian, m_sourceOffset, m_sourceTiffSize, dataOffset);
    writer.PutBytes(at, copy.get(), size);
}

size_t IfdEntry::ValueSize() const
{
    if (m_subDirectory)
        return 0;
    // Setters and the parser only keep values whose size they computed
    // without overflow, so the product fits.
    return static_cast<size_t>(m_count) * TiffTypeSize(m_type);
}

const uint8_t* IfdEntry::ValueBytes(uint32_t i) const
{
    size_t elementSize = TiffTypeSize(m_type);
    if (m_subDirectory || i >= m_count || elementSize == 0)
        return nullptr;
    size_t offset = static_cast<size_t>(i) * elementSize;
    const uint8_t* storage = m_buffer ? m_buffer.get() : m_inline;
    size_t storageSize = m_buffer ? ValueSize() : sizeof(m_inline);
    return RangeFits(offset, elementSize, storageSize) ? storage + offset : nullptr;
}

HRESULT IfdEntry::SetText(const wchar_t* text)
{
    ReleaseValue();
    m_type = TiffAscii;
    if (!text)
        return S_OK;
    size_t length = std::wcslen(text);
    if (length >= 0xFFFF) {
        m_type = TiffUndefined;
        return E_INVALIDARG;
    }
    uint32_t count = static_cast<uint32_t>(length + 1);
    uint8_t* target = m_inline;
    if (count > 4) {
        m_buffer.reset(new (std::nothrow) uint8_t[count]());
        if (!m_buffer) {
            m_type = TiffUndefined;
            return E_OUTOFMEMORY;
        }
        target = m_buffer.get();
    }
    WideToAnsiBytes(text, length, target, count);
    m_count = count;
    return S_OK;
}

uint8_t* IfdEntry::AllocateValue(size_t size, size_t* room)
{
    if (size <= sizeof(m_inline)) {
        *room = sizeof(m_inline);
        return m_inline;
    }
    m_buffer.reset(new (std::nothrow) uint8_t[size]());
    *room = m_buffer ? size : 0;
    return m_buffer.get();
}

HRESULT IfdEntry::SetIntegers(uint16_t type, uint32_t count, const int32_t* values)
{
    ReleaseValue();
    if (type != TiffByte && type != TiffSByte && type != TiffShort && type != TiffSShort &&
        type != TiffLong && type != TiffSLong)
        return E_INVALIDARG;
    size_t elementSize = TiffTypeSize(type);
    size_t size = 0;
    if (!MultiplySizes(count, elementSize, &size) || size > 0xFFFFFF || (count && !values))
        return E_INVALIDARG;
    size_t room = 0;
    uint8_t* target = AllocateValue(size, &room);
    if (!target)
        return E_OUTOFMEMORY;
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = static_cast<size_t>(i) * elementSize;
        uint32_t v = static_cast<uint32_t>(values[i]);
        if (elementSize == 1)
            target[at] = static_cast<uint8_t>(v);
        else if (elementSize == 2)
            StoreU16(target, room, at, m_bigEndian, static_cast<uint16_t>(v));
        else
            StoreU32(target, room, at, m_bigEndian, v);
    }
    m_type = type;
    m_count = count;
    return S_OK;
}

HRESULT IfdEntry::SetRationals(uint16_t type, uint32_t count, const int32_t* numerators, const int32_t* denominators)
{
    ReleaseValue();
    if (type != TiffRational && type != TiffSRational)
        return E_INVALIDARG;
    size_t size = 0;
    if (!MultiplySizes(count, 8, &size) || size > 0xFFFFFF || (count && (!numerators || !denominators)))
        return E_INVALIDARG;
    size_t room = 0;
    uint8_t* target = AllocateValue(size, &room);
    if (!target)
        return E_OUTOFMEMORY;
    for (uint32_t i = 0; i < count; ++i) {
        StoreU32(target, room, static_cast<size_t>(i) * 8, m_bigEndian, static_cast<uint32_t>(numerators[i]));
        StoreU32(target, room, static_cast<size_t>(i) * 8 + 4, m_bigEndian, static_cast<uint32_t>(denominators[i]));
    }
    m_type = type;
    m_count = count;
    return S_OK;
}

double IfdEntry::GetNumber(uint32_t i) const
{
    const uint8_t* p = ValueBytes(i);
    if (!p)
        return 0.0;
    size_t n = TiffTypeSize(m_type);
    uint16_t u16 = 0;
    uint32_t u32 = 0, u32b = 0;
    switch (m_type) {
    case TiffByte:
        return p[0];
    case TiffSByte:
        return static_cast<int8_t>(p[0]);
    case TiffShort:
        ReadU16(p, n, 0, m_bigEndian, &u16);
        return u16;
    case TiffSShort:
        ReadU16(p, n, 0, m_bigEndian, &u16);
        return static_cast<int16_t>(u16);
    case TiffLong:
        ReadU32(p, n, 0, m_bigEndian, &u32);
        return u32;
    case TiffSLong:
        ReadU32(p, n, 0, m_bigEndian, &u32);
        return static_cast<int32_t>(u32);
    case TiffRational:
        ReadU32(p, n, 0, m_bigEndian, &u32);
        ReadU32(p, n, 4, m_bigEndian, &u32b);
        return u32b == 0 ? 0.0 : static_cast<double>(u32) / static_cast<double>(u32b);
    case TiffSRational:
        ReadU32(p, n, 0, m_bigEndian, &u32);
        ReadU32(p, n, 4, m_bigEndian, &u32b);
        return u32b == 0 ? 0.0
                         : static_cast<double>(static_cast<int32_t>(u32)) /
                               static_cast<double>(static_cast<int32_t>(u32b));
    case TiffFloat: {
        ReadU32(p, n, 0, m_bigEndian, &u32);
        float f;
        std::memcpy(&f, &u32, sizeof(f));
        return f;
    }
    case TiffDouble: {
        // Most significant half first in big-endian data, last in little-endian.
        ReadU32(p, n, m_bigEndian ? 0 : 4, m_bigEndian, &u32);
        ReadU32(p, n, m_bigEndian ? 4 : 0, m_bigEndian, &u32b);
        uint64_t bits = (static_cast<uint64_t>(u32) << 32) | u32b;
        double d;
        std::memcpy(&d, &bits, sizeof(d));
        return d;
    }
    default:
        return 0.0;
    }
}

int32_t IfdEntry::GetInteger(uint32_t i) const
{
    double number = GetNumber(i);
    if (!(number > -2147483648.0))  // also NaN
        return number != number ? 0 : INT32_MIN;
    if (number >= 2147483647.0)
        return INT32_MAX;
    return static_cast<int32_t>(number);
}

HRESULT IfdEntry::GetFirstChar(char out[2]) const
{
    out[0] = 0;
    out[1] = 0;
    if (m_type != TiffAscii || m_subDirectory)
        return E_FAIL;
    out[0] = static_cast<char>(m_buffer ? m_buffer[0] : m_inline[0]);
    return S_OK;
}

HRESULT IfdEntry::GetDmsRadians(double* radians) const
{
    *radians = 0.0;
    // Some phones store the angle as SRATIONAL; it reads the same.
    if (m_type != TiffRational && m_type != TiffSRational)
        return E_FAIL;
    double degrees = GetNumber(0), minutes = GetNumber(1), seconds = GetNumber(2);
    *radians = ((seconds * 0.0002777777777777778 + minutes * 0.016666666666666666) + degrees) *
               0.017453292519943295;
    return S_OK;
}
