// libFuzzer target over the byte-level photo engine: a whole JPEG file in
// memory goes through the marker scan, the TIFF parser, the position reader,
// the position writer and the serialiser (which moves maker notes with their
// offsets), and the rewritten file is read back. Besides the sanitizers'
// findings, a broken promise of the engine aborts the run:
//   - a segment built from a tree is a well-formed APP1 Exif segment of at
//     most 64 KiB that reads back with the same position;
//   - a position stored and written (S_OK) reads back as stored;
//   - a rewritten file rewritten again gives the same bytes.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "exif/exif_block.h"
#include "fuzz/jpeg_mutator.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

void Broken(const char* promise)
{
    std::fprintf(stderr, "photo engine broke a promise: %s\n", promise);
    std::abort();
}

struct StoredPosition {
    double latitude, longitude, altitude, heading;
};

// Positions to store (radians, radians, metres, radians), chosen by a byte
// of the input: ordinary places, the poles and the date line, values beyond
// the ranges, and numbers that cannot be stored.
const StoredPosition kPositions[] = {
    {0.8527, 0.0405, 35.2, 1.0},
    {-0.5916, 2.6412, -12.345, 6.2779},
    {1.6, -3.2, 0.0, 0.0},
    {-1.5707963267948966, 3.141592653589793, 8848.86, 3.14159},
    {0.19198621771937624, -0.04004, 1e6, -0.5},
    {NAN, 0.1, 0.0, 0.0},
    {0.1, INFINITY, 0.0, 0.0},
    {0.1, 0.1, 3e7, 0.0},
    {0.1, 0.1, 0.0, 1e12},
};

// One second of arc / 100 is 4.8e-8 radians; half of it is the rounding.
bool NearAngle(double a, double b) { return std::fabs(a - b) < 3e-8; }

// Equal, or both not a number.
bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

double Clamp(double v, double limit) { return v > limit ? limit : (v < -limit ? -limit : v); }

void CheckSegment(const OwnedBytes& segment)
{
    if (segment.size > ExifBlock::kSegmentBufferSize || segment.size < 18)
        Broken("segment size out of range");
    const uint8_t* s = segment.data.get();
    static const uint8_t head[] = {0xFF, 0xE1};
    static const uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (std::memcmp(s, head, 2) != 0 || std::memcmp(s + 4, exif, 6) != 0)
        Broken("segment header");
    if (static_cast<size_t>(s[2] * 256 + s[3]) != segment.size - 2)
        Broken("segment length field");
}

// SOI, the segment, a frame header and EOI.
std::string FileAround(const OwnedBytes& segment)
{
    std::string f("\xFF\xD8", 2);
    f.append(reinterpret_cast<const char*>(segment.data.get()), segment.size);
    f.append("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00\xFF\xD9", 15);
    return f;
}

