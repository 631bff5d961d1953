#include "heif/heif_bytes.h"

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

struct ItemEntry {
    unsigned id;
    unsigned method;
    unsigned dataReference;
    uint64_t start;
    uint64_t total;
    unsigned extents;
};

// iloc with the entries, shifted by the layout's base offset.
Bytes Iloc(const HeifLayout& layout, const std::vector<ItemEntry>& entries)
{
    const unsigned idSize = layout.ilocVersion < 2 ? 2 : 4;
    Bytes body;
    body.push_back(static_cast<uint8_t>(layout.offsetSize << 4 | layout.lengthSize));
    body.push_back(static_cast<uint8_t>(layout.baseOffsetSize << 4));
    Put(body, entries.size(), idSize);
    for (const ItemEntry& item : entries) {
        // Without offset fields the base offset says where the item starts.
        const uint64_t base = layout.baseOffsetSize ? (layout.offsetSize ? 1 : item.start) : 0;
        Put(body, item.id, idSize);
        if (layout.ilocVersion > 0)
            Put(body, item.method, 2);
        Put(body, item.dataReference, 2);
        Put(body, base, layout.baseOffsetSize);
        Put(body, item.extents, 2);
        for (unsigned e = 0; e < item.extents; ++e) {
            const uint64_t piece = item.total / item.extents + (e + 1 == item.extents ? item.total % item.extents : 0);
            Put(body, item.start + e * (item.total / item.extents) - base, layout.offsetSize);
            Put(body, piece, layout.lengthSize);
        }
    }
    return FullBox("iloc", layout.ilocVersion, body);
}

// Two tracks: 7 with two chunks (stco), 8 with one (co64), 4 bytes each from chunks on.
Bytes Movie(uint64_t chunks)
{
    auto track = [](unsigned id, const char* table, std::vector<uint64_t> offsets) {
        Bytes tkhd(8, 0), entries;
        Put(tkhd, id, 4);
        Put(entries, offsets.size(), 4);
        for (uint64_t offset : offsets)
            Put(entries, offset, std::string(table) == "co64" ? 8 : 4);
        return Box("trak", Join({FullBox("tkhd", 0, tkhd),
                                 Box("mdia", Box("minf", Box("stbl", FullBox(table, 0, entries))))}));
    };
    return Box("moov", Join({track(7, "stco", {chunks, chunks + 4}), track(8, "co64", {chunks + 8})}));
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
    const unsigned extra = layout.sharedExif + layout.remoteItem;
    Put(iinfBody, (hasExif ? 2 : 1) + extra, 2);
    iinfBody = Join({iinfBody, Infe(layout, 1, "hvc1"), hasExif ? Infe(layout, 2, "Exif") : Bytes(),
                     layout.sharedExif ? Infe(layout, 3, layout.sharedType) : Bytes(),
                     layout.remoteItem ? Infe(layout, 4, "hvc1") : Bytes()});
    Bytes cdsc;
    const unsigned idSize = layout.irefVersion == 0 ? 2 : 4;
    Put(cdsc, 2, idSize);
    Put(cdsc, 1, 2);
    Put(cdsc, layout.describesPrimary ? 1 : 3, idSize);
    const Bytes iref = hasExif ? FullBox("iref", layout.irefVersion, Box("cdsc", cdsc)) : Bytes();
    const bool inIdat = hasExif && layout.method == 1;
    const Bytes idat = inIdat ? Box("idat", layout.exif) : Bytes();
    // An 'altr' group (version 0, flags, group id, one entity: the primary).
    Bytes group(4, 0);
    Put(group, (hasExif ? 3 : 2) + extra, 4);
    Put(group, 1, 4);
    Put(group, 1, 4);
    const Bytes grpl = layout.groups ? Box("grpl", Box("altr", group)) : Bytes();
    const Bytes head = Join({FullBox("hdlr", 0, hdlrBody), FullBox("pitm", 0, Bytes{0, 1}),
                             FullBox("iinf", 0, iinfBody)});
    auto entries = [&](uint64_t image, uint64_t exif) {
        std::vector<ItemEntry> list{{1, 0, 0, image, 4, 1}};
        if (hasExif)
            list.push_back({2, layout.method, 0, exif, layout.exif.size(), layout.extents});
        if (layout.sharedExif)
            list.push_back({3, layout.method, 0, exif, layout.exif.size() / layout.extents, 1});
        if (layout.remoteItem)
            list.push_back({4, 0, 1, image, 4, 1});
        return list;
    };
    // Neither iloc's size nor moov's depends on the offsets they hold.
    const Bytes movie = layout.movie ? Movie(0) : Bytes();
    const size_t metaSize = 12 + head.size() + Iloc(layout, entries(0, 0)).size() + iref.size() + idat.size() +
                            grpl.size() + layout.metaTail.size();
    const uint64_t image = ftyp.size() + metaSize + movie.size() + 8;
    const uint64_t exif = inIdat ? 0 : image + 4;
    const Bytes meta =
        FullBox("meta", 0, Join({head, Iloc(layout, entries(image, exif)), iref, idat, grpl, layout.metaTail}));
    const Bytes chunks = layout.movie ? Bytes{0x11, 0x12, 0x13, 0x14, 0x21, 0x22, 0x23, 0x24, 0x31, 0x32, 0x33, 0x34}
                                      : Bytes();
    const Bytes mdat = Box("mdat", Join({Bytes{0xAA, 0xBB, 0xCC, 0xDD}, inIdat ? Bytes() : layout.exif, chunks}));
    return Join({ftyp, meta, layout.movie ? Movie(image + 4 + (inIdat ? 0 : layout.exif.size())) : Bytes(), mdat,
                 layout.trailer});
}

Bytes MotionPhotoVideo()
{
    return Box("mpvd", Join({Box("ftyp", Bytes{'i', 's', 'o', 'm', 0, 0, 0, 0}), Box("mdat", Bytes(24, 0x5A))}));
}

Bytes ExifItem(const Bytes& tiff)
{
    return Join({Bytes{0, 0, 0, 6, 'E', 'x', 'i', 'f', 0, 0}, tiff});
}

std::vector<NamedLayout> EveryHeifLayout(const Bytes& tiff)
{
    const Bytes item = ExifItem(tiff);
    HeifLayout movie{item}, trailer{item}, groups{item}, shared{item}, remote{item};
    movie.movie = true;
    trailer.trailer = MotionPhotoVideo();
    groups.groups = true;
    shared.sharedExif = true;
    remote.remoteItem = true;
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
        {"a sequence: chunk offsets in stco and co64", movie},
        {"a motion photo's video box at the end", trailer},
        {"entity groups", groups},
        {"another item shares the Exif item's bytes", shared},
        {"another item in another file", remote},
    };
}

}  // namespace vztest
