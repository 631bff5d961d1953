#include "tiff/ifd_directory.h"
#include "tiff/sort_locale.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

// The most the parser copies out of one segment: entries, values and
// thumbnails. A sound Exif segment holds at most 64 KiB, so only data whose
// parts are reached many times over (entries sharing one value, directories
// pointing at each other) comes near it.
const size_t kParseBudgetBytes = 1024 * 1024;

// Entry table of n entries: count, entries, next-directory link.
bool TableSize(size_t n, size_t* size)
{
    return MultiplySizes(n, 12, size) && AddSizes(*size, 6, size);
}

// Element 0 of an entry as an unsigned 32-bit quantity (offsets, lengths);
// 0 when the entry is absent or its value is not a number in that range.
uint32_t FirstUnsigned(const IfdEntry* entry)
{
    if (!entry)
        return 0;
    double value = entry->GetNumber(0);
    if (!(value >= 0.0) || value > 4294967295.0)
        return 0;
    return static_cast<uint32_t>(value);
}

}  // namespace

IfdDirectory::IfdDirectory(IfdKind kind, bool bigEndian) : m_kind(kind), m_bigEndian(bigEndian)
{
    m_entries.Init(UserSortLocale());
}

IfdDirectory* IfdDirectory::Create(IfdKind kind, bool bigEndian)
{
    return new (std::nothrow) IfdDirectory(kind, bigEndian);
}

IfdDirectory::~IfdDirectory()
{
    ClearAll();
}

void IfdDirectory::ClearAll()
{
    for (int i = 0; i < m_entries.Count(); ++i)
        delete EntryAt(i);
    m_entries.Free();
    m_next.reset();
    m_thumbnail.reset();
    m_thumbnailLength = 0;
    m_thumbnailIsJpeg = false;
    m_emptyThumbnail = false;
}

bool IfdDirectory::AcceptsPointerTag(uint16_t tag) const
{
    switch (m_kind) {
    case Ifd0:
    case Ifd1:
        return true;
    case ExifIfd:
        return tag == kTagInteropPointer;
    default:
        return false;
    }
}

IfdDirectory* IfdDirectory::Parse(IfdKind kind, const TiffBytes& tiff, size_t dirOffset)
{
    ParseBudget budget = {kParseBudgetBytes, false};
    IfdDirectory* directory = Parse(kind, tiff, dirOffset, &budget);
    if (directory && budget.exhausted)
        directory->m_complete = false;
    return directory;
}

IfdDirectory* IfdDirectory::Parse(IfdKind kind, const TiffBytes& tiff, size_t dirOffset, ParseBudget* budget)
{
    std::unique_ptr<IfdDirectory> directory(Create(kind, tiff.bigEndian));
    if (!directory) {
        budget->exhausted = true;
        return nullptr;
    }
    uint16_t n = 0;
    size_t tableSize = 0;
    if (!ReadU16(tiff.data, tiff.size, dirOffset, tiff.bigEndian, &n) || !TableSize(n, &tableSize) ||
        !RangeFits(dirOffset, tableSize, tiff.size))
        return directory.release();

    for (size_t i = 0; i < n; ++i) {
        size_t entryOffset = dirOffset + 2 + 12 * i;
        uint16_t tag = 0;
        ReadU16(tiff.data, tiff.size, entryOffset, tiff.bigEndian, &tag);
        // Pointer tags a directory of this kind may not hold are dropped,
        // and so is a second pointer of one tag: the tree stays a tree of
        // bounded size whatever the offsets say.
        if (IsPointerTag(tag) &&
            (!directory->AcceptsPointerTag(tag) || directory->FindEntry(kind, tag, false)))
            continue;
        std::unique_ptr<IfdEntry> entry(IfdEntry::Create(tiff.bigEndian, tag));
        if (!entry) {
            budget->exhausted = true;
            break;
        }
        entry->Parse(tiff, entryOffset, budget);
        if (entry->Count() == 0 && !entry->IsEmptyInPhoto())
            continue;
        if (FAILED(directory->m_entries.Insert(entry.get(), -1, nullptr, 0))) {
            budget->exhausted = true;
            break;
        }
        entry.release();  // the directory's entry list holds it now
    }

    if (kind == Ifd1)
        directory->TakeThumbnail(tiff, budget);

    uint32_t link = 0;
    if (kind == Ifd0 && ReadU32(tiff.data, tiff.size, dirOffset + 2 + 12 * static_cast<size_t>(n), tiff.bigEndian, &link) &&
        link != 0 && RangeFits(link, 18, tiff.size)) {
        std::unique_ptr<IfdDirectory> next(Parse(Ifd1, tiff, link, budget));
        if (next && next->EntryCount() > 0)
            directory->m_next = std::move(next);
    }
    return directory.release();
}

