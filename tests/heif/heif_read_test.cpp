// Reading the Exif of HEIF files: every layout of the item tables, hostile
// variants, and files that heif-enc makes from the sample JPEG photos
// (tests/exif/make_heif_samples.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "exif/exif_block.h"
#include "heif/heif_bytes.h"
#include "heif/heif_scan.h"

using vztest::Bytes;

namespace {

const double kLatitude = 0.8;

// TIFF data holding a position, as the engine writes it.
Bytes PositionTiff()
{
    const Bytes jpeg = vztest::Jpeg({vztest::ExifSegment(vztest::SimpleTiff(true))});
    ExifBlock block;
    block.OpenFromBytes(jpeg.data(), jpeg.size());
    EXPECT_EQ(S_OK, block.StorePosition(kLatitude, -1.2, 123.45, 0));
    const OwnedBytes segment = block.BuildExifSegment();
    return Bytes(segment.data.get() + 10, segment.data.get() + segment.size);
}

HRESULT ReadLatitude(const Bytes& file, double* latitude, ExifBlock* block)
{
    block->OpenFromBytes(file.data(), file.size());
    return block->ReadPosition(latitude, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(HeifRead, EveryLayoutOfTheItemTablesGivesThePosition)
{
    for (const vztest::NamedLayout& row : vztest::EveryHeifLayout(PositionTiff())) {
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
        EXPECT_EQ(E_FAIL, ReadLatitude(file, nullptr, &block));
        EXPECT_TRUE(block.IsPhoto() && !block.Root());
    }
}

TEST(HeifRead, HostileTablesAreRefusedAndNeverReadOutside)
{
    const Bytes good = vztest::Heif({vztest::ExifItem(PositionTiff())});
    vztest::HeifLayout tooMany{vztest::ExifItem(PositionTiff())}, badVersion = tooMany, badSize = tooMany;
    tooMany.extents = 65;
    badVersion.ilocVersion = 3;
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

// A file that a killed writer left: complete only when its boxes reach its
// end and every extent and chunk lies inside it; one cut exactly between two
// boxes is not.
TEST(HeifRead, AFileCutBetweenTwoBoxesIsNotComplete)
{
    for (const vztest::NamedLayout& row : vztest::EveryHeifLayout(PositionTiff())) {
        const Bytes file = vztest::Heif(row.layout);
        const size_t metaEnd = 24 + vztest::GetU32(file, 24, true);
        const Bytes cut(file.begin(), file.begin() + metaEnd);
        MemoryByteSource whole(file.data(), file.size()), beforeMdat(cut.data(), cut.size());
        EXPECT_TRUE(IsCompleteHeifFile(whole)) << row.what;
        EXPECT_FALSE(IsCompleteHeifFile(beforeMdat)) << row.what;
    }
}

// heif-enc copies a JPEG's Exif: the HEIF file gives the same tree.
TEST(HeifRead, HeifEncFilesReadAsTheirJpegs)
{
    const char* folder = std::getenv("VZ_HEIF_SAMPLES");
    ASSERT_TRUE(folder) << "VZ_HEIF_SAMPLES names the folder of the HEIF samples";
    for (const std::string name : {"located", "unlocated", "thumbnail"}) {
        std::ifstream jpegFile(folder + ("/" + name) + ".jpg", std::ios::binary);
        std::ifstream heifFile(folder + ("/" + name) + ".heic", std::ios::binary);
        const Bytes jpeg((std::istreambuf_iterator<char>(jpegFile)), std::istreambuf_iterator<char>());
        const Bytes heif((std::istreambuf_iterator<char>(heifFile)), std::istreambuf_iterator<char>());
        ExifBlock fromJpeg, fromHeif;
        fromJpeg.OpenFromBytes(jpeg.data(), jpeg.size());
        fromHeif.OpenFromBytes(heif.data(), heif.size());
        ASSERT_TRUE(fromHeif.IsHeif() && fromHeif.Root()) << name;
        const OwnedBytes a = fromJpeg.BuildExifSegment(), b = fromHeif.BuildExifSegment();
        EXPECT_TRUE(a.size == b.size && std::equal(a.data.get(), a.data.get() + a.size, b.data.get())) << name;
        // The size the image is shown in (ispe) is the JPEG frame's.
        EXPECT_EQ(fromJpeg.FrameWidth(), fromHeif.FrameWidth()) << name;
        EXPECT_EQ(fromJpeg.FrameHeight(), fromHeif.FrameHeight()) << name;
        EXPECT_GT(fromHeif.FrameWidth() * fromHeif.FrameHeight(), 0u) << name;
    }
}
