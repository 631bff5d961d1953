#include "notation/position_links.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "support/decimal_number.h"

namespace {

const double kLatitudeLimitDegrees = 90.0;
const double kLongitudeLimitDegrees = 180.0;
const double kFullCircleDegrees = 360.0;

// A stretch of text: [begin, end). The whole text is terminated at its end,
// so a number read from inside a stretch stops at that terminator at the latest.
struct Span {
    const wchar_t* begin;
    const wchar_t* end;
};

bool IsAsciiAlnum(wchar_t ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

bool IsBlank(wchar_t ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\n' || ch == L'\r' || ch == L'\v' || ch == L'\f';
}

wchar_t LowerAscii(wchar_t ch)
{
    return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
}

// True when the ASCII literal stands at p, wholly before end.
bool LiteralAt(const wchar_t* p, const wchar_t* end, const char* literal, bool ignoreCase = false)
{
    for (; *literal != '\0'; ++p, ++literal) {
        if (p >= end)
            return false;
        wchar_t expected = static_cast<wchar_t>(static_cast<unsigned char>(*literal));
        wchar_t actual = *p;
        if (ignoreCase) {
            expected = LowerAscii(expected);
            actual = LowerAscii(actual);
        }
        if (actual != expected)
            return false;
    }
    return true;
}

// First place at or after from where the literal stands, or null. The
// literals are a few characters long, so the search is linear in the text.
const wchar_t* FindLiteral(const wchar_t* from, const wchar_t* end, const char* literal, bool ignoreCase = false)
{
    for (const wchar_t* p = from; p < end; ++p) {
        if (LiteralAt(p, end, literal, ignoreCase))
            return p;
    }
    return nullptr;
}

// The first link parameter name= (after "?", "&", "#" or ";", the last for
// "&amp;" in links copied from HTML), or null. Returns where its value begins.
const wchar_t* FindParameter(Span text, const char* name)
{
    size_t length = 0;
    while (name[length] != '\0')
        ++length;
    for (const wchar_t* p = FindLiteral(text.begin, text.end, name); p != nullptr;
         p = FindLiteral(p + 1, text.end, name)) {
        if (p > text.begin && (p[-1] == L'?' || p[-1] == L'&' || p[-1] == L'#' || p[-1] == L';'))
            return p + length;
    }
    return nullptr;
}

// How a number at some place reads.
enum class Number {
    Absent,  // no number there, or one run into letters ("7th"): not this form
    Bad,     // a number that is not finite, or too long to read
    Read,
};

// Reads a decimal number at p (blanks and a sign allowed before it) that ends
// before end and is not followed by a letter, digit or point.
Number ReadNumberAt(const wchar_t* p, const wchar_t* end, double* value, const wchar_t** after)
{
    *value = 0.0;
    *after = p;
    const wchar_t* q = p;
    while (q < end && IsBlank(*q))
        ++q;
    if (q < end && (*q == L'+' || *q == L'-'))
        ++q;
    bool digitFirst = q < end && *q >= L'0' && *q <= L'9';
    bool pointFirst = q + 1 < end && *q == L'.' && q[1] >= L'0' && q[1] <= L'9';
    if (!digitFirst && !pointFirst)
        return Number::Absent;
    const wchar_t* stop = p;
    double number = 0.0;
    if (!ReadDecimalNumber(p, &number, &stop))
        return Number::Bad;  // more digits than any position needs
    if (stop > end || (stop < end && (IsAsciiAlnum(*stop) || *stop == L'.')))
        return Number::Absent;
    if (!std::isfinite(number))
        return Number::Bad;
    *value = number;
    *after = stop;
    return Number::Read;
}

HRESULT ResultOf(Number number)
{
    return number == Number::Bad ? E_INVALIDARG : E_FAIL;
}

// Two numbers with a separator between them (blanks allowed around it).
// E_FAIL when they are not there, E_INVALIDARG when one is not a number.
HRESULT ReadNumberPair(const wchar_t* p, const wchar_t* end, wchar_t separator, double* first, double* second,
                       const wchar_t** after)
{
    Number n = ReadNumberAt(p, end, first, after);
    if (n != Number::Read)
        return ResultOf(n);
    const wchar_t* q = *after;
    while (q < end && IsBlank(*q))
        ++q;
    if (q >= end || *q != separator)
        return E_FAIL;
    n = ReadNumberAt(q + 1, end, second, after);
    return n == Number::Read ? S_OK : ResultOf(n);
}

// Degrees within the limits; a value that is not a number fails too.
bool WithinLimits(double latitude, double longitude)
{
    return std::fabs(latitude) <= kLatitudeLimitDegrees && std::fabs(longitude) <= kLongitudeLimitDegrees;
}

HRESULT Found(double latitude, double longitude, double altitude, double headingDegrees, GeoPosition* position)
{
    if (!WithinLimits(latitude, longitude) || !std::isfinite(altitude) || !std::isfinite(headingDegrees))
        return E_INVALIDARG;
    // Headings are kept as given within 0 to 360 (a full circle stays 360),
    // others are brought into that circle.
    double heading = headingDegrees;
    if (heading < 0.0 || heading > kFullCircleDegrees) {
        heading = std::fmod(heading, kFullCircleDegrees);
        if (heading < 0.0)
            heading += kFullCircleDegrees;
    }
    GeoPosition found;
    found.known = TRUE;
    found.latitude = latitude * kRadiansPerDegree;
    found.longitude = longitude * kRadiansPerDegree;
    found.altitude = altitude;
    found.heading = heading * kRadiansPerDegree;
    *position = found;
    return S_OK;
}

// A latitude, a separator and a longitude at p.
HRESULT ReadLatitudeLongitude(const wchar_t* p, const wchar_t* end, wchar_t separator, GeoPosition* position)
{
    double latitude = 0.0;
    double longitude = 0.0;
    const wchar_t* after = p;
    HRESULT hr = ReadNumberPair(p, end, separator, &latitude, &longitude, &after);
    if (SUCCEEDED(hr))
        hr = Found(latitude, longitude, 0.0, 0.0, position);
    return hr;
}

int HexValue(wchar_t ch)
{
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0';
    ch = LowerAscii(ch);
    if (ch >= L'a' && ch <= L'f')
        return ch - L'a' + 10;
    return -1;
}

// A copy of the text with %XX of printable ASCII characters decoded; other
// escapes stay as they are. Never longer than the text.
class DecodedText {
public:
    explicit DecodedText(const wchar_t* text)
    {
        size_t length = std::wcslen(text);
        m_text.reset(new (std::nothrow) wchar_t[length + 1]);
        if (!m_text)
            return;
        wchar_t* out = m_text.get();
        for (size_t i = 0; i < length; ++i) {
            if (text[i] == L'%' && i + 2 < length && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
                int ch = HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]);
                if (ch >= 0x20 && ch < 0x7F) {
                    *out++ = static_cast<wchar_t>(ch);
                    i += 2;
                    continue;
                }
            }
            *out++ = text[i];
        }
        *out = L'\0';
        m_span = Span{m_text.get(), out};
    }
    bool Ok() const { return m_text != nullptr; }
    Span Text() const { return m_span; }

private:
    std::unique_ptr<wchar_t[]> m_text;
    Span m_span{nullptr, nullptr};
};

