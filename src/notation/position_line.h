// The one-line text of a position, as the confirmation of the position taken
// from Google Earth shows it.
#pragma once
#include <cstddef>

#include "notation/coord_notation.h"
#include "support/geo_position.h"

// Writes latitude and longitude in the given notation into buffer (capacity
// characters, terminator included), "." as the decimal point:
//   1: 48.137154° / 11.575382°
//   2: 33° 51.4070' S / 151° 12.9178' E
//   3: 48° 08' 13.75'' N / 011° 34' 31.38'' E
// withAltitudeAndHeading appends " / 519 m / -> 046°" when the whole line then
// fits; otherwise the line stands alone. Any other notation gives "".
void FormatPositionLine(const GeoPosition& position, uint32_t notation,
                        BOOL withAltitudeAndHeading, wchar_t* buffer, size_t capacity);
