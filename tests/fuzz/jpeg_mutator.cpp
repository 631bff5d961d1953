#include "fuzz/jpeg_mutator.h"

#include <cstdio>
#include <set>

namespace vzseed {
namespace {

uint32_t Get16(const Bytes& b, size_t at, bool big)
{
    return big ? (b[at] << 8 | b[at + 1]) : (b[at + 1] << 8 | b[at]);
}

uint32_t Get32(const Bytes& b, size_t at, bool big)
{
    return big ? (uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3])
               : (uint32_t(b[at + 3]) << 24 | b[at + 2] << 16 | b[at + 1] << 8 | b[at]);
}

void Set16(Bytes& b, size_t at, uint32_t v, bool big)
{
    if (at + 2 > b.size())
        return;
    b[at + (big ? 0 : 1)] = uint8_t(v >> 8);
    b[at + (big ? 1 : 0)] = uint8_t(v);
}

void Set32(Bytes& b, size_t at, uint32_t v, bool big)
{
    if (at + 4 > b.size())
        return;
    for (int i = 0; i < 4; ++i)
        b[at + (big ? i : 3 - i)] = uint8_t(v >> (24 - 8 * i));
}

uint32_t TypeSize(uint32_t type)
{
    static const uint32_t sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < 13 ? sizes[type] : 0;
}

bool IsPointer(uint32_t tag)
{
    return tag == 0x8769 || tag == 0x8825 || tag == 0xA005;
}

// Records a plausible directory inside a maker note: a count of 1 to 256
// whose table fits the note and whose first entry has a known type.
void MapMakerNote(const Bytes& f, JpegMap& map, size_t note, size_t size)
{
    static const size_t headers[] = {0, 6, 8, 10, 12, 14, 18};
    for (size_t h : headers) {
        if (h + 2 + 12 > size)
            continue;
        const size_t at = note + h;
        uint32_t n = Get16(f, at, map.bigEndian);
        if (n == 0 || n > 256 || h + 2 + 12 * n > size)
            continue;
        uint32_t type = Get16(f, at + 4, map.bigEndian);
        if (type == 0 || type > 12)
            continue;
        map.makerDirectories.push_back(at);
        for (uint32_t i = 0; i < n; ++i)
            map.makerOffsets.push_back(at + 2 + 12 * i + 8);
        return;
    }
}

void MapTree(const Bytes& f, JpegMap& map)
{
    const size_t base = map.tiffStart;
    const size_t size = map.tiffEnd - base;
    const bool big = map.bigEndian;
    if (size < 8)
        return;
    std::vector<std::pair<size_t, bool>> pending = {{Get32(f, base + 4, big), true}};
    std::set<size_t> seen;
    while (!pending.empty() && seen.size() < 64) {
        const size_t dir = pending.back().first;
        const bool isRoot = pending.back().second;
        pending.pop_back();
        if (dir + 2 > size || !seen.insert(dir).second)
            continue;
        const uint32_t n = Get16(f, base + dir, big);
        if (dir + 2 + 12ull * n + 4 > size)
            continue;
        map.directories.push_back(base + dir);
        for (uint32_t i = 0; i < n; ++i) {
            const size_t e = base + dir + 2 + 12 * i;
            const uint32_t tag = Get16(f, e, big);
            const uint32_t count = Get32(f, e + 4, big);
            const uint64_t bytes = uint64_t(count) * TypeSize(Get16(f, e + 2, big));
            const uint32_t off = Get32(f, e + 8, big);
            map.entryCounts.push_back(e + 4);
            if (IsPointer(tag)) {
                map.pointerFields.push_back(e + 8);
                pending.push_back({off, false});
            } else if (bytes > 4) {
                map.valueOffsets.push_back(e + 8);
                if (tag == 0x927C && off + bytes <= size)
                    MapMakerNote(f, map, base + off, static_cast<size_t>(bytes));
            }
        }
        if (isRoot) {
            const size_t link = base + dir + 2 + 12 * n;
            map.pointerFields.push_back(link);
            pending.push_back({Get32(f, link, big), false});
        }
    }
}

size_t Pick(const std::vector<size_t>& v, Random& r)
{
    return v[r.Below(v.size())];
}

// An offset of the file, two times in three inside the Exif segment.
size_t PickOffset(const Bytes& f, const JpegMap& map, Random& r)
{
    if (map.hasExif && map.tiffEnd <= f.size() && r.Below(3) != 0)
        return map.tiffStart - 10 + r.Below(map.tiffEnd - map.tiffStart + 10);
    return r.Below(f.size());
}

void Describe(std::string* what, const char* name, size_t at, uint64_t value)
{
    char text[96];
    std::snprintf(text, sizeof(text), "%s@%zu=%llu ", name, at, static_cast<unsigned long long>(value));
    what->append(text);
}

}  // namespace

