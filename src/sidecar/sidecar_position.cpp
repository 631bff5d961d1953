#include "sidecar/sidecar_position.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

#include "sidecar/xmp_document.h"

namespace {

const char kExifNamespace[] = "http://ns.adobe.com/exif/1.0/";

// The properties read; the first kPositionProperties are those stored and
// removed, in the order new ones are added.
enum Property {
    kVersion,
    kLatitude,
    kLongitude,
    kAltitudeRef,
    kAltitude,
    kImgDirectionRef,
    kImgDirection,
    kTimeStamp,
    kTrackRef,
    kTrack,
    kPropertyCount
};
const int kPositionProperties = kTrackRef;
const char* const kPropertyNames[kPropertyCount] = {
    "GPSVersionID", "GPSLatitude",  "GPSLongitude", "GPSAltitudeRef", "GPSAltitude",
    "GPSImgDirectionRef", "GPSImgDirection", "GPSTimeStamp", "GPSTrackRef", "GPSTrack"};

// Where one copy of a property stands: an attribute of a description or a
// child element of it.
struct Occurrence {
    int description;
    int attribute;  // index in the description's attributes, or -1
    int element;    // index of the property element, or -1
};

struct PropertyMap {
    std::vector<Occurrence> at[kPropertyCount];
    int exifDescription = -1;  // the first description holding any exif property
};

int PropertyIndex(const std::string& local)
{
    for (int p = 0; p < kPropertyCount; ++p) {
        if (local == kPropertyNames[p])
            return p;
    }
    return -1;
}

// The copies of each property in document order: the attributes of a
// description come before its children, and the elements are recorded in
// the order their start tags stand in.
PropertyMap MapProperties(const XmpDocument& document)
{
    PropertyMap map;
    const std::vector<XmpElement>& elements = document.Elements();
    std::vector<bool> isDescription(elements.size(), false);
    for (int d : document.Descriptions())
        isDescription[static_cast<size_t>(d)] = true;
    for (size_t e = 0; e < elements.size(); ++e) {
        const XmpElement& element = elements[e];
        const int d = static_cast<int>(e);
        if (isDescription[e]) {
            for (size_t a = 0; a < element.attributes.size(); ++a) {
                const XmpAttribute& attribute = element.attributes[a];
                if (attribute.nsUri != kExifNamespace)
                    continue;
                if (map.exifDescription < 0)
                    map.exifDescription = d;
                const int p = PropertyIndex(attribute.local);
                if (p >= 0)
                    map.at[p].push_back(Occurrence{d, static_cast<int>(a), -1});
            }
        } else if (element.parent >= 0 && isDescription[static_cast<size_t>(element.parent)] &&
                   element.nsUri == kExifNamespace) {
            if (map.exifDescription < 0)
                map.exifDescription = element.parent;
            const int p = PropertyIndex(element.local);
            if (p >= 0)
                map.at[p].push_back(Occurrence{element.parent, -1, d});
        }
    }
    return map;
}

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The value of the first copy of a property, without surrounding blanks;
// empty when it has none or holds a structure.
std::string FirstValue(const XmpDocument& document, const PropertyMap& map, int p)
{
    if (map.at[p].empty())
        return std::string();
    const Occurrence& o = map.at[p].front();
    const std::vector<XmpElement>& elements = document.Elements();
    if (o.attribute >= 0) {
        const XmpElement& description = elements[static_cast<size_t>(o.description)];
        return Trimmed(document.DecodedText(description.attributes[static_cast<size_t>(o.attribute)].value));
    }
    const XmpElement& element = elements[static_cast<size_t>(o.element)];
    if (element.hasChildElements)
        return std::string();
    return Trimmed(document.DecodedText(element.content));
}

// An unsigned decimal number ("12", "12.345") at text[*at], computed the
// same on every build: the digits as an integer, divided once by a power
// of ten. At most 18 significant digits.
bool ReadUnsigned(const std::string& text, size_t* at, double* value)
{
    static const double kPowers[19] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                       1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
    uint64_t digits = 0;
    int count = 0, fraction = 0;
    bool point = false, any = false;
    size_t i = *at;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        any = true;
        if (count == 18) {
            // Fraction digits beyond 18 significant ones change nothing.
            if (point)
                continue;
            return false;
        }
        if (digits != 0 || c != '0')
            ++count;
        digits = digits * 10 + static_cast<uint64_t>(c - '0');
        fraction += point ? 1 : 0;
    }
    if (!any || fraction > 18)
        return false;
    *value = static_cast<double>(digits) / kPowers[fraction];
    *at = i;
    return true;
}

