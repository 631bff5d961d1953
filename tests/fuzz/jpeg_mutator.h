// Deterministic hostile variants of JPEG files for the photo engine's
// robustness tests: random damage (flipped and random bytes, truncation) and
// damage aimed at the structure (marker lengths of 0 to 2, entry counts up
// to 65,535, offsets outside the data, directories pointing at themselves or
// at each other, maker notes that look like directories with hostile counts
// and offsets). Portable: used under Wine and by the native fuzzer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/seed_photos.h"

namespace vzseed {

// Where the structure of a seed file lies, found by a small independent
// walk over its markers and its Exif tree. All positions are file offsets.
struct JpegMap {
    std::vector<size_t> lengthFields;     // 2-byte length of each segment before the scan
    bool hasExif = false;
    bool bigEndian = false;
    size_t tiffStart = 0;                 // TIFF data of the last Exif segment
    size_t tiffEnd = 0;
    std::vector<size_t> directories;      // 2-byte entry count of each directory
    std::vector<size_t> entryCounts;      // 4-byte count field of each entry
    std::vector<size_t> valueOffsets;     // value field holding an offset to out-of-line data
    std::vector<size_t> pointerFields;    // sub-directory pointers and next-directory links
    std::vector<size_t> makerDirectories; // directories found inside maker notes
    std::vector<size_t> makerOffsets;     // value fields of entries in those directories
};

JpegMap MapJpeg(const Bytes& file);

// A seeded generator that gives the same numbers on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    // 0 .. bound - 1 (0 when bound is 0).
    size_t Below(size_t bound) { return bound ? static_cast<size_t>(Next() % bound) : 0; }

private:
    uint64_t m_state;
};

// The mutation operators.
enum class Mutation {
    FlipBits,
    RandomBytes,
    Truncate,
    MarkerLength,
    EntryCount,
    OffsetOutside,
    DirectoryLoop,
    ElementCount,
    FieldType,
    MakerNote,
    kCount
};

// Applies one to three mutations chosen by random to a copy of seed (whose
// map is given) and describes them in *what (for failure messages).
Bytes Mutate(const Bytes& seed, const JpegMap& map, Random& random, std::string* what);

// Applies one given mutation; for the structural ones a random target of
// that kind, or a random byte flip when the seed has none.
void ApplyMutation(Mutation mutation, Bytes& file, const JpegMap& map, Random& random, std::string* what);

}  // namespace vzseed
