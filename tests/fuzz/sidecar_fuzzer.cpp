// libFuzzer target over the XMP sidecar editor. The input bytes are the
// sidecar's text. Besides the sanitizers' findings, a broken promise aborts
// the run:
//   - reading and storing agree on whether the text is refused, and a
//     refusal is one of the sidecar results with a reason, the output left
//     alone;
//   - a stored position reads back (to a millionth of a minute, 1 cm);
//   - storing the same position again and removing it twice change nothing
//     more; after a removal no position reads;
//   - a text without a position that is given one and loses it again is
//     the original byte for byte, where no namespace had to be declared.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sidecar/sidecar_position.h"

namespace {

void Broken(const char* promise)
{
    std::fprintf(stderr, "sidecar editor broke a promise: %s\n", promise);
    std::abort();
}

bool IsRefusal(HRESULT hr)
{
    return hr == VZ_E_SIDECAR_MALFORMED || hr == VZ_E_SIDECAR_DTD || hr == VZ_E_SIDECAR_TOO_DEEP ||
           hr == VZ_E_SIDECAR_TOO_LARGE || hr == VZ_E_SIDECAR_NOT_XMP || hr == VZ_E_SIDECAR_ENCODING;
}

SidecarPosition FromInput(const uint8_t* data, size_t size)
{
    // A position chosen by the input's length, so that each input tries one.
    static const double kPlaces[][4] = {
        {48.8582, 2.2945, 35.5, 90.0}, {-33.8568, -151.2153, -12.345, 359.999}, {89.99999, 179.99999, 8848.86, -1}};
    const double* place = kPlaces[size % 3];
    SidecarPosition p;
    p.place.known = TRUE;
    p.place.latitude = place[0] * kRadiansPerDegree;
    p.place.longitude = place[1] * kRadiansPerDegree;
    p.hasAltitude = size % 2 == 0;
    p.place.altitude = p.hasAltitude ? place[2] : 0.0;
    p.hasHeading = place[3] >= 0;
    p.place.heading = p.hasHeading ? place[3] * kRadiansPerDegree : 0.0;
    p.hasFixTime = size % 5 == 0;
    p.fixTime = {2024, 2, 29, 23, 59, static_cast<int>(data[0] % 60)};
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    SidecarPosition before;
    SidecarProblem problem;
    const HRESULT read = ReadSidecarPosition(text, &before, &problem);
    const SidecarPosition wanted = FromInput(data, size);
    std::string stored = "unchanged";
    const HRESULT hr = StoreSidecarPosition(text, wanted, &stored);
    if (FAILED(read)) {
        if (!IsRefusal(read) || problem.reason.empty())
            Broken("a refusal is a sidecar result with a reason");
        if (hr != read || stored != "unchanged" || before.place.known)
            Broken("a refused sidecar is refused by every function and left alone");
        return 0;
    }
    if (hr != S_OK)
        Broken("a sidecar that reads takes a position");

    SidecarPosition back;
    if (ReadSidecarPosition(stored, &back) != S_OK)
        Broken("the stored position reads");
    if (std::fabs(back.place.latitude - wanted.place.latitude) > 1e-7 * kRadiansPerDegree ||
        std::fabs(back.place.longitude - wanted.place.longitude) > 1e-7 * kRadiansPerDegree ||
        back.hasAltitude != wanted.hasAltitude || std::fabs(back.place.altitude - wanted.place.altitude) >= 0.01)
        Broken("the stored position reads back as stored");
    std::string again;
    if (StoreSidecarPosition(stored, wanted, &again) != S_OK || again != stored)
        Broken("storing the same position twice gives the same text");

    std::string removed, removedTwice;
    if (RemoveSidecarPosition(stored, &removed) != S_OK || RemoveSidecarPosition(removed, &removedTwice) != S_OK ||
        removed != removedTwice)
        Broken("removing twice gives the same text");
    if (ReadSidecarPosition(removed, &back) != S_FALSE)
        Broken("no position reads after a removal");
    std::string removedOriginal;
    if (RemoveSidecarPosition(text, &removedOriginal) != S_OK)
        Broken("a sidecar that reads loses its position");
    // Without a position before, and with no declaration or description
    // added for it, the removal takes back exactly what the store added.
    const auto count = [](const std::string& s, const char* word) {
        size_t n = 0;
        for (size_t at = s.find(word); at != std::string::npos; at = s.find(word, at + 1))
            ++n;
        return n;
    };
    const bool propertiesAlone = count(stored, "xmlns") == count(text, "xmlns") &&
                                 count(stored, "Description") == count(text, "Description");
    if (removedOriginal == text && propertiesAlone && removed != text)
        Broken("a position given and taken again leaves the original bytes");
    return 0;
}
