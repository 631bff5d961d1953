#include "notation/coord_parse.h"

#include <cmath>
#include <cwchar>

#include "notation/coord_notation.h"
#include "support/decimal_number.h"
#include "support/text_bounded.h"

namespace {

// Degrees to radians as the parser computes it: pi times 1/180.
const double kParserRadiansPerDegree = 3.141592653589793 * 0.005555555555555556;

// A pasted position is read from at most 63 characters.
const size_t kPositionTextCapacity = 64;

const wchar_t kDegreeSign = L'\u00b0';

bool IsSeparator(wchar_t ch)
{
    return ch == L' ' || ch == L'\t';
}

// Skips blanks, tabs and the given mark; returns how many marks were passed.
int SkipMarks(const wchar_t** text, wchar_t mark)
{
    int count = 0;
    const wchar_t* p = *text;
    for (; IsSeparator(*p) || *p == mark; ++p) {
        if (*p == mark) {
            ++count;
        }
    }
    *text = p;
    return count;
}

// Degrees, minutes and seconds with their marks: 48° 08' 13.75''.
BOOL ReadDegreeSignSyntax(const wchar_t* text, double* degrees)
{
    const wchar_t* p = text;
    double value = 0.0;
    if (!ReadDecimalNumber(p, &value, &p) || value < 0.0) {
        return FALSE;
    }
    if (SkipMarks(&p, kDegreeSign) != 1) {
        return FALSE;
    }
    double minutes = 0.0;
    if (ReadDecimalNumber(p, &minutes, &p)) {
        if (SkipMarks(&p, L'\'') != 1) {
            return FALSE;
        }
        value += minutes * kDegreesPerMinute;
        double seconds = 0.0;
        if (ReadDecimalNumber(p, &seconds, &p)) {
            if (SkipMarks(&p, L'\'') != 2) {
                return FALSE;
            }
            value += seconds * kDegreesPerSecond;
        }
    }
    *degrees = value;
    return TRUE;
}

// Copies the characters [begin, end) into part (kPositionTextCapacity characters).
void CopyPart(const wchar_t* begin, const wchar_t* end, wchar_t* part)
{
    size_t length = static_cast<size_t>(end - begin);
    if (length >= kPositionTextCapacity) {
        length = kPositionTextCapacity - 1;
    }
    wmemcpy(part, begin, length);
    part[length] = L'\0';
}

// The one of two letters that occurs in text, or null when both or neither do.
const wchar_t* OnlyLetterOf(const wchar_t* text, wchar_t first, wchar_t second)
{
    const wchar_t* a = wcschr(text, first);
    const wchar_t* b = wcschr(text, second);
    if ((a == nullptr) == (b == nullptr)) {
        return nullptr;
    }
    return a != nullptr ? a : b;
}

}  // namespace

BOOL ParseCoordinate(const wchar_t* text, BOOL decimalOnly, double limit, double* radians)
{
    *radians = 0.0;
    if (text == nullptr) {
        return FALSE;
    }
    double degrees = 0.0;
    if (decimalOnly) {
        if (!ReadDecimalNumber(text, &degrees, nullptr)) {
            return FALSE;
        }
    } else {
        if (!ReadDegreeSignSyntax(text, &degrees)) {
            return FALSE;
        }
        if (wcschr(text, L'S') != nullptr || wcschr(text, L'W') != nullptr) {
            degrees = -degrees;
        }
    }
    double value = degrees * kParserRadiansPerDegree;
    // Written so that a value that is not a number fails too.
    if (!(std::fabs(value) <= limit)) {
        return FALSE;
    }
    *radians = value;
    return TRUE;
}

BOOL ParsePositionText(const wchar_t* source, double* latitude, double* longitude)
{
    *latitude = 0.0;
    *longitude = 0.0;
    if (source == nullptr) {
        return FALSE;
    }
    wchar_t text[kPositionTextCapacity];
    CopyTextBounded(text, source, kPositionTextCapacity);
    const wchar_t* end = text + wcslen(text);
    const wchar_t* comma = wcschr(text, L',');
    const wchar_t* latitudeLetter = OnlyLetterOf(text, L'N', L'S');
    const wchar_t* longitudeLetter = OnlyLetterOf(text, L'E', L'W');

    wchar_t latitudePart[kPositionTextCapacity];
    wchar_t longitudePart[kPositionTextCapacity];
    BOOL decimalOnly;
    if (latitudeLetter != nullptr && longitudeLetter != nullptr && latitudeLetter < longitudeLetter) {
        // Hemisphere form: the letters give the signs, so signs are not allowed.
        if (wcspbrk(text, L"+-") != nullptr) {
            return FALSE;
        }
        if (comma != nullptr) {
            CopyPart(text, comma, latitudePart);
            CopyPart(comma + 1, end, longitudePart);
        } else {
            // The latitude ends with its letter. One blank or tab after the
            // letter separates the longitude; without one ("48°N11°E") the
            // longitude begins right after the letter.
            const wchar_t* next = latitudeLetter + 1;
            CopyPart(text, next, latitudePart);
            CopyPart(IsSeparator(*next) ? next + 1 : next, end, longitudePart);
        }
        decimalOnly = FALSE;
    } else {
        // Decimal form: signed numbers separated by a comma. Hemisphere
        // letters have no meaning here; a lower-case "s" or "w" would be
        // silently read as north or east, so it is refused as well.
        if (comma == nullptr || wcspbrk(text, L"NSEWsw") != nullptr) {
            return FALSE;
        }
        CopyPart(text, comma, latitudePart);
        CopyPart(comma + 1, end, longitudePart);
        decimalOnly = TRUE;
    }

    double lat = 0.0;
    double lon = 0.0;
    if (!ParseCoordinate(latitudePart, decimalOnly, kLatitudeLimit, &lat) ||
        !ParseCoordinate(longitudePart, decimalOnly, kLongitudeLimit, &lon)) {
        return FALSE;
    }
    *latitude = lat;
    *longitude = lon;
    return TRUE;
}
