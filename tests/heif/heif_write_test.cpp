// Writing the Exif of HEIF files: every layout of the item tables takes a
// grown Exif (moved to the end), a shrunk one (in its place) and a first one
// (a photo without Exif); the image item keeps its bytes, a second write
// changes nothing. (check_heif_writes.py judges real files written under
// Wine with ExifTool, heif-info and heif-convert.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "exif/exif_block.h"
#include "heif/heif_bytes.h"
#include "heif/heif_location_table.h"
#include "heif/heif_scan.h"

using vztest::Bytes;

namespace {

const double kRad = 0.017453292519943295;

Bytes Written(const Bytes& file, ExifBlock& block)
{
    OwnedBytes out;
    EXPECT_EQ(S_OK, block.WriteToBytes(file.data(), file.size(), &out));
    return out.data ? Bytes(out.data.get(), out.data.get() + out.size) : Bytes();
}

// What a write must keep: the bytes of every item but the Exif item (an
// item in another file: its entry), of every chunk of the movie, and the
// file's last tail bytes.
std::vector<Bytes> Kept(const Bytes& file, size_t tail)
{
    MemoryByteSource source(file.data(), file.size());
    HeifScan scan;
    OwnedBytes meta, payload;
    LocateHeifExif(source, &scan, &meta, &payload);
    HeifLocationTable table;
    std::vector<Bytes> kept{Bytes(file.end() - tail, file.end())};
    if (!scan.isHeif || !table.Read(meta.data.get(), meta.size, scan.tables))
        return kept;
    for (uint32_t i = 0; i < table.ItemCount(); ++i) {
        HeifLocation& item = table.Item(i);
        HeifItemPlace place;
        if (item.id == scan.exifItem)
            continue;
        if (item.dataReference != 0)
            kept.push_back(Bytes(reinterpret_cast<const uint8_t*>(&table.Extent(item.firstExtent)),
                                 reinterpret_cast<const uint8_t*>(&table.Extent(item.firstExtent) + 1)));
        else if (LocateHeifItem(meta.data.get(), meta.size, scan.tables, item.id, scan.metaStart,
                                static_cast<uint32_t>(file.size()), &place))
            for (uint32_t e = 0; e < place.extentCount; ++e)
                kept.emplace_back(file.begin() + place.extents[e].offset,
                                  file.begin() + place.extents[e].offset + place.extents[e].length);
        else
            kept.push_back(Bytes{'?'});
    }
    // The chunk offsets of the hand-built movie (stco, co64: 4-byte chunks).
    for (const char* table : {"stco", "co64"}) {
        const char* name = table;
        auto at = std::search(file.begin(), file.end(), name, name + 4);
        const size_t width = name[1] == 'o' ? 8 : 4;
        for (size_t n = 0, count = at == file.end() ? 0 : vztest::GetU32(file, at - file.begin() + 8, true); n < count; ++n) {
            const size_t field = at - file.begin() + 12 + n * width;
            const size_t offset = vztest::GetU32(file, field + width - 4, true);
            kept.emplace_back(file.begin() + offset, file.begin() + offset + 4);
        }
    }
    return kept;
}

// Stores (or removes, with a NaN latitude) a position, writes, and checks
// what every write must give.
Bytes StoreAndCheck(const Bytes& file, double latitude, const std::string& what, size_t tail = 0)
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
    EXPECT_EQ(Kept(file, tail), Kept(once, tail)) << what;
    // (A tree left empty by the removal is written as an IFD0 too short to
    // be read again, and then nothing is written.)
    if (again.Root())
        EXPECT_EQ(once, Written(once, again)) << what << ": a second write changes the file";
    return once;
}

// The Exif item's bytes.
Bytes ExifOf(const Bytes& file)
{
    MemoryByteSource source(file.data(), file.size());
    HeifScan scan;
    OwnedBytes meta, payload;
    LocateHeifExif(source, &scan, &meta, &payload);
    return payload.data ? Bytes(payload.data.get(), payload.data.get() + payload.size) : Bytes();
}

}  // namespace

