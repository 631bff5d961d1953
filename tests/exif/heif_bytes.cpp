#include "exif/heif_bytes.h"

namespace vztest {

namespace {

void Put(Bytes& out, uint64_t value, unsigned bytes)
{
    for (unsigned i = bytes; i > 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * (i - 1))));
}

Bytes FullBox(const std::string& type, unsigned version, const Bytes& body)
{
    Bytes full;
    Put(full, static_cast<uint64_t>(version) << 24, 4);
    full.insert(full.end(), body.begin(), body.end());
    return Box(type, full);
}

Bytes Infe(const HeifLayout& layout, unsigned id, const std::string& type)
{
    Bytes body;
    Put(body, id, layout.infeVersion == 2 ? 2 : 4);
    Put(body, 0, 2);
    body.insert(body.end(), type.begin(), type.end());
    body.push_back(0);  // empty name
    return FullBox("infe", layout.infeVersion, body);
}

// iloc with item 1 at image (file) and item 2 at exif (file or idat),
// shifted by the layout's base offset.
Bytes Iloc(const HeifLayout& layout, uint64_t image, uint64_t exif)
{
    const unsigned idSize = layout.ilocVersion < 2 ? 2 : 4;
    Bytes body;
    body.push_back(static_cast<uint8_t>(layout.offsetSize << 4 | layout.lengthSize));
    body.push_back(static_cast<uint8_t>(layout.baseOffsetSize << 4));
    const unsigned items = layout.exif.empty() ? 1 : 2;
    Put(body, items, idSize);
    for (unsigned id = 1; id <= items; ++id) {
        const bool isExif = id == 2;
        const uint64_t start = isExif ? exif : image;
        // Without offset fields the base offset says where the item starts.
        const uint64_t base = layout.baseOffsetSize ? (layout.offsetSize ? 1 : start) : 0;
        Put(body, id, idSize);
        if (layout.ilocVersion > 0)
            Put(body, isExif ? layout.method : 0, 2);
        Put(body, 0, 2);
        Put(body, base, layout.baseOffsetSize);
        const unsigned extents = isExif ? layout.extents : 1;
        const uint64_t total = isExif ? layout.exif.size() : 4;
        Put(body, extents, 2);
        for (unsigned e = 0; e < extents; ++e) {
            const uint64_t piece = total / extents + (e + 1 == extents ? total % extents : 0);
            Put(body, start + e * (total / extents) - base, layout.offsetSize);
            Put(body, piece, layout.lengthSize);
        }
    }
    return FullBox("iloc", layout.ilocVersion, body);
}

}  // namespace

Bytes Box(const std::string& type, const Bytes& body)
{
    Bytes box;
    Put(box, body.size() + 8, 4);
    box.insert(box.end(), type.begin(), type.end());
    box.insert(box.end(), body.begin(), body.end());
    return box;
}

Bytes Heif(const HeifLayout& layout)
{
    const Bytes ftyp = Box("ftyp", Bytes{'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'});
    const bool hasExif = !layout.exif.empty();
    Bytes hdlrBody(4, 0);
    hdlrBody.insert(hdlrBody.end(), {'p', 'i', 'c', 't'});
    hdlrBody.resize(21, 0);
    Bytes iinfBody;
    Put(iinfBody, hasExif ? 2 : 1, 2);
    const Bytes exifInfe = hasExif ? Infe(layout, 2, "Exif") : Bytes();
    iinfBody = Join({iinfBody, Infe(layout, 1, "hvc1"), exifInfe});
    Bytes cdsc;
    const unsigned idSize = layout.irefVersion == 0 ? 2 : 4;
    Put(cdsc, 2, idSize);
    Put(cdsc, 1, 2);
    Put(cdsc, layout.describesPrimary ? 1 : 3, idSize);
    const Bytes iref = hasExif ? FullBox("iref", layout.irefVersion, Box("cdsc", cdsc)) : Bytes();
    const bool inIdat = hasExif && layout.method == 1;
    const Bytes idat = inIdat ? Box("idat", layout.exif) : Bytes();
    const Bytes head = Join({FullBox("hdlr", 0, hdlrBody), FullBox("pitm", 0, Bytes{0, 1}),
                             FullBox("iinf", 0, iinfBody)});
    // The iloc's size does not depend on the offsets it holds.
    const size_t metaSize = 12 + head.size() + Iloc(layout, 0, 0).size() + iref.size() + idat.size();
    const uint64_t image = ftyp.size() + metaSize + 8;
    const uint64_t exif = inIdat ? 0 : image + 4;
    const Bytes meta = FullBox("meta", 0, Join({head, Iloc(layout, image, exif), iref, idat}));
    const Bytes mdat = Box("mdat", Join({Bytes{0xAA, 0xBB, 0xCC, 0xDD}, inIdat ? Bytes() : layout.exif}));
    return Join({ftyp, meta, mdat});
}

Bytes ExifItem(const Bytes& tiff)
{
    return Join({Bytes{0, 0, 0, 6, 'E', 'x', 'i', 'f', 0, 0}, tiff});
}

std::vector<NamedLayout> EveryHeifLayout(const Bytes& tiff)
{
    const Bytes item = ExifItem(tiff);
    return {
        {"iloc 1, 4-byte fields, in the file", {item}},
        {"iloc 0", {item, 0}},
        {"iloc 2, infe 3, iref 1: 32-bit ids", {item, 2, 4, 4, 0, 0, 1, 3, 1}},
        {"8-byte fields and a base offset", {item, 1, 8, 8, 4}},
        {"three extents", {item, 1, 4, 4, 0, 0, 3}},
        {"in idat", {item, 1, 4, 4, 0, 1}},
        {"in idat, no offset or length fields: all of idat", {item, 1, 0, 0, 4, 1}},
        {"offset 0: the TIFF header at once", {Join({Bytes(4, 0), tiff})}},
        {"an Exif prefix instead of the offset", {Join({Bytes{'E', 'x', 'i', 'f', 0, 0}, tiff})}},
        {"an APP1 prefix", {ExifSegment(tiff)}},
    };
}

}  // namespace vztest
