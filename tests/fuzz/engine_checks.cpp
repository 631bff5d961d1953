#include "fuzz/engine_checks.h"

#include <cmath>

namespace vzseed {

const TestPosition kTestPositions[kTestPositionCount] = {
    {0.8527, 0.0405, 35.2, 1.0},
    {-0.5916, 2.6412, -12.345, 6.2779},
    {1.6, -3.2, 0.0, 0.0},
    {-1.5707963267948966, 3.141592653589793, 8848.86, 3.14159},
    {NAN, 0.1, 0.0, 0.0},
    {0.1, 0.1, 3e7, 0.0},
    {0.19198621771937624, -0.04004, 1e6, -0.5},
    {0.1, INFINITY, 0.0, 0.0},
    {0.1, 0.1, 0.0, 1e12},
};

bool CanBeStored(const TestPosition& p)
{
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::fabs(p.altitude * 100) < 2147483647.0 &&
           std::fabs(p.heading * 57.29577951308232) < 2147483647.0;
}

std::string SegmentProblem(const OwnedBytes& segment)
{
    if (!segment.data)
        return segment.size == 0 ? "" : "no segment but a size";
    const uint8_t* s = segment.data.get();
    if (segment.size < 18 || segment.size > ExifBlock::kSegmentBufferSize)
        return "segment size " + std::to_string(segment.size);
    if (s[0] != 0xFF || s[1] != 0xE1 || std::string(reinterpret_cast<const char*>(s + 4), 6) != std::string("Exif\0\0", 6))
        return "segment header";
    if (static_cast<size_t>(s[2] * 256 + s[3]) != segment.size - 2)
        return "segment length field";
    return "";
}

ExifSegmentScan ScanBytes(const uint8_t* data, size_t size)
{
    MemoryByteSource source(data, size);
    ExifSegmentScan scan;
    LocateExifSegment(source, &scan);
    return scan;
}

}  // namespace vzseed
