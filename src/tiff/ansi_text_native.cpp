// The native build has no code page: 7-bit characters are kept, the others
// written as "?".
#include "tiff/ansi_text.h"

size_t WideToAnsiBytes(const wchar_t* text, size_t length, uint8_t* out, size_t outSize)
{
    if (!out || outSize == 0)
        return 0;
    size_t room = outSize - 1;
    size_t written = 0;
    for (; written < length && written < room; ++written)
        out[written] = text[written] < 0x80 ? static_cast<uint8_t>(text[written]) : '?';
    out[written] = 0;
    return written;
}
