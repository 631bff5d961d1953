// Reading a plain decimal number at the start of a text: leading blanks,
// an optional sign, digits with an optional "." fraction, an optional
// exponent. Nothing else counts as a number: no "inf", "nan" or hexadecimal
// forms, and the decimal point is "." whatever the locale of the process.
#pragma once

// On success sets *value and, when end is given, *end to the first character
// after the number, and returns true. A number too large for a double reads
// as an infinity of its sign, one too small as zero. Without a number it
// returns false, *value = 0 and *end = text.
bool ReadDecimalNumber(const char* text, double* value, const char** end);
bool ReadDecimalNumber(const wchar_t* text, double* value, const wchar_t** end);

// Reads a number that must also be finite; otherwise false and *value = 0.
bool ReadFiniteDecimalNumber(const char* text, double* value);
