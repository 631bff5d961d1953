// Reading, storing and removing the GPS position of a photo.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"

using namespace vztest;

namespace {

const double kDeg = 0.017453292519943295;

typedef std::pair<int64_t, int64_t> Ratio;

// Numerator and denominator of element i, signed for SRATIONAL.
Ratio RawRational(const IfdEntry* entry, uint32_t i)
{
    const uint8_t* p = entry->ValueBytes(i);
    uint32_t num = 0, den = 0;
    ReadU32(p, 8, 0, entry->BigEndian(), &num);
    ReadU32(p, 8, 4, entry->BigEndian(), &den);
    if (entry->Type() == 10)
        return Ratio(static_cast<int32_t>(num), static_cast<int32_t>(den));
    return Ratio(num, den);
}

std::string Text(const IfdEntry* entry)
{
    std::string text;
    for (uint32_t i = 0; i < entry->Count(); ++i)
        text.push_back(static_cast<char>(entry->ValueBytes(i)[0]));
    return text;
}

class GpsBlock : public testing::Test {
protected:
    // A JPEG file without Exif.
    void OpenPlain()
    {
        Bytes file = Jpeg({JfifSegment()});
        block.OpenFromBytes(file.data(), file.size());
        ASSERT_TRUE(block.IsJpeg());
    }
    // A photo whose GPS directory holds the given entries (tag, type, count,
    // value bytes), in that order.
    void OpenWithGps(const std::vector<std::tuple<uint16_t, uint16_t, uint32_t, Bytes>>& entries, bool be = false)
    {
        TiffBytesBuilder b(be);
        b.Header(8);
        b.U16(1).Entry(0x8825, 4, 1, 26).U32(0);
        const size_t n = entries.size();
        size_t data = 26 + 2 + 12 * n + 4;
        Bytes out;
        b.U16(static_cast<unsigned>(n));
        for (const auto& e : entries) {
            const Bytes& value = std::get<3>(e);
            if (value.size() <= 4) {
                b.EntryBytes(std::get<0>(e), std::get<1>(e), std::get<2>(e), value);
            } else {
                b.Entry(std::get<0>(e), std::get<1>(e), std::get<2>(e), static_cast<uint32_t>(data + out.size()));
                out.insert(out.end(), value.begin(), value.end());
            }
        }
        b.U32(0);
        Bytes tiff = Join({b.Get(), out});
        Bytes file = Jpeg({ExifSegment(tiff)});
        block.OpenFromBytes(file.data(), file.size());
        ASSERT_NE(block.Root(), nullptr);
    }
    const IfdEntry* Gps(uint16_t tag) { return block.Root() ? block.Root()->FindEntry(GpsIfd, tag, true) : nullptr; }
    Bytes Segment()
    {
        OwnedBytes s = block.BuildExifSegment();
        return s.data ? Bytes(s.data.get(), s.data.get() + s.size) : Bytes();
    }