const uint8_t* U8(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

bool ScanSucceeds(const OwnedBytes& file)
{
    MemoryByteSource source(file.data.get(), file.size);
    ExifSegmentScan scan;
    LocateExifSegment(source, &scan);
    return scan.success;
}

void CheckRewriteIsStable(const OwnedBytes& rewritten)
{
    ExifBlock again;
    again.OpenFromBytes(rewritten.data.get(), rewritten.size);
    // A tree written as an empty IFD0 is too short to be parsed again (IFD0
    // needs room for one entry), and then nothing is written.
    if (!again.Root())
        return;
    OwnedBytes second;
    if (again.WriteToBytes(rewritten.data.get(), rewritten.size, &second) != S_OK)
        Broken("a rewritten file cannot be rewritten");
    if (second.size != rewritten.size || std::memcmp(second.data.get(), rewritten.data.get(), second.size) != 0)
        Broken("rewriting a rewritten file changes it");
}

void ParseAndSerialise(const uint8_t* data, size_t size)
{
    ExifBlock block;
    block.OpenFromBytes(data, size);
    double lat, lon, alt, head;
    const HRESULT had = block.ReadPosition(&lat, &lon, &alt, &head);
    (void)block.ReadPosition(nullptr, nullptr, nullptr, nullptr);
    const OwnedBytes segment = block.BuildExifSegment();
    if (!segment.data)
        return;
    CheckSegment(segment);
    const std::string file = FileAround(segment);
    ExifBlock copy;
    copy.OpenFromBytes(U8(file), file.size());
    double lat2, lon2, alt2, head2;
    const HRESULT has = copy.ReadPosition(&lat2, &lon2, &alt2, &head2);
    if (copy.Root() && (has != had || !Same(lat2, lat) || !Same(lon2, lon) || !Same(alt2, alt) || !Same(head2, head)))
        Broken("the position changes when the tree is written");
}

void StoreAndReadBack(const uint8_t* data, size_t size, const StoredPosition& p)
{
    ExifBlock block;
    block.OpenFromBytes(data, size);
    const HRESULT stored = block.StorePosition(p.latitude, p.longitude, p.altitude, p.heading);
    const bool storable = std::isfinite(p.latitude) && std::isfinite(p.longitude) &&
                          std::fabs(p.altitude * 100) < 2147483647.0 &&
                          std::fabs(p.heading * 57.29577951308232) < 2147483647.0;
    if (!storable && (block.IsJpeg() ? stored != E_INVALIDARG : SUCCEEDED(stored)))
        Broken("a number that cannot be stored was accepted");
    if (stored != S_OK)
        return;
    OwnedBytes rewritten;
    if (block.WriteToBytes(data, size, &rewritten) != S_OK)
        return;
    // A file whose marker scan fails (a damaged Exif segment further on, a
    // frame header without height) keeps failing after the new segment is
    // inserted after SOI: the engine reads no position from it, by design.
    if (!ScanSucceeds(rewritten))
        return;
    ExifBlock written;
    written.OpenFromBytes(rewritten.data.get(), rewritten.size);
    double lat, lon, alt, head;
    if (written.ReadPosition(&lat, &lon, &alt, &head) != S_OK)
        Broken("a stored position is not there after the rewrite");
    // The altitude is kept to the centimetre, the heading in whole degrees
    // (the same direction, whether or not it was brought into 0 to 360).
    const double headingDegrees = head * 57.29577951308232;
    const double turn = std::fmod(std::fabs(headingDegrees - p.heading * 57.29577951308232), 360.0);
    if (!NearAngle(lat, Clamp(p.latitude, 1.5707963267948966)) ||
        !NearAngle(lon, Clamp(p.longitude, 3.141592653589793)) || std::fabs(alt - p.altitude) > 0.01 + 1e-6 ||
        std::fabs(headingDegrees - std::round(headingDegrees)) > 1e-6 ||
        std::fmin(turn, 360.0 - turn) > 0.5 + 1e-6)
        Broken("the position read back differs from the one stored");
    CheckRewriteIsStable(rewritten);
}

void RemoveAndRewrite(const uint8_t* data, size_t size)
{
    ExifBlock block;
    block.OpenFromBytes(data, size);
    block.RemovePosition();
    (void)block.BuildExifSegment();
    OwnedBytes rewritten;
    if (block.WriteToBytes(data, size, &rewritten) == S_OK)
        CheckRewriteIsStable(rewritten);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ParseAndSerialise(data, size);
    const size_t choice = size ? data[size / 2] : 0;
    StoreAndReadBack(data, size, kPositions[choice % (sizeof(kPositions) / sizeof(kPositions[0]))]);
    RemoveAndRewrite(data, size);
    return 0;
}

// Half of the mutations are libFuzzer's own, half aim at the JPEG and TIFF
// structure (marker lengths, entry counts, offsets, directory loops, maker
// notes) found by walking the input.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    if (seed % 2 == 0 || size == 0)
        return LLVMFuzzerMutate(data, size, maxSize);
    const vzseed::Bytes input(data, data + size);
    vzseed::Random random(seed);
    std::string what;
    vzseed::Bytes variant = vzseed::Mutate(input, vzseed::MapJpeg(input), random, &what);
    if (variant.size() > maxSize)
        variant.resize(maxSize);
    std::memcpy(data, variant.data(), variant.size());
    return variant.size();
}