// "DDD,MM,SSK" or "DDD,MM.mmK" (K: N or S, E or W) into radians.
bool ReadCoordinate(const std::string& text, bool isLongitude, double* radians)
{
    double degrees = 0, minutes = 0, seconds = 0;
    size_t at = 0;
    if (!ReadUnsigned(text, &at, &degrees) || at >= text.size() || text[at++] != ',' ||
        !ReadUnsigned(text, &at, &minutes))
        return false;
    if (at < text.size() && text[at] == ',' && (++at, !ReadUnsigned(text, &at, &seconds)))
        return false;
    if (at + 1 != text.size())
        return false;
    const char letter = static_cast<char>(text[at] & ~0x20);
    const char positive = isLongitude ? 'E' : 'N', negative = isLongitude ? 'W' : 'S';
    if (letter != positive && letter != negative)
        return false;
    double angle = (degrees + minutes / 60.0 + seconds / 3600.0) * kRadiansPerDegree;
    angle = std::min(angle, isLongitude ? kPi : kHalfPi);
    *radians = letter == negative ? -angle : angle;
    return true;
}

// "num/den" (a signed numerator, den not 0) or a decimal number.
bool ReadRational(const std::string& text, double* value)
{
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    at += (negative || (!text.empty() && text[0] == '+')) ? 1 : 0;
    double numerator = 0, denominator = 1;
    if (!ReadUnsigned(text, &at, &numerator))
        return false;
    if (at < text.size() && text[at] == '/') {
        ++at;
        if (!ReadUnsigned(text, &at, &denominator) || denominator == 0)
            return false;
    }
    if (at != text.size())
        return false;
    *value = (negative ? -numerator : numerator) / denominator;
    return true;
}

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, SidecarFixTime* t)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    t->day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t->month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t->year = static_cast<int>(yoe + era * 400 + (t->month <= 2));
}

bool IsFixTime(const SidecarFixTime& t)
{
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 || t.hour > 23 ||
        t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    const int next = t.month == 12 ? 1 : t.month + 1;
    const int64_t length = DaysFromCivil(t.month == 12 ? t.year + 1 : t.year, next, 1) - DaysFromCivil(t.year, t.month, 1);
    return t.day <= length;
}

// "YYYY-MM-DDThh:mm[:ss[.s]]" with "Z", an offset "+hh:mm" or none (UTC),
// into the UTC time (fractions of a second dropped).
bool ReadTimeStamp(const std::string& text, SidecarFixTime* utc)
{
    int field[6] = {0, 0, 0, 0, 0, 0};
    const char separators[6] = {'-', '-', 'T', ':', ':', 0};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    size_t at = 0;
    int fields = 0;
    for (; fields < 6; ++fields) {
        for (int w = 0; w < widths[fields]; ++w, ++at) {
            if (at >= text.size() || text[at] < '0' || text[at] > '9')
                return false;
            field[fields] = field[fields] * 10 + (text[at] - '0');
        }
        if (fields == 5 || at >= text.size() || text[at] != separators[fields])
            break;
        ++at;
    }
    if (fields < 4)
        return false;
    if (at < text.size() && text[at] == '.' && fields == 5) {
        ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
    }
    int offsetMinutes = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-') && text.size() - at == 6 && text[at + 3] == ':') {
        const std::string zone = text.substr(at + 1);
        if (zone[0] < '0' || zone[0] > '9' || zone[1] < '0' || zone[1] > '9' || zone[3] < '0' || zone[3] > '9' ||
            zone[4] < '0' || zone[4] > '9')
            return false;
        offsetMinutes = ((zone[0] - '0') * 10 + (zone[1] - '0')) * 60 + (zone[3] - '0') * 10 + (zone[4] - '0');
        offsetMinutes = text[at] == '-' ? -offsetMinutes : offsetMinutes;
        at = text.size();
    } else if (at < text.size() && text[at] == 'Z') {
        ++at;
    }
    SidecarFixTime t;
    t.year = field[0], t.month = field[1], t.day = field[2];
    t.hour = field[3], t.minute = field[4], t.second = field[5];
    if (at != text.size() || !IsFixTime(t) || offsetMinutes > 24 * 60 || offsetMinutes < -24 * 60)
        return false;
    const int64_t seconds = DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second -
                            static_cast<int64_t>(offsetMinutes) * 60;
    const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const int64_t rest = seconds - days * 86400;
    CivilFromDays(days, &t);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    if (!IsFixTime(t))
        return false;
    *utc = t;
    return true;
}

