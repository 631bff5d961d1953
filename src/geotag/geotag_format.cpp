#include "geotag/geotag_format.h"

#include <cmath>
#include <cstdint>
#include <cwctype>

#include "notation/position_line.h"
#include "geotag/geotag_texts.h"
#include "raw/raw_formats.h"
#include "track/track_time.h"
#include "support/file_extension.h"
#include "support/text_bounded.h"

namespace {

// Floor division: the quotient rounded down, also for negative dividends.
int64_t FloorDivide(int64_t dividend, int64_t divisor)
{
    int64_t quotient = dividend / divisor;
    return (dividend % divisor != 0 && (dividend < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

const wchar_t* Plural(int count)
{
    return count == 1 ? L"" : L"s";
}

}  // namespace

void FormatUtcOffset(int offsetMinutes, wchar_t* buffer, size_t capacity)
{
    unsigned magnitude = offsetMinutes < 0 ? 0u - static_cast<unsigned>(offsetMinutes)
                                           : static_cast<unsigned>(offsetMinutes);
    FormatBoundedW(buffer, capacity, L"UTC%lc%02u:%02u", offsetMinutes < 0 ? L'-' : L'+', magnitude / 60,
                   magnitude % 60);
}

int NearestListedOffset(int offsetMinutes)
{
    if (offsetMinutes <= kMinListedOffsetMinutes)
        return kMinListedOffsetMinutes;
    if (offsetMinutes >= kMaxListedOffsetMinutes)
        return kMaxListedOffsetMinutes;
    // Seven minutes past a listed offset is nearer to it, eight nearer to
    // the next.
    int64_t steps = FloorDivide(static_cast<int64_t>(offsetMinutes) + kListedOffsetStepMinutes / 2,
                                kListedOffsetStepMinutes);
    return static_cast<int>(steps * kListedOffsetStepMinutes);
}

void FormatTrackTime(double seconds, wchar_t* buffer, size_t capacity)
{
    CivilTime time;
    if (!CivilTimeOf(seconds, &time)) {
        CopyTextBounded(buffer, L"?", capacity);
        return;
    }
    FormatBoundedW(buffer, capacity, L"%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                   time.minute, time.second);
}

bool ParseClockCorrection(const wchar_t* text, int* seconds)
{
    if (!text || !seconds)
        return false;
    const wchar_t* at = text;
    while (std::iswspace(*at))
        ++at;
    if (*at == L'\0') {
        *seconds = 0;
        return true;
    }
    bool negative = *at == L'-';
    if (*at == L'-' || *at == L'+')
        ++at;
    // More than seven digits cannot lie within the bounds; counting them
    // keeps the value from overflowing.
    int64_t value = 0;
    int digits = 0;
    for (; *at >= L'0' && *at <= L'9'; ++at) {
        if (++digits > 7)
            return false;
        value = value * 10 + (*at - L'0');
    }
    while (std::iswspace(*at))
        ++at;
    if (digits == 0 || *at != L'\0' || value > kMaxClockCorrectionSeconds)
        return false;
    *seconds = static_cast<int>(negative ? -value : value);
    return true;
}

void FormatPhotoTaken(const GeotagPhoto& photo, wchar_t* buffer, size_t capacity)
{
    CopyTextBounded(buffer, L"", capacity);
    if (!photo.time.known)
        return;
    wchar_t time[kGeotagTextCapacity];
    FormatTrackTime(photo.time.wallSeconds, time, kGeotagTextCapacity);
    if (!photo.time.hasOffset) {
        CopyTextBounded(buffer, time, capacity);
        return;
    }
    wchar_t offset[kGeotagTextCapacity];
    FormatUtcOffset(photo.time.offsetMinutes, offset, kGeotagTextCapacity);
    FormatBoundedW(buffer, capacity, kGeotagOwnOffset, time, offset);
}

void FormatPhotoPlace(const GeotagPhoto& photo, uint32_t notation, wchar_t* buffer, size_t capacity)
{
    if (photo.keepsPosition) {
        CopyTextBounded(buffer, kGeotagKeepsOwn, capacity);
        return;
    }
    switch (photo.outcome) {
    case GeotagOutcome::Interpolated:
    case GeotagOutcome::Nearest: {
        wchar_t line[kGeotagTextCapacity];
        FormatPositionLine(photo.position, notation, FALSE, line, kGeotagTextCapacity);
        if (photo.hasAltitude) {
            wchar_t place[kGeotagTextCapacity];
            CopyTextBounded(place, line, kGeotagTextCapacity);
            FormatBoundedW(line, kGeotagTextCapacity, kGeotagWithAltitude, place,
                           std::trunc(photo.position.altitude) + 0.0);  // whole metres, never "-0"
        }
        if (photo.readOnly)
            FormatBoundedW(buffer, capacity, kGeotagReadOnly, line);
        else
            CopyTextBounded(buffer, line, capacity);
        return;
    }
    case GeotagOutcome::TooFar:
        CopyTextBounded(buffer, kGeotagTooFar, capacity);
        return;
    case GeotagOutcome::NoTime:
        CopyTextBounded(buffer, kGeotagNoTime, capacity);
        return;
    case GeotagOutcome::InUse:
        CopyTextBounded(buffer, kGeotagInUse, capacity);
        return;
    case GeotagOutcome::NotAPhoto:
    default: {
        // The name decides which container a photo must be.
        const std::wstring& file = photo.target.empty() ? photo.path : photo.target;
        const bool heifName = IsHeifExtension(FindExtension(file.c_str()));
        if (const RawFormat* raw = FindRawFormat(file.c_str()))
            FormatBoundedW(buffer, capacity, kGeotagNotARawFile, raw->name);
        else
            CopyTextBounded(buffer, heifName ? kGeotagNotAHeifPhoto : kGeotagNotAPhoto, capacity);
        return;
    }
    }
}

void FormatGeotagSummary(const GeotagPlan& plan, wchar_t* buffer, size_t capacity)
{
    int total = static_cast<int>(plan.Count());
    int located = 0;
    int kept = 0;
    int skipped = 0;
    for (size_t i = 0; i < plan.Count(); ++i) {
        const GeotagPhoto& photo = plan.At(i);
        if (WillBeWritten(photo))
            ++located;
        else if (GetsFix(photo))
            ++skipped;
        if (photo.keepsPosition)
            ++kept;
    }
    int length = FormatBoundedW(buffer, capacity, kGeotagSummaryLine, located, total, Plural(total));
    if (kept > 0 && static_cast<size_t>(length) + 1 < capacity)
        length += FormatBoundedW(buffer + length, capacity - length, kept == 1 ? kGeotagSummaryKeepsOne
                                                                               : kGeotagSummaryKeeps, kept);
    if (skipped > 0 && static_cast<size_t>(length) + 1 < capacity)
        FormatBoundedW(buffer + length, capacity - length, kGeotagSummarySkips, skipped, Plural(skipped));
}
