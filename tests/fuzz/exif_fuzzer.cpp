// libFuzzer target over the byte-level photo engine: a whole JPEG or HEIF
// file in memory goes through the marker scan or the HEIF container's item
// tables, the TIFF parser, the position reader, the position writer and the
// serialiser (which moves maker notes with their offsets), and the
// rewritten file is read back. Besides the sanitizers'
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
#include "fuzz/engine_checks.h"
#include "fuzz/jpeg_mutator.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

using vzseed::TestPosition;

void Broken(const char* promise)
{
    std::fprintf(stderr, "photo engine broke a promise: %s\n", promise);
    std::abort();
}

// One second of arc / 100 is 4.8e-8 radians; half of it is the rounding.
bool NearAngle(double a, double b) { return std::fabs(a - b) < 3e-8; }

// Equal, or both not a number.
bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

double Clamp(double v, double limit) { return v > limit ? limit : (v < -limit ? -limit : v); }

// SOI, the segment, a frame header and EOI.
std::string FileAround(const OwnedBytes& segment)
{
    std::string f("\xFF\xD8", 2);
    f.append(reinterpret_cast<const char*>(segment.data.get()), segment.size);
    f.append("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00\xFF\xD9", 15);
    return f;
}

const uint8_t* U8(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

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
    const std::string problem = vzseed::SegmentProblem(segment);
    if (!problem.empty())
        Broken(problem.c_str());
    const std::string file = FileAround(segment);
    ExifBlock copy;
    copy.OpenFromBytes(U8(file), file.size());
    double lat2, lon2, alt2, head2;
    const HRESULT has = copy.ReadPosition(&lat2, &lon2, &alt2, &head2);
    if (copy.Root() && (has != had || !Same(lat2, lat) || !Same(lon2, lon) || !Same(alt2, alt) || !Same(head2, head)))
        Broken("the position changes when the tree is written");
}

void StoreAndReadBack(const uint8_t* data, size_t size, const TestPosition& p)
{
    ExifBlock block;
    block.OpenFromBytes(data, size);
    const HRESULT stored = block.StorePosition(p.latitude, p.longitude, p.altitude, p.heading);
    const bool storable = vzseed::CanBeStored(p);
    if (!storable && (block.IsPhoto() ? stored != E_INVALIDARG : SUCCEEDED(stored)))
        Broken("a number that cannot be stored was accepted");
    if (stored != S_OK)
        return;
    OwnedBytes rewritten;
    if (block.WriteToBytes(data, size, &rewritten) != S_OK)
        return;
    // A JPEG file whose marker scan fails (a damaged Exif segment further
    // on, a frame header without height) keeps failing after the new
    // segment is inserted after SOI: the engine reads no position from it,
    // by design. A HEIF file always reads back.
    if (!block.IsHeif() && !vzseed::ScanBytes(rewritten.data.get(), rewritten.size).success)
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
    StoreAndReadBack(data, size, vzseed::kTestPositions[choice % vzseed::kTestPositionCount]);
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
