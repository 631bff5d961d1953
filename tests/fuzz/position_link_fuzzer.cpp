// libFuzzer target over the readers of position links: geo: URIs, web map
// links and KML placemarks. The input bytes are the text, one character per
// byte (as the clipboard's ANSI text is widened), terminated after its last
// byte. Besides the sanitizers' findings, a broken promise aborts the run:
//   - a text that is read gives a known position within 90 and 180 degrees,
//     a finite altitude and a heading of 0 to 360 degrees;
//   - a text that is refused leaves the position unknown and zero;
//   - the reader of any form gives what the reader of that form gives.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "notation/position_links.h"

namespace {

void Broken(const char* promise)
{
    std::fprintf(stderr, "position link reader broke a promise: %s\n", promise);
    std::abort();
}

bool SamePosition(const GeoPosition& a, const GeoPosition& b)
{
    return a.known == b.known && a.latitude == b.latitude && a.longitude == b.longitude &&
           a.altitude == b.altitude && a.heading == b.heading;
}

GeoPosition Check(HRESULT (*reader)(const wchar_t*, GeoPosition*), const std::wstring& text, HRESULT* result)
{
    GeoPosition position;
    position.known = TRUE;
    position.latitude = 9.0;
    HRESULT hr = reader(text.c_str(), &position);
    if (SUCCEEDED(hr)) {
        if (hr != S_OK || !position.known)
            Broken("a position read is known and S_OK");
        if (!(std::fabs(position.latitude) <= kHalfPi) || !(std::fabs(position.longitude) <= kPi))
            Broken("latitude and longitude within their limits");
        if (!std::isfinite(position.altitude))
            Broken("a finite altitude");
        if (!(position.heading >= 0.0 && position.heading <= 2 * kPi + 1e-12))
            Broken("a heading of 0 to 360 degrees");
    } else {
        if (hr != E_FAIL && hr != E_INVALIDARG && hr != E_OUTOFMEMORY)
            Broken("failures are E_FAIL, E_INVALIDARG or E_OUTOFMEMORY");
        if (position.known || position.latitude != 0.0 || position.longitude != 0.0 || position.altitude != 0.0 ||
            position.heading != 0.0)
            Broken("a refused text leaves the position unknown and zero");
    }
    *result = hr;
    return position;
}

bool Contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            break;  // the clipboard's text ends at its first NUL
        text.push_back(static_cast<wchar_t>(data[i]));
    }
    HRESULT any = S_OK, geo = S_OK, link = S_OK, kml = S_OK;
    GeoPosition anyPosition = Check(ReadPositionLink, text, &any);
    GeoPosition geoPosition = Check(ReadGeoUri, text, &geo);
    GeoPosition linkPosition = Check(ReadMapLink, text, &link);
    GeoPosition kmlPosition = Check(ReadKmlPlacemark, text, &kml);

    if (Contains(text, L"<kml") || Contains(text, L"<Placemark")) {
        if (any != kml || !SamePosition(anyPosition, kmlPosition))
            Broken("a KML text reads as its placemark");
    } else if (geo != E_FAIL) {
        if (any != geo || !SamePosition(anyPosition, geoPosition))
            Broken("a geo: URI reads as the URI");
    } else if (any != link || !SamePosition(anyPosition, linkPosition)) {
        Broken("any other text reads as a map link");
    }
    return 0;
}
