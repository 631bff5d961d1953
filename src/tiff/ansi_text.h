// Conversion of Exif ASCII values from the product's UTF-16 text.
#pragma once
#include <cstddef>
#include <cstdint>

// Converts text (length characters, no terminator needed) to the ANSI code
// page into out, which holds outSize bytes (at least 1): as many whole
// characters as fit before a final zero byte, which is always written.
// Returns the number of bytes before that zero. The native build, which has
// no code page, keeps 7-bit characters and writes "?" for the others.
size_t WideToAnsiBytes(const wchar_t* text, size_t length, uint8_t* out, size_t outSize);
