// The peer of benchmark (a) with exiv2's library: stores the same position
// into each photo of a folder and writes it back, in one process, with the
// same rounds of fresh copies as the photo engine's benchmark.
//   exif_exiv2_peer <originals folder> <work folder> <rounds>
// Prints one line per photo: "exiv2 <name> <median microseconds> <rounds written>".
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// 48.8582 N, 2.2945 E, 35.2 m, heading 57 degrees, as our engine writes them.
bool StorePosition(const std::string& path)
{
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        exif["Exif.GPSInfo.GPSVersionID"] = "2 2 0 0";
        exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
        exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 2952/100";
        exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
        exif["Exif.GPSInfo.GPSLongitude"] = "2/1 17/1 4020/100";
        exif["Exif.GPSInfo.GPSAltitudeRef"] = "0";
        exif["Exif.GPSInfo.GPSAltitude"] = "3520/100";
        exif["Exif.GPSInfo.GPSTrack"] = "57/1";
        exif["Exif.GPSInfo.GPSImgDirection"] = "57/1";
        image->writeMetadata();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: exif_exiv2_peer <originals> <work> <rounds>\n");
        return 2;
    }
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    const fs::path originals = argv[1];
    const fs::path work = argv[2];
    const int rounds = std::atoi(argv[3]);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(originals))
        if (entry.path().extension() == ".jpg")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::vector<double>> times(names.size());
    std::vector<int> written(names.size(), 0);
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < names.size(); ++i) {
            const fs::path copy = work / names[i];
            fs::copy_file(originals / names[i], copy, fs::copy_options::overwrite_existing);
            fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
            const auto start = std::chrono::steady_clock::now();
            const bool ok = StorePosition(copy.string());
            times[i].push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            written[i] += ok;
        }
    }
    for (size_t i = 0; i < names.size(); ++i)
        std::printf("exiv2 %s %.1f %d\n", names[i].c_str(), Median(times[i]), written[i]);
    return 0;
}
