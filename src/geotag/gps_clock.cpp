#include "geotag/gps_clock.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

#include "geotag/geotag_format.h"
#include "geotag/geotag_texts.h"
#include "support/text_bounded.h"
#include "track/track_time.h"

namespace {

const double kSecondsPerDay = 86400.0;
// Longer texts are no time or zone a screen shows.
const size_t kShownTextCapacity = 48;

// Copies text without the white space around it; false when it does not
// fit.
bool CopyTrimmed(const wchar_t* text, wchar_t* buffer, size_t capacity)
{
    while (std::iswspace(*text))
        ++text;
    size_t length = std::wcslen(text);
    while (length > 0 && std::iswspace(text[length - 1]))
        --length;
    if (length >= capacity)
        return false;
    std::wmemcpy(buffer, text, length);
    buffer[length] = L'\0';
    return true;
}

// Reads one to limit digits at *at, moving on.
bool ReadNumber(const wchar_t** at, int limit, int* value)
{
    int digits = 0;
    *value = 0;
    for (; **at >= L'0' && **at <= L'9' && digits < limit; ++*at, ++digits)
        *value = *value * 10 + (**at - L'0');
    return digits > 0;
}

}  // namespace

bool ParseShownTime(const wchar_t* text, ShownTime* time)
{
    wchar_t trimmed[kShownTextCapacity];
    if (!text || !time || !CopyTrimmed(text, trimmed, kShownTextCapacity))
        return false;
    // The track reader knows dates and times: a time of day alone is read
    // on the scale's first day, and either is read as UTC, its zone added
    // by the caller.
    bool hasDate = std::wcschr(trimmed, L'-') != nullptr;
    wchar_t* space = std::wcschr(trimmed, L' ');
    if (hasDate && space)
        *space = L'T';
    wchar_t full[kShownTextCapacity + 16];
    FormatBoundedW(full, kShownTextCapacity + 16, hasDate ? L"%lsZ" : L"1970-01-01T%lsZ", trimmed);
    double seconds = 0;
    if (!ParseTrackTime(full, &seconds))
        return false;
    time->seconds = seconds;
    time->hasDate = hasDate;
    return true;
}

bool ParseShownZone(const wchar_t* text, int* minutes)
{
    wchar_t trimmed[kShownTextCapacity];
    if (!text || !minutes || !CopyTrimmed(text, trimmed, kShownTextCapacity))
        return false;
    const wchar_t* at = trimmed;
    if (_wcsnicmp(at, L"UTC", 3) == 0 || _wcsnicmp(at, L"GMT", 3) == 0)
        at += 3;
    if (*at == L'\0') {
        *minutes = 0;
        return true;
    }
    if (*at != L'+' && *at != L'-')
        return false;
    int sign = *at++ == L'-' ? -1 : 1;
    int hours = 0;
    int rest = 0;
    const wchar_t* hourDigits = at;
    if (!ReadNumber(&at, 2, &hours))
        return false;
    if (*at == L':') {
        // "+3:30", "+03:30": two digits of minutes after the colon.
        const wchar_t* minuteDigits = ++at;
        if (!ReadNumber(&at, 2, &rest) || at - minuteDigits != 2)
            return false;
    } else if (*at != L'\0') {
        // "+0330": the minutes follow two digits of hours.
        if (at - hourDigits != 2 || !ReadNumber(&at, 2, &rest) || at - hourDigits != 4)
            return false;
    }
    int total = sign * (hours * 60 + rest);
    if (*at != L'\0' || rest > 59 || total < kMinListedOffsetMinutes || total > kMaxListedOffsetMinutes)
        return false;
    *minutes = total;
    return true;
}

bool ClockCorrectionFromShownTime(double cameraUtcSeconds, const ShownTime& shown, int zoneMinutes,
                                  int* correction)
{
    if (!correction || !std::isfinite(cameraUtcSeconds))
        return false;
    double shownUtc = shown.seconds - zoneMinutes * 60.0;
    if (!shown.hasDate) {
        // The screen's day at the photo's moment, or the day before or
        // after it when the time lies nearer across midnight.
        double day = std::floor((cameraUtcSeconds + zoneMinutes * 60.0) / kSecondsPerDay) * kSecondsPerDay;
        shownUtc += day;
        if (shownUtc - cameraUtcSeconds > kSecondsPerDay / 2)
            shownUtc -= kSecondsPerDay;
        else if (cameraUtcSeconds - shownUtc > kSecondsPerDay / 2)
            shownUtc += kSecondsPerDay;
    }
    double seconds = std::round(shownUtc - cameraUtcSeconds);
    if (!(std::fabs(seconds) <= kMaxClockCorrectionSeconds))
        return false;
    *correction = static_cast<int>(seconds);
    return true;
}

void FormatCorrectionLength(int seconds, wchar_t* buffer, size_t capacity)
{
    long minutes = std::lround(std::fabs(static_cast<double>(seconds)) / 60.0);
    long days = minutes / (24 * 60);
    long hours = minutes / 60 % 24;
    minutes %= 60;
    FormatBoundedW(buffer, capacity, kGpsClockLength, days, days == 1 ? L"" : L"s", hours, hours == 1 ? L"" : L"s",
                   minutes, minutes == 1 ? L"" : L"s");
}
