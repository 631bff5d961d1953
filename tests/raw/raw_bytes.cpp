#include "raw/raw_bytes.h"

namespace {

void Put16(Bytes& out, size_t at, uint32_t v, bool big)
{
    out[at] = static_cast<uint8_t>(big ? v >> 8 : v);
    out[at + 1] = static_cast<uint8_t>(big ? v : v >> 8);
}

void Put32(Bytes& out, size_t at, uint32_t v, bool big)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (big ? 24 - 8 * i : 8 * i));
}

Bytes Value16(uint32_t v, bool big)
{
    Bytes b(2);
    Put16(b, 0, v, big);
    return b;
}

Bytes Value32(uint32_t v, bool big)
{
    Bytes b(4);
    Put32(b, 0, v, big);
    return b;
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes Box(const char* type, const Bytes& body, const Bytes& uuid = {})
{
    Bytes out(8);
    Put32(out, 0, static_cast<uint32_t>(8 + uuid.size() + body.size()), true);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(type[i]);
    Append(out, uuid);
    Append(out, body);
    return out;
}

// Appends dir (its children and blobs first) to out; its offset from base.
uint32_t Emit(const TiffDir& dir, Bytes& out, size_t base)
{
    std::vector<uint32_t> childAt(dir.entries.size(), 0);
    for (size_t i = 0; i < dir.entries.size(); ++i) {
        if (dir.entries[i].child)
            childAt[i] = Emit(*dir.entries[i].child, out, base);
    }
    uint32_t nextAt = dir.next ? Emit(*dir.next, out, base) : 0;
    std::vector<std::pair<uint32_t, uint32_t>> blobAt;
    for (const auto& blob : dir.blobs) {
        blobAt.push_back({static_cast<uint32_t>(out.size() - base), static_cast<uint32_t>(blob.second.size())});
        Append(out, blob.second);
    }
    if (out.size() % 2)
        out.push_back(0);
    size_t count = dir.entries.size() + 2 * dir.blobs.size();
    size_t at = out.size();
    out.resize(at + 2 + 12 * count + 4);
    size_t data = out.size();
    Put16(out, at, static_cast<uint32_t>(count), dir.bigEndian);
    size_t e = at + 2;
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t n, const Bytes& value) {
        Put16(out, e, tag, dir.bigEndian);
        Put16(out, e + 2, type, dir.bigEndian);
        Put32(out, e + 4, n, dir.bigEndian);
        if (value.size() <= 4) {
            for (size_t i = 0; i < value.size(); ++i)
                out[e + 8 + i] = value[i];
        } else {
            Put32(out, e + 8, static_cast<uint32_t>(data - base), dir.bigEndian);
            out.insert(out.begin() + data, value.begin(), value.end());
            data += value.size();
            if (value.size() % 2) {
                out.insert(out.begin() + data, 0);
                ++data;
            }
        }
        e += 12;
    };
    for (size_t i = 0; i < dir.entries.size(); ++i) {
        const TiffDir::Entry& x = dir.entries[i];
        entry(x.tag, x.type, x.count, x.child ? Value32(childAt[i], dir.bigEndian) : x.value);
    }
    for (size_t i = 0; i < dir.blobs.size(); ++i) {
        entry(dir.blobs[i].first.first, 4, 1, Value32(blobAt[i].first, dir.bigEndian));
        entry(dir.blobs[i].first.second, 4, 1, Value32(blobAt[i].second, dir.bigEndian));
    }
    Put32(out, at + 2 + 12 * count, nextAt, dir.bigEndian);
    return static_cast<uint32_t>(at - base);
}

}  // namespace

TiffDir& TiffDir::Short(uint16_t tag, uint32_t value)
{
    entries.push_back({tag, 3, 1, Value16(value, bigEndian), nullptr});
    return *this;
}

TiffDir& TiffDir::Long(uint16_t tag, uint32_t value)
{
    entries.push_back({tag, 4, 1, Value32(value, bigEndian), nullptr});
    return *this;
}

TiffDir& TiffDir::Ascii(uint16_t tag, const std::string& text)
{
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    entries.push_back({tag, 2, static_cast<uint32_t>(value.size()), value, nullptr});
    return *this;
}

TiffDir& TiffDir::Rationals(uint16_t tag, const std::vector<uint32_t>& pairs)
{
    Bytes value;
    for (uint32_t v : pairs)
        Append(value, Value32(v, bigEndian));
    entries.push_back({tag, 5, static_cast<uint32_t>(pairs.size() / 2), value, nullptr});
    return *this;
}

TiffDir& TiffDir::Undefined(uint16_t tag, const Bytes& bytes)
{
    entries.push_back({tag, 7, static_cast<uint32_t>(bytes.size()), bytes, nullptr});
    return *this;
}

TiffDir& TiffDir::Pointer(uint16_t tag, const TiffDir& child)
{
    entries.push_back({tag, 4, 1, Bytes(4), &child});
    return *this;
}

TiffDir& TiffDir::Blob(uint16_t offsetTag, uint16_t lengthTag, const Bytes& bytes)
{
    blobs.push_back({{offsetTag, lengthTag}, bytes});
    return *this;
}

