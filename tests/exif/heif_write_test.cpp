// Writing the Exif of HEIF files: every layout of the item tables takes a
// grown Exif (moved to the end), a shrunk one (in its place) and a first one
// (a photo without Exif); the image item keeps its bytes, a second write
// changes nothing. (check_heif_writes.py judges real files written under
// Wine with ExifTool, heif-info and heif-convert.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "exif/exif_block.h"
#include "exif/heif_bytes.h"
#include "exif/heif_scan.h"

using vztest::Bytes;

namespace {

const double kRad = 0.017453292519943295;

Bytes Written(const Bytes& file, ExifBlock& block)
{
    OwnedBytes out;
    EXPECT_EQ(S_OK, block.WriteToBytes(file.data(), file.size(), &out));
    return out.data ? Bytes(out.data.get(), out.data.get() + out.size) : Bytes();
}

// The bytes of the primary image item (the hand-built files' AA BB CC DD).
Bytes PrimaryItem(const Bytes& file)
{
    MemoryByteSource source(file.data(), file.size());
    HeifScan scan;
    OwnedBytes meta, payload;
    LocateHeifExif(source, &scan, &meta, &payload);
    HeifItemPlace place;
    if (!LocateHeifItem(meta.data.get(), meta.size, scan.tables, scan.tables.primary, scan.metaStart,
                        static_cast<uint32_t>(file.size()), &place) || place.extentCount != 1)
        return Bytes();
    return Bytes(file.begin() + place.extents[0].offset, file.begin() + place.extents[0].offset + place.length);
}

// Stores (or removes, with a NaN latitude) a position, writes, and checks
// what every write must give.
Bytes StoreAndCheck(const Bytes& file, double latitude, const std::string& what)
{
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    if (std::isnan(latitude))
        block.RemovePosition();
    else
        EXPECT_EQ(S_OK, block.StorePosition(latitude * kRad, 7 * kRad, 100, 0)) << what;
    const Bytes once = Written(file, block);
    ExifBlock again;
    again.OpenFromBytes(once.data(), once.size());
    double read = 0;
    EXPECT_EQ(std::isnan(latitude) ? E_FAIL : S_OK, again.ReadPosition(&read, nullptr, nullptr, nullptr)) << what;
    if (!std::isnan(latitude))
        EXPECT_NEAR(latitude, read / kRad, 1e-6) << what;
    EXPECT_EQ(PrimaryItem(file), PrimaryItem(once)) << what;
    // (A tree left empty by the removal is written as an IFD0 too short to
    // be read again, and then nothing is written.)
    if (again.Root())
        EXPECT_EQ(once, Written(once, again)) << what << ": a second write changes the file";
    return once;
}

}  // namespace

TEST(HeifWrite, EveryLayoutTakesAGrownAShrunkAndAFirstExif)
{
    std::vector<vztest::NamedLayout> rows = vztest::EveryHeifLayout(vztest::SimpleTiff(true));
    rows.push_back({"no Exif item", {}});
    rows.push_back({"no Exif item, iloc 0 with 8-byte fields", {Bytes(), 0, 8, 8}});
    ASSERT_EQ(PrimaryItem(vztest::Heif(rows[0].layout)), (Bytes{0xAA, 0xBB, 0xCC, 0xDD}));
    for (const vztest::NamedLayout& row : rows) {
        const Bytes grown = StoreAndCheck(vztest::Heif(row.layout), 12.5, row.what);
        EXPECT_GT(grown.size(), vztest::Heif(row.layout).size()) << row.what;
        const Bytes shrunk = StoreAndCheck(grown, NAN, row.what + std::string(", removed"));
        EXPECT_EQ(grown.size(), shrunk.size()) << row.what << ": a smaller Exif stays in its place";
    }
}

TEST(HeifWrite, AnExifThatDescribesAnotherItemIsKeptAndOneIsAdded)
{
    vztest::HeifLayout other{vztest::ExifItem(vztest::SimpleTiff(false))};
    other.describesPrimary = false;
    const Bytes written = StoreAndCheck(vztest::Heif(other), -33.25, "Exif of another item");
    EXPECT_NE(written.end(), std::search(written.begin(), written.end(), other.exif.begin(), other.exif.end()));
}

TEST(HeifWrite, AnAddedIrefIsNotTakenInByAChildThatReachesToTheEndOfMeta)
{
    Bytes file = vztest::Heif({});
    const size_t metaEnd = 24 + vztest::GetU32(file, 24, true);
    const Bytes toTheEnd = {0, 0, 0, 0, 'f', 'r', 'e', 'e'};  // size 0: to the end of meta
    file.insert(file.begin() + metaEnd, toTheEnd.begin(), toTheEnd.end());
    file[27] += 8;
    StoreAndCheck(file, 1.5, "a last child of size 0");
}
