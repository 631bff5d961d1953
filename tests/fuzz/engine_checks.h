// What the fuzzer and the mutation test both check of the photo engine, and
// the positions they store.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "exif/exif_block.h"

namespace vzseed {

struct TestPosition {
    double latitude, longitude, altitude, heading;  // radians, radians, metres, radians
};

// Positions to store: first ordinary places, values beyond the ranges, and
// numbers that cannot be stored (kCommonPositions of them, which the
// mutation test takes in turn), then the date line and more numbers that
// cannot be stored.
extern const TestPosition kTestPositions[];
const size_t kCommonPositions = 6;
const size_t kTestPositionCount = 9;

// True when the engine can store the position (finite angles, an altitude
// in centimetres and a heading in degrees that fit 32 bits).
bool CanBeStored(const TestPosition& p);

// Checks a segment built from a tree: the APP1 Exif header, a length field
// that matches, at most 64 KiB. Empty when fine, else what is wrong.
std::string SegmentProblem(const OwnedBytes& segment);

// What the marker scan reports for a file in memory.
ExifSegmentScan ScanBytes(const uint8_t* data, size_t size);

}  // namespace vzseed
