// The conversion to the user's ANSI code page, cut at a whole character.
#include "tiff/ansi_text.h"

#include "support/code_page_text.h"

size_t WideToAnsiBytes(const wchar_t* text, size_t length, uint8_t* out, size_t outSize)
{
    if (!out || outSize == 0)
        return 0;
    // Longer texts than the system's int lengths hold are not converted.
    if (length > 0x3FFFFFFF) {
        out[0] = 0;
        return 0;
    }
    return WideToAnsi(text, static_cast<int>(length), reinterpret_cast<char*>(out), outSize).length;
}
