#include "track/track_time.h"

#include <cmath>
#include <cstdint>
#include <cwchar>

namespace {

const double kSecondsPerDay = 86400.0;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// A leap second (60) is accepted: it reads as the first second of the next
// minute, as the usual UTC arithmetic has it.
bool IsValidTime(int hour, int minute, int second)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
}

double WallSeconds(int year, int month, int day, int hour, int minute, int second)
{
    return CivilDaySeconds(year, month, day) + hour * 3600.0 + minute * 60.0 + second;
}

// Reads exactly count decimal digits.
template <class Char>
bool ReadDigits(const Char*& p, const Char* end, int count, int* value)
{
    int result = 0;
    for (int i = 0; i < count; ++i) {
        if (p == end || *p < '0' || *p > '9')
            return false;
        result = result * 10 + (*p - '0');
        ++p;
    }
    *value = result;
    return true;
}

template <class Char>
bool Expect(const Char*& p, const Char* end, char c)
{
    if (p == end || *p != c)
        return false;
    ++p;
    return true;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

}  // namespace

double CivilDaySeconds(int year, int month, int day)
{
    // Days from 1970-01-01 in the proleptic Gregorian calendar, counted in
    // eras of 400 years that begin on 1 March.
    int y = year - (month <= 2 ? 1 : 0);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yearOfEra = y - era * 400;
    int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    return static_cast<double>(days) * kSecondsPerDay;
}

bool CivilTimeOf(double seconds, CivilTime* time)
{
    // Beyond this bound no moment lies in the years 1 .. 9999, and within it
    // the whole seconds convert to integers exactly.
    const double kBound = 4.0e11;
    if (!time || !std::isfinite(seconds) || std::fabs(seconds) > kBound)
        return false;
    int64_t whole = static_cast<int64_t>(std::floor(seconds));
    int64_t days = whole / 86400 - (whole % 86400 < 0 ? 1 : 0);
    int64_t ofDay = whole - days * 86400;

    // The day count back to a date, in eras of 400 years that begin on
    // 1 March (as CivilDaySeconds counts them).
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March is 0
    int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999)
        return false;
    time->year = static_cast<int>(year);
    time->month = month;
    time->day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    time->hour = static_cast<int>(ofDay / 3600);
    time->minute = static_cast<int>(ofDay / 60 % 60);
    time->second = static_cast<int>(ofDay % 60);
    return true;
}

bool ParseTrackTime(const wchar_t* text, double* utcSeconds)
{
    if (!text || !utcSeconds)
        return false;
    const wchar_t* p = text;
    const wchar_t* end = text + wcslen(text);
    while (p != end && IsBlank(*p))
        ++p;
    while (end != p && IsBlank(end[-1]))
        --end;

    int year, month, day, hour, minute, second;
    if (!ReadDigits(p, end, 4, &year) || !Expect(p, end, '-') || !ReadDigits(p, end, 2, &month) ||
        !Expect(p, end, '-') || !ReadDigits(p, end, 2, &day) || !Expect(p, end, 'T') ||
        !ReadDigits(p, end, 2, &hour) || !Expect(p, end, ':') || !ReadDigits(p, end, 2, &minute) ||
        !Expect(p, end, ':') || !ReadDigits(p, end, 2, &second))
        return false;
    if (!IsValidDate(year, month, day) || !IsValidTime(hour, minute, second))
        return false;

    // Fractional seconds: any number of digits, of which the first nine
    // count (a nanosecond is far below what a track can resolve).
    double fraction = 0.0;
    if (p != end && *p == L'.') {
        ++p;
        long long numerator = 0;
        long long denominator = 1;
        int digits = 0;
        while (p != end && *p >= L'0' && *p <= L'9') {
            if (digits < 9) {
                numerator = numerator * 10 + (*p - L'0');
                denominator *= 10;
            }
            ++digits;
            ++p;
        }
        if (digits == 0)
            return false;
        fraction = static_cast<double>(numerator) / static_cast<double>(denominator);
    }

    // The zone: Z, +hh:mm, +hhmm or +hh (and the same with -), or none,
    // which GPX files in practice mean as UTC.
    int offsetMinutes = 0;
    if (p != end && *p == L'Z') {
        ++p;
    } else if (p != end && (*p == L'+' || *p == L'-')) {
        int sign = *p == L'-' ? -1 : 1;
        ++p;
        int hours = 0, minutes = 0;
        if (!ReadDigits(p, end, 2, &hours))
            return false;
        if (p != end && *p == L':')
            ++p;
        if (p != end && !ReadDigits(p, end, 2, &minutes))
            return false;
        if (hours > 14 || minutes > 59)
            return false;
        offsetMinutes = sign * (hours * 60 + minutes);
    }
    if (p != end)
        return false;

    *utcSeconds = WallSeconds(year, month, day, hour, minute, second) - offsetMinutes * 60.0 + fraction;
    return true;
}

bool ParseExifDateTime(const char* text, size_t length, double* wallSeconds)
{
    if (!text || !wallSeconds)
        return false;
    const char* p = text;
    const char* end = text + length;
    int year, month, day, hour, minute, second;
    if (!ReadDigits(p, end, 4, &year) || !Expect(p, end, ':') || !ReadDigits(p, end, 2, &month) ||
        !Expect(p, end, ':') || !ReadDigits(p, end, 2, &day) || !Expect(p, end, ' ') ||
        !ReadDigits(p, end, 2, &hour) || !Expect(p, end, ':') || !ReadDigits(p, end, 2, &minute) ||
        !Expect(p, end, ':') || !ReadDigits(p, end, 2, &second))
        return false;
    // What follows may only be the terminator and padding.
    for (; p != end; ++p) {
        if (*p != '\0' && *p != ' ')
            return false;
    }
    if (!IsValidDate(year, month, day) || !IsValidTime(hour, minute, second))
        return false;
    *wallSeconds = WallSeconds(year, month, day, hour, minute, second);
    return true;
}

bool ParseExifUtcOffset(const char* text, size_t length, int* offsetMinutes)
{
    if (!text || !offsetMinutes)
        return false;
    const char* p = text;
    const char* end = text + length;
    if (p == end || (*p != '+' && *p != '-'))
        return false;
    int sign = *p == '-' ? -1 : 1;
    ++p;
    int hours, minutes;
    if (!ReadDigits(p, end, 2, &hours) || !Expect(p, end, ':') || !ReadDigits(p, end, 2, &minutes))
        return false;
    for (; p != end; ++p) {
        if (*p != '\0' && *p != ' ')
            return false;
    }
    int total = hours * 60 + minutes;
    if (minutes > 59 || total > 14 * 60)
        return false;
    *offsetMinutes = sign * total;
    return true;
}