    ExifBlock block;
};

Bytes Rationals(bool be, std::initializer_list<std::pair<uint32_t, uint32_t>> values)
{
    TiffBytesBuilder b(be);
    for (const auto& v : values)
        b.U32(v.first).U32(v.second);
    return b.Get();
}

TEST_F(GpsBlock, StoresDegreesMinutesAndHundredthsOfSeconds)
{
    OpenPlain();
    ASSERT_EQ(block.StorePosition(48.8582 * kDeg, -2.2945 * kDeg, 0, 0), S_OK);
    EXPECT_EQ(Text(Gps(1)), std::string("N\0", 2));
    EXPECT_EQ(Gps(2)->Type(), 5);
    EXPECT_EQ(RawRational(Gps(2), 0), Ratio(48, 1));
    EXPECT_EQ(RawRational(Gps(2), 1), Ratio(51, 1));
    EXPECT_EQ(RawRational(Gps(2), 2), Ratio(2952, 100));
    EXPECT_EQ(Text(Gps(3)), std::string("W\0", 2));
    EXPECT_EQ(RawRational(Gps(4), 0), Ratio(2, 1));
    EXPECT_EQ(RawRational(Gps(4), 1), Ratio(17, 1));
    EXPECT_EQ(RawRational(Gps(4), 2), Ratio(4020, 100));
    double lat, lon;
    ASSERT_EQ(block.ReadPosition(&lat, &lon, nullptr, nullptr), S_OK);
    EXPECT_NEAR(lat / kDeg, 48.8582, 1e-10);
    EXPECT_NEAR(lon / kDeg, -2.2945, 1e-10);
}

TEST_F(GpsBlock, SixtySecondsStayWithoutCarryAndLatitudesAreClamped)
{
    OpenPlain();
    ASSERT_EQ(block.StorePosition(10.9999999 * kDeg, 200 * kDeg, 0, 0), S_OK);
    EXPECT_EQ(RawRational(Gps(2), 0), Ratio(10, 1));
    EXPECT_EQ(RawRational(Gps(2), 1), Ratio(59, 1));
    EXPECT_EQ(RawRational(Gps(2), 2), Ratio(6000, 100));
    EXPECT_EQ(RawRational(Gps(4), 0), Ratio(180, 1));
    ASSERT_EQ(block.StorePosition(95 * kDeg, 0, 0, 0), S_OK);
    EXPECT_EQ(Text(Gps(1)), std::string("N\0", 2));
    EXPECT_EQ(RawRational(Gps(2), 0), Ratio(90, 1));
    EXPECT_EQ(RawRational(Gps(2), 1), Ratio(0, 1));
    EXPECT_EQ(RawRational(Gps(2), 2), Ratio(0, 100));
    EXPECT_EQ(Text(Gps(3)), std::string("E\0", 2));
}

TEST_F(GpsBlock, AltitudeInCentimetresAndHeadingInWholeDegrees)
{
    OpenPlain();
    ASSERT_EQ(block.StorePosition(0, 0, -12.345, 6.2779), S_OK);
    EXPECT_EQ(Gps(6)->Type(), 10);
    EXPECT_EQ(RawRational(Gps(6), 0), Ratio(1234, 100));
    EXPECT_EQ(Gps(5)->GetInteger(0), 1);
    EXPECT_EQ(Gps(15)->Type(), 10);
    EXPECT_EQ(RawRational(Gps(15), 0), Ratio(360, 1));
    EXPECT_EQ(RawRational(Gps(17), 0), Ratio(360, 1));
    double alt, heading;
    ASSERT_EQ(block.ReadPosition(nullptr, nullptr, &alt, &heading), S_OK);
    EXPECT_DOUBLE_EQ(alt, -12.34);
    EXPECT_DOUBLE_EQ(heading, 360 * kDeg);
    // Headings below zero are written as they come, in the signed type.
    ASSERT_EQ(block.StorePosition(0, 0, 0, -kDeg * 90), S_OK);
    EXPECT_EQ(RawRational(Gps(17), 0), Ratio(-90, 1));
}

TEST_F(GpsBlock, ANewGpsDirectoryHoldsNineTagsInAscendingOrder)
{
    OpenPlain();
    ASSERT_EQ(block.StorePosition(0.7, 0.2, 35, 1), S_OK);
    ASSERT_NE(block.Root(), nullptr);
    EXPECT_FALSE(block.Root()->BigEndian());
    ASSERT_EQ(block.Root()->EntryCount(), 1);
    EXPECT_EQ(block.Root()->EntryAt(0)->Tag(), 0x8825);
    const IfdDirectory* gps = block.Root()->EntryAt(0)->SubDirectory();
    std::vector<uint16_t> tags;
    for (int i = 0; i < gps->EntryCount(); ++i)
        tags.push_back(gps->EntryAt(i)->Tag());
    EXPECT_EQ(tags, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5, 6, 15, 17}));
    EXPECT_EQ(Gps(0)->Type(), 1);
    EXPECT_EQ(Gps(0)->Count(), 4u);
    EXPECT_EQ(Gps(0)->GetInteger(1), 2);
    Bytes s = Segment();
    ASSERT_GT(s.size(), 18u);
    EXPECT_EQ(Bytes(s.begin() + 10, s.begin() + 18), (Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}));
}