TEST(HeifWrite, EveryLayoutTakesAGrownAShrunkAndAFirstExif)
{
    std::vector<vztest::NamedLayout> rows = vztest::EveryHeifLayout(vztest::SimpleTiff(true));
    rows.push_back({"no Exif item", {}});
    rows.push_back({"no Exif item, iloc 0 with 8-byte fields", {Bytes(), 0, 8, 8}});
    vztest::HeifLayout sequence, groups, remote;
    sequence.movie = true;
    sequence.trailer = vztest::MotionPhotoVideo();
    groups.groups = true;
    remote.remoteItem = true;
    rows.push_back({"no Exif item, another item in another file", remote});
    rows.push_back({"no Exif item, a sequence with a video box at the end", sequence});
    rows.push_back({"no Exif item, entity groups", groups});
    // IFD0 with an ImageDescription of 100,000 characters: beyond a JPEG
    // segment, within what an Exif item may hold.
    vztest::TiffBytesBuilder large(false);
    large.Header(8).U16(1).Entry(0x010E, 2, 100000, 26).U32(0).Zeros(100000);
    rows.push_back({"an Exif item beyond 64 KiB", {vztest::ExifItem(large.Get())}});
    ASSERT_EQ(Kept(vztest::Heif(rows[0].layout), 0)[1], (Bytes{0xAA, 0xBB, 0xCC, 0xDD}));
    for (const vztest::NamedLayout& row : rows) {
        const size_t tail = row.layout.trailer.size();
        const Bytes grown = StoreAndCheck(vztest::Heif(row.layout), 12.5, row.what, tail);
        EXPECT_GT(grown.size(), vztest::Heif(row.layout).size()) << row.what;
        const Bytes shrunk = StoreAndCheck(grown, NAN, row.what + std::string(", removed"), tail);
        EXPECT_EQ(grown.size(), shrunk.size()) << row.what << ": a smaller Exif stays in its place";
        // The item with its position in the row's own layout, removed: in
        // its place, unless another item shares the bytes.
        if (row.layout.exif.empty())
            continue;
        vztest::HeifLayout placed = row.layout;
        placed.exif = ExifOf(grown);
        const Bytes original = vztest::Heif(placed);
        const Bytes removed = StoreAndCheck(original, NAN, row.what + std::string(", shrunk in its layout"), tail);
        if (placed.sharedExif)
            EXPECT_GT(removed.size(), original.size()) << row.what << ": moved, the shared bytes kept";
    }
}

// A new item id is none that an entity group or a track uses.
TEST(HeifWrite, AnAddedExifItemTakesAnIdNoGroupOrTrackHas)
{
    vztest::HeifLayout groups, sequence;
    groups.groups = true;
    sequence.movie = true;
    for (const auto& row : {std::make_pair(groups, 3u), std::make_pair(sequence, 9u)}) {
        const Bytes written = StoreAndCheck(vztest::Heif(row.first), 3.5, "an added id");
        MemoryByteSource source(written.data(), written.size());
        HeifScan scan;
        OwnedBytes meta, payload;
        LocateHeifExif(source, &scan, &meta, &payload);
        EXPECT_EQ(row.second, scan.exifItem);
    }
}

// Another Exif item (of another item, or a second one of the primary) is
// kept when it holds no position; with one, storing and removing are
// refused, so that no file carries two positions that disagree.
TEST(HeifWrite, AnotherExifItemWithAPositionRefusesTheWrite)
{
    vztest::HeifLayout other{vztest::ExifItem(vztest::SimpleTiff(false))};
    other.describesPrimary = false;
    const Bytes written = StoreAndCheck(vztest::Heif(other), -33.25, "Exif of another item");
    EXPECT_NE(written.end(), std::search(written.begin(), written.end(), other.exif.begin(), other.exif.end()));

    const Bytes positioned = ExifOf(StoreAndCheck(vztest::Heif({other.exif}), 4.5, "a position"));
    vztest::HeifLayout otherPlaced{positioned}, second{positioned};
    otherPlaced.describesPrimary = false;
    second.sharedExif = true;
    second.sharedType = "Exif";
    for (const vztest::HeifLayout& layout : {otherPlaced, second}) {
        const Bytes file = vztest::Heif(layout);
        for (bool store : {true, false}) {
            ExifBlock block;
            block.OpenFromBytes(file.data(), file.size());
            store ? (void)block.StorePosition(0.1, 0.2, 3, 0) : block.RemovePosition();
            OwnedBytes out;
            EXPECT_EQ(E_FAIL, block.WriteToBytes(file.data(), file.size(), &out)) << store;
        }
    }
}

// An iref without even its version, as the last child of meta: refused,
// and read within bounds (the sanitizers watch).
TEST(HeifWrite, AnEmptyIrefAtTheEndOfMetaIsRefused)
{
    vztest::HeifLayout layout;
    layout.metaTail = vztest::Box("iref", {});
    const Bytes file = vztest::Heif(layout);
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    ASSERT_EQ(S_OK, block.StorePosition(0.1, 0.2, 3, 0));
    OwnedBytes out;
    EXPECT_EQ(E_FAIL, block.WriteToBytes(file.data(), file.size(), &out));
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
