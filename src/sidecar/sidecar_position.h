// The position in an XMP sidecar: the GPS properties of the exif namespace
// (http://ns.adobe.com/exif/1.0/) read, stored and removed in the text of a
// sidecar, bytes in, bytes out. The caller reads and writes the file.
//
// Read: GPSLatitude and GPSLongitude ("DDD,MM,SSK" or "DDD,MM.mmK"),
// GPSAltitude with GPSAltitudeRef, the heading from GPSImgDirection (else
// GPSTrack) where its reference is "T" or missing, GPSTimeStamp; in any
// prefix, as attributes of an rdf:Description or as its child elements.
//
// Stored: GPSVersionID "2.3.0.0", GPSLatitude and GPSLongitude as
// "DDD,MM.mmmmmmK", GPSAltitude (centimetres, truncated, as the Exif write
// stores them) with GPSAltitudeRef, or neither when the position has no
// altitude; GPSImgDirection (hundredths of a degree, 0 to 359.99) with
// GPSImgDirectionRef "T" when it has a heading; GPSTimeStamp ("2024-05-01T
// 12:30:00Z") when it has the time of a fix. A heading or a time the
// position does not have stays as the sidecar had it.
//
// Removed: those eight properties (GPSVersionID, GPSLatitude, GPSLongitude,
// GPSAltitudeRef, GPSAltitude, GPSImgDirectionRef, GPSImgDirection,
// GPSTimeStamp), every copy of them; nothing else.
//
// Every other byte of the text stays as it was: a value is replaced where it
// stands, a property removed with the blanks before it, a new property
// added as an attribute of the rdf:Description that already holds exif
// properties (else one whose scope binds the namespace, else the first,
// with a declaration of the namespace), in the quotes and indentation of
// that description's last attribute.
#pragma once
#include <string>

#include "support/geo_position.h"
#include "sidecar/xmp_results.h"

// The moment of a GPS fix, in UTC.
struct SidecarFixTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

struct SidecarPosition {
    // known FALSE: no position; storing it removes the position properties.
    GeoPosition place;
    // Whether place.altitude and place.heading mean anything.
    bool hasAltitude = false;
    bool hasHeading = false;
    bool hasFixTime = false;
    SidecarFixTime fixTime;
};

// Reads the position of a sidecar. S_OK with place.known TRUE when it has
// one (a latitude and a longitude that read), S_FALSE with known FALSE when
// it is XMP without one; a refusal of xmp_results.h otherwise.
HRESULT ReadSidecarPosition(const std::string& text, SidecarPosition* position, SidecarProblem* problem = nullptr);

// Stores position into the sidecar text (or removes the position when
// place.known is FALSE) into *out. S_OK; E_INVALIDARG, *out unchanged,
// when a number is not finite, the altitude in centimetres does not fit 32
// bits or the fix time is no date and time; a refusal of xmp_results.h;
// E_OUTOFMEMORY.
HRESULT StoreSidecarPosition(const std::string& text, const SidecarPosition& position, std::string* out,
                             SidecarProblem* problem = nullptr);
HRESULT RemoveSidecarPosition(const std::string& text, std::string* out, SidecarProblem* problem = nullptr);

// A new sidecar that holds only the position. S_FALSE, *out unchanged, for
// a position that is not known (there is nothing to create); E_INVALIDARG
// as for StoreSidecarPosition.
HRESULT CreateSidecar(const SidecarPosition& position, std::string* out);