TEST_F(GpsBlock, ExistingEntriesAreChangedInPlaceAndReferencesRemoved)
{
    OpenWithGps({{0x0010, 2, 2, {'M', 0}}, {0x0004, 5, 3, Rationals(true, {{1, 1}, {2, 1}, {3, 1}})},
                 {0x000E, 2, 2, {'M', 0}}, {0x0012, 2, 7, {'W', 'G', 'S', '-', '8', '4', 0}}},
                true);
    ASSERT_EQ(block.StorePosition(0.1, 0.1, 1, 0.5), S_OK);
    const IfdDirectory* gps = block.Root()->EntryAt(0)->SubDirectory();
    std::vector<uint16_t> tags;
    for (int i = 0; i < gps->EntryCount(); ++i)
        tags.push_back(gps->EntryAt(i)->Tag());
    // GPSLongitude keeps its place; each new tag went before the first
    // higher tag of its time; both references are gone.
    EXPECT_EQ(tags, (std::vector<uint16_t>{0, 1, 2, 3, 5, 6, 15, 4, 17, 0x12}));
    ExifBlock again;
    Bytes file = Jpeg({Segment()});
    again.OpenFromBytes(file.data(), file.size());
    double lat, lon, alt, heading;
    ASSERT_EQ(again.ReadPosition(&lat, &lon, &alt, &heading), S_OK);
    EXPECT_NEAR(lat, 0.1, 1e-7);
    EXPECT_NEAR(lon, 0.1, 1e-7);
    EXPECT_DOUBLE_EQ(alt, 1.0);
    EXPECT_DOUBLE_EQ(heading, 29 * kDeg);
}

TEST_F(GpsBlock, HeadingComesFromImageDirectionThenTrackWhenTrueNorth)
{
    const Bytes lat = Rationals(false, {{10, 1}, {0, 1}, {0, 1}});
    auto position = [&](std::vector<std::tuple<uint16_t, uint16_t, uint32_t, Bytes>> more) {
        std::vector<std::tuple<uint16_t, uint16_t, uint32_t, Bytes>> all = {
            {1, 2, 2, {'N', 0}}, {2, 5, 3, lat}, {3, 2, 2, {'E', 0}}, {4, 5, 3, lat}};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    double heading = -1;
    OpenWithGps(position({{0x10, 2, 2, {'M', 0}}, {0x0F, 5, 1, Rationals(false, {{90, 1}})}}));
    ASSERT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, &heading), S_OK);
    EXPECT_DOUBLE_EQ(heading, 90 * kDeg);

    OpenWithGps(position({{0x0E, 2, 2, {'M', 0}}, {0x0F, 5, 1, Rationals(false, {{90, 1}})},
                          {0x10, 2, 2, {'M', 0}}, {0x11, 5, 1, Rationals(false, {{45, 1}})}}));
    ASSERT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, &heading), S_OK);
    EXPECT_EQ(heading, 0.0);

    OpenWithGps(position({{0x0F, 5, 1, Rationals(false, {{90, 1}})}, {0x10, 2, 2, {'T', 0}},
                          {0x11, 5, 1, Rationals(false, {{45, 2}})}}));
    ASSERT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, &heading), S_OK);
    EXPECT_DOUBLE_EQ(heading, 22.5 * kDeg);
}

TEST_F(GpsBlock, AltitudeSignComesFromItsReference)
{
    const Bytes lat = Rationals(false, {{10, 1}, {0, 1}, {0, 1}});
    std::vector<std::tuple<uint16_t, uint16_t, uint32_t, Bytes>> base = {
        {1, 2, 2, {'S', 0}}, {2, 5, 3, lat}, {3, 2, 2, {'W', 0}}, {4, 5, 3, lat},
        {6, 5, 1, Rationals(false, {{50, 1}})}};
    double latitude, longitude, alt;
    OpenWithGps(base);
    ASSERT_EQ(block.ReadPosition(&latitude, &longitude, &alt, nullptr), S_OK);
    EXPECT_DOUBLE_EQ(alt, 50.0);
    EXPECT_DOUBLE_EQ(latitude, -10 * kDeg);
    EXPECT_DOUBLE_EQ(longitude, -10 * kDeg);
    base.push_back({5, 1, 1, {1}});
    OpenWithGps(base);
    ASSERT_EQ(block.ReadPosition(nullptr, nullptr, &alt, nullptr), S_OK);
    EXPECT_DOUBLE_EQ(alt, -50.0);
}

TEST_F(GpsBlock, SignedRationalCoordinatesReadLikeRationals)
{
    const Bytes lat = Rationals(true, {{60, 1}, {8, 1}, {4820, 100}});
    OpenWithGps({{1, 2, 2, {'N', 0}}, {2, 10, 3, lat}, {3, 2, 2, {'E', 0}}, {4, 10, 3, lat}}, true);
    double latitude = 0, longitude = 0;
    ASSERT_EQ(block.ReadPosition(&latitude, &longitude, nullptr, nullptr), S_OK);
    EXPECT_NEAR(latitude / kDeg, 60 + 8 / 60.0 + 48.2 / 3600, 1e-12);
    EXPECT_NEAR(longitude, latitude, 1e-15);
}

