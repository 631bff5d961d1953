#include "heif/heif_meta.h"

namespace {

// Version (the first byte) of the full box body at box.body.
uint8_t FullBoxVersion(const uint8_t* meta, size_t size, const HeifBox& box)
{
    BoxFields fields(meta, size, box.body, box.end);
    return fields.U8();
}

bool ReadHandler(const uint8_t* meta, size_t size, const HeifBox& hdlr)
{
    BoxFields fields(meta, size, hdlr.body, hdlr.end);
    fields.Skip(8);  // version, flags, pre_defined
    return fields.U32() == FourCC("pict") && !fields.Failed();
}

bool ReadIlocHeader(const uint8_t* meta, size_t size, HeifMeta* out)
{
    BoxFields fields(meta, size, out->iloc.body, out->iloc.end);
    out->ilocVersion = fields.U8();
    fields.Skip(3);
    const uint8_t sizes = fields.U8();
    const uint8_t more = fields.U8();
    out->offsetSize = sizes >> 4;
    out->lengthSize = sizes & 15;
    out->baseOffsetSize = more >> 4;
    out->indexSize = out->ilocVersion == 0 ? 0 : (more & 15);
    out->ilocItemCount = out->ilocVersion < 2 ? fields.U16() : fields.U32();
    out->ilocFirstEntry = fields.Offset();
    auto valid = [](uint8_t bytes) { return bytes == 0 || bytes == 4 || bytes == 8; };
    return !fields.Failed() && out->ilocVersion <= 2 && valid(out->offsetSize) && valid(out->lengthSize) &&
           valid(out->baseOffsetSize) && valid(out->indexSize);
}

// Calls visit(id, type) for each infe of iinf (version 2 on: earlier ones
// have no item type) until it returns false.
template <typename Visit>
void ForEachItem(const uint8_t* meta, size_t size, const HeifBox& iinf, Visit visit)
{
    BoxFields header(meta, size, iinf.body, iinf.end);
    const uint8_t version = header.U8();
    header.Skip(3);
    header.Skip(version == 0 ? 2 : 4);  // entry count: the boxes that follow tell
    HeifBox infe;
    for (uint32_t at = header.Offset(); !header.Failed() && ReadBox(meta, size, at, iinf.end, &infe); at = infe.end) {
        if (infe.type != FourCC("infe"))
            continue;
        BoxFields fields(meta, size, infe.body, infe.end);
        const uint8_t infeVersion = fields.U8();
        fields.Skip(3);
        if (infeVersion < 2)
            continue;
        const uint32_t id = infeVersion == 2 ? fields.U16() : fields.U32();
        fields.Skip(2);  // protection index
        const uint32_t type = fields.U32();
        if (!fields.Failed() && !visit(id, type))
            return;
    }
}

// The type of the item's infe, 0 when it has none.
uint32_t ItemType(const uint8_t* meta, size_t size, const HeifBox& iinf, uint32_t itemId)
{
    uint32_t found = 0;
    ForEachItem(meta, size, iinf, [&](uint32_t id, uint32_t type) {
        found = id == itemId ? type : 0;
        return id != itemId;
    });
    return found;
}

}  // namespace

bool ParseHeifMeta(const uint8_t* meta, size_t size, HeifMeta* out)
{
    *out = HeifMeta();
    HeifBox box;
    if (size > kHeifMaxMetaSize || !ReadBox(meta, size, 0, static_cast<uint32_t>(size), &box) ||
        box.type != FourCC("meta") || box.end != size)
        return false;
    HeifBox hdlr;
    bool ok = true;
    HeifBox child;
    // The children follow the full box header.
    for (uint32_t at = box.body + 4; ok && at < box.end; at = child.end) {
        ok = ReadBox(meta, size, at, box.end, &child);
        HeifBox* slot = nullptr;
        switch (child.type) {
        case FourCC("hdlr"): slot = &hdlr; break;
        case FourCC("pitm"): slot = &out->pitm; break;
        case FourCC("iinf"): slot = &out->iinf; break;
        case FourCC("iloc"): slot = &out->iloc; break;
        case FourCC("iref"): slot = &out->iref; break;
        case FourCC("idat"): slot = &out->idat; break;
        case FourCC("iprp"): slot = &out->iprp; break;
        case FourCC("grpl"): slot = &out->grpl; break;
        default: break;
        }
        if (ok && slot) {
            ok = slot->type == 0;  // each at most once
            *slot = child;
        }
    }
    if (!ok || hdlr.type == 0 || out->pitm.type == 0 || out->iinf.type == 0 || out->iloc.type == 0)
        return false;
    BoxFields pitm(meta, size, out->pitm.body, out->pitm.end);
    const uint8_t pitmVersion = pitm.U8();
    pitm.Skip(3);
    out->primary = pitmVersion == 0 ? pitm.U16() : pitm.U32();
    return !pitm.Failed() && ReadHandler(meta, size, hdlr) && ReadIlocHeader(meta, size, out);
}

