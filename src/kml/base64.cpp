#include "kml/base64.h"

#include <cstdlib>

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kPad = '=';
const size_t kLineLength = 64;
}

char* Base64Encode(const unsigned char* bytes, size_t count)
{
    if (bytes == nullptr && count != 0)
        return nullptr;
    size_t groups = count / 3 + (count % 3 != 0 ? 1 : 0);
    if (groups > (static_cast<size_t>(-1) / 8))
        return nullptr;
    size_t length = 4 * groups;
    char* text = static_cast<char*>(std::malloc(length + length / kLineLength + 1));
    if (text == nullptr)
        return nullptr;

    char* out = text;
    for (size_t group = 0; group < groups; ++group) {
        // A new line begins before a group whose first character would
        // stand at position 64, 128, ...
        if (group != 0 && (4 * group) % kLineLength == 0)
            *out++ = '\n';
        size_t first = 3 * group;
        size_t left = count - first;
        unsigned b0 = bytes[first];
        unsigned b1 = left > 1 ? bytes[first + 1] : 0;
        unsigned b2 = left > 2 ? bytes[first + 2] : 0;
        *out++ = kAlphabet[b0 >> 2];
        *out++ = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        *out++ = left > 1 ? kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)] : kPad;
        *out++ = left > 2 ? kAlphabet[b2 & 0x3F] : kPad;
    }
    if (length > 0 && length % kLineLength == 0)
        *out++ = '\n';
    *out = '\0';
    return text;
}

void ReleaseBase64Text(char* text)
{
    std::free(text);
}
