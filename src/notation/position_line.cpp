#include "notation/position_line.h"

#include <cwchar>

#include "support/text_bounded.h"

namespace {

// The altitude and heading suffix holds at most 31 characters.
const size_t kSuffixCapacity = 32;

// A hemisphere letter as the narrow one-letter text that "%hs" takes.
struct LetterText {
    char text[2];
    explicit LetterText(char letter) : text{letter, '\0'} {}
};

}  // namespace

void FormatPositionLine(const GeoPosition& position, uint32_t notation,
                        BOOL withAltitudeAndHeading, wchar_t* buffer, size_t capacity)
{
    if (buffer == nullptr || capacity == 0) {
        return;
    }
    buffer[0] = L'\0';
    double latitude = RadiansToDegrees(position.latitude);
    double longitude = RadiansToDegrees(position.longitude);
    AngleParts lat = SplitLatitude(latitude);
    AngleParts lon = SplitLongitude(longitude);
    LetterText latLetter(lat.hemisphere);
    LetterText lonLetter(lon.hemisphere);

    switch (notation) {
    case DecimalDegrees:
        FormatBoundedW(buffer, capacity, L"%02.6f\u00b0 / %03.6f\u00b0", latitude, longitude);
        break;
    case DegreesMinutes:
        FormatBoundedW(buffer, capacity, L"%02u\u00b0 %02.4f' %hs / %03u\u00b0 %02.4f' %hs",
                       lat.degrees, lat.decimalMinutes, latLetter.text,
                       lon.degrees, lon.decimalMinutes, lonLetter.text);
        break;
    case DegreesMinutesSeconds:
        FormatBoundedW(buffer, capacity,
                       L"%02u\u00b0 %02u' %02.2f'' %hs / %03u\u00b0 %02u' %02.2f'' %hs",
                       lat.degrees, lat.minutes, lat.seconds, latLetter.text,
                       lon.degrees, lon.minutes, lon.seconds, lonLetter.text);
        break;
    default:
        return;
    }

    if (withAltitudeAndHeading) {
        wchar_t suffix[kSuffixCapacity];
        // Heading rounded to whole degrees: 45.6 shows as 046, 359.6 as 360.
        int32_t heading = TruncateToInt32(RadiansToDegrees(position.heading) + 0.5);
        FormatBoundedW(suffix, kSuffixCapacity, L" / %d m / -> %03u\u00b0",
                       static_cast<int>(TruncateToInt32(position.altitude)),
                       static_cast<unsigned>(heading));
        size_t length = wcslen(buffer);
        size_t suffixLength = wcslen(suffix);
        if (length + suffixLength < capacity) {
            wmemcpy(buffer + length, suffix, suffixLength + 1);
        }
    }
}