bool FindPrimaryExif(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t* itemId)
{
    *itemId = 0;
    if (tables.iref.type == 0)
        return false;
    const uint8_t version = FullBoxVersion(meta, size, tables.iref);
    const uint32_t idSize = version == 0 ? 2 : 4;
    uint32_t checked = 0;
    HeifBox reference;
    for (uint32_t at = tables.iref.body + 4;
         checked < kHeifMaxDescriptions && ReadBox(meta, size, at, tables.iref.end, &reference); at = reference.end) {
        if (reference.type != FourCC("cdsc"))
            continue;
        BoxFields fields(meta, size, reference.body, reference.end);
        const uint32_t from = idSize == 2 ? fields.U16() : fields.U32();
        const uint16_t count = fields.U16();
        for (uint16_t i = 0; i < count && !fields.Failed(); ++i) {
            const uint32_t to = idSize == 2 ? fields.U16() : fields.U32();
            if (fields.Failed() || to != tables.primary)
                continue;
            if (++checked > kHeifMaxDescriptions)
                break;
            if (ItemType(meta, size, tables.iinf, from) == FourCC("Exif")) {
                *itemId = from;
                return true;
            }
        }
    }
    return false;
}

uint32_t ListExifItems(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t* ids, uint32_t room)
{
    uint32_t count = 0;
    ForEachItem(meta, size, tables.iinf, [&](uint32_t id, uint32_t type) {
        if (type == FourCC("Exif") && count < room)
            ids[count] = id;
        count += type == FourCC("Exif");
        return true;
    });
    return count;
}

uint32_t MaxGroupId(const uint8_t* meta, size_t size, const HeifMeta& tables)
{
    uint32_t max = 0;
    HeifBox group;
    // Each entity group is a full box: version and flags, group id, entity
    // count, entity ids.
    for (uint32_t at = tables.grpl.body; tables.grpl.type && ReadBox(meta, size, at, tables.grpl.end, &group);
         at = group.end) {
        BoxFields fields(meta, size, group.body + 4, group.end);
        const uint32_t id = fields.U32();
        max = !fields.Failed() && id > max ? id : max;
        const uint32_t count = fields.U32();
        for (uint32_t i = 0; i < count && !fields.Failed(); ++i) {
            const uint32_t entity = fields.U32();
            max = !fields.Failed() && entity > max ? entity : max;
        }
    }
    return max;
}

bool LocateHeifItem(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t itemId,
                    uint32_t metaStart, uint32_t fileSize, HeifItemPlace* place)
{
    *place = HeifItemPlace();
    BoxFields fields(meta, size, tables.ilocFirstEntry, tables.iloc.end);
    const bool v0 = tables.ilocVersion == 0;
    for (uint32_t i = 0; i < tables.ilocItemCount && !fields.Failed(); ++i) {
        const uint32_t entry = fields.Offset();
        const uint32_t id = tables.ilocVersion < 2 ? fields.U16() : fields.U32();
        const uint16_t method = v0 ? 0 : (fields.U16() & 15);
        const uint16_t dataReference = fields.U16();
        const uint64_t base = fields.Sized(tables.baseOffsetSize);
        const uint16_t extentCount = fields.U16();
        const bool mine = id == itemId;
        if (mine && (dataReference != 0 || method > 1 || extentCount == 0 || extentCount > kHeifMaxExtents))
            return false;
        // The range the extents lie in: the file, or the body of idat.
        uint64_t sourceStart = 0;
        uint64_t sourceSize = fileSize;
        if (mine && method == 1) {
            if (tables.idat.type == 0)
                return false;
            sourceStart = static_cast<uint64_t>(metaStart) + tables.idat.body;
            sourceSize = tables.idat.end - tables.idat.body;
        }
        for (uint16_t e = 0; e < extentCount && !fields.Failed(); ++e) {
            fields.Skip(tables.indexSize);
            const uint64_t relative = fields.Sized(tables.offsetSize);
            uint64_t length = fields.Sized(tables.lengthSize);
            if (!mine || fields.Failed())
                continue;
            // Both within 32 bits (positions are), their sum cannot overflow.
            if (base > sourceSize || relative > sourceSize)
                return false;
            const uint64_t offset = base + relative;
            if (length == 0)  // the extent reaches to the end of its source
                length = offset < sourceSize ? sourceSize - offset : 0;
            if (offset > sourceSize || length > sourceSize - offset || length == 0 ||
                sourceStart + offset + length > fileSize || place->length + length > UINT32_MAX)
                return false;
            place->extents[e].offset = static_cast<uint32_t>(sourceStart + offset);
            place->extents[e].length = static_cast<uint32_t>(length);
            place->length += static_cast<uint32_t>(length);
        }
        if (mine && !fields.Failed()) {
            place->method = method;
            place->entry = entry;
            place->entryEnd = fields.Offset();
            place->extentCount = extentCount;
            return true;
        }
    }
    return false;
}
