#include "support/decimal_number.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// The longest number text converted. Every text a field or the clipboard
// can hold is far shorter; a longer one is not taken as a number.
const int kMaxNumberChars = 400;

bool IsBlank(unsigned ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

bool IsDigit(unsigned ch)
{
    return ch >= '0' && ch <= '9';
}

// Decimal exponent of the first significant digit, for a number that
// std::from_chars found out of range: positive means too large.
template <typename Char>
long MagnitudeOf(const Char* digits, const Char* end)
{
    long position = 0;      // digits before the point, after leading zeros
    bool significant = false;
    bool fraction = false;
    long leadingFractionZeros = 0;
    const Char* p = digits;
    for (; p < end && (IsDigit(*p) || *p == '.'); ++p) {
        if (*p == '.') {
            fraction = true;
        } else if (!fraction) {
            if (*p != '0' || significant) {
                significant = true;
                ++position;
            }
        } else if (!significant) {
            if (*p == '0') {
                ++leadingFractionZeros;
            } else {
                significant = true;
            }
        }
    }
    long magnitude = position > 0 ? position : -leadingFractionZeros;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') {
            negative = *p == '-';
            ++p;
        }
        long exponent = 0;
        for (; p < end && IsDigit(*p); ++p) {
            if (exponent < 100000) {
                exponent = exponent * 10 + (*p - '0');
            }
        }
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

template <typename Char>
bool ReadNumber(const Char* text, double* value, const Char** end)
{
    *value = 0.0;
    if (end != nullptr) {
        *end = text;
    }
    if (text == nullptr) {
        return false;
    }
    const Char* p = text;
    while (IsBlank(static_cast<unsigned>(*p))) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const Char* digits = p;
    int integerDigits = 0;
    while (IsDigit(static_cast<unsigned>(*p))) {
        ++p;
        ++integerDigits;
    }
    int fractionDigits = 0;
    if (*p == '.') {
        const Char* q = p + 1;
        while (IsDigit(static_cast<unsigned>(*q))) {
            ++q;
            ++fractionDigits;
        }
        if (integerDigits > 0 || fractionDigits > 0) {
            p = q;
        }
    }
    if (integerDigits == 0 && fractionDigits == 0) {
        return false;
    }
    if (*p == 'e' || *p == 'E') {
        const Char* q = p + 1;
        if (*q == '+' || *q == '-') {
            ++q;
        }
        if (IsDigit(static_cast<unsigned>(*q))) {
            while (IsDigit(static_cast<unsigned>(*q))) {
                ++q;
            }
            p = q;
        }
    }

    // The characters are plain ASCII now: convert them without any locale.
    char narrow[kMaxNumberChars + 1];
    long count = static_cast<long>(p - digits);
    if (count > kMaxNumberChars) {
        return false;
    }
    for (long i = 0; i < count; ++i) {
        narrow[i] = static_cast<char>(digits[i]);
    }
    double magnitude = 0.0;
    std::from_chars_result converted = std::from_chars(narrow, narrow + count, magnitude);
    if (converted.ec == std::errc::result_out_of_range) {
        magnitude = MagnitudeOf(digits, p) > 0 ? HUGE_VAL : 0.0;
    } else if (converted.ec != std::errc() || converted.ptr != narrow + count) {
        return false;
    }
    *value = negative ? -magnitude : magnitude;
    if (end != nullptr) {
        *end = p;
    }
    return true;
}

}  // namespace

bool ReadDecimalNumber(const char* text, double* value, const char** end)
{
    return ReadNumber(text, value, end);
}

bool ReadDecimalNumber(const wchar_t* text, double* value, const wchar_t** end)
{
    return ReadNumber(text, value, end);
}

bool ReadFiniteDecimalNumber(const char* text, double* value)
{
    if (!ReadDecimalNumber(text, value, nullptr) || !std::isfinite(*value)) {
        *value = 0.0;
        return false;
    }
    return true;
}
