// Writes raw files built here (a TIFF-based raw with Exif, GPS, a SubIFD
// and a preview in both byte orders, ORF and RW2 magics, CR3, RAF, MRW)
// into a folder, as seeds of the raw fuzzer.
#include <cstdio>
#include <string>

#include "raw/raw_bytes.h"

namespace {

bool Write(const std::string& folder, const char* name, const Bytes& bytes)
{
    std::FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

Bytes TiffRaw(bool big, uint16_t magic)
{
    TiffDir exif(big);
    exif.Ascii(0x9003, "2024:05:01 12:30:00").Ascii(0x9291, "25").Ascii(0x9011, "+02:00");
    exif.Short(0xA002, 6000).Short(0xA003, 4000);
    TiffDir gps(big);
    gps.Ascii(1, "S").Rationals(2, {33, 1, 51, 1, 2448, 100}).Ascii(3, "E").Rationals(4, {151, 1, 12, 1, 5508, 100});
    gps.Short(5, 1).Rationals(6, {123, 10});
    TiffDir full(big);
    full.Long(0xFE, 0).Long(0x100, 6048).Long(0x101, 4024).Short(0x103, 7);
    TiffDir ifd0(big);
    ifd0.Long(0xFE, 1).Short(0x100, 160).Short(0x101, 120).Short(0x103, 6).Short(4, 6).Short(5, 8).Short(6, 100);
    ifd0.Short(7, 200).Undefined(0xC612, {1, 4, 0, 0}).Pointer(0x14A, full).Pointer(0x8769, exif);
    ifd0.Pointer(0x8825, gps).Blob(0x201, 0x202, BuildJpeg({}));
    return BuildTiff(ifd0, magic);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_raw_seeds FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    TiffDir ifd0(false);
    ifd0.Short(0x100, 6000).Short(0x101, 4000);
    TiffDir exif(false);
    exif.Ascii(0x9003, "2018:02:21 12:08:56").Ascii(0x9291, "21");
    TiffDir gps(false);
    gps.Ascii(1, "N").Rationals(2, {48, 1, 51, 1, 0, 1}).Ascii(3, "W").Rationals(4, {2, 1, 17, 1, 0, 1});
    TiffDir rafIfd0(true);
    rafIfd0.Pointer(0x8769, exif);
    bool ok = Write(folder, "built-le.nef", TiffRaw(false, 42)) && Write(folder, "built-be.dng", TiffRaw(true, 42)) &&
              Write(folder, "built.orf", TiffRaw(false, 0x4F52)) && Write(folder, "built.rw2", TiffRaw(false, 0x55)) &&
              Write(folder, "built.cr2", TiffRaw(false, 42)) &&
              Write(folder, "built.cr3", BuildCr3(BuildTiff(ifd0), BuildTiff(exif), BuildTiff(gps), BuildJpeg({}))) &&
              Write(folder, "built.raf", BuildRaf(BuildJpeg(BuildTiff(rafIfd0)), 4256, 2848)) &&
              Write(folder, "built.mrw", BuildMrw(BuildTiff(ifd0), 3264, 2448));
    return ok ? 0 : 1;
}
