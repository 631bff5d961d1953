// Reading a position from the texts that map programs and web maps put on
// the clipboard: geo: URIs (RFC 5870), links of web maps (Google Maps,
// OpenStreetMap and the like) and KML placemarks such as Google Earth copies
// and this product writes. The coordinates dialog reads these when a text is
// not a plain position (ParsePositionText).
//
// Portable code: the text is read up to its terminator and never past it, in
// time linear in its length; callers bound the length. Numbers must be finite
// and latitude and longitude within 90 and 180 degrees; nothing is clamped.
#pragma once

#include "support/geo_position.h"
#include "support/platform.h"

// Results besides S_OK: E_FAIL when the text holds no position of the form,
// E_INVALIDARG when it holds the form with numbers out of range or not
// numbers (or a geo: URI of another reference system), E_OUTOFMEMORY.
// On success *position is known, in radians and metres; what the form does
// not give (altitude, heading) is 0. On failure *position is unknown and 0.

// A geo: URI: geo:48.2010,16.3695[,183][;crs=wgs84][;u=40]. Another crs than
// wgs84 is refused. A query q=lat,lon after the path ("geo:0,0?q=48.2,16.3",
// as phones write it) gives the position. Percent-encoding is read.
HRESULT ReadGeoUri(const wchar_t* text, GeoPosition* position);

// A web map link. The place or marker where the link has one, else the view
// centre, in this order: Google's !3d<lat>!4d<lon> place; OpenStreetMap's
// mlat= and mlon= marker; q=lat,lon; query=lat,lon; the view centre
// /@lat,lon; ll=lat,lon; OpenStreetMap's #map=zoom/lat/lon. Percent-encoding
// (%2C for the comma) is read.
HRESULT ReadMapLink(const wchar_t* text, GeoPosition* position);

// The first Placemark of a KML text: its Point's coordinates lon,lat[,alt]
// (the altitude only when the Point's altitudeMode is absolute), else its
// LookAt's longitude and latitude; the LookAt's heading, when given, is the
// heading (0 to 360 degrees). Unbalanced elements are refused.
HRESULT ReadKmlPlacemark(const wchar_t* text, GeoPosition* position);

// Any of the three: a text that holds "<kml" or "<Placemark" is read as KML
// only; otherwise as a geo: URI, and then as a map link.
HRESULT ReadPositionLink(const wchar_t* text, GeoPosition* position);
