// Seed files for the hostile-input tests of the photo engine: small JPEG
// files built by hand around Exif trees of every shape the engine meets, and
// real photos cut down to the part the engine reads. Portable: used by the
// mutation test under Wine and by the native fuzzer's corpus.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vzseed {

typedef std::vector<uint8_t> Bytes;

struct SeedFile {
    std::string name;
    Bytes bytes;
};

// JPEG files with hand-built Exif segments: both byte orders, both kinds of
// thumbnail, a maker note that is itself a directory, positions stored as
// RATIONAL and SRATIONAL, a segment near the 64 KiB limit, two Exif
// segments, fill bytes, no Exif at all, an Exif segment after the frame
// header, and entries of unknown types.
std::vector<SeedFile> HandBuiltSeeds();

// The photo up to and including its start-of-scan segment, a few bytes of
// image data and EOI: everything the engine reads, without the megabytes of
// image data. A file without SOS is returned whole.
Bytes CutAfterScanStart(const Bytes& photo);

}  // namespace vzseed