// The characters of a geo: URI's parameters (RFC 5870 paramchar, decoded).
bool IsParameterChar(wchar_t ch)
{
    return IsAsciiAlnum(ch) || (ch != L'\0' && std::wcschr(L"-_.!~*'()[]:&+$=%", ch) != nullptr);
}

// ;name=value parameters from p on; only crs matters: wgs84 or refused.
HRESULT ReadGeoParameters(const wchar_t** cursor, const wchar_t* end)
{
    const wchar_t* p = *cursor;
    while (p < end && *p == L';') {
        const wchar_t* name = p + 1;
        const wchar_t* q = name;
        while (q < end && IsParameterChar(*q))
            ++q;
        if (LiteralAt(name, q, "crs=", true)) {
            const wchar_t* value = name + 4;
            if (q - value != 5 || !LiteralAt(value, q, "wgs84", true))
                return E_INVALIDARG;
        }
        p = q;
    }
    *cursor = p;
    return S_OK;
}

HRESULT ReadGeoUriAt(const wchar_t* p, Span text, GeoPosition* position)
{
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    const wchar_t* after = p;
    HRESULT hr = ReadNumberPair(p, text.end, L',', &latitude, &longitude, &after);
    if (FAILED(hr))
        return hr;
    if (after < text.end && *after == L',') {
        Number n = ReadNumberAt(after + 1, text.end, &altitude, &after);
        if (n != Number::Read)
            return E_INVALIDARG;
    }
    hr = ReadGeoParameters(&after, text.end);
    if (FAILED(hr))
        return hr;
    hr = Found(latitude, longitude, altitude, 0.0, position);
    // geo:0,0?q=lat,lon: the query names the place.
    if (after < text.end && *after == L'?') {
        const wchar_t* queryEnd = after;
        while (queryEnd < text.end && !IsBlank(*queryEnd) && *queryEnd != L'#')
            ++queryEnd;
        const wchar_t* q = FindParameter(Span{after, queryEnd}, "q=");
        if (q != nullptr) {
            HRESULT query = ReadLatitudeLongitude(q, queryEnd, L',', position);
            if (query != E_FAIL)
                hr = query;
        }
    }
    return hr;
}

