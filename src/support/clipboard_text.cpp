#include "support/clipboard_text.h"

#include "support/code_page_text.h"
#include "support/owners.h"

namespace {

// The most bytes a block's text is read to: the conversion's lengths are ints.
const SIZE_T kMaxTextBytes = 0x7FFFFFFF;

// How many bytes of ANSI text surely hold capacity characters: a character
// takes at most MaxCharSize bytes of the ANSI code page. Any text beyond them
// is never needed, and the character that the cut may split lies after the
// first capacity characters.
SIZE_T PrefixBytes(int capacity)
{
    CPINFO info;
    SIZE_T charSize = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 4;
    SIZE_T chars = static_cast<SIZE_T>(capacity);
    return chars <= kMaxTextBytes / charSize ? chars * charSize : kMaxTextBytes;
}

// Converts the ANSI text of a locked clipboard block into buffer. The block
// comes from another program: its text is read only within the block's size,
// whether or not it is terminated there, and however long the text is only a
// prefix that holds capacity characters is converted.
void ConvertClipboardBlock(const char* text, SIZE_T blockSize, wchar_t* buffer, int capacity)
{
    SIZE_T limit = PrefixBytes(capacity);
    if (blockSize < limit) {
        limit = blockSize;
    }
    SIZE_T length = 0;
    while (length < limit && text[length] != '\0') {
        ++length;
    }
    // Text longer than the buffer holds is cut to what fits.
    AnsiToWide(text, static_cast<int>(length), buffer, static_cast<size_t>(capacity));
}

}  // namespace

BOOL ReadClipboardText(HWND owner, wchar_t* buffer, int capacity)
{
    if (capacity <= 0 || buffer == nullptr) {
        return FALSE;
    }
    buffer[0] = L'\0';
    ClipboardOpen clipboard(owner);
    if (!clipboard.IsOpen()) {
        return FALSE;
    }
    GlobalMemoryLock block(GetClipboardData(CF_TEXT));
    if (block.Data() != nullptr) {
        ConvertClipboardBlock(static_cast<const char*>(block.Data()), block.Size(), buffer, capacity);
    }
    return TRUE;
}
