// Conversion between UTF-16 and the ANSI code page (CP_ACP) into a buffer of
// fixed capacity: what does not fit is cut off at a whole character (never a
// half of a double-byte character or of a surrogate pair), nothing is
// written past the buffer, and the text is always terminated there.
#pragma once
#include <windows.h>

#include <cstddef>

struct CodePageResult {
    // Characters (bytes, or UTF-16 units) written before the terminator.
    size_t length;
    // True when the whole text was converted; false when it was cut, or the
    // text was null or could not be converted (the buffer then holds the
    // empty text).
    bool complete;
};

// count: the characters of text to convert, or -1 for all up to its
// terminator. capacity counts the terminator; a capacity of 0 writes nothing
// and is never complete.
CodePageResult WideToAnsi(const wchar_t* text, int count, char* out, size_t capacity);
// Reads at most AnsiBytesHolding(capacity) bytes of text, however long it
// is: what lies beyond is cut off in any case.
CodePageResult AnsiToWide(const char* text, int count, wchar_t* out, size_t capacity);

// How many bytes of ANSI text surely hold its first chars characters: a
// character takes at most the code page's MaxCharSize bytes. At most INT_MAX.
size_t AnsiBytesHolding(size_t chars);
