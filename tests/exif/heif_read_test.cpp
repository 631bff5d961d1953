// Reading the Exif of HEIF files: hand-built layouts of the item tables
// (each a row), hostile variants, and files made by heif-enc from the sample
// JPEG photos and changed by ExifTool (tests/exif/make_heif_samples.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "exif/exif_block.h"
#include "exif/heif_bytes.h"

using vztest::Bytes;

namespace {

const double kLatitude = 0.8, kLongitude = -1.2, kAltitude = 123.45;

// TIFF data holding kLatitude, kLongitude, kAltitude, as the engine writes it.
Bytes PositionTiff()
{
    const Bytes jpeg = vztest::Jpeg({vztest::ExifSegment(vztest::SimpleTiff(true))});
    ExifBlock block;
    block.OpenFromBytes(jpeg.data(), jpeg.size());
    EXPECT_EQ(S_OK, block.StorePosition(kLatitude, kLongitude, kAltitude, 0));
    const OwnedBytes segment = block.BuildExifSegment();
    return Bytes(segment.data.get() + 10, segment.data.get() + segment.size);
}

// S_OK and the position when the block reads one.
HRESULT ReadLatitude(const Bytes& file, double* latitude, ExifBlock* block)
{
    block->OpenFromBytes(file.data(), file.size());
    return block->ReadPosition(latitude, nullptr, nullptr, nullptr);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(HeifRead, EveryLayoutOfTheItemTablesGivesThePosition)
{
    const Bytes tiff = PositionTiff();
    const Bytes item = vztest::ExifItem(tiff);
    const Bytes prefix = {'E', 'x', 'i', 'f', 0, 0};
    struct Row { const char* what; vztest::HeifLayout layout; } rows[] = {
        {"iloc 1, 4-byte fields, in the file", {item}},
        {"iloc 0", {item, 0}},
        {"iloc 2, infe 3, iref 1: 32-bit ids", {item, 2, 4, 4, 0, 0, 1, 3, 1}},
        {"8-byte offsets and lengths", {item, 1, 8, 8}},
        {"a base offset", {item, 1, 4, 4, 4}},
        {"three extents", {item, 1, 4, 4, 0, 0, 3}},
        {"in idat", {item, 1, 4, 4, 0, 1}},
        {"in idat, no offset, length 0: all of idat", {item, 1, 0, 0, 0, 1}},
        {"offset 0: the TIFF header at once", {vztest::Join({Bytes(4, 0), tiff})}},
        {"an Exif prefix instead of the offset", {vztest::Join({prefix, tiff})}},
        {"an APP1 prefix", {vztest::ExifSegment(tiff)}},
    };
    for (const Row& row : rows) {
        ExifBlock block;
        double latitude = 0;
        EXPECT_EQ(S_OK, ReadLatitude(vztest::Heif(row.layout), &latitude, &block)) << row.what;
        EXPECT_TRUE(block.IsHeif() && block.IsPhoto() && !block.IsJpeg()) << row.what;
        EXPECT_NEAR(kLatitude, latitude, 1e-7) << row.what;
    }
}

TEST(HeifRead, OnlyTheExifOfThePrimaryImageCounts)
{
    vztest::HeifLayout other{vztest::ExifItem(PositionTiff())};
    other.describesPrimary = false;
    for (const Bytes& file : {vztest::Heif(other), vztest::Heif({})}) {
        ExifBlock block;
        double latitude = 1;
        EXPECT_EQ(E_FAIL, ReadLatitude(file, &latitude, &block));
        EXPECT_TRUE(block.IsPhoto() && !block.Root());
    }
}

TEST(HeifRead, HostileTablesAreRefusedAndNeverReadOutside)
{
    const Bytes good = vztest::Heif({vztest::ExifItem(PositionTiff())});
    vztest::HeifLayout tooMany{vztest::ExifItem(PositionTiff())};
    tooMany.extents = 65;
    vztest::HeifLayout badVersion = tooMany;
    badVersion.extents = 1;
    badVersion.ilocVersion = 3;
    vztest::HeifLayout badSize = badVersion;
    badSize.ilocVersion = 1;
    badSize.offsetSize = 2;
    for (const Bytes& file : {vztest::Heif(tooMany), vztest::Heif(badVersion), vztest::Heif(badSize)}) {
        ExifBlock block;
        EXPECT_EQ(E_FAIL, ReadLatitude(file, nullptr, &block));
    }
    // Every cut and every byte of the tables set to 0xFF: a position is
    // read from the untouched Exif or none; the sanitizers watch the reads.
    const size_t metaEnd = 24 + vztest::GetU32(good, 24, true);
    for (size_t at = 0; at < good.size(); ++at) {
        Bytes cut(good.begin(), good.begin() + at), changed = good;
        changed[at] = at < metaEnd ? 0xFF : changed[at];
        for (const Bytes& file : {cut, changed}) {
            ExifBlock block;
            double latitude = 0;
            if (ReadLatitude(file, &latitude, &block) == S_OK)
                EXPECT_NEAR(kLatitude, latitude, 1e-7) << "byte " << at;
        }
    }
}

// The samples: name.jpg beside name.heic made from it (same Exif), and
// ExifTool's changes of them.
TEST(HeifRead, HeifEncFilesReadAsTheirJpegs)
{
    const char* folder = std::getenv("VZ_HEIF_SAMPLES");
    ASSERT_TRUE(folder) << "VZ_HEIF_SAMPLES names the folder of the HEIF samples";
    const std::string dir = std::string(folder) + "/";
    for (const char* name : {"iphone", "ixus", "thumbnail"}) {
        const Bytes jpeg = ReadFile(dir + name + ".jpg"), heif = ReadFile(dir + name + ".heic");
        ExifBlock fromJpeg, fromHeif;
        fromJpeg.OpenFromBytes(jpeg.data(), jpeg.size());
        fromHeif.OpenFromBytes(heif.data(), heif.size());
        ASSERT_TRUE(fromHeif.IsHeif() && fromHeif.Root()) << name;
        const OwnedBytes a = fromJpeg.BuildExifSegment(), b = fromHeif.BuildExifSegment();
        EXPECT_TRUE(a.size == b.size && std::equal(a.data.get(), a.data.get() + a.size, b.data.get())) << name;
    }
    ExifBlock block;
    double position[4];
    EXPECT_EQ(S_OK, ReadLatitude(ReadFile(dir + "iphone.heic"), position, &block));
    EXPECT_EQ(S_OK, block.ReadPosition(&position[0], &position[1], &position[2], &position[3]));
    EXPECT_NEAR(59.332547, position[0] * 57.29577951308232, 1e-6);  // ExifTool: 59 deg 19' 57.17"
    // ExifTool's GPS written into ixus.heic: 45.5 N, 73.25 W, 12.5 m.
    EXPECT_EQ(S_OK, ReadLatitude(ReadFile(dir + "placed.heic"), position, &block));
    EXPECT_EQ(S_OK, block.ReadPosition(&position[0], &position[1], &position[2], &position[3]));
    EXPECT_NEAR(45.5, position[0] * 57.29577951308232, 1e-9);
    EXPECT_NEAR(-73.25, position[1] * 57.29577951308232, 1e-9);
    EXPECT_NEAR(12.5, position[2], 1e-9);
    // ExifTool's removal of the GPS tags, and a photo without Exif.
    EXPECT_EQ(E_FAIL, ReadLatitude(ReadFile(dir + "stripped.heic"), nullptr, &block));
    EXPECT_TRUE(block.IsHeif() && block.Root());
    EXPECT_EQ(E_FAIL, ReadLatitude(ReadFile(dir + "noexif.heic"), nullptr, &block));
    EXPECT_TRUE(block.IsHeif() && !block.Root());
}
