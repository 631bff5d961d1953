// Raw files built here with chosen times, positions, sizes and previews,
// read through the public reader: one row per format and case.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "raw/raw_bytes.h"
#include "raw/raw_photo.h"

namespace {

const double kDeg = 0.017453292519943295;

std::string Narrow(const wchar_t* name)
{
    std::string out;
    for (; *name; ++name)
        out += *name < 128 ? static_cast<char>(*name) : '?';
    return out;
}
const Bytes kJpegPreview = BuildJpeg({});

// The Exif IFD of a capture time; the GPS IFD of 48 51' 29.88" N,
// 2 17' 40.2" W, 35.5 m below or above sea level.
TiffDir ExifDir(bool big, const char* time, const char* subSec, const char* offset)
{
    TiffDir exif(big);
    exif.Ascii(0x9003, time);
    if (subSec)
        exif.Ascii(0x9291, subSec);
    if (offset)
        exif.Ascii(0x9011, offset);
    return exif;
}

TiffDir GpsDir(bool big, bool below)
{
    TiffDir gps(big);
    gps.Ascii(1, "N").Rationals(2, {48, 1, 51, 1, 2988, 100});
    gps.Ascii(3, "W").Rationals(4, {2, 1, 17, 1, 402, 10});
    gps.Short(5, below ? 1 : 0).Rationals(6, {355, 10});
    return gps;
}

struct Expect {
    bool photo;
    const char* time;
    const char* subSec;
    const char* offset;
    uint32_t width, height;
    bool position;
    bool preview;  // a JPEG preview found
};

struct Row {
    const wchar_t* name;
    std::function<Bytes()> build;
    Expect expect;
};

// A TIFF-based raw: IFD0 a reduced preview (JPEG named by 0x201), a SubIFD
// with the full image, Exif and GPS.
Bytes TiffRaw(bool big, uint16_t magic, const Bytes& marker, bool dngVersion, bool gps)
{
    TiffDir exif = ExifDir(big, "2024:05:01 12:30:00", "25", "+02:00");
    TiffDir gpsDir = GpsDir(big, true);
    TiffDir full(big);
    full.Long(0xFE, 0).Long(0x100, 6048).Long(0x101, 4024).Short(0x103, 7);
    TiffDir ifd0(big);
    ifd0.Long(0xFE, 1).Short(0x100, 160).Short(0x101, 120).Ascii(0x10F, "Maker");
    ifd0.Pointer(0x14A, full).Pointer(0x8769, exif);
    if (gps)
        ifd0.Pointer(0x8825, gpsDir);
    if (dngVersion)
        ifd0.Undefined(0xC612, {1, 4, 0, 0});
    ifd0.Blob(0x201, 0x202, kJpegPreview);
    return BuildTiff(ifd0, magic, marker);
}

Bytes Cr2()
{
    TiffDir exif = ExifDir(false, "2005:08:03 18:59:18", nullptr, nullptr);
    exif.Short(0xA002, 3456).Short(0xA003, 2304);
    TiffDir ifd0(false);
    ifd0.Short(0x100, 1536).Short(0x101, 1024).Short(0x103, 6).Pointer(0x8769, exif);
    return BuildTiff(ifd0, 42, {'C', 'R', 2, 0, 0, 0, 0, 0});
}

Bytes Rw2(uint16_t magic)
{
    TiffDir exif = ExifDir(false, "2008:08:06 15:21:56", "5", nullptr);
    exif.Short(0xA002, 1920).Short(0xA003, 1440);
    TiffDir ifd0(false);
    ifd0.Short(4, 6).Short(5, 8).Short(6, 2742).Short(7, 3656).Undefined(0x2E, kJpegPreview);
    ifd0.Pointer(0x8769, exif);
    return BuildTiff(ifd0, magic);
}

Bytes Cr3(bool withGps)
{
    TiffDir ifd0(false);
    ifd0.Short(0x100, 6000).Short(0x101, 4000).Ascii(0x10F, "Canon");
    TiffDir exif = ExifDir(false, "2018:02:21 12:08:56", "21", "-05:00");
    TiffDir gps = GpsDir(false, false);
    return BuildCr3(BuildTiff(ifd0), BuildTiff(exif), withGps ? BuildTiff(gps) : Bytes(), kJpegPreview);
}

Bytes Raf()
{
    TiffDir exif = ExifDir(true, "2007:05:22 13:58:30", nullptr, "+09:00");
    TiffDir gps = GpsDir(true, false);
    TiffDir ifd0(true);
    ifd0.Ascii(0x10F, "FUJIFILM").Pointer(0x8769, exif).Pointer(0x8825, gps);
    return BuildRaf(BuildJpeg(BuildTiff(ifd0)), 4256, 2848);
}

Bytes Mrw()
{
    TiffDir exif = ExifDir(true, "2004:11:18 23:14:58", nullptr, nullptr);
    TiffDir ifd0(true);
    ifd0.Long(0x100, 3264).Long(0x101, 2448).Pointer(0x8769, exif);
    return BuildMrw(BuildTiff(ifd0), 3264, 2448);
}

Bytes Nef()
{
    return TiffRaw(false, 42, {}, false, true);
}

const Expect kFull = {true, "2024:05:01 12:30:00", "25", "+02:00", 6048, 4024, true, true};
const Expect kNoPhoto = {false, "", "", "", 0, 0, false, false};

const Row kRows[] = {
    {L"a.dng", [] { return TiffRaw(true, 42, {}, true, true); }, kFull},
    {L"C:\\Photos\\b.DNG", [] { return TiffRaw(false, 42, {}, true, false); },
     {true, "2024:05:01 12:30:00", "25", "+02:00", 6048, 4024, false, true}},
    // A TIFF file without DNGVersion is no DNG.
    {L"c.dng", [] { return TiffRaw(false, 42, {}, false, true); }, kNoPhoto},
    {L"d.nef", Nef, kFull},
    {L"d.NRW", Nef, kFull},
    {L"d.arw", Nef, kFull},
    {L"d.sr2", Nef, kFull},
    {L"d.srf", Nef, kFull},
    {L"d.pef", Nef, kFull},
    {L"d.srw", Nef, kFull},
    {L"d.erf", Nef, kFull},
    {L"d.3fr", Nef, kFull},
    {L"d.mos", Nef, kFull},
    {L"d.mef", Nef, kFull},
    {L"d.dcr", Nef, kFull},
    {L"d.kdc", Nef, kFull},
    {L"e.iiq", [] { return TiffRaw(false, 42, {'I', 'I', 'I', 'I'}, false, true); },
     {true, "2024:05:01 12:30:00", "25", "+02:00", 6048, 4024, true, true}},
    {L"e2.iiq", Nef, kNoPhoto},
    {L"f.cr2", Cr2, {true, "2005:08:03 18:59:18", "", "", 3456, 2304, false, false}},
    {L"f2.cr2", Nef, kNoPhoto},
    {L"g.orf", [] { return TiffRaw(false, 0x4F52, {}, false, true); }, kFull},
    {L"g2.orf", [] { return TiffRaw(false, 0x5352, {}, false, true); }, kFull},
    {L"g3.orf", [] { return TiffRaw(true, 0x4F52, {}, false, true); }, kFull},
    {L"g4.orf", Nef, kNoPhoto},
    {L"h.rw2", [] { return Rw2(0x55); }, {true, "2008:08:06 15:21:56", "5", "", 3648, 2736, false, true}},
    {L"h2.rw2", [] { return Rw2(42); }, kNoPhoto},
    {L"h3.nef", [] { return Rw2(0x55); }, kNoPhoto},
    {L"i.cr3", [] { return Cr3(true); }, {true, "2018:02:21 12:08:56", "21", "-05:00", 6000, 4000, true, true}},
    {L"i2.cr3", [] { return Cr3(false); }, {true, "2018:02:21 12:08:56", "21", "-05:00", 6000, 4000, false, true}},
    {L"i3.cr3", Nef, kNoPhoto},
    {L"j.raf", Raf, {true, "2007:05:22 13:58:30", "", "+09:00", 4256, 2848, true, true}},
    {L"j2.raf", Nef, kNoPhoto},
    {L"k.mrw", Mrw, {true, "2004:11:18 23:14:58", "", "", 3264, 2448, false, false}},
    {L"k2.mrw", Raf, kNoPhoto},
    // A JPEG photo under a raw name.
    {L"l.nef", [] { return BuildJpeg(BuildTiff(ExifDir(false, "2020:01:01 00:00:00", nullptr, nullptr))); },
     kNoPhoto},
    {L"l.cr3", [] { return BuildJpeg({}); }, kNoPhoto},
};

TEST(RawRead, EveryRowReadsAsItsFormat)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(Narrow(row.name));
        const RawFormat* format = FindRawFormat(row.name);
        ASSERT_NE(format, nullptr);
        Bytes file = row.build();
        MemoryByteSource source(file.data(), file.size());
        RawPhoto photo;
        HRESULT hr = ReadRawPhoto(source, *format, &photo);
        const Expect& e = row.expect;
        EXPECT_EQ(hr, e.photo ? S_OK : E_FAIL);
        EXPECT_EQ(photo.format, format);
        EXPECT_STREQ(photo.dateTimeOriginal, e.time);
        EXPECT_STREQ(photo.subSecTimeOriginal, e.subSec);
        EXPECT_STREQ(photo.offsetTimeOriginal, e.offset);
        EXPECT_EQ(photo.frameWidth, e.width);
        EXPECT_EQ(photo.frameHeight, e.height);
        EXPECT_EQ(photo.hasPosition, e.position);
        if (e.position) {
            EXPECT_NEAR(photo.latitude / kDeg, 48 + 51 / 60.0 + 29.88 / 3600, 1e-9);
            EXPECT_NEAR(photo.longitude / kDeg, -(2 + 17 / 60.0 + 40.2 / 3600), 1e-9);
            EXPECT_TRUE(photo.hasAltitude);
            EXPECT_NEAR(std::fabs(photo.altitude), 35.5, 1e-9);
        }
        EXPECT_EQ(photo.previewIsJpeg, e.preview);
        if (e.preview) {
            // The whole JPEG: from its SOI to its EOI (a RAF's preview is
            // the embedded JPEG that also holds the Exif).
            ASSERT_GE(photo.previewLength, kJpegPreview.size());
            ASSERT_LE(photo.previewOffset + photo.previewLength, file.size());
            const uint8_t* jpeg = file.data() + photo.previewOffset;
            EXPECT_EQ(jpeg[0], 0xFF);
            EXPECT_EQ(jpeg[1], 0xD8);
            EXPECT_EQ(jpeg[photo.previewLength - 2], 0xFF);
            EXPECT_EQ(jpeg[photo.previewLength - 1], 0xD9);
        }
    }
}

