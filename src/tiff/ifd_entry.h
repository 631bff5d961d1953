// IfdEntry: one 12-byte entry of a TIFF directory with its value. A pointer
// entry (0x8769, 0x8825, 0xA005) owns the directory it points at; any other
// entry holds its value as the four inline bytes of the TIFF value field or,
// when larger, as an owned buffer, in the block's byte order.
#pragma once
#include <memory>

#include "tiff/byte_access.h"
#include "tiff/maker_note.h"
#include "tiff/tiff_types.h"
#include "support/platform.h"

class IfdDirectory;
struct ParseBudget;

class IfdEntry {
public:
    // A new entry: type 7 (UNDEFINED), count 0, four zero bytes. Null when
    // memory cannot be had.
    static IfdEntry* Create(bool bigEndian, uint16_t tag);
    ~IfdEntry();
    IfdEntry(const IfdEntry&) = delete;
    IfdEntry& operator=(const IfdEntry&) = delete;

    // Fills the entry from the 12 bytes at entryOffset of the TIFF data. A
    // count of 0 afterwards means the entry could not be placed (its value
    // or sub-directory lies outside the data, its size overflows, or it
    // would exceed the budget) and the directory drops it.
    void Parse(const TiffBytes& tiff, size_t entryOffset, ParseBudget* budget);

    // Writes the 12 entry bytes at entryCursor and any out-of-line value or
    // sub-directory at *dataCursor, advancing it. All offsets are measured
    // from base. Failure only when the writer runs out of room.
    HRESULT Serialize(ByteWriter& writer, size_t base, size_t entryCursor, size_t* dataCursor);

    // Frees the value (sub-directory or buffer) and leaves type 7, count 0
    // and four zero bytes.
    void ReleaseValue();

    // Setters; each starts with ReleaseValue. E_OUTOFMEMORY when a value
    // buffer cannot be had (the entry is then left empty, count 0).
    // ASCII text converted to the ANSI code page, NUL-terminated; a null
    // text leaves count 0.
    HRESULT SetText(const wchar_t* text);
    // BYTE, SBYTE, SHORT, SSHORT, LONG or SLONG elements from 32-bit values
    // (E_INVALIDARG for another type).
    HRESULT SetIntegers(uint16_t type, uint32_t count, const int32_t* values);
    // RATIONAL or SRATIONAL elements (E_INVALIDARG for another type).
    HRESULT SetRationals(uint16_t type, uint32_t count, const int32_t* numerators, const int32_t* denominators);

    // Element i of the value as a number by its type (0 for text, bytes,
    // an index out of range or a zero denominator).
    double GetNumber(uint32_t i) const;
    // GetNumber truncated toward zero, saturated to 32 bits.
    int32_t GetInteger(uint32_t i) const;
    // Type 2: S_OK and the first byte of the text followed by a zero byte.
    // Any other type: E_FAIL and an empty string.
    HRESULT GetFirstChar(char out[2]) const;
    // RATIONAL or SRATIONAL degrees, minutes, seconds (missing elements
    // count as 0) as one angle in radians. E_FAIL and 0 for another type.
    HRESULT GetDmsRadians(double* radians) const;

    // Address of element i, or null when it lies outside the value.
    const uint8_t* ValueBytes(uint32_t i) const;
    // Number of value bytes (count x element size) for a value entry.
    size_t ValueSize() const;
    // True when the value is out of line (an owned buffer).
    bool IsOutOfLine() const { return m_buffer != nullptr; }

    bool BigEndian() const { return m_bigEndian; }
    uint16_t Tag() const { return m_tag; }
    uint16_t Type() const { return m_type; }
    uint32_t Count() const { return m_count; }
    // The owned sub-directory of a pointer entry, or null.
    IfdDirectory* SubDirectory() const { return m_subDirectory.get(); }

    // For a MakerNote: what the last Serialize did to its offsets.
    const MakerNoteMove& LastMakerNoteMove() const { return m_makerNoteMove; }
    // True for a MakerNote parsed from a photo: it is written back where it
    // stood, with the blocks it points to (see maker_note.h).
    bool KeepsPlace() const { return m_kept != nullptr; }
    // Reserves, in writer, the places of those blocks (offsets from base).
    void ReservePlaces(ByteWriter& writer, size_t base) const;
    // True for an entry that the photo held with a count of 0: it is
    // written back as it was.
    bool IsEmptyInPhoto() const { return m_emptyInPhoto; }

    // Makes this a pointer entry (type LONG, count 1) owning directory.
    void AdoptSubDirectory(IfdDirectory* directory);

private:
    IfdEntry(bool bigEndian, uint16_t tag);
    // Where a new value of size bytes goes: the inline bytes, or a new
    // zeroed buffer (null when memory cannot be had); *room its size.
    uint8_t* AllocateValue(size_t size, size_t* room);
    // Writes the MakerNote value at at (dataOffset from the base), its
    // offsets moved with it where the note is recognised.
    void PutMakerNote(ByteWriter& writer, size_t at, uint32_t dataOffset);
    // For a parsed MakerNote: finds and copies the blocks that keep their
    // place with it. False when the budget or memory runs out.
    bool KeepMakerNoteBlocks(const TiffBytes& tiff, ParseBudget* budget);

    bool m_bigEndian;
    uint16_t m_tag;
    uint16_t m_type = TiffUndefined;
    uint32_t m_count = 0;
    uint8_t m_inline[4] = {0, 0, 0, 0};
    std::unique_ptr<uint8_t[]> m_buffer;          // count x size bytes
    std::unique_ptr<IfdDirectory> m_subDirectory; // pointer tags only
    // Where a parsed out-of-line value stood, and the size of the TIFF data
    // it came from (0 for values set here): a MakerNote's offsets are
    // checked against them when it moves.
    uint32_t m_sourceOffset = 0;
    size_t m_sourceTiffSize = 0;
    MakerNoteMove m_makerNoteMove;
    // A MakerNote that keeps its place: the blocks of the TIFF data it
    // stood in and points to, and their bytes one after the other.
    MakerNoteExtent m_extent;
    std::unique_ptr<uint8_t[]> m_kept;
    bool m_emptyInPhoto = false;
};