TEST_F(GpsBlock, MissingOrMistypedTagsGiveNoPosition)
{
    const Bytes lat = Rationals(false, {{10, 1}, {0, 1}, {0, 1}});
    double latitude = 7, longitude = 7, alt = 7, heading = 7;
    // Longitude reference missing: E_FAIL, the latitude already read stays.
    OpenWithGps({{1, 2, 2, {'N', 0}}, {2, 5, 3, lat}, {4, 5, 3, lat}});
    EXPECT_EQ(block.ReadPosition(&latitude, &longitude, &alt, &heading), E_FAIL);
    EXPECT_DOUBLE_EQ(latitude, 10 * kDeg);
    EXPECT_EQ(longitude, 0.0);
    EXPECT_EQ(alt, 0.0);
    // A SHORT latitude: the tags are there, but no number comes out.
    OpenWithGps({{1, 2, 2, {'N', 0}}, {2, 3, 1, {10, 0}}, {3, 2, 2, {'E', 0}}, {4, 5, 3, lat}});
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(block.ReadPosition(&latitude, nullptr, nullptr, nullptr), E_FAIL);
    // A reference that is not text.
    OpenWithGps({{1, 1, 1, {'N'}}, {2, 5, 3, lat}, {3, 2, 2, {'E', 0}}, {4, 5, 3, lat}});
    EXPECT_EQ(block.ReadPosition(&latitude, nullptr, nullptr, nullptr), E_FAIL);
    // Entries of count 0 (kept as the photo has them) hold no position.
    OpenWithGps({{1, 2, 0, {}}, {2, 5, 0, {}}, {3, 2, 0, {}}, {4, 5, 0, {}}});
    ASSERT_NE(Gps(2), nullptr);
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);
    // Nor do coordinates of 0/0, as cameras without a fix write them.
    const Bytes undefined = Rationals(false, {{0, 0}, {0, 0}, {0, 0}});
    OpenWithGps({{1, 2, 2, {0, 0}}, {2, 5, 3, undefined}, {3, 2, 2, {0, 0}}, {4, 5, 3, undefined}});
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);
    OpenWithGps({{1, 2, 2, {'N', 0}}, {2, 5, 3, lat}, {3, 2, 2, {'E', 0}}, {4, 5, 3, Rationals(false, {{1, 1}, {0, 0}})}});
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);
    // Nor does an altitude or heading of count 0 beside a position.
    OpenWithGps({{1, 2, 2, {'N', 0}}, {2, 5, 3, lat}, {3, 2, 2, {'E', 0}}, {4, 5, 3, lat}, {5, 1, 0, {}},
                 {6, 5, 0, {}}, {0x10, 2, 0, {}}, {0x11, 5, 1, Rationals(false, {{90, 1}})}});
    EXPECT_EQ(block.ReadPosition(&latitude, &longitude, &alt, &heading), S_OK);
    EXPECT_EQ(alt, 0.0);
    EXPECT_DOUBLE_EQ(heading, 90 * kDeg);
}

