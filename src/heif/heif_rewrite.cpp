#include "heif/heif_rewrite.h"

#include <cstring>
#include <new>

#include "heif/heif_location_table.h"

namespace {

// The Exif item's bytes before the TIFF header, as most writers lay them
// out: the offset of the header after this field, "Exif\0\0".
const uint8_t kStandardPrefix[10] = {0, 0, 0, 6, 'E', 'x', 'i', 'f', 0, 0};
const uint32_t kMdatHeader = 8;

OwnedBytes Allocate(size_t size)
{
    OwnedBytes bytes;
    bytes.data.reset(new (std::nothrow) uint8_t[size ? size : 1]());
    if (bytes.data)
        bytes.size = size;
    return bytes;
}

// Version (the first byte) of a full box; 0 when it has no body.
uint8_t FullBoxVersion(const uint8_t* meta, size_t size, const HeifBox& box)
{
    BoxFields fields(meta, size, box.body, box.end);
    return fields.U8();
}

// The largest item id of iinf's entries.
uint32_t MaxInfeId(const uint8_t* meta, size_t size, const HeifBox& iinf)
{
    BoxFields header(meta, size, iinf.body, iinf.end);
    const uint8_t version = header.U8();
    header.Skip(version == 0 ? 5 : 7);
    uint32_t max = 0;
    HeifBox infe;
    for (uint32_t at = header.Offset(); !header.Failed() && ReadBox(meta, size, at, iinf.end, &infe); at = infe.end) {
        BoxFields fields(meta, size, infe.body, infe.end);
        const uint8_t infeVersion = fields.U8();
        fields.Skip(3);
        const uint32_t id = infeVersion < 3 ? fields.U16() : fields.U32();
        max = !fields.Failed() && infe.type == FourCC("infe") && id > max ? id : max;
    }
    return max;
}

// The file range an extent of an item covers (a length of 0: to the end of
// its source), cut at the end of its source; false for an item built from
// other items (method 2), whose extents are no ranges of the file.
bool ExtentRange(HeifLocationTable& table, const HeifLocation& item, uint32_t e, const HeifScan& scan,
                 uint32_t fileSize, uint64_t* start, uint64_t* end)
{
    const HeifLocationExtent& extent = table.Extent(e);
    uint64_t sourceStart = 0, sourceEnd = fileSize;
    if ((item.method & 15) == 1) {
        sourceStart = static_cast<uint64_t>(scan.metaStart) + scan.tables.idat.body;
        sourceEnd = static_cast<uint64_t>(scan.metaStart) + scan.tables.idat.end;
    }
    const uint64_t limit = sourceEnd - sourceStart;
    uint64_t offset = item.base > limit || extent.offset > limit ? limit : item.base + extent.offset;
    offset = offset < limit ? offset : limit;
    const uint64_t length = extent.length == 0 || extent.length > limit - offset ? limit - offset : extent.length;
    *start = sourceStart + offset;
    *end = *start + length;
    return (item.method & 15) <= 1 && length > 0;
}

class Planner {
public:
    Planner(const HeifScan& scan, const HeifMovie& movie, uint32_t fileSize, HeifRewrite* plan)
        : m_scan(scan), m_movie(movie), m_fileSize(fileSize), m_metaEnd(scan.metaStart + scan.metaSize), m_plan(plan)
    {
    }
    HRESULT Run(const OwnedBytes& meta, const OwnedBytes& oldPayload, const uint8_t* tiff, size_t tiffSize);

private:
    // New bytes for [offset, offset + length) of the old file: in meta's
    // idat (written into the edited copy) or outside meta (an overlay).
    bool Replace(uint32_t offset, uint32_t length, const uint8_t* bytes);
    // True when an item other than the Exif item has bytes in the range.
    bool Shared(uint64_t start, uint64_t end);
    bool ShiftBehindMeta(HeifLocation& item, int64_t delta);
    // An id no item, entity group or track uses; 0 when none is left.
    uint32_t NewItemId(const OwnedBytes& meta);
    // The movie box with its chunk offsets shifted, put in its place.
    bool MoveChunks(int64_t shift);
    bool BuildMeta(bool adding, uint32_t exifId, uint32_t* ilocAt);
    bool AddRange(uint32_t start, uint32_t end);
    bool AddPiece(const uint8_t* bytes, uint32_t offset, uint32_t length);