// The heading of a direction property whose reference is true north.
bool ReadDirection(const XmpDocument& document, const PropertyMap& map, int ref, int value, double* radians)
{
    const std::string reference = FirstValue(document, map, ref);
    double degrees = 0;
    if ((!map.at[ref].empty() && reference != "T") || !ReadRational(FirstValue(document, map, value), &degrees) ||
        !std::isfinite(degrees))
        return false;
    *radians = degrees * kRadiansPerDegree;
    return true;
}

SidecarPosition ReadPosition(const XmpDocument& document)
{
    const PropertyMap map = MapProperties(document);
    SidecarPosition position;
    GeoPosition& place = position.place;
    if (!ReadCoordinate(FirstValue(document, map, kLatitude), false, &place.latitude) ||
        !ReadCoordinate(FirstValue(document, map, kLongitude), true, &place.longitude)) {
        position.place = GeoPosition();
        return position;
    }
    place.known = TRUE;
    double altitude = 0;
    if (ReadRational(FirstValue(document, map, kAltitude), &altitude) && std::isfinite(altitude)) {
        position.hasAltitude = true;
        if (!map.at[kAltitudeRef].empty())
            altitude = FirstValue(document, map, kAltitudeRef) == "1" ? -std::fabs(altitude) : std::fabs(altitude);
        place.altitude = altitude;
    }
    position.hasHeading = ReadDirection(document, map, kImgDirectionRef, kImgDirection, &place.heading) ||
                          ReadDirection(document, map, kTrackRef, kTrack, &place.heading);
    position.hasFixTime = ReadTimeStamp(FirstValue(document, map, kTimeStamp), &position.fixTime);
    return position;
}

// What a store does with each position property.
struct Wanted {
    bool set = false;
    bool remove = false;
    std::string value;
};

std::string FormatCoordinate(double angle, bool isLongitude)
{
    const char letter = angle < 0.0 ? (isLongitude ? 'W' : 'S') : (isLongitude ? 'E' : 'N');
    const double degrees = std::min(std::fabs(angle) * kDegreesPerRadian, isLongitude ? 180.0 : 90.0);
    // Millionths of a minute (about 2 mm), carried into the minutes and
    // degrees as they round.
    const long long millionths = std::llround(degrees * 60e6);
    char text[40];
    std::snprintf(text, sizeof text, "%lld,%02lld.%06lld%c", millionths / 60000000, millionths / 1000000 % 60,
                  millionths % 1000000, letter);
    return text;
}

bool TruncateTo32(double value, int32_t* result)
{
    if (!(std::fabs(value) < 2147483647.0))
        return false;
    *result = static_cast<int32_t>(value);
    return true;
}

HRESULT PlanValues(const SidecarPosition& position, Wanted wanted[kPositionProperties])
{
    const GeoPosition& place = position.place;
    if (!place.known) {
        for (int p = 0; p < kPositionProperties; ++p)
            wanted[p].remove = true;
        return S_OK;
    }
    int32_t centimetres = 0;
    if (!std::isfinite(place.latitude) || !std::isfinite(place.longitude) ||
        (position.hasAltitude && !TruncateTo32(std::fabs(place.altitude) * 100.0, &centimetres)) ||
        (position.hasHeading && !std::isfinite(place.heading)) ||
        (position.hasFixTime && !IsFixTime(position.fixTime)))
        return E_INVALIDARG;
    const auto set = [&](int p, const std::string& value) {
        wanted[p].set = true;
        wanted[p].value = value;
    };
    set(kVersion, "2.3.0.0");
    set(kLatitude, FormatCoordinate(place.latitude, false));
    set(kLongitude, FormatCoordinate(place.longitude, true));
    if (position.hasAltitude) {
        set(kAltitudeRef, place.altitude < 0.0 ? "1" : "0");
        set(kAltitude, std::to_string(centimetres) + "/100");
    } else {
        // An altitude of another place would pass for this one's.
        wanted[kAltitudeRef].remove = wanted[kAltitude].remove = true;
    }
    if (position.hasHeading) {
        double degrees = std::fmod(place.heading * kDegreesPerRadian, 360.0);
        long long hundredths = std::llround((degrees < 0.0 ? degrees + 360.0 : degrees) * 100.0);
        if (hundredths >= 36000)
            hundredths -= 36000;
        set(kImgDirectionRef, "T");
        set(kImgDirection, std::to_string(hundredths) + "/100");
    }
    if (position.hasFixTime) {
        const SidecarFixTime& t = position.fixTime;
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
        set(kTimeStamp, text);
    }
    return S_OK;
}

