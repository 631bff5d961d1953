// Applies the XMP sidecar editor to files, for checks by ExifTool.
//
//   sidecar_tool COMMANDS RESULTS
//
// Each line of COMMANDS is one of
//   store IN OUT LAT LON ALT HEADING TIME   (degrees, metres, degrees, "-" for none;
//                                            TIME "2024-05-01T12:30:05" in UTC or "-")
//   remove IN OUT
//   create OUT LAT LON ALT HEADING TIME
//   read IN
// and gives one line of RESULTS: the result as eight hexadecimal digits,
// for read the position ("lat lon alt heading", "-" where none), and after
// " | " the reason of a refusal. OUT is written only on success.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "sidecar/sidecar_position.h"

namespace {

bool ReadWhole(const std::string& path, std::string* text)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    text->clear();
    char block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        text->append(block, n);
    std::fclose(f);
    return true;
}

bool WriteWhole(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool ParsePosition(std::istringstream& in, SidecarPosition* p)
{
    std::string lat, lon, alt, heading, time;
    if (!(in >> lat >> lon >> alt >> heading >> time))
        return false;
    const double kDeg = 0.017453292519943295;
    p->place.known = TRUE;
    p->place.latitude = std::stod(lat) * kDeg;
    p->place.longitude = std::stod(lon) * kDeg;
    p->hasAltitude = alt != "-";
    p->place.altitude = p->hasAltitude ? std::stod(alt) : 0.0;
    p->hasHeading = heading != "-";
    p->place.heading = p->hasHeading ? std::stod(heading) * kDeg : 0.0;
    p->hasFixTime = time != "-";
    if (p->hasFixTime) {
        SidecarFixTime& t = p->fixTime;
        if (std::sscanf(time.c_str(), "%d-%d-%dT%d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                        &t.second) != 6)
            return false;
    }
    return true;
}

std::string Run(const std::string& line)
{
    std::istringstream in(line);
    std::string command, source, target;
    in >> command;
    SidecarProblem problem;
    SidecarPosition position;
    std::string text, out;
    HRESULT hr = E_INVALIDARG;
    if (command == "read") {
        in >> source;
        hr = ReadWhole(source, &text) ? ReadSidecarPosition(text, &position, &problem) : E_FAIL;
    } else if (command == "store" || command == "remove") {
        in >> source >> target;
        if (!ReadWhole(source, &text))
            hr = E_FAIL;
        else if (command == "remove")
            hr = RemoveSidecarPosition(text, &out, &problem);
        else if (ParsePosition(in, &position))
            hr = StoreSidecarPosition(text, position, &out, &problem);
    } else if (command == "create") {
        in >> target;
        if (ParsePosition(in, &position))
            hr = CreateSidecar(position, &out);
    }
    if (hr == S_OK && !target.empty() && !WriteWhole(target, out))
        hr = E_FAIL;
    char result[160];
    std::snprintf(result, sizeof result, "%08lx", static_cast<unsigned long>(static_cast<uint32_t>(hr)));
    std::string reply = result;
    if (command == "read" && position.place.known) {
        const GeoPosition& g = position.place;
        std::snprintf(result, sizeof result, " %.10f %.10f", g.latitude * kDegreesPerRadian,
                      g.longitude * kDegreesPerRadian);
        reply += result;
        std::snprintf(result, sizeof result, position.hasAltitude ? " %.4f" : " -", g.altitude);
        reply += result;
        std::snprintf(result, sizeof result, position.hasHeading ? " %.6f" : " -", g.heading * kDegreesPerRadian);
        reply += result;
    }
    std::string why;
    if (FAILED(hr) && !problem.reason.empty() && SUCCEEDED(DescribeSidecarProblem(problem, &why)))
        reply += " | " + why;
    return reply;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: sidecar_tool COMMANDS RESULTS\n");
        return 2;
    }
    std::string commands;
    if (!ReadWhole(argv[1], &commands)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::string results;
    std::istringstream lines(commands);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            results += Run(line) + "\n";
    }
    return WriteWhole(argv[2], results) ? 0 : 1;
}