    struct Overlay {
        uint32_t offset;
        uint32_t length;
        const uint8_t* bytes;
    };
    const HeifScan& m_scan;
    const HeifMovie& m_movie;
    uint32_t m_fileSize;
    uint32_t m_metaEnd;
    HeifRewrite* m_plan;
    HeifLocationTable m_table;
    HeifLocation* m_entry = nullptr;
    uint32_t m_newIdatBody = 0;  // where idat's body lies in the new meta
    OwnedBytes m_edited;  // the old meta box with idat's changes
    Overlay m_overlays[kHeifMaxExtents + 2];  // the old item's extents, the movie box
    uint32_t m_overlayCount = 0;
};

bool Planner::Replace(uint32_t offset, uint32_t length, const uint8_t* bytes)
{
    if (length == 0)
        return true;
    const HeifBox& idat = m_scan.tables.idat;
    const uint64_t end = static_cast<uint64_t>(offset) + length;
    if (offset >= m_scan.metaStart && end <= m_metaEnd) {
        const uint32_t at = offset - m_scan.metaStart;
        if (idat.type == 0 || at < idat.body || at + length > idat.end)
            return false;
        std::memcpy(m_edited.data.get() + at, bytes, length);
        return true;
    }
    if (end > m_scan.metaStart && offset < m_metaEnd)
        return false;
    if (m_overlayCount == kHeifMaxExtents + 2)
        return false;
    // Kept in order of offset; overlapping ranges are refused.
    uint32_t i = m_overlayCount;
    while (i > 0 && m_overlays[i - 1].offset > offset) {
        m_overlays[i] = m_overlays[i - 1];
        --i;
    }
    m_overlays[i] = Overlay{offset, length, bytes};
    ++m_overlayCount;
    const bool clearBefore = i == 0 || m_overlays[i - 1].offset + m_overlays[i - 1].length <= offset;
    const bool clearAfter = i + 1 == m_overlayCount || end <= m_overlays[i + 1].offset;
    return clearBefore && clearAfter;
}

bool Planner::Shared(uint64_t start, uint64_t end)
{
    for (uint32_t i = 0; i < m_table.ItemCount(); ++i) {
        HeifLocation& item = m_table.Item(i);
        if (&item == m_entry || item.dataReference != 0)
            continue;  // the item itself, or one in another file
        for (uint32_t e = item.firstExtent; e < item.firstExtent + item.extentCount; ++e) {
            uint64_t otherStart = 0, otherEnd = 0;
            if (ExtentRange(m_table, item, e, m_scan, m_fileSize, &otherStart, &otherEnd) && otherStart < end &&
                start < otherEnd)
                return true;
        }
    }
    return false;
}

bool Planner::ShiftBehindMeta(HeifLocation& item, int64_t delta)
{
    if ((item.method & 15) != 0 || item.dataReference != 0 || delta == 0)
        return true;  // in idat, in another file, or nothing moves
    if (item.base >= m_metaEnd && item.base > 0) {
        item.base += delta;
        return true;
    }
    for (uint32_t e = item.firstExtent; e < item.firstExtent + item.extentCount; ++e) {
        HeifLocationExtent& extent = m_table.Extent(e);
        const uint64_t start = item.base + extent.offset;
        const uint64_t end = extent.length == 0 ? m_fileSize : start + extent.length;
        if (start >= m_metaEnd)
            extent.offset += delta;
        else if (end > m_scan.metaStart)
            return false;  // data inside meta, or around it
    }
    return true;
}

uint32_t Planner::NewItemId(const OwnedBytes& meta)
{
    uint32_t max = m_table.MaxId();
    const uint32_t others[3] = {MaxInfeId(meta.data.get(), meta.size, m_scan.tables.iinf),
                                MaxGroupId(meta.data.get(), meta.size, m_scan.tables), m_movie.maxTrackId};
    for (uint32_t other : others)
        max = other > max ? other : max;
    return max == UINT32_MAX ? 0 : max + 1;
}

bool Planner::MoveChunks(int64_t shift)
{
    if (!m_movie.box.data)
        return true;
    m_plan->movie.data.reset(new (std::nothrow) uint8_t[m_movie.box.size]);
    if (!m_plan->movie.data)
        return false;
    m_plan->movie.size = m_movie.box.size;
    std::memcpy(m_plan->movie.data.get(), m_movie.box.data.get(), m_movie.box.size);
    return ShiftChunkOffsets(m_plan->movie.data.get(), m_plan->movie.size, m_scan.metaStart, m_metaEnd, shift) &&
           Replace(m_movie.start, static_cast<uint32_t>(m_plan->movie.size), m_plan->movie.data.get());
}

// The new meta box: the old children in their order, iloc written later at
// *ilocAt; when an item is added, iinf with its infe and iref with its cdsc
// reference (a new iref after iloc when there was none: a last child may
// reach to the end of meta, whatever follows it).
bool Planner::BuildMeta(bool adding, uint32_t exifId, uint32_t* ilocAt)
{
    const uint8_t* old = m_edited.data.get();
    const size_t oldSize = m_edited.size;
    const HeifMeta& tables = m_scan.tables;
    const uint32_t primary = tables.primary;
    // (A last child may be a bare header: its version is read within bounds.)
    const uint8_t irefVersion =
        tables.iref.type ? FullBoxVersion(old, oldSize, tables.iref) : (exifId > 0xFFFF || primary > 0xFFFF);
    const uint32_t idSize = irefVersion == 0 ? 2 : 4;
    const uint32_t cdscSize = 8 + idSize + 2 + idSize;
    const uint32_t infeSize = exifId > 0xFFFF ? 23 : 21;  // version 3 has a 32-bit id
    const uint8_t iinfVersion = FullBoxVersion(old, oldSize, tables.iinf);
    if (adding && (idSize == 2 && (exifId > 0xFFFF || primary > 0xFFFF)))
        return false;
    HeifBox meta;
    ReadBox(old, oldSize, 0, static_cast<uint32_t>(oldSize), &meta);
    uint64_t size = 12 + (adding ? infeSize + cdscSize + (tables.iref.type ? 0 : 12) : 0);
    HeifBox child;
    for (uint32_t at = meta.body + 4; at < meta.end && ReadBox(old, oldSize, at, meta.end, &child); at = child.end)
        size += child.type == FourCC("iloc") ? m_table.BoxSize() : child.end - child.start;
    if (size > kHeifMaxMetaSize + kHeifMaxMetaSize)
        return false;
    m_plan->meta = Allocate(static_cast<size_t>(size));
    if (!m_plan->meta.data)
        return false;
    ByteWriter out(m_plan->meta.data.get(), m_plan->meta.size);
    out.PutU32(0, static_cast<uint32_t>(size), true);
    out.PutU32(4, FourCC("meta"), true);
    out.PutBytes(8, old + meta.body, 4);
    size_t to = 12;
    auto putCdsc = [&](size_t at) {
        out.PutU32(at, cdscSize, true);
        out.PutU32(at + 4, FourCC("cdsc"), true);
        idSize == 2 ? out.PutU16(at + 8, static_cast<uint16_t>(exifId), true) : out.PutU32(at + 8, exifId, true);
        out.PutU16(at + 8 + idSize, 1, true);
        idSize == 2 ? out.PutU16(at + 10 + idSize, static_cast<uint16_t>(primary), true)
                    : out.PutU32(at + 10 + idSize, primary, true);
    };
    for (uint32_t at = meta.body + 4; at < meta.end && ReadBox(old, oldSize, at, meta.end, &child); at = child.end) {
        const uint32_t childSize = child.end - child.start;
        if (child.type == FourCC("iloc")) {
            *ilocAt = static_cast<uint32_t>(to);
            to += m_table.BoxSize();
            if (adding && !tables.iref.type) {
                out.PutU32(to, 12 + cdscSize, true);
                out.PutU32(to + 4, FourCC("iref"), true);
                out.PutU32(to + 8, static_cast<uint32_t>(irefVersion) << 24, true);
                putCdsc(to + 12);
                to += 12 + cdscSize;
            }
        } else if (adding && child.type == FourCC("iinf")) {
            // The entry count grows by one; the new infe (hidden, no name)
            // comes first, before a last entry that may reach to the end.
            const uint32_t countSize = iinfVersion == 0 ? 2 : 4;
            BoxFields fields(old, oldSize, child.body + 4, child.end);
            const uint32_t count = countSize == 2 ? fields.U16() : fields.U32();
            if (fields.Failed() || child.body != child.start + 8 || count >= (countSize == 2 ? 0xFFFFu : UINT32_MAX))
                return false;
            const uint32_t head = 12 + countSize;
            out.PutU32(to, childSize + infeSize, true);
            out.PutBytes(to + 4, old + child.start + 4, head - 4);
            countSize == 2 ? out.PutU16(to + 12, static_cast<uint16_t>(count + 1), true)
                           : out.PutU32(to + 12, count + 1, true);
            const size_t infe = to + head;
            out.PutU32(infe, infeSize, true);
            out.PutU32(infe + 4, FourCC("infe"), true);
            out.PutU32(infe + 8, (exifId > 0xFFFF ? 3u : 2u) << 24 | 1, true);
            exifId > 0xFFFF ? out.PutU32(infe + 12, exifId, true)
                            : out.PutU16(infe + 12, static_cast<uint16_t>(exifId), true);
            out.PutU32(infe + infeSize - 5, FourCC("Exif"), true);
            out.PutBytes(infe + infeSize, old + child.start + head, childSize - head);
            to += childSize + infeSize;
        } else if (adding && child.type == FourCC("iref")) {
            // The new reference comes first, for the same reason.
            if (child.body != child.start + 8 || childSize < 12)
                return false;
            out.PutU32(to, childSize + cdscSize, true);
            out.PutBytes(to + 4, old + child.start + 4, 8);
            putCdsc(to + 12);
            out.PutBytes(to + 12 + cdscSize, old + child.start + 12, childSize - 12);
            to += childSize + cdscSize;
        } else {
            if (child.type == FourCC("idat"))
                m_newIdatBody = static_cast<uint32_t>(to + child.body - child.start);
            out.PutBytes(to, old + child.start, childSize);
            to += childSize;
        }
    }
    return !out.Failed() && to == size;
}

bool Planner::AddPiece(const uint8_t* bytes, uint32_t offset, uint32_t length)
{
    if (length == 0)
        return true;
    if (m_plan->pieceCount == kHeifMaxPieces)
        return false;
    HeifPiece& piece = m_plan->pieces[m_plan->pieceCount++];
    piece.bytes = bytes;
    piece.fileOffset = offset;
    piece.length = length;
    return true;
}

// The old file's [start, end) with the overlays that lie in it.
bool Planner::AddRange(uint32_t start, uint32_t end)
{
    uint32_t at = start;
    bool ok = true;
    for (uint32_t i = 0; ok && i < m_overlayCount; ++i) {
        const Overlay& overlay = m_overlays[i];
        if (overlay.offset < start || overlay.offset >= end)
            continue;
        ok = AddPiece(nullptr, at, overlay.offset - at) && AddPiece(overlay.bytes, 0, overlay.length);
        at = overlay.offset + overlay.length;
    }
    return ok && AddPiece(nullptr, at, end - at);
}

HRESULT Planner::Run(const OwnedBytes& meta, const OwnedBytes& oldPayload, const uint8_t* tiff, size_t tiffSize)
{
    if ((m_scan.recorded && !m_scan.success) || !m_table.Read(meta.data.get(), meta.size, m_scan.tables))
        return E_FAIL;
    // The bytes before the TIFF header stay when they are the offset form.
    uint32_t declared = 0;
    const bool offsetForm = m_scan.success && ReadU32(oldPayload.data.get(), oldPayload.size, 0, true, &declared) &&
                            static_cast<uint64_t>(declared) + 4 == m_scan.tiffStart;
    const uint8_t* prefix = offsetForm ? oldPayload.data.get() : kStandardPrefix;
    const uint32_t prefixSize = offsetForm ? m_scan.tiffStart : sizeof(kStandardPrefix);
    if (tiffSize > kHeifMaxExifSize - prefixSize)
        return E_FAIL;  // as large as the engine reads, no more
    const uint32_t length = prefixSize + static_cast<uint32_t>(tiffSize);
    m_plan->payload = Allocate(kMdatHeader + length);
    m_plan->zeros = Allocate(m_scan.success ? m_scan.exif.length : 0);
    m_edited = Allocate(meta.size);
    if (!m_plan->payload.data || !m_plan->zeros.data || !m_edited.data)
        return E_OUTOFMEMORY;
    std::memcpy(m_edited.data.get(), meta.data.get(), meta.size);
    uint8_t* payload = m_plan->payload.data.get() + kMdatHeader;
    std::memcpy(payload, prefix, prefixSize);
    std::memcpy(payload + prefixSize, tiff, tiffSize);

    const bool adding = !m_scan.recorded;
    const uint32_t exifId = adding ? NewItemId(meta) : m_scan.exifItem;
    m_entry = exifId == 0 ? nullptr : adding ? m_table.Add(exifId) : m_table.Find(exifId);
    if (!m_entry)
        return E_FAIL;
    const HeifItemPlace& old = m_scan.exif;
    // In its place only where no other item has bytes that would be overwritten.
    const bool inPlace = !adding && old.extentCount == 1 && length <= old.length &&
                         !Shared(old.extents[0].offset, static_cast<uint64_t>(old.extents[0].offset) + old.length);
    bool ok = true;
    if (inPlace) {
        ok = Replace(old.extents[0].offset, length, payload) &&
             Replace(old.extents[0].offset + length, old.length - length, m_plan->zeros.data.get());
        if (length != old.length) {
            m_table.Extent(m_entry->firstExtent).length = length;
            m_table.WidenFields();
        }
    } else {
        for (uint32_t e = 0; ok && !adding && e < old.extentCount; ++e) {
            const HeifExtent& extent = old.extents[e];
            if (!Shared(extent.offset, static_cast<uint64_t>(extent.offset) + extent.length))
                ok = Replace(extent.offset, extent.length, m_plan->zeros.data.get());
        }
        m_entry->method &= ~15;
        m_entry->dataReference = 0;
        m_entry->base = 0;
        ok = ok && m_table.SetSingleExtent(m_entry, 0, length);
        m_table.WidenFields();
    }
    uint32_t ilocAt = 0;
    if (!ok || !BuildMeta(adding, exifId, &ilocAt))
        return E_FAIL;
    // Everything behind meta moves by the change of meta and the new mdat
    // box right behind it; the end of the file stays the end.
    const uint32_t added = inPlace ? 0 : kMdatHeader + length;
    const int64_t shift = static_cast<int64_t>(m_plan->meta.size) - m_scan.metaSize + added;
    for (uint32_t i = 0; ok && i < m_table.ItemCount(); ++i) {
        if (&m_table.Item(i) != m_entry || inPlace)
            ok = ShiftBehindMeta(m_table.Item(i), shift);
    }
    const uint64_t newSize = static_cast<uint64_t>(m_fileSize) + shift;
    if (!ok || newSize > UINT32_MAX || !MoveChunks(shift))
        return E_FAIL;
    if (!inPlace)
        m_table.Extent(m_entry->firstExtent).offset = m_scan.metaStart + m_plan->meta.size + kMdatHeader;
    if (!m_table.Fits())
        return E_FAIL;
    ByteWriter out(m_plan->meta.data.get(), m_plan->meta.size);
    m_table.Write(out, ilocAt);
    ByteWriter header(m_plan->payload.data.get(), kMdatHeader);
    header.PutU32(0, kMdatHeader + length, true);
    header.PutU32(4, FourCC("mdat"), true);
    ok = !out.Failed() && AddRange(0, m_scan.metaStart) &&
         AddPiece(m_plan->meta.data.get(), 0, static_cast<uint32_t>(m_plan->meta.size)) &&
         (inPlace || AddPiece(m_plan->payload.data.get(), 0, added)) && AddRange(m_metaEnd, m_fileSize);
    m_plan->size = static_cast<uint32_t>(newSize);
    const HeifLocationExtent& first = m_table.Extent(m_entry->firstExtent);
    const uint64_t source = (m_entry->method & 15) == 1 ? m_scan.metaStart + m_newIdatBody : 0;
    m_plan->exifOffset = static_cast<uint32_t>(source + m_entry->base + first.offset);
    m_plan->exifLength = length;
    return ok ? S_OK : E_FAIL;
}

}  // namespace

HRESULT PlanHeifRewrite(const HeifScan& scan, const OwnedBytes& meta, const OwnedBytes& oldPayload,
                        const HeifMovie& movie, uint32_t fileSize, const uint8_t* tiff, size_t tiffSize,
                        HeifRewrite* plan)
{
    *plan = HeifRewrite();
    if (!scan.isHeif)
        return E_FAIL;
    Planner planner(scan, movie, fileSize, plan);
    return planner.Run(meta, oldPayload, tiff, tiffSize);
}