HRESULT ReadGeoUriIn(Span text, GeoPosition* position)
{
    for (const wchar_t* p = FindLiteral(text.begin, text.end, "geo:", true); p != nullptr;
         p = FindLiteral(p + 4, text.end, "geo:", true)) {
        if (p > text.begin && IsAsciiAlnum(p[-1]))
            continue;  // "apogeo:" is no geo: URI
        HRESULT hr = ReadGeoUriAt(p + 4, text, position);
        if (hr != E_FAIL)
            return hr;
    }
    return E_FAIL;
}

// Google's place in a link's data: !3d<lat>!4d<lon>. Other !3d values (such
// as an embedded map's viewport) are not followed by !4d and are passed over.
HRESULT ReadPlaceData(Span text, GeoPosition* position)
{
    for (const wchar_t* p = FindLiteral(text.begin, text.end, "!3d"); p != nullptr;
         p = FindLiteral(p + 3, text.end, "!3d")) {
        double latitude = 0.0;
        double longitude = 0.0;
        const wchar_t* after = p;
        Number n = ReadNumberAt(p + 3, text.end, &latitude, &after);
        if (n == Number::Bad)
            return E_INVALIDARG;
        if (n == Number::Absent || !LiteralAt(after, text.end, "!4d"))
            continue;
        n = ReadNumberAt(after + 3, text.end, &longitude, &after);
        if (n == Number::Bad)
            return E_INVALIDARG;
        if (n == Number::Read)
            return Found(latitude, longitude, 0.0, 0.0, position);
    }
    return E_FAIL;
}

// OpenStreetMap's marker: mlat=<lat>&mlon=<lon>, in either order.
HRESULT ReadMarkerParameters(Span text, GeoPosition* position)
{
    const wchar_t* latitudeText = FindParameter(text, "mlat=");
    const wchar_t* longitudeText = FindParameter(text, "mlon=");
    if (latitudeText == nullptr || longitudeText == nullptr)
        return E_FAIL;
    double latitude = 0.0;
    double longitude = 0.0;
    const wchar_t* after = nullptr;
    Number lat = ReadNumberAt(latitudeText, text.end, &latitude, &after);
    Number lon = ReadNumberAt(longitudeText, text.end, &longitude, &after);
    if (lat == Number::Bad || lon == Number::Bad)
        return E_INVALIDARG;
    if (lat == Number::Absent || lon == Number::Absent)
        return E_FAIL;
    return Found(latitude, longitude, 0.0, 0.0, position);
}

// A link parameter whose value is lat,lon (q=, query=, ll=).
HRESULT ReadPairParameter(Span text, const char* name, GeoPosition* position)
{
    const wchar_t* value = FindParameter(text, name);
    return value != nullptr ? ReadLatitudeLongitude(value, text.end, L',', position) : E_FAIL;
}

// Google's view centre: /@lat,lon,zoom.
HRESULT ReadViewCentre(Span text, GeoPosition* position)
{
    for (const wchar_t* p = FindLiteral(text.begin, text.end, "/@"); p != nullptr;
         p = FindLiteral(p + 2, text.end, "/@")) {
        HRESULT hr = ReadLatitudeLongitude(p + 2, text.end, L',', position);
        if (hr != E_FAIL)
            return hr;
    }
    return E_FAIL;
}

