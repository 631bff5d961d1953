#include "support/number_field.h"

#include <cmath>

#include "support/decimal_number.h"
#include "support/support_texts.h"
#include "support/text_bounded.h"

namespace {

// 15 characters of number text and the terminator.
const int kNumberTextCapacity = 16;

void ReplaceAll(char* text, char from, char to)
{
    for (; *text != '\0'; ++text) {
        if (*text == from) {
            *text = to;
        }
    }
}

}  // namespace

char UserDecimalSeparator()
{
    char separator[4] = {};
    LCID locale = MAKELCID(GetUserDefaultLangID(), SORT_DEFAULT);
    if (GetLocaleInfoA(locale, LOCALE_SDECIMAL, separator, sizeof(separator)) == 0) {
        return '\0';
    }
    return separator[0];
}

double GetDlgItemDouble(HWND dialog, int id)
{
    char text[kNumberTextCapacity] = {};
    if (GetDlgItemTextA(dialog, id, text, kNumberTextCapacity) == 0) {
        return 0.0;
    }
    char separator = UserDecimalSeparator();
    if (separator != '\0') {
        ReplaceAll(text, separator, '.');
    }
    double value = 0.0;
    ReadFiniteDecimalNumber(text, &value);
    return value;
}

void SetDlgItemDouble(HWND dialog, int id, double value, int decimals)
{
    char text[kNumberTextCapacity] = {};
    if (!std::isfinite(value)) {
        FormatBounded(text, sizeof(text), "%s", kNotFiniteText);
    } else {
        if (decimals == -1) {
            FormatBounded(text, sizeof(text), "%f", value);
        } else {
            FormatBounded(text, sizeof(text), "%.*f", decimals, value);
        }
        char separator = UserDecimalSeparator();
        if (separator != '\0') {
            ReplaceAll(text, '.', separator);
        }
    }
    SetDlgItemTextA(dialog, id, text);
}
