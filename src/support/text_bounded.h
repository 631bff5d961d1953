// Copying and printf-style formatting into fixed-size buffers. A text that
// does not fit is cut to capacity - 1 characters and always terminated inside
// the buffer. Numbers are formatted with "." as the decimal point.
#pragma once
#include <cstddef>

// Copies min(length of source + 1, capacity) characters of source and ends
// the copy in its last place. Returns destination, or null when capacity is 0.
// An absent source copies as the empty text.
wchar_t* CopyTextBounded(wchar_t* destination, const wchar_t* source, size_t capacity);

// First occurrence of sought in text, or null when either is absent or empty.
const char* FindSubstring(const char* text, const char* sought);

// printf into buffer. Returns the length of the text written: its full length
// when it fits, capacity - 1 when it was cut, 0 when capacity is 0.
int FormatBounded(char* buffer, size_t capacity, const char* format, ...)
    __attribute__((format(gnu_printf, 3, 4)));

// Wide form: "%hs" takes a narrow text, "%ls" a wide one.
int FormatBoundedW(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