TEST(RawRead, AltitudeBelowSeaLevelIsNegative)
{
    Bytes file = TiffRaw(false, 42, {}, true, true);
    MemoryByteSource source(file.data(), file.size());
    RawPhoto photo;
    ASSERT_EQ(ReadRawPhoto(source, *FindRawFormat(L"x.dng"), &photo), S_OK);
    EXPECT_DOUBLE_EQ(photo.altitude, -35.5);
}

TEST(RawRead, ExtensionsNameFormatsInAnyCaseAndNothingElse)
{
    size_t count = 0;
    const RawFormat* table = RawFormatTable(&count);
    EXPECT_EQ(count, 21u);
    EXPECT_STREQ(FindRawFormat(L"C:\\a.b\\IMG_1.Cr2")->name, "CR2");
    EXPECT_STREQ(FindRawFormat(L"x.3FR")->name, "3FR");
    for (const wchar_t* name : {L"a.jpg", L"a.heic", L"a.tif", L"cr2", L"a.cr2\\b", L"a.cr2x", L"a.", L"",
                                L"a.\u0130iq"})
        EXPECT_EQ(FindRawFormat(name), nullptr) << Narrow(name);
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(FindRawFormat((std::wstring(L"a.") + table[i].extension).c_str()), &table[i]);
}