Bytes BuildTiff(const TiffDir& ifd0, uint16_t magic, const Bytes& afterHeader)
{
    Bytes out(8);
    out[0] = out[1] = ifd0.bigEndian ? 'M' : 'I';
    Put16(out, 2, magic, ifd0.bigEndian);
    Append(out, afterHeader);
    uint32_t first = Emit(ifd0, out, 0);
    Put32(out, 4, first, ifd0.bigEndian);
    return out;
}

Bytes BuildJpeg(const Bytes& tiff)
{
    Bytes out = {0xFF, 0xD8};
    if (!tiff.empty()) {
        Bytes segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        Append(segment, tiff);
        Put16(segment, 2, static_cast<uint32_t>(segment.size() - 2), true);
        Append(out, segment);
    }
    Append(out, {0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    Append(out, {0xFF, 0xD9});
    return out;
}

Bytes BuildDng(const char* time, const char* offset, bool gps, bool preview)
{
    TiffDir exif(false);
    exif.Ascii(0x9003, time);
    if (offset)
        exif.Ascii(0x9011, offset);
    TiffDir position(false);
    position.Ascii(1, "N").Rationals(2, {48, 1, 51, 1, 2988, 100});
    position.Ascii(3, "W").Rationals(4, {2, 1, 17, 1, 402, 10});
    position.Short(5, 0).Rationals(6, {355, 10});
    TiffDir full(false);
    full.Long(0xFE, 0).Long(0x100, 6048).Long(0x101, 4024).Short(0x103, 7);
    TiffDir ifd0(false);
    ifd0.Long(0xFE, 1).Short(0x100, 160).Short(0x101, 120).Ascii(0x10F, "Maker");
    ifd0.Pointer(0x14A, full).Pointer(0x8769, exif).Undefined(0xC612, {1, 4, 0, 0});
    if (gps)
        ifd0.Pointer(0x8825, position);
    if (preview)
        ifd0.Blob(0x201, 0x202, BuildJpeg({}));
    return BuildTiff(ifd0);
}

Bytes BuildCr3(const Bytes& cmt1, const Bytes& cmt2, const Bytes& cmt4, const Bytes& preview)
{
    const Bytes canon = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                         0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    const Bytes previewId = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                             0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
    Bytes out = Box("ftyp", {'c', 'r', 'x', ' ', 0, 0, 0, 1, 'c', 'r', 'x', ' ', 'i', 's', 'o', 'm'});
    Bytes inside = Box("CNCV", {'C', 'a', 'n', 'o', 'n'});
    Append(inside, Box("CMT1", cmt1));
    if (!cmt2.empty())
        Append(inside, Box("CMT2", cmt2));
    if (!cmt4.empty())
        Append(inside, Box("CMT4", cmt4));
    Bytes moov = Box("mvhd", Bytes(100));
    Append(moov, Box("uuid", inside, canon));
    Append(out, Box("moov", moov));
    if (!preview.empty()) {
        Bytes prvw(16);
        Put16(prvw, 6, 1620, true);
        Put16(prvw, 8, 1080, true);
        Put32(prvw, 12, static_cast<uint32_t>(preview.size()), true);
        Append(prvw, preview);
        Bytes body(8);
        Append(body, Box("PRVW", prvw));
        Append(out, Box("uuid", body, previewId));
    }
    Append(out, Box("mdat", Bytes(16)));
    return out;
}

Bytes BuildRaf(const Bytes& jpeg, uint16_t width, uint16_t height)
{
    std::string head = "FUJIFILMCCD-RAW 0201FF383501";
    Bytes out(head.begin(), head.end());
    out.resize(0x94);
    Bytes directory(4);
    Put32(directory, 0, 2, true);
    Append(directory, {0x01, 0x00, 0, 4, 0, 9, 0, 9});  // full size, not the frame
    Append(directory, {0x01, 0x11, 0, 4});
    directory.resize(directory.size() + 4);
    Put16(directory, directory.size() - 4, height, true);
    Put16(directory, directory.size() - 2, width, true);
    Put32(out, 0x54, static_cast<uint32_t>(out.size()), true);
    Put32(out, 0x58, static_cast<uint32_t>(jpeg.size()), true);
    Append(out, jpeg);
    Put32(out, 0x5C, static_cast<uint32_t>(out.size()), true);
    Put32(out, 0x60, static_cast<uint32_t>(directory.size()), true);
    Append(out, directory);
    return out;
}

Bytes BuildMrw(const Bytes& tiff, uint16_t width, uint16_t height)
{
    Bytes prd = {'2', '7', '2', '0', '0', '0', '0', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(prd, 12, height, true);
    Put16(prd, 14, width, true);
    Bytes blocks = {0, 'P', 'R', 'D', 0, 0, 0, 0};
    Put32(blocks, 4, static_cast<uint32_t>(prd.size()), true);
    Append(blocks, prd);
    Bytes ttw = {0, 'T', 'T', 'W', 0, 0, 0, 0};
    Put32(ttw, 4, static_cast<uint32_t>(tiff.size()), true);
    Append(blocks, ttw);
    Append(blocks, tiff);
    Bytes out = {0, 'M', 'R', 'M', 0, 0, 0, 0};
    Put32(out, 4, static_cast<uint32_t>(blocks.size()), true);
    Append(out, blocks);
    Append(out, Bytes(64));  // image data
    return out;
}
