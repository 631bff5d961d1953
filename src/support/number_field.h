// Real numbers in dialog edit fields, written and read with the decimal
// separator of the user's locale. A field's number text holds at most 15
// characters.
#pragma once
#include <windows.h>

// The number in the field; 0 for an empty field or a text that does not
// begin with a finite decimal number ("nan", "inf" and hexadecimal forms
// read 0 too). Text after the number is ignored.
double GetDlgItemDouble(HWND dialog, int id);

// Writes value with the given decimals (-1: six) into the field, "***" when
// the value is not finite. A text longer than 15 characters is cut.
void SetDlgItemDouble(HWND dialog, int id, double value, int decimals);

// First character of the user's decimal separator, '\0' when the locale
// gives none.
char UserDecimalSeparator();
