// Drives the photo engine over real photos for the comparison with ExifTool
// (check_real_photos.py). Reads commands, one a line, tab-separated, from a
// UTF-8 file and writes one JSON object a line with the results:
//   read    PATH                         ReadPosition and the frame size
//   store   PATH LAT LON ALT HEADING     StorePosition (degrees, metres),
//                                        WriteToFile, then WriteToFile again
//   remove  PATH                         RemovePosition, WriteToFile
//   sidecar RAW LAT LON ALT              WriteRawSidecarPosition (degrees,
//                                        metres) into the raw file's sidecars
//   copy    FROM TO                      CopyFileW
// With VZ_ANNOUNCE_WRITES set, "writing" and "written" on standard output
// frame each first WriteToFile, for a test that kills the tool meanwhile.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "exif/exif_block.h"
#include "exif/raw_sidecar.h"

namespace {

const double kDeg = 0.017453292519943295;

std::wstring Wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

bool ReadWhole(const std::wstring& path, std::string* bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof(buffer), &got, nullptr) != 0) && got > 0)
        bytes->append(buffer, got);
    CloseHandle(file);
    return ok;
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

// The first write of a command, framed for the kill test.
template <typename Write>
HRESULT Announced(Write write)
{
    static const bool announce = std::getenv("VZ_ANNOUNCE_WRITES") != nullptr;
    if (announce) {
        std::fputs("writing\n", stdout);
        std::fflush(stdout);
    }
    HRESULT hr = write();
    if (announce) {
        std::fputs("written\n", stdout);
        std::fflush(stdout);
    }
    return hr;
}

HRESULT AnnouncedWrite(ExifBlock& block)
{
    return Announced([&] { return block.WriteToFile(); });
}

void Run(const std::vector<std::string>& f, int id, FILE* out)
{
    const std::string& op = f[0];
    if (op == "read" && f.size() == 2) {
        ExifBlock block;
        block.Open(Wide(f[1]).c_str());
        double lat = 0, lon = 0, alt = 0, heading = 0;
        HRESULT hr = block.ReadPosition(&lat, &lon, &alt, &heading);
        std::fprintf(out,
                     "{\"id\":%d,\"op\":\"read\",\"hr\":%ld,\"jpeg\":%d,\"heif\":%d,\"tree\":%d,\"width\":%u,"
                     "\"height\":%u,\"lat\":%.17g,\"lon\":%.17g,\"alt\":%.17g,\"heading\":%.17g}\n",
                     id, static_cast<long>(hr), block.IsJpeg() ? 1 : 0, block.IsHeif() ? 1 : 0, block.Root() ? 1 : 0,
                     block.FrameWidth(),
                     block.FrameHeight(), lat / kDeg, lon / kDeg, alt, heading / kDeg);
    } else if (op == "store" && f.size() == 6) {
        std::wstring path = Wide(f[1]);
        ExifBlock block;
        block.Open(path.c_str());
        HRESULT store = block.StorePosition(std::atof(f[2].c_str()) * kDeg, std::atof(f[3].c_str()) * kDeg,
                                            std::atof(f[4].c_str()), std::atof(f[5].c_str()) * kDeg);
        HRESULT write = AnnouncedWrite(block);
        std::string once, twice;
        bool read = ReadWhole(path, &once);
        HRESULT write2 = block.WriteToFile();
        read = ReadWhole(path, &twice) && read;
        std::fprintf(out, "{\"id\":%d,\"op\":\"store\",\"store\":%ld,\"write\":%ld,\"write2\":%ld,\"same\":%d}\n", id,
                     static_cast<long>(store), static_cast<long>(write), static_cast<long>(write2),
                     read && once == twice ? 1 : 0);
    } else if (op == "remove" && f.size() == 2) {
        ExifBlock block;
        block.Open(Wide(f[1]).c_str());
        block.RemovePosition();
        HRESULT write = AnnouncedWrite(block);
        std::fprintf(out, "{\"id\":%d,\"op\":\"remove\",\"write\":%ld}\n", id, static_cast<long>(write));
    } else if (op == "sidecar" && f.size() == 5) {
        SidecarPosition position;
        position.place.known = TRUE;
        position.place.latitude = std::atof(f[2].c_str()) * kDeg;
        position.place.longitude = std::atof(f[3].c_str()) * kDeg;
        position.place.altitude = std::atof(f[4].c_str());
        position.hasAltitude = true;
        const std::wstring raw = Wide(f[1]);
        HRESULT write = Announced([&] { return WriteRawSidecarPosition(raw.c_str(), position); });
        std::fprintf(out, "{\"id\":%d,\"op\":\"sidecar\",\"write\":%ld}\n", id, static_cast<long>(write));
    } else if (op == "copy" && f.size() == 3) {
        BOOL ok = CopyFileW(Wide(f[1]).c_str(), Wide(f[2]).c_str(), FALSE);
        std::fprintf(out, "{\"id\":%d,\"op\":\"copy\",\"ok\":%d}\n", id, ok ? 1 : 0);
    } else {
        std::fprintf(out, "{\"id\":%d,\"op\":\"unknown\"}\n", id);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: photo_tool COMMANDS RESULTS\n");
        return 2;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // shortcuts
    std::string commands;
    if (!ReadWhole(argv[1], &commands)) {
        std::fprintf(stderr, "cannot read the commands\n");
        return 1;
    }
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out) {
        std::fprintf(stderr, "cannot write the results\n");
        return 1;
    }
    int id = 0;
    size_t start = 0;
    while (start < commands.size()) {
        size_t end = commands.find('\n', start);
        std::string line = commands.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? commands.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            Run(Split(line), id++, out);
    }
    std::fclose(out);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return 0;
}