struct Edit {
    size_t begin, end;
    std::string text;
};

// The description new properties go to, and the prefix they take there
// (with the declaration to add when there is none).
int TargetDescription(const XmpDocument& document, const PropertyMap& map, std::string* prefix, bool* declare)
{
    *declare = false;
    if (map.exifDescription >= 0 && document.PrefixFor(map.exifDescription, kExifNamespace, prefix))
        return map.exifDescription;
    for (int d : document.Descriptions()) {
        if (document.PrefixFor(d, kExifNamespace, prefix))
            return d;
    }
    if (document.Descriptions().empty())
        return -1;
    const int d = document.Descriptions().front();
    *prefix = "exif";
    for (int n = 1; document.PrefixBound(d, *prefix); ++n)
        *prefix = "exif" + std::to_string(n);
    *declare = true;
    return d;
}

// Attributes added after the last one of element (or its name), each in
// the blanks and quotes of that last attribute.
Edit AddAttributes(const XmpDocument& document, int element, const std::vector<std::pair<std::string, std::string>>& add)
{
    const XmpElement& e = document.Elements()[static_cast<size_t>(element)];
    std::string blanks = " ";
    char quote = '"';
    if (!e.attributes.empty()) {
        const XmpAttribute& last = e.attributes.back();
        blanks = document.Text().substr(last.leading.begin, last.leading.Length());
        quote = last.quote;
    }
    Edit edit{e.attributesEnd, e.attributesEnd, std::string()};
    for (const auto& attribute : add)
        edit.text += blanks + attribute.first + "=" + quote + attribute.second + quote;
    return edit;
}

HRESULT PlanEdits(const XmpDocument& document, const Wanted wanted[kPositionProperties], std::vector<Edit>* edits)
{
    const PropertyMap map = MapProperties(document);
    const std::vector<XmpElement>& elements = document.Elements();
    const std::string& text = document.Text();
    std::vector<int> missing;
    for (int p = 0; p < kPositionProperties; ++p) {
        if (!wanted[p].set && !wanted[p].remove)
            continue;
        if (wanted[p].set && map.at[p].empty())
            missing.push_back(p);
        for (size_t i = 0; i < map.at[p].size(); ++i) {
            const Occurrence& o = map.at[p][i];
            const bool replace = wanted[p].set && i == 0;
            if (o.attribute >= 0) {
                const XmpAttribute& a =
                    elements[static_cast<size_t>(o.description)].attributes[static_cast<size_t>(o.attribute)];
                if (replace)
                    edits->push_back(Edit{a.value.begin, a.value.end, wanted[p].value});
                else
                    edits->push_back(Edit{a.leading.begin, a.whole.end, std::string()});
                continue;
            }
            const XmpElement& e = elements[static_cast<size_t>(o.element)];
            if (!replace) {
                edits->push_back(Edit{e.leadingBlanks, e.whole.end, std::string()});
                continue;
            }
            bool plain = !e.empty && !e.hasChildElements;
            for (const XmpAttribute& a : e.attributes)
                plain = plain && a.IsNamespaceDeclaration();
            if (plain) {
                edits->push_back(Edit{e.content.begin, e.content.end, wanted[p].value});
                continue;
            }
            // A structure, an empty element or one with qualifiers becomes a
            // plain value under the same name (and its own declarations).
            const std::string qname = text.substr(e.qname.begin, e.qname.Length());
            std::string element = "<" + qname;
            for (const XmpAttribute& a : e.attributes) {
                if (a.IsNamespaceDeclaration())
                    element += text.substr(a.leading.begin, a.whole.end - a.leading.begin);
            }
            element += ">" + wanted[p].value + "</" + qname + ">";
            edits->push_back(Edit{e.whole.begin, e.whole.end, element});
        }
    }
    if (missing.empty())
        return S_OK;

    std::string prefix;
    bool declare = false;
    const int target = TargetDescription(document, map, &prefix, &declare);
    if (target >= 0) {
        std::vector<std::pair<std::string, std::string>> add;
        if (declare)
            add.emplace_back("xmlns:" + prefix, kExifNamespace);
        for (int p : missing)
            add.emplace_back(prefix + ":" + kPropertyNames[p], wanted[p].value);
        edits->push_back(AddAttributes(document, target, add));
        return S_OK;
    }

    // No description at all: a new one at the end of rdf:RDF, about the
    // same resource as every description of a packet ("").
    const int rdfIndex = document.RdfElement();
    const XmpElement& rdf = elements[static_cast<size_t>(rdfIndex)];
    std::string rdfPrefix;
    std::string description;
    if (document.PrefixFor(rdfIndex, kRdfNamespace, &rdfPrefix)) {
        description = "<" + rdfPrefix + ":Description " + rdfPrefix + ":about=\"\"";
    } else {
        rdfPrefix = "rdf";
        for (int n = 1; document.PrefixBound(rdfIndex, rdfPrefix); ++n)
            rdfPrefix = "rdf" + std::to_string(n);
        description = "<" + rdfPrefix + ":Description xmlns:" + rdfPrefix + "=\"" + kRdfNamespace + "\" " +
                      rdfPrefix + ":about=\"\"";
    }
    if (!document.PrefixFor(rdfIndex, kExifNamespace, &prefix)) {
        prefix = "exif";
        for (int n = 1; document.PrefixBound(rdfIndex, prefix) || prefix == rdfPrefix; ++n)
            prefix = "exif" + std::to_string(n);
        description += " xmlns:" + prefix + "=\"" + kExifNamespace + "\"";
    }
    for (int p : missing)
        description += " " + prefix + ":" + kPropertyNames[p] + "=\"" + wanted[p].value + "\"";
    description += "/>";
    if (rdf.empty) {
        const std::string qname = text.substr(rdf.qname.begin, rdf.qname.Length());
        edits->push_back(Edit{rdf.attributesEnd, rdf.whole.end, ">" + description + "</" + qname + ">"});
    } else {
        edits->push_back(Edit{rdf.content.end, rdf.content.end, description});
    }
    return S_OK;
}