TEST_F(GpsBlock, NumbersThatCannotBeStoredLeaveTheTreeUnchanged)
{
    OpenWithGps({{0x12, 2, 7, {'W', 'G', 'S', '-', '8', '4', 0}}});
    const Bytes before = Segment();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(block.StorePosition(nan, 0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(block.StorePosition(0, inf, 0, 0), E_INVALIDARG);
    EXPECT_EQ(block.StorePosition(0, 0, -inf, 0), E_INVALIDARG);
    EXPECT_EQ(block.StorePosition(0, 0, 0, nan), E_INVALIDARG);
    EXPECT_EQ(block.StorePosition(0, 0, 21474836.49, 0), E_INVALIDARG);  // above 2^31 - 1 cm
    EXPECT_EQ(block.StorePosition(0, 0, -21474836.49, 0), E_INVALIDARG);
    EXPECT_EQ(block.StorePosition(0, 0, 0, 4e7), E_INVALIDARG);         // ~2.3e9 degrees
    EXPECT_EQ(Segment(), before);
    EXPECT_EQ(block.SetCoordinate(GpsIfd, 1, 2, nan, false), E_INVALIDARG);
    EXPECT_EQ(Segment(), before);

    EXPECT_EQ(block.StorePosition(0, 0, 21474836.475, 0), S_OK);  // 2^31 - 1 cm fits
    EXPECT_EQ(RawRational(Gps(6), 0), Ratio(2147483647, 100));

    ExifBlock plain;
    Bytes file = Jpeg({});
    plain.OpenFromBytes(file.data(), file.size());
    EXPECT_EQ(plain.StorePosition(inf, 0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(plain.Root(), nullptr);
}

TEST_F(GpsBlock, AFileThatIsNoJpegRefusesEveryChange)
{
    const Bytes notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    block.OpenFromBytes(notJpeg.data(), notJpeg.size());
    EXPECT_FALSE(block.IsJpeg());
    double lat = 5;
    EXPECT_EQ(block.ReadPosition(&lat, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_EQ(lat, 0.0);
    EXPECT_EQ(block.StorePosition(0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(block.SetCoordinate(GpsIfd, 1, 2, 0, false), E_FAIL);
    EXPECT_EQ(block.SetTextTag(GpsIfd, 0x12, L"x"), E_FAIL);
    EXPECT_EQ(block.GetOrCreateEntry(GpsIfd, 1), nullptr);
    block.RemovePosition();
    EXPECT_EQ(block.Root(), nullptr);
    EXPECT_EQ(block.BuildExifSegment().size, 0u);
    OwnedBytes out;
    EXPECT_EQ(block.WriteToBytes(notJpeg.data(), notJpeg.size(), &out), E_FAIL);
}

TEST_F(GpsBlock, RemovingTextWithoutATreeHasNothingToDo)
{
    OpenPlain();
    EXPECT_EQ(block.SetTextTag(GpsIfd, 1, L""), S_FALSE);
    EXPECT_EQ(block.SetTextTag(GpsIfd, 1, nullptr), S_FALSE);
    EXPECT_EQ(block.Root(), nullptr);
    ASSERT_EQ(block.SetTextTag(GpsIfd, 0x12, L"WGS-84"), S_OK);
    EXPECT_EQ(block.SetTextTag(GpsIfd, 0x12, L""), S_OK);
    EXPECT_EQ(block.SetTextTag(GpsIfd, 0x12, L""), E_FAIL);  // nothing left to remove
}

// Damaged files repeat tags (a fuzzer found one whose second
// GPSImgDirectionRef "M" hid the stored heading after the rewrite).
TEST_F(GpsBlock, RepeatedPositionTagsLeaveNoStaleCopy)
{
    const Bytes ten = Rationals(false, {{10, 1}, {0, 1}, {0, 1}});
    const Bytes twenty = Rationals(false, {{20, 1}, {0, 1}, {0, 1}});
    const std::vector<std::tuple<uint16_t, uint16_t, uint32_t, Bytes>> repeated = {
        {1, 2, 2, {'N', 0}}, {2, 5, 3, ten}, {3, 2, 2, {'E', 0}}, {4, 5, 3, ten},
        {0x10, 2, 2, {'M', 0}}, {0x10, 2, 2, {'M', 0}}, {0x0E, 2, 2, {'M', 0}}, {0x0E, 2, 2, {'M', 0}},
        {2, 5, 3, twenty}, {0x12, 2, 2, {'x', 0}}, {0x12, 2, 2, {'y', 0}}};

    OpenWithGps(repeated);
    ASSERT_EQ(block.StorePosition(0.5, -0.25, 3, 0.5), S_OK);
    Bytes file = Jpeg({Segment()});
    ExifBlock written;
    written.OpenFromBytes(file.data(), file.size());
    const IfdDirectory* gps = written.Root()->EntryAt(0)->SubDirectory();
    std::vector<uint16_t> tags;
    for (int i = 0; i < gps->EntryCount(); ++i)
        tags.push_back(gps->EntryAt(i)->Tag());
    // One copy of each position tag, at the first copy's place; tags that
    // are no part of the position stay as they were, repeats included.
    EXPECT_EQ(tags, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5, 6, 15, 17, 0x12, 0x12}));
    double lat, lon, alt, heading;
    ASSERT_EQ(written.ReadPosition(&lat, &lon, &alt, &heading), S_OK);
    EXPECT_NEAR(lat, 0.5, 1e-7);
    EXPECT_NEAR(lon, -0.25, 1e-7);
    EXPECT_DOUBLE_EQ(alt, 3.0);
    EXPECT_DOUBLE_EQ(heading, 29 * kDeg);

    OpenWithGps(repeated);
    block.RemovePosition();
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_EQ(Gps(2), nullptr);
    EXPECT_EQ(Gps(0x10), nullptr);
    ASSERT_NE(Gps(0x12), nullptr);
}

}  // namespace
