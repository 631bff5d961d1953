#include "support/text_bounded.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

wchar_t* CopyTextBounded(wchar_t* destination, const wchar_t* source, size_t capacity)
{
    if (destination == nullptr || capacity == 0) {
        return nullptr;
    }
    size_t i = 0;
    if (source != nullptr) {
        for (; i + 1 < capacity && source[i] != L'\0'; ++i) {
            destination[i] = source[i];
        }
    }
    destination[i] = L'\0';
    return destination;
}

const char* FindSubstring(const char* text, const char* sought)
{
    if (text == nullptr || sought == nullptr || *text == '\0' || *sought == '\0') {
        return nullptr;
    }
    return strstr(text, sought);
}

// The length a bounded formatter reports, from what vsnprintf and its wide
// mirror returned (the full length, or negative on an error).
static int BoundedLength(int written, size_t capacity)
{
    if (written < 0) {
        return -1;
    }
    if (static_cast<size_t>(written) >= capacity) {
        return static_cast<int>(capacity - 1);
    }
    return written;
}

int FormatBounded(char* buffer, size_t capacity, const char* format, ...)
{
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    int written = vsnprintf(buffer, capacity, format, args);
    va_end(args);
    int length = BoundedLength(written, capacity);
    if (length < 0) {
        // A format error leaves nothing meaningful: keep an empty text.
        length = 0;
    }
    buffer[length] = '\0';
    return length;
}

int FormatBoundedW(wchar_t* buffer, size_t capacity, const wchar_t* format, ...)
{
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    int written = vswprintf(buffer, capacity, format, args);
    va_end(args);
    int length = BoundedLength(written, capacity);
    if (length < 0) {
        length = 0;
    }
    buffer[length] = L'\0';
    return length;
}