// OpenStreetMap's view: #map=zoom/lat/lon.
HRESULT ReadMapFragment(Span text, GeoPosition* position)
{
    const wchar_t* p = FindLiteral(text.begin, text.end, "#map=");
    if (p == nullptr)
        return E_FAIL;
    double zoom = 0.0;
    const wchar_t* after = p;
    Number n = ReadNumberAt(p + 5, text.end, &zoom, &after);
    if (n != Number::Read)
        return ResultOf(n);
    if (after >= text.end || *after != L'/')
        return E_FAIL;
    return ReadLatitudeLongitude(after + 1, text.end, L'/', position);
}

HRESULT ReadMapLinkIn(Span text, GeoPosition* position)
{
    HRESULT hr = ReadPlaceData(text, position);
    if (hr == E_FAIL)
        hr = ReadMarkerParameters(text, position);
    if (hr == E_FAIL)
        hr = ReadPairParameter(text, "q=", position);
    if (hr == E_FAIL)
        hr = ReadPairParameter(text, "query=", position);
    if (hr == E_FAIL)
        hr = ReadViewCentre(text, position);
    if (hr == E_FAIL)
        hr = ReadPairParameter(text, "ll=", position);
    if (hr == E_FAIL)
        hr = ReadMapFragment(text, position);
    return hr;
}

// ---- KML ----