void IfdDirectory::TakeThumbnail(const TiffBytes& tiff, ParseBudget* budget)
{
    const IfdEntry* compression = FindEntry(Ifd1, kTagCompression, false);
    uint32_t start = 0, length = 0;
    bool isJpeg = false;
    if (compression && compression->GetInteger(0) == 1) {
        // Uncompressed strips, taken as one run from the first strip.
        const IfdEntry* offsets = FindEntry(Ifd1, kTagStripOffsets, false);
        start = FirstUnsigned(offsets);
        uint64_t stripBytes = FirstUnsigned(FindEntry(Ifd1, kTagStripByteCounts, false));
        uint64_t lines = FirstUnsigned(FindEntry(Ifd1, kTagImageLength, false));
        uint64_t rowsPerStrip = FirstUnsigned(FindEntry(Ifd1, kTagRowsPerStrip, false));
        uint64_t total = 0;
        if (offsets && offsets->Count() == 1)
            total = stripBytes;  // one strip holds the whole image, whatever RowsPerStrip says
        else if (stripBytes && lines && rowsPerStrip)
            total = stripBytes * lines / rowsPerStrip;
        length = total <= UINT32_MAX ? static_cast<uint32_t>(total) : 0;
    } else {
        // A JPEG stream: Compression 6, but cameras also write other values
        // or none at all for the same thing.
        start = FirstUnsigned(FindEntry(Ifd1, kTagJpegInterchangeFormat, false));
        length = FirstUnsigned(FindEntry(Ifd1, kTagJpegInterchangeFormatLength, false));
        isJpeg = true;
    }
    if (length == 0) {
        // A thumbnail of length 0: no bytes to carry, but its entries stay.
        uint16_t offsetTag = isJpeg ? kTagJpegInterchangeFormat : kTagStripOffsets;
        uint16_t lengthTag = isJpeg ? kTagJpegInterchangeFormatLength : kTagStripByteCounts;
        const IfdEntry* lengthEntry = FindEntry(Ifd1, lengthTag, false);
        const IfdEntry* offsetEntry = FindEntry(Ifd1, offsetTag, false);
        if (lengthEntry && offsetEntry && offsetEntry->Count() == 1 && lengthEntry->Count() == 1 &&
            lengthEntry->GetNumber(0) == 0.0) {
            m_emptyThumbnail = true;
            m_thumbnailIsJpeg = isJpeg;
        }
        return;
    }
    if (start == 0 || !RangeFits(start, length, tiff.size))
        return;
    size_t spend = length;
    if (spend > budget->bytesLeft) {
        budget->exhausted = true;
        return;
    }
    m_thumbnail.reset(new (std::nothrow) uint8_t[length]);
    if (!m_thumbnail) {
        budget->exhausted = true;
        return;
    }
    budget->bytesLeft -= spend;
    std::memcpy(m_thumbnail.get(), tiff.data + start, length);
    m_thumbnailLength = length;
    m_thumbnailIsJpeg = isJpeg;
}

bool IfdDirectory::WritesEntry(const IfdEntry* entry) const
{
    uint16_t tag = entry->Tag();
    if (IsPointerTag(tag))
        return entry->SubDirectory() && !entry->SubDirectory()->IsEmptyWhenWritten();
    if (entry->Count() == 0)
        return entry->IsEmptyInPhoto();
    if (m_kind == Ifd1) {
        // Thumbnail offsets are written only with the thumbnail they name
        // (or with one of length 0); otherwise they would point at whatever
        // lands there.
        bool named = m_thumbnail || m_emptyThumbnail;
        if (tag == kTagJpegInterchangeFormat || tag == kTagJpegInterchangeFormatLength)
            return named && m_thumbnailIsJpeg;
        if (tag == kTagStripOffsets || tag == kTagStripByteCounts)
            return named && !m_thumbnailIsJpeg;
    }
    return true;
}