std::string ApplyEdits(const std::string& text, std::vector<Edit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    std::string out;
    size_t at = 0;
    for (const Edit& edit : edits) {
        out.append(text, at, edit.begin - at);
        out += edit.text;
        at = edit.end;
    }
    out.append(text, at, std::string::npos);
    return out;
}

bool EditsApart(const std::vector<Edit>& edits)
{
    std::vector<Edit> sorted = edits;
    std::sort(sorted.begin(), sorted.end(), [](const Edit& a, const Edit& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i].begin < sorted[i - 1].end)
            return false;
    }
    return true;
}

}  // namespace

HRESULT ReadSidecarPosition(const std::string& text, SidecarPosition* position, SidecarProblem* problem)
{
    *position = SidecarPosition();
    try {
        XmpDocument document;
        HRESULT hr = document.Parse(text, problem);
        if (FAILED(hr))
            return hr;
        *position = ReadPosition(document);
        return position->place.known ? S_OK : S_FALSE;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT StoreSidecarPosition(const std::string& text, const SidecarPosition& position, std::string* out,
                             SidecarProblem* problem)
{
    try {
        Wanted wanted[kPositionProperties];
        HRESULT hr = PlanValues(position, wanted);
        if (FAILED(hr))
            return hr;
        XmpDocument document;
        hr = document.Parse(text, problem);
        if (FAILED(hr))
            return hr;
        std::vector<Edit> edits;
        hr = PlanEdits(document, wanted, &edits);
        if (FAILED(hr))
            return hr;
        if (!EditsApart(edits))
            return E_FAIL;
        std::string edited = ApplyEdits(text, edits);
        // The edited text must read as XMP again: an edit that broke it
        // would be a fault here, and the sidecar stays as it was.
        XmpDocument check;
        if (FAILED(check.Parse(edited, nullptr)))
            return E_FAIL;
        out->swap(edited);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT RemoveSidecarPosition(const std::string& text, std::string* out, SidecarProblem* problem)
{
    return StoreSidecarPosition(text, SidecarPosition(), out, problem);
}

HRESULT CreateSidecar(const SidecarPosition& position, std::string* out)
{
    if (!position.place.known)
        return S_FALSE;
    static const char kEmpty[] =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\"\n"
        "    xmlns:exif=\"http://ns.adobe.com/exif/1.0/\"/>\n"
        " </rdf:RDF>\n"
        "</x:xmpmeta>\n"
        "<?xpacket end=\"w\"?>\n";
    return StoreSidecarPosition(kEmpty, position, out, nullptr);
}
