#include "track/track_files.h"

#include <cstdio>

#include "exif/exif_block.h"
#include "tiff/tiff_types.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace vztest {

namespace {

const uint16_t kTagDateTime = 0x0132;
const uint16_t kTagDateTimeOriginal = 0x9003;
const uint16_t kTagDateTimeDigitized = 0x9004;
const uint16_t kTagOffsetTime = 0x9010;
const uint16_t kTagOffsetTimeOriginal = 0x9011;
const uint16_t kTagOffsetTimeDigitized = 0x9012;

// Photos without a position and with all three Exif times: a JPEG
// photo and a HEIF photo, both made by the build.
const wchar_t kSourcePhoto[] = L"unlocated.jpg";
const wchar_t kSourceHeifPhoto[] = L"unlocated.heic";

const int kWalkMinutes = 60;

std::string Number(const char* format, double value)
{
    char text[32];
    snprintf(text, sizeof(text), format, value);
    return text;
}

}  // namespace

std::wstring PhotoTakenAt(const std::wstring& folder, const std::wstring& name, const wchar_t* dateTimeOriginal,
                          const wchar_t* offset, const wchar_t* dateTime)
{
    PhotoTimes times;
    times.original = dateTimeOriginal;
    times.offsetOriginal = offset;
    times.dateTime = dateTime;
    return PhotoWithTimes(folder, name, times);
}

std::wstring PhotoWithTimes(const std::wstring& folder, const std::wstring& name, const PhotoTimes& times)
{
    const bool heif = name.size() > 5 && name.compare(name.size() - 5, 5, L".heic") == 0;
    std::wstring path = CopyPhoto(heif ? kSourceHeifPhoto : kSourcePhoto, folder, name);
    if (path.empty())
        return path;
    ExifBlock block;
    block.Open(path.c_str());
    if (!block.Root())
        return std::wstring();
    const struct {
        IfdKind kind;
        uint16_t tag;
        const wchar_t* text;
    } tags[] = {{ExifIfd, kTagDateTimeOriginal, times.original},     {ExifIfd, kTagDateTimeDigitized, times.digitized},
                {Ifd0, kTagDateTime, times.dateTime},                {ExifIfd, kTagOffsetTimeOriginal, times.offsetOriginal},
                {ExifIfd, kTagOffsetTimeDigitized, times.offsetDigitized}, {ExifIfd, kTagOffsetTime, times.offset}};
    for (const auto& tag : tags) {
        if (tag.text) {
            if (block.SetTextTag(tag.kind, tag.tag, tag.text) != S_OK)
                return std::wstring();
        } else {
            block.Root()->RemoveEntry(tag.kind, tag.tag);  // absent already is fine
        }
    }
    return block.WriteToFile() == S_OK ? path : std::wstring();
}

std::string BillionLaughsGpx()
{
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n <!ENTITY a0 \"laugh\">\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += " <!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&a" + std::to_string(i - 1) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<gpx><trk><trkseg><trkpt lat=\"48\" lon=\"11\"><time>2024-05-01T10:00:00Z</time>"
              "<name>&a9;</name></trkpt></trkseg></trk></gpx>\n";
    return laughs;
}

std::string WalkTrackGpx()
{
    std::string gpx =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"logger\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
        " <trk><name>walk</name><trkseg>\n";
    for (int minute = 0; minute <= kWalkMinutes; ++minute) {
        char time[32];
        snprintf(time, sizeof(time), "2024-05-01T%02d:%02d:00Z", 10 + minute / 60, minute % 60);
        gpx += "  <trkpt lat=\"" + Number("%.3f", WalkLatitudeAt(minute)) + "\" lon=\"" +
               Number("%.3f", WalkLongitudeAt(minute)) + "\"><ele>" + Number("%.0f", WalkElevationAt(minute)) +
               "</ele><time>" + time + "</time></trkpt>\n";
    }
    gpx += " </trkseg></trk>\n</gpx>\n";
    return gpx;
}

std::string LongTrackGpx(int points)
{
    std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"logger\"><trk><trkseg>\n";
    gpx.reserve(static_cast<size_t>(points) * 100 + 100);
    char point[160];
    for (int i = 0; i < points; ++i) {
        int second = i % 86400;
        snprintf(point, sizeof(point),
                 "<trkpt lat=\"%.6f\" lon=\"%.6f\"><ele>%d</ele><time>2024-05-%02dT%02d:%02d:%02dZ</time></trkpt>\n",
                 48.0 + i * 1e-6, 11.0 + i * 1e-6, 500 + i % 100, 1 + i / 86400, second / 3600, second / 60 % 60,
                 second % 60);
        gpx += point;
    }
    return gpx + "</trkseg></trk></gpx>\n";
}

double WalkLatitudeAt(double minute)
{
    return 48.0 + minute / 1000.0;
}

double WalkLongitudeAt(double minute)
{
    return 11.0 + minute / 1000.0;
}

double WalkElevationAt(double minute)
{
    return 500.0 + minute;
}

}  // namespace vztest