bool IfdDirectory::IsEmptyWhenWritten() const
{
    if (m_kind == Ifd0)
        return false;
    for (int i = 0; i < m_entries.Count(); ++i) {
        if (WritesEntry(EntryAt(i)))
            return false;
    }
    return true;
}

void IfdDirectory::ReservePlaces(ByteWriter& writer, size_t base) const
{
    for (int i = 0; i < m_entries.Count(); ++i) {
        const IfdEntry* entry = EntryAt(i);
        entry->ReservePlaces(writer, base);
        if (entry->SubDirectory())
            entry->SubDirectory()->ReservePlaces(writer, base);
    }
    if (m_next)
        m_next->ReservePlaces(writer, base);
}

HRESULT IfdDirectory::Serialize(ByteWriter& writer, size_t base, size_t* cursor, size_t* tableAt)
{
    *tableAt = *cursor;
    if (IsEmptyWhenWritten())
        return S_FALSE;
    size_t n = 0;
    for (int i = 0; i < m_entries.Count(); ++i) {
        if (WritesEntry(EntryAt(i)))
            ++n;
    }
    bool writesNext = m_next && !m_next->IsEmptyWhenWritten();
    size_t tableSize = 0;
    size_t dataCursor = 0;
    if (n > 0xFFFF || !TableSize(n, &tableSize) || *cursor < base) {
        writer.Fail();
        return E_FAIL;
    }
    *cursor = writer.Place(*cursor, tableSize);
    *tableAt = *cursor;
    if (!AddSizes(*cursor, tableSize, &dataCursor)) {
        writer.Fail();
        return E_FAIL;
    }
    // Reserve the table first: the data area follows it at once.
    writer.PutZeros(*cursor, tableSize);

    if (m_thumbnail || m_emptyThumbnail) {
        uint16_t offsetTag = m_thumbnailIsJpeg ? kTagJpegInterchangeFormat : kTagStripOffsets;
        IfdEntry* offsetEntry = FindEntry(m_kind, offsetTag, false);
        dataCursor = writer.Place(dataCursor, m_thumbnailLength);
        if (offsetEntry && dataCursor - base <= INT32_MAX) {
            int32_t offset = static_cast<int32_t>(dataCursor - base);
            if (FAILED(offsetEntry->SetIntegers(TiffLong, 1, &offset)))
                writer.Fail();
            if (m_thumbnail)
                writer.PutBytes(dataCursor, m_thumbnail.get(), m_thumbnailLength);
            dataCursor += m_thumbnailLength;
        }
    }

    writer.PutU16(*cursor, static_cast<uint16_t>(n), m_bigEndian);
    size_t entryCursor = *cursor + 2;
    for (int i = 0; i < m_entries.Count() && !writer.Failed(); ++i) {
        IfdEntry* entry = EntryAt(i);
        if (!WritesEntry(entry))
            continue;
        entry->Serialize(writer, base, entryCursor, &dataCursor);
        entryCursor += 12;
    }

    size_t linkField = *cursor + 2 + 12 * n;
    if (writesNext && !writer.Failed()) {
        size_t nextAt = 0;
        m_next->Serialize(writer, base, &dataCursor, &nextAt);
        if (nextAt - base > UINT32_MAX)
            writer.Fail();
        writer.PutU32(linkField, static_cast<uint32_t>(nextAt - base), m_bigEndian);
    } else {
        writer.PutU32(linkField, 0, m_bigEndian);
    }
    if (writer.Failed())
        return E_FAIL;
    *cursor = dataCursor;
    return S_OK;
}

IfdEntry* IfdDirectory::FindEntry(IfdKind kind, uint16_t tag, bool recurse) const
{
    for (int i = 0; i < m_entries.Count(); ++i) {
        IfdEntry* entry = EntryAt(i);
        if (m_kind == kind) {
            if (entry->Tag() == tag)
                return entry;
        } else if (recurse && entry->SubDirectory()) {
            if (IfdEntry* found = entry->SubDirectory()->FindEntry(kind, tag, true))
                return found;
        }
    }
    if (recurse && m_next && m_next->m_kind == kind)
        return m_next->FindEntry(kind, tag, false);
    return nullptr;
}

