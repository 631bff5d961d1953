#include "heif/heif_image_size.h"

namespace {

// The child of iprp of the given type (type 0: none).
HeifBox PropertyChild(const uint8_t* meta, size_t size, const HeifBox& iprp, uint32_t type)
{
    HeifBox child;
    for (uint32_t at = iprp.body; ReadBox(meta, size, at, iprp.end, &child); at = child.end) {
        if (child.type == type)
            return child;
    }
    return HeifBox();
}

// The property at a 1-based index of ipco (type 0: none).
HeifBox Property(const uint8_t* meta, size_t size, const HeifBox& ipco, uint32_t index)
{
    HeifBox child;
    uint32_t at = ipco.body;
    for (uint32_t i = 1; ReadBox(meta, size, at, ipco.end, &child); ++i, at = child.end) {
        if (i == index)
            return child;
    }
    return HeifBox();
}

// Reads the primary item's associations from ipma: the property indexes
// (1-based; 0 means none) into indexes, their count into count.
void PrimaryAssociations(const uint8_t* meta, size_t size, const HeifBox& ipma, uint32_t primary,
                         uint16_t* indexes, uint32_t* count)
{
    *count = 0;
    BoxFields fields(meta, size, ipma.body, ipma.end);
    const uint8_t version = fields.U8();
    fields.Skip(2);
    const bool wideIndexes = (fields.U8() & 1) != 0;
    const uint32_t entries = fields.U32();
    // Every entry takes bytes, so a false count ends with the box.
    for (uint32_t e = 0; e < entries && !fields.Failed(); ++e) {
        const uint32_t item = version < 1 ? fields.U16() : fields.U32();
        const uint8_t associations = fields.U8();
        for (uint8_t a = 0; a < associations && !fields.Failed(); ++a) {
            const uint16_t index = wideIndexes ? (fields.U16() & 0x7FFF) : (fields.U8() & 0x7F);
            if (item == primary && !fields.Failed() && *count < kHeifMaxAssociations)
                indexes[(*count)++] = index;
        }
        if (item == primary)
            return;
    }
}

}  // namespace

bool FindPrimaryImageSize(const uint8_t* meta, size_t size, const HeifMeta& tables, uint32_t* width,
                          uint32_t* height)
{
    *width = 0;
    *height = 0;
    if (tables.iprp.type == 0)
        return false;
    const HeifBox ipco = PropertyChild(meta, size, tables.iprp, FourCC("ipco"));
    const HeifBox ipma = PropertyChild(meta, size, tables.iprp, FourCC("ipma"));
    if (ipco.type == 0 || ipma.type == 0)
        return false;
    uint16_t indexes[kHeifMaxAssociations];
    uint32_t count = 0;
    PrimaryAssociations(meta, size, ipma, tables.primary, indexes, &count);
    bool quarterTurn = false;
    for (uint32_t i = 0; i < count; ++i) {
        const HeifBox property = Property(meta, size, ipco, indexes[i]);
        BoxFields fields(meta, size, property.body, property.end);
        if (property.type == FourCC("ispe") && *width == 0) {
            fields.Skip(4);  // version, flags
            const uint32_t w = fields.U32();
            const uint32_t h = fields.U32();
            if (!fields.Failed()) {
                *width = w;
                *height = h;
            }
        } else if (property.type == FourCC("irot")) {
            quarterTurn = (fields.U8() & 1) != 0 && !fields.Failed();
        }
    }
    if (*width == 0 || *height == 0) {
        *width = 0;
        *height = 0;
        return false;
    }
    if (quarterTurn) {
        const uint32_t w = *width;
        *width = *height;
        *height = w;
    }
    return true;
}
