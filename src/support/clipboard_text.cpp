#include "support/clipboard_text.h"

#include "support/code_page_text.h"
#include "support/owners.h"

namespace {

// Converts the ANSI text of a locked clipboard block into buffer. The block
// comes from another program: its text is read only within the block's size,
// whether or not it is terminated there, and however long the text is only a
// prefix that holds capacity characters is converted.
void ConvertClipboardBlock(const char* text, SIZE_T blockSize, wchar_t* buffer, int capacity)
{
    SIZE_T limit = AnsiBytesHolding(static_cast<size_t>(capacity));
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
    // Another program (a clipboard manager, a remote desktop's or Wine's X11
    // bridge) may hold the clipboard open for a moment: a few tries, 20 ms
    // apart, before the clipboard counts as unavailable.
    const int kTries = 5;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        ClipboardOpen clipboard(owner);
        if (clipboard.IsOpen()) {
            GlobalMemoryLock block(GetClipboardData(CF_TEXT));
            if (block.Data() != nullptr) {
                ConvertClipboardBlock(static_cast<const char*>(block.Data()), block.Size(), buffer, capacity);
            }
            return TRUE;
        }
        if (attempt < kTries) {
            Sleep(20);
        }
    }
    return FALSE;
}
