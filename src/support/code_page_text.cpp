#include "support/code_page_text.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

namespace {

const CodePageResult kNothing = {0, false};

// The most characters converted at once: a double-byte code page needs two
// bytes for each, and the system's lengths are ints.
const size_t kMaxCount = 0x3FFFFFFF;

bool IsHighSurrogate(wchar_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Bytes of the ANSI form of the first count units of text; 0 for none and
// for failure.
int AnsiBytes(const wchar_t* text, int count)
{
    return count > 0 ? WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr) : 0;
}

int RoomBefore(size_t capacity)
{
    return capacity - 1 < static_cast<size_t>(INT_MAX) ? static_cast<int>(capacity - 1) : INT_MAX;
}

}  // namespace

size_t AnsiBytesHolding(size_t chars)
{
    CPINFO info;
    size_t charSize = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 4;
    const size_t limit = static_cast<size_t>(INT_MAX);
    return chars <= limit / charSize ? chars * charSize : limit;
}

CodePageResult WideToAnsi(const wchar_t* text, int count, char* out, size_t capacity)
{
    if (out == nullptr || capacity == 0)
        return kNothing;
    out[0] = '\0';
    size_t length = text == nullptr ? 0 : count < 0 ? std::wcslen(text) : static_cast<size_t>(count);
    if (text == nullptr || length > kMaxCount)
        return kNothing;
    int units = static_cast<int>(length);
    int room = RoomBefore(capacity);
    int needed = AnsiBytes(text, units);
    if (units > 0 && needed <= 0)
        return kNothing;
    bool complete = needed <= room;
    if (!complete) {
        // The ANSI form grows with the prefix it is made of: the longest
        // prefix that fits is found by halving.
        int fits = 0;
        int tooLong = units;
        while (tooLong - fits > 1) {
            int middle = fits + (tooLong - fits) / 2;
            int bytes = AnsiBytes(text, middle);
            if (bytes > 0 && bytes <= room)
                fits = middle;
            else
                tooLong = middle;
        }
        units = fits;
        if (units > 0 && IsHighSurrogate(text[units - 1]))
            --units;
    }
    int written = units > 0 ? WideCharToMultiByte(CP_ACP, 0, text, units, out, room, nullptr, nullptr) : 0;
    if (units > 0 && written <= 0) {
        out[0] = '\0';
        return kNothing;
    }
    out[written] = '\0';
    return {static_cast<size_t>(written), complete};
}

CodePageResult AnsiToWide(const char* text, int count, wchar_t* out, size_t capacity)
{
    if (out == nullptr || capacity == 0)
        return kNothing;
    out[0] = L'\0';
    if (text == nullptr)
        return kNothing;
    // Bytes beyond those that hold capacity characters are never needed; a
    // text that has more is cut whatever they hold. A character that this
    // bound splits lies after the first capacity characters.
    size_t bound = AnsiBytesHolding(capacity);
    size_t length = 0;
    if (count < 0) {
        while (length < bound && text[length] != '\0')
            ++length;
    } else {
        length = static_cast<size_t>(count) < bound ? static_cast<size_t>(count) : bound;
    }
    if (length == 0)
        return {0, true};
    int bytes = static_cast<int>(length);
    int needed = MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
    if (needed <= 0)
        return kNothing;
    int room = RoomBefore(capacity);
    if (needed <= room) {
        int written = MultiByteToWideChar(CP_ACP, 0, text, bytes, out, needed);
        if (written <= 0) {
            out[0] = L'\0';
            return kNothing;
        }
        out[written] = L'\0';
        return {static_cast<size_t>(written), true};
    }
    // Too long: the bounded prefix converted, then cut to the units that
    // fit, never between the two halves of a surrogate pair.
    std::unique_ptr<wchar_t[]> whole(new (std::nothrow) wchar_t[static_cast<size_t>(needed)]);
    if (!whole)
        return kNothing;
    int written = MultiByteToWideChar(CP_ACP, 0, text, bytes, whole.get(), needed);
    if (written <= 0)
        return kNothing;
    int keep = written < room ? written : room;
    if (keep > 0 && IsHighSurrogate(whole[keep - 1]))
        --keep;
    std::memcpy(out, whole.get(), static_cast<size_t>(keep) * sizeof(wchar_t));
    out[keep] = L'\0';
    return {static_cast<size_t>(keep), false};
}
