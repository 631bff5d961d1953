#include "fuzz/seed_photos.h"

#include <cstring>

namespace vzseed {
namespace {

// Byte-order aware appending and patching.
struct Order {
    bool big;
    void Put16(Bytes& out, size_t at, uint32_t v) const
    {
        out[at + (big ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
        out[at + (big ? 1 : 0)] = static_cast<uint8_t>(v);
    }
    void Put32(Bytes& out, size_t at, uint32_t v) const
    {
        for (int i = 0; i < 4; ++i)
            out[at + (big ? i : 3 - i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
};

// One entry of a hand-built directory: a value (in the tree's byte order),
// or a sub-directory, or the offset / length of the directory's thumbnail.
struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    Bytes value;
    int sub = -1;
    bool thumbnailOffset = false;
    bool thumbnailLength = false;
};

struct Dir {
    std::vector<Entry> entries;
    int next = -1;
    Bytes thumbnail;
};

// A TIFF tree laid out the way cameras do it: each directory followed by its
// data (thumbnail, out-of-line values, sub-directories), IFD1 last.
class TiffTree {
public:
    explicit TiffTree(bool big) : m_order{big} { m_dirs.resize(1); }

    int AddDir()
    {
        m_dirs.emplace_back();
        return static_cast<int>(m_dirs.size()) - 1;
    }
    Dir& At(int dir) { return m_dirs[dir]; }

    void Ascii(int dir, uint16_t tag, const std::string& text)
    {
        Bytes v(text.begin(), text.end());
        v.push_back(0);
        Raw(dir, tag, 2, static_cast<uint32_t>(v.size()), v);
    }
    void Shorts(int dir, uint16_t tag, std::initializer_list<uint32_t> values, uint16_t type = 3)
    {
        Bytes v(values.size() * 2);
        size_t i = 0;
        for (uint32_t x : values)
            m_order.Put16(v, 2 * i++, x);
        Raw(dir, tag, type, static_cast<uint32_t>(values.size()), v);
    }
    void Longs(int dir, uint16_t tag, std::initializer_list<uint32_t> values, uint16_t type = 4)
    {
        Bytes v(values.size() * 4);
        size_t i = 0;
        for (uint32_t x : values)
            m_order.Put32(v, 4 * i++, x);
        Raw(dir, tag, type, static_cast<uint32_t>(values.size()), v);
    }
    void ByteValues(int dir, uint16_t tag, std::initializer_list<uint8_t> values, uint16_t type = 1)
    {
        Raw(dir, tag, type, static_cast<uint32_t>(values.size()), Bytes(values));
    }
    // Rationals given as numerator, denominator pairs.
    void Rationals(int dir, uint16_t tag, std::initializer_list<uint32_t> pairs, uint16_t type = 5)
    {
        Bytes v(pairs.size() * 4);
        size_t i = 0;
        for (uint32_t x : pairs)
            m_order.Put32(v, 4 * i++, x);
        Raw(dir, tag, type, static_cast<uint32_t>(pairs.size() / 2), v);
    }
    void Raw(int dir, uint16_t tag, uint16_t type, uint32_t count, const Bytes& value)
    {
        Entry e{tag, type, count, value};
        m_dirs[dir].entries.push_back(e);
    }
    int Pointer(int dir, uint16_t tag)
    {
        int sub = AddDir();
        Entry e{tag, 4, 1, Bytes()};
        e.sub = sub;
        m_dirs[dir].entries.push_back(e);
        return sub;
    }
    void ThumbnailEntries(int dir, uint16_t offsetTag, uint16_t lengthTag)
    {
        Entry offset{offsetTag, 4, 1, Bytes()};
        offset.thumbnailOffset = true;
        Entry length{lengthTag, 4, 1, Bytes()};
        length.thumbnailLength = true;
        m_dirs[dir].entries.push_back(offset);
        m_dirs[dir].entries.push_back(length);
    }

    // The TIFF bytes: header, then IFD0 at offset 8.
    Bytes Build() const
    {
        Bytes out(8);
        out[0] = out[1] = m_order.big ? 'M' : 'I';
        m_order.Put16(out, 2, 42);
        m_order.Put32(out, 4, 8);
        Layout(out, 0);
        return out;
    }

private:
    // Writes directory dir at the end of out, then its data.
    void Layout(Bytes& out, int dir) const
    {
        const Dir& d = m_dirs[dir];
        const size_t at = out.size();
        const size_t n = d.entries.size();
        out.resize(at + 2 + 12 * n + 4, 0);
        m_order.Put16(out, at, static_cast<uint32_t>(n));
        size_t thumbnailAt = 0;
        if (!d.thumbnail.empty()) {
            thumbnailAt = out.size();
            out.insert(out.end(), d.thumbnail.begin(), d.thumbnail.end());
        }
        for (size_t i = 0; i < n; ++i) {
            const Entry& e = d.entries[i];
            const size_t p = at + 2 + 12 * i;
            m_order.Put16(out, p, e.tag);
            m_order.Put16(out, p + 2, e.type);
            m_order.Put32(out, p + 4, e.count);
            if (e.sub >= 0) {
                m_order.Put32(out, p + 8, static_cast<uint32_t>(out.size()));
                Layout(out, e.sub);
            } else if (e.thumbnailOffset) {
                m_order.Put32(out, p + 8, static_cast<uint32_t>(thumbnailAt));
            } else if (e.thumbnailLength) {
                m_order.Put32(out, p + 8, static_cast<uint32_t>(d.thumbnail.size()));
            } else if (e.value.size() <= 4) {
                std::memcpy(&out[p + 8], e.value.data(), e.value.size());
            } else {
                m_order.Put32(out, p + 8, static_cast<uint32_t>(out.size()));
                out.insert(out.end(), e.value.begin(), e.value.end());
            }
        }
        if (d.next >= 0) {
            m_order.Put32(out, at + 2 + 12 * n, static_cast<uint32_t>(out.size()));
            Layout(out, d.next);
        }
    }

    Order m_order;
    std::vector<Dir> m_dirs;
};

void Append(Bytes& out, std::initializer_list<uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A marker segment: 0xFF code, big-endian length, payload.
void Segment(Bytes& out, uint8_t code, const Bytes& payload)
{
    const size_t length = payload.size() + 2;
    Append(out, {0xFF, code, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out.insert(out.end(), payload.begin(), payload.end());
}

void ExifSegment(Bytes& out, const Bytes& tiff)
{
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    Segment(out, 0xE1, payload);
}

void Jfif(Bytes& out)
{
    Segment(out, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
}

// Tables, an 8x8 one-component frame, the scan header, a little image data
// and EOI.
void ImageTail(Bytes& out)
{
    Bytes dqt(65, 1);
    dqt[0] = 0;
    Segment(out, 0xDB, dqt);
    Segment(out, 0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    Segment(out, 0xDA, {1, 1, 0, 0, 63, 0});
    Append(out, {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
}

Bytes Jpeg(const Bytes& tiff, bool withJfif)
{
    Bytes out = {0xFF, 0xD8};
    if (withJfif)
        Jfif(out);
    ExifSegment(out, tiff);
    ImageTail(out);
    return out;
}

// A tiny JPEG stream as a thumbnail.
Bytes ThumbnailJpeg()
{
    Bytes t = {0xFF, 0xD8};
    Segment(t, 0xC0, {8, 0, 4, 0, 4, 1, 1, 0x11, 0});
    Append(t, {0xAA, 0xBB, 0xCC, 0xFF, 0xD9});
    return t;
}

// A maker note that is a directory of its own, as several makers write
// them: a maker header, then a count and entries whose offsets count from
// the start of the TIFF data.
Bytes DirectoryLikeMakerNote(const Order& order, size_t header)
{
    Bytes note(header, 0);
    const char* name = "Maker\0\x02\x10\0\0";
    std::memcpy(note.data(), name, header < 10 ? header : 10);
    const size_t at = note.size();
    const uint32_t n = 3;
    note.resize(at + 2 + 12 * n + 4 + 16, 0);
    order.Put16(note, at, n);
    const uint16_t tags[3] = {0x0001, 0x0011, 0x0100};
    const uint16_t types[3] = {3, 4, 7};
    const uint32_t counts[3] = {1, 1, 16};
    for (uint32_t i = 0; i < n; ++i) {
        size_t p = at + 2 + 12 * i;
        order.Put16(note, p, tags[i]);
        order.Put16(note, p + 2, types[i]);
        order.Put32(note, p + 4, counts[i]);
        order.Put32(note, p + 8, i == 2 ? 0x0200 : 7 * (i + 1));
    }
    return note;
}

// IFD0 with Make, Model, resolution, an Exif directory (with a maker note
// and an interoperability directory), optionally a GPS directory with a
// position, and IFD1 with a JPEG or strip thumbnail.
Bytes CameraTree(bool big, bool withGps, bool stripThumbnail, uint16_t positionType, size_t makerNoteHeader)
{
    TiffTree t(big);
    Order order{big};
    t.Ascii(0, 0x010F, "Vantest");
    t.Ascii(0, 0x0110, "Hostile Seed 1");
    t.Shorts(0, 0x0112, {1});
    t.Rationals(0, 0x011A, {72, 1});
    t.Rationals(0, 0x011B, {72, 1});
    t.Shorts(0, 0x0128, {2});
    t.Ascii(0, 0x0132, "2026:12:08 03:30:00");
    const int exif = t.Pointer(0, 0x8769);
    t.Rationals(exif, 0x829A, {1, 250});
    t.Rationals(exif, 0x829D, {28, 10});
    t.Shorts(exif, 0x8827, {200});
    t.ByteValues(exif, 0x9000, {'0', '2', '3', '0'}, 7);
    t.Ascii(exif, 0x9003, "2026:12:08 03:30:00");
    const Bytes note = DirectoryLikeMakerNote(order, makerNoteHeader);
    t.Raw(exif, 0x927C, 7, static_cast<uint32_t>(note.size()), note);
    t.Shorts(exif, 0xA002, {640}, 3);
    t.Shorts(exif, 0xA003, {480}, 3);
    const int interop = t.Pointer(exif, 0xA005);
    t.Ascii(interop, 0x0001, "R98");
    t.ByteValues(interop, 0x0002, {'0', '1', '0', '0'}, 7);
    if (withGps) {
        const int gps = t.Pointer(0, 0x8825);
        t.ByteValues(gps, 0x0000, {2, 2, 0, 0});
        t.Ascii(gps, 0x0001, "S");
        t.Rationals(gps, 0x0002, {33, 1, 51, 1, 3567, 100}, positionType);
        t.Ascii(gps, 0x0003, "E");
        t.Rationals(gps, 0x0004, {151, 1, 12, 1, 5123, 100}, positionType);
        t.ByteValues(gps, 0x0005, {0});
        t.Rationals(gps, 0x0006, {5800, 100});
        t.Ascii(gps, 0x0010, "T");
        t.Rationals(gps, 0x0011, {12345, 100});
        t.Ascii(gps, 0x0012, "WGS-84");
    }
    const int ifd1 = t.AddDir();
    t.At(0).next = ifd1;
    if (stripThumbnail) {
        t.Shorts(ifd1, 0x0100, {4});
        t.Shorts(ifd1, 0x0101, {4});
        t.Shorts(ifd1, 0x0103, {1});
        t.Shorts(ifd1, 0x0106, {2});
        t.Shorts(ifd1, 0x0115, {3});
        t.Shorts(ifd1, 0x0116, {4});
        t.ThumbnailEntries(ifd1, 0x0111, 0x0117);
        t.At(ifd1).thumbnail = Bytes(48, 0x80);
    } else {
        t.Shorts(ifd1, 0x0103, {6});
        t.Rationals(ifd1, 0x011A, {72, 1});
        t.ThumbnailEntries(ifd1, 0x0201, 0x0202);
        t.At(ifd1).thumbnail = ThumbnailJpeg();
    }
    return t.Build();
}

}  // namespace

std::vector<SeedFile> HandBuiltSeeds()
{
    std::vector<SeedFile> seeds;
    seeds.push_back({"camera-ii-gps", Jpeg(CameraTree(false, true, false, 5, 10), true)});
    seeds.push_back({"camera-mm-gps", Jpeg(CameraTree(true, true, false, 5, 18), false)});
    seeds.push_back({"camera-mm-strips", Jpeg(CameraTree(true, false, true, 5, 0), true)});
    seeds.push_back({"camera-ii-srational-gps", Jpeg(CameraTree(false, true, true, 10, 12), false)});

    {  // GPS directory with GPSVersionID only, entries of types 0 and 13.
        TiffTree t(false);
        t.Ascii(0, 0x010F, "Odd");
        t.Raw(0, 0x0200, 0, 5, {1, 2, 3, 4});
        t.Raw(0, 0x0201, 13, 1, {9, 8, 7, 6});
        const int gps = t.Pointer(0, 0x8825);
        t.ByteValues(gps, 0x0000, {2, 3, 0, 0});
        seeds.push_back({"gps-version-only", Jpeg(t.Build(), true)});
    }
    {  // Segment close to the 64 KiB limit: adding a position overflows it.
        TiffTree t(true);
        t.Ascii(0, 0x010F, "Big");
        const int exif = t.Pointer(0, 0x8769);
        t.Raw(exif, 0x927C, 7, 65300, Bytes(65300, 0x5A));
        seeds.push_back({"near-limit", Jpeg(t.Build(), false)});
    }
    {  // An empty IFD0 (count 0, link 0).
        TiffTree t(false);
        seeds.push_back({"empty-root", Jpeg(t.Build(), false)});
    }
    {  // No Exif segment: JFIF, tables, frame.
        Bytes out = {0xFF, 0xD8};
        Jfif(out);
        ImageTail(out);
        seeds.push_back({"no-exif", out});
    }
    {  // XMP first, then two Exif segments (the second one counts), with
       // fill bytes before the second.
        TiffTree first(false);
        first.Ascii(0, 0x010F, "First");
        TiffTree second(true);
        second.Ascii(0, 0x010F, "Second");
        const int gps = second.Pointer(0, 0x8825);
        second.Ascii(gps, 0x0001, "N");
        second.Rationals(gps, 0x0002, {1, 1, 2, 1, 3, 1});
        second.Ascii(gps, 0x0003, "W");
        second.Rationals(gps, 0x0004, {4, 1, 5, 1, 6, 1});
        Bytes out = {0xFF, 0xD8};
        const std::string xmp = "http://ns.adobe.com/xap/1.0/";
        Bytes payload(xmp.begin(), xmp.end());
        payload.push_back(0);
        payload.insert(payload.end(), 40, ' ');
        Segment(out, 0xE1, payload);
        ExifSegment(out, first.Build());
        Append(out, {0xFF, 0xFF});
        ExifSegment(out, second.Build());
        ImageTail(out);
        seeds.push_back({"xmp-two-exif-fill", out});
    }
    {  // Exif after the frame header: not found.
        TiffTree t(false);
        t.Ascii(0, 0x010F, "Late");
        Bytes out = {0xFF, 0xD8};
        Segment(out, 0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
        ExifSegment(out, t.Build());
        Segment(out, 0xDA, {1, 1, 0, 0, 63, 0});
        Append(out, {0x00, 0xFF, 0xD9});
        seeds.push_back({"exif-after-frame", out});
    }
    return seeds;
}

Bytes CutAfterScanStart(const Bytes& photo)
{
    if (photo.size() < 4 || photo[0] != 0xFF || photo[1] != 0xD8)
        return photo;
    size_t p = 2;
    while (p + 4 <= photo.size()) {
        if (photo[p] != 0xFF) {
            ++p;
            continue;
        }
        const uint8_t code = photo[p + 1];
        if (code == 0xFF) {
            ++p;
            continue;
        }
        const size_t length = photo[p + 2] * 256u + photo[p + 3];
        const size_t end = p + 2 + length;
        if (code == 0xDA) {
            // Keep the scan header and 64 bytes of image data, then EOI.
            size_t keep = end + 64 < photo.size() ? end + 64 : photo.size();
            Bytes cut(photo.begin(), photo.begin() + keep);
            cut.push_back(0xFF);
            cut.push_back(0xD9);
            return cut;
        }
        p = end;
    }
    return photo;
}

}  // namespace vzseed
