#include "exif/ansi_text.h"

#include <cstring>
#include <memory>
#include <new>

#ifdef _WIN32
#include <windows.h>
#endif

size_t WideToAnsiBytes(const wchar_t* text, size_t length, uint8_t* out, size_t outSize)
{
    if (!out || outSize == 0)
        return 0;
    size_t room = outSize - 1;
    size_t written = 0;
#ifdef _WIN32
    // A double-byte code page needs up to two bytes per character; convert
    // whole, then cut to the room there is.
    if (length > 0 && length <= 0x3FFFFFFF) {
        int wideCount = static_cast<int>(length);
        int needed = WideCharToMultiByte(CP_ACP, 0, text, wideCount, nullptr, 0, nullptr, nullptr);
        if (needed > 0) {
            std::unique_ptr<char[]> converted(new (std::nothrow) char[static_cast<size_t>(needed)]);
            if (converted &&
                WideCharToMultiByte(CP_ACP, 0, text, wideCount, converted.get(), needed, nullptr, nullptr) == needed) {
                written = static_cast<size_t>(needed) < room ? static_cast<size_t>(needed) : room;
                std::memcpy(out, converted.get(), written);
            }
        }
    }
#else
    for (; written < length && written < room; ++written)
        out[written] = text[written] < 0x80 ? static_cast<uint8_t>(text[written]) : '?';
#endif
    out[written] = 0;
    return written;
}