// Every cut of every row's file reads without a fault (the sanitizers of
// the native build watch), and a cut inside the header is no photo.
TEST(RawRead, CutFilesNeverFault)
{
    for (const Row& row : kRows) {
        const RawFormat* format = FindRawFormat(row.name);
        Bytes file = row.build();
        for (size_t cut = 0; cut < file.size(); ++cut) {
            Bytes part(file.begin(), file.begin() + cut);
            MemoryByteSource source(part.data(), part.size());
            RawPhoto photo;
            HRESULT hr = ReadRawPhoto(source, *format, &photo);
            if (cut < 8) {
                EXPECT_EQ(hr, E_FAIL);
            }
            EXPECT_LE(photo.previewOffset + static_cast<uint64_t>(photo.previewLength), cut);
        }
    }
}

// Directories that point at themselves or each other end the walk.
TEST(RawRead, DirectoryLoopsEnd)
{
    TiffDir ifd0(false);
    ifd0.Long(0x100, 100).Long(0x101, 50);
    Bytes file = BuildTiff(ifd0);
    // IFD0's link points back at IFD0, its SubIFD too.
    uint32_t first = file[4] | file[5] << 8;
    size_t link = first + 2 + 2 * 12;
    file[link] = file[4];
    file[link + 1] = file[5];
    MemoryByteSource source(file.data(), file.size());
    RawPhoto photo;
    EXPECT_EQ(ReadRawPhoto(source, *FindRawFormat(L"a.nef"), &photo), S_OK);
    EXPECT_EQ(photo.frameWidth, 100u);
}

}  // namespace