JpegMap MapJpeg(const Bytes& f)
{
    JpegMap map;
    if (f.size() < 4 || f[0] != 0xFF || f[1] != 0xD8)
        return map;
    size_t p = 2;
    while (p + 4 <= f.size()) {
        if (f[p] != 0xFF || f[p + 1] == 0xFF) {
            ++p;
            continue;
        }
        const uint8_t code = f[p + 1];
        const size_t length = f[p + 2] * 256u + f[p + 3];
        map.lengthFields.push_back(p + 2);
        if (code == 0xDA || (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC))
            break;
        if (code == 0xE1 && length >= 16 && p + 2 + length <= f.size() && f[p + 4] == 'E' && f[p + 5] == 'x' &&
            f[p + 6] == 'i' && f[p + 7] == 'f' && f[p + 8] == 0 && f[p + 9] == 0) {
            map.hasExif = true;
            map.tiffStart = p + 10;
            map.tiffEnd = p + 2 + length;
            map.bigEndian = f[p + 10] == 'M' && f[p + 11] == 'M';
        }
        p += 2 + length;
    }
    if (map.hasExif)
        MapTree(f, map);
    return map;
}

uint64_t Random::Next()
{
    // splitmix64
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void ApplyMutation(Mutation mutation, Bytes& f, const JpegMap& map, Random& r, std::string* what)
{
    if (f.empty())
        return;
    const bool big = map.bigEndian;
    const size_t tiffSize = map.tiffEnd - map.tiffStart;
    switch (mutation) {
    case Mutation::FlipBits: {
        const size_t at = PickOffset(f, map, r);
        const uint8_t bits = uint8_t(1u << r.Below(8)) | uint8_t(r.Below(2) ? 1u << r.Below(8) : 0);
        if (at < f.size())
            f[at] ^= bits;
        Describe(what, "flip", at, bits);
        return;
    }
    case Mutation::RandomBytes: {
        const size_t at = PickOffset(f, map, r);
        const size_t n = 1 + r.Below(8);
        for (size_t i = 0; i < n && at + i < f.size(); ++i)
            f[at + i] = uint8_t(r.Next());
        Describe(what, "bytes", at, n);
        return;
    }
    case Mutation::Truncate: {
        const size_t at = PickOffset(f, map, r);
        f.resize(at);
        Describe(what, "truncate", at, 0);
        return;
    }
    case Mutation::MarkerLength:
        if (!map.lengthFields.empty()) {
            const size_t at = Pick(map.lengthFields, r);
            static const uint32_t lengths[] = {0, 1, 2, 0xFFFF, 3, 17};
            const uint32_t v = lengths[r.Below(r.Below(4) ? 3 : 6)];
            Set16(f, at, v, true);
            Describe(what, "marker-length", at, v);
            return;
        }
        break;
    case Mutation::EntryCount:
        if (!map.directories.empty()) {
            const size_t at = Pick(map.directories, r);
            static const uint32_t counts[] = {0, 1, 0xFFFF, 0x8000, 0x1555, 5000};
            const uint32_t v = r.Below(4) ? counts[r.Below(6)] : uint32_t(r.Below(0x10000));
            Set16(f, at, v, big);
            Describe(what, "entry-count", at, v);
            return;
        }
        break;
    case Mutation::OffsetOutside: {
        std::vector<size_t> fields = map.valueOffsets;
        fields.insert(fields.end(), map.pointerFields.begin(), map.pointerFields.end());
        if (!fields.empty()) {
            const size_t at = Pick(fields, r);
            const uint32_t size32 = static_cast<uint32_t>(tiffSize);
            const uint32_t choices[] = {size32, size32 - 1, size32 - 4, size32 - 17, size32 + 1,
                                        0xFFFFFFFFu, 0xFFFFFFF0u, 0x80000000u, 0, 7, uint32_t(r.Next())};
            const uint32_t v = choices[r.Below(11)];
            Set32(f, at, v, big);
            Describe(what, "offset-outside", at, v);
            return;
        }
        break;
    }
    case Mutation::DirectoryLoop:
        if (!map.pointerFields.empty() && !map.directories.empty()) {
            // A pointer or link made to name a directory of the tree: its
            // own, its parent, IFD0, or any other.
            const size_t at = Pick(map.pointerFields, r);
            const size_t target = Pick(map.directories, r) - map.tiffStart;
            Set32(f, at, static_cast<uint32_t>(target), big);
            Describe(what, "directory-loop", at, target);
            return;
        }
        break;
    case Mutation::ElementCount:
        if (!map.entryCounts.empty()) {
            const size_t at = Pick(map.entryCounts, r);
            static const uint32_t counts[] = {0, 1, 0x40000000u, 0xFFFFFFFFu, 0x20000000u, 0x1FFFFFFFu, 65535, 65536};
            const uint32_t v = r.Below(4) ? counts[r.Below(8)] : uint32_t(r.Next());
            Set32(f, at, v, big);
            Describe(what, "element-count", at, v);
            return;
        }
        break;
    case Mutation::FieldType:
        if (!map.entryCounts.empty()) {
            const size_t at = Pick(map.entryCounts, r) - 2;
            const uint32_t v = r.Below(4) ? uint32_t(r.Below(14)) : uint32_t(r.Below(0x10000));
            Set16(f, at, v, big);
            Describe(what, "field-type", at, v);
            return;
        }
        break;
    case Mutation::MakerNote:
        if (!map.makerDirectories.empty()) {
            if (r.Below(2)) {
                const size_t at = Pick(map.makerDirectories, r);
                const uint32_t v = r.Below(2) ? 0xFFFF : uint32_t(r.Below(0x10000));
                Set16(f, at, v, big);
                Describe(what, "maker-count", at, v);
            } else {
                const size_t at = Pick(map.makerOffsets, r);
                const size_t self = Pick(map.makerDirectories, r) - map.tiffStart;
                const uint32_t choices[] = {static_cast<uint32_t>(self), static_cast<uint32_t>(tiffSize),
                                            0xFFFFFFFFu, uint32_t(r.Next())};
                const uint32_t v = choices[r.Below(4)];
                Set32(f, at, v, big);
                Set32(f, at - 4, r.Below(2) ? 0xFFFFFFFFu : 16, big);
                Describe(what, "maker-offset", at, v);
            }
            return;
        }
        break;
    case Mutation::kCount:
        break;
    }
    ApplyMutation(Mutation::FlipBits, f, map, r, what);
}

Bytes Mutate(const Bytes& seed, const JpegMap& map, Random& r, std::string* what)
{
    Bytes f = seed;
    const size_t n = 1 + r.Below(3);
    for (size_t i = 0; i < n; ++i) {
        auto m = static_cast<Mutation>(r.Below(static_cast<size_t>(Mutation::kCount)));
        // One truncation at most, and last: the map describes the seed.
        if (m == Mutation::Truncate && i + 1 < n)
            m = Mutation::FlipBits;
        ApplyMutation(m, f, map, r, what);
    }
    return f;
}

}  // namespace vzseed
