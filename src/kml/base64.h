// Base64 (RFC 4648 alphabet, "=" padding) with a line feed after every full
// line of 64 characters.
#pragma once
#include <cstddef>

// The Base64 text of count bytes as a new NUL-terminated narrow string, to be
// freed with ReleaseBase64Text; null when memory runs out (or bytes is null
// while count is not 0). A count of 0 gives the empty text. A line feed
// follows every 64th character; a text of up to 63 characters has none.
char* Base64Encode(const unsigned char* bytes, size_t count);

void ReleaseBase64Text(char* text);