HRESULT IfdDirectory::RemoveEntry(IfdKind kind, uint16_t tag)
{
    for (int i = 0; i < m_entries.Count(); ++i) {
        IfdEntry* entry = EntryAt(i);
        if (m_kind == kind) {
            if (entry->Tag() == tag) {
                m_entries.RemoveAt(i);  // the triple goes even when shrinking fails
                delete entry;
                return S_OK;
            }
        } else if (entry->SubDirectory() && SUCCEEDED(entry->SubDirectory()->RemoveEntry(kind, tag))) {
            return S_OK;
        }
    }
    if (m_next && m_next->m_kind == kind)
        return m_next->RemoveEntry(kind, tag);
    return E_FAIL;
}

void IfdDirectory::RemoveRepeatedEntries(IfdKind kind, uint16_t tag)
{
    bool seen = false;
    for (int i = 0; i < m_entries.Count();) {
        IfdEntry* entry = EntryAt(i);
        if (m_kind == kind && entry->Tag() == tag) {
            if (seen) {
                m_entries.RemoveAt(i);
                delete entry;
                continue;
            }
            seen = true;
        } else if (m_kind != kind && entry->SubDirectory()) {
            entry->SubDirectory()->RemoveRepeatedEntries(kind, tag);
        }
        ++i;
    }
    if (m_next && m_next->m_kind == kind)
        m_next->RemoveRepeatedEntries(kind, tag);
}

HRESULT IfdDirectory::InsertSorted(IfdEntry* entry)
{
    // TIFF wants ascending tags; a new entry goes before the first entry
    // with a higher tag, and the others keep their places.
    int index = 0;
    while (index < m_entries.Count() && EntryAt(index)->Tag() <= entry->Tag())
        ++index;
    return m_entries.Insert(entry, index, nullptr, 0);
}

IfdEntry* IfdDirectory::GetOrCreateEntry(IfdKind kind, uint16_t tag)
{
    // Pointer entries are made only as links to the directories they name.
    if (IsPointerTag(tag))
        return nullptr;
    for (int i = 0; i < m_entries.Count(); ++i) {
        IfdEntry* entry = EntryAt(i);
        if (m_kind == kind) {
            if (entry->Tag() == tag)
                return entry;
        } else if (entry->SubDirectory()) {
            if (IfdEntry* found = entry->SubDirectory()->GetOrCreateEntry(kind, tag))
                return found;
        }
    }

    if (m_kind == kind) {
        std::unique_ptr<IfdEntry> entry(IfdEntry::Create(m_bigEndian, tag));
        if (!entry || FAILED(InsertSorted(entry.get())))
            return nullptr;
        return entry.release();  // held by the entry list
    }

    if (m_kind == Ifd0 && kind == Ifd1) {
        if (!m_next)
            m_next.reset(Create(Ifd1, m_bigEndian));
        return m_next ? m_next->GetOrCreateEntry(kind, tag) : nullptr;
    }

    uint16_t pointerTag = 0;
    if (m_kind == Ifd0 && kind == ExifIfd)
        pointerTag = kTagExifPointer;
    else if (m_kind == Ifd0 && kind == GpsIfd)
        pointerTag = kTagGpsPointer;
    else if (m_kind == ExifIfd && kind == InteropIfd)
        pointerTag = kTagInteropPointer;
    else
        return nullptr;

    std::unique_ptr<IfdDirectory> sub(Create(kind, m_bigEndian));
    std::unique_ptr<IfdEntry> pointer(IfdEntry::Create(m_bigEndian, pointerTag));
    if (!sub || !pointer)
        return nullptr;
    IfdDirectory* directory = sub.get();
    pointer->AdoptSubDirectory(sub.release());
    if (FAILED(InsertSorted(pointer.get())))
        return nullptr;  // the pointer entry goes with its directory
    pointer.release();  // held by the entry list
    return directory->GetOrCreateEntry(kind, tag);
}