// The content of the first element named name within text: S_OK with the
// stretch between its start and end tags (empty for <name/>), E_FAIL when
// there is none, E_INVALIDARG when its start or end tag is not closed.
HRESULT FindElement(Span text, const char* name, Span* content)
{
    size_t length = 0;
    while (name[length] != '\0')
        ++length;
    for (const wchar_t* p = FindLiteral(text.begin, text.end, "<"); p != nullptr;
         p = FindLiteral(p + 1, text.end, "<")) {
        if (!LiteralAt(p + 1, text.end, name) || p + 1 + length >= text.end)
            continue;
        const wchar_t* afterName = p + 1 + length;
        if (*afterName != L'>' && *afterName != L'/' && !IsBlank(*afterName))
            continue;  // a longer name: <PointStyle>, <coordinatesX>
        const wchar_t* close = FindLiteral(afterName, text.end, ">");
        if (close == nullptr)
            return E_INVALIDARG;
        if (close[-1] == L'/') {
            *content = Span{close + 1, close + 1};
            return S_OK;
        }
        for (const wchar_t* q = FindLiteral(close + 1, text.end, "</"); q != nullptr;
             q = FindLiteral(q + 2, text.end, "</")) {
            if (!LiteralAt(q + 2, text.end, name))
                continue;
            const wchar_t* r = q + 2 + length;
            while (r < text.end && IsBlank(*r))
                ++r;
            if (r < text.end && *r == L'>') {
                *content = Span{close + 1, q};
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    return E_FAIL;
}

// The text of an element without the blanks around it equals the word.
bool ElementTextIs(Span text, const char* word)
{
    const wchar_t* b = text.begin;
    const wchar_t* e = text.end;
    while (b < e && IsBlank(*b))
        ++b;
    while (e > b && IsBlank(e[-1]))
        --e;
    return LiteralAt(b, e, word) && static_cast<size_t>(e - b) == std::strlen(word);
}

// A number that is the whole text of an element (blanks around it allowed).
HRESULT ReadElementNumber(Span element, const char* name, double* value)
{
    Span content{nullptr, nullptr};
    HRESULT hr = FindElement(element, name, &content);
    if (FAILED(hr))
        return hr;
    const wchar_t* after = content.begin;
    if (ReadNumberAt(content.begin, content.end, value, &after) != Number::Read)
        return E_INVALIDARG;
    while (after < content.end && IsBlank(*after))
        ++after;
    return after == content.end ? S_OK : E_INVALIDARG;
}

// <Point><coordinates>lon,lat[,alt]</coordinates></Point>: E_FAIL without a
// Point or without its coordinates.
HRESULT ReadPoint(Span placemark, double* latitude, double* longitude, double* altitude)
{
    Span point{nullptr, nullptr};
    HRESULT hr = FindElement(placemark, "Point", &point);
    Span coordinates{nullptr, nullptr};
    if (SUCCEEDED(hr))
        hr = FindElement(point, "coordinates", &coordinates);
    if (FAILED(hr))
        return hr;
    const wchar_t* after = coordinates.begin;
    hr = ReadNumberPair(coordinates.begin, coordinates.end, L',', longitude, latitude, &after);
    if (FAILED(hr))
        return E_INVALIDARG;
    double height = 0.0;
    if (after < coordinates.end && *after == L',' &&
        ReadNumberAt(after + 1, coordinates.end, &height, &after) != Number::Read)
        return E_INVALIDARG;
    Span mode{nullptr, nullptr};
    HRESULT modeFound = FindElement(point, "altitudeMode", &mode);
    if (modeFound == E_INVALIDARG)
        return modeFound;
    *altitude = SUCCEEDED(modeFound) && ElementTextIs(mode, "absolute") ? height : 0.0;
    return S_OK;
}

HRESULT ReadKmlPlacemarkIn(Span text, GeoPosition* position)
{
    Span placemark{nullptr, nullptr};
    HRESULT hr = FindElement(text, "Placemark", &placemark);
    if (FAILED(hr))
        return hr;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    double heading = 0.0;
    HRESULT point = ReadPoint(placemark, &latitude, &longitude, &altitude);
    if (point == E_INVALIDARG)
        return point;
    Span lookAt{nullptr, nullptr};
    HRESULT view = FindElement(placemark, "LookAt", &lookAt);
    if (view == E_INVALIDARG)
        return view;
    if (SUCCEEDED(view)) {
        hr = ReadElementNumber(lookAt, "heading", &heading);
        if (hr == E_INVALIDARG)
            return hr;
        if (FAILED(point)) {
            hr = ReadElementNumber(lookAt, "longitude", &longitude);
            if (SUCCEEDED(hr))
                hr = ReadElementNumber(lookAt, "latitude", &latitude);
            if (FAILED(hr))
                return E_INVALIDARG;
        }
    } else if (FAILED(point)) {
        return E_INVALIDARG;  // a placemark without coordinates
    }
    return Found(latitude, longitude, altitude, heading, position);
}

Span WholeText(const wchar_t* text)
{
    return Span{text, text + std::wcslen(text)};
}

// Runs a reader and leaves the position unknown when it fails.
template <class Reader>
HRESULT Run(const wchar_t* text, GeoPosition* position, Reader reader)
{
    if (position == nullptr)
        return E_INVALIDARG;
    *position = GeoPosition();
    if (text == nullptr)
        return E_INVALIDARG;
    GeoPosition found;
    HRESULT hr = reader(text, &found);
    if (SUCCEEDED(hr))
        *position = found;
    return hr;
}

HRESULT ReadDecoded(const wchar_t* text, GeoPosition* position, HRESULT (*reader)(Span, GeoPosition*))
{
    DecodedText decoded(text);
    return decoded.Ok() ? reader(decoded.Text(), position) : E_OUTOFMEMORY;
}

HRESULT ReadGeoUriText(const wchar_t* text, GeoPosition* position)
{
    return ReadDecoded(text, position, ReadGeoUriIn);
}

HRESULT ReadMapLinkText(const wchar_t* text, GeoPosition* position)
{
    return ReadDecoded(text, position, ReadMapLinkIn);
}

HRESULT ReadKmlText(const wchar_t* text, GeoPosition* position)
{
    return ReadKmlPlacemarkIn(WholeText(text), position);
}

HRESULT ReadAnyForm(const wchar_t* text, GeoPosition* position)
{
    Span whole = WholeText(text);
    if (FindLiteral(whole.begin, whole.end, "<kml") != nullptr ||
        FindLiteral(whole.begin, whole.end, "<Placemark") != nullptr)
        return ReadKmlPlacemarkIn(whole, position);
    DecodedText decoded(text);
    if (!decoded.Ok())
        return E_OUTOFMEMORY;
    HRESULT hr = ReadGeoUriIn(decoded.Text(), position);
    if (hr == E_FAIL)
        hr = ReadMapLinkIn(decoded.Text(), position);
    return hr;
}

}  // namespace

HRESULT ReadGeoUri(const wchar_t* text, GeoPosition* position)
{
    return Run(text, position, ReadGeoUriText);
}

HRESULT ReadMapLink(const wchar_t* text, GeoPosition* position)
{
    return Run(text, position, ReadMapLinkText);
}

HRESULT ReadKmlPlacemark(const wchar_t* text, GeoPosition* position)
{
    return Run(text, position, ReadKmlText);
}

HRESULT ReadPositionLink(const wchar_t* text, GeoPosition* position)
{
    return Run(text, position, ReadAnyForm);
}
