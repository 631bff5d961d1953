#include "support/clipboard_text.h"

#include <new>

#include "support/text_bounded.h"

namespace {

// Converts the ANSI text of a locked clipboard block into buffer. The block
// comes from another program: its text is read only within the block's size,
// whether or not it is terminated there.
void ConvertClipboardBlock(const char* text, SIZE_T blockSize, wchar_t* buffer, int capacity)
{
    SIZE_T length = 0;
    while (length < blockSize && text[length] != '\0') {
        ++length;
    }
    if (length == 0 || length > 0x7FFFFFFF) {
        return;
    }
    int byteCount = static_cast<int>(length);
    int needed = MultiByteToWideChar(CP_ACP, 0, text, byteCount, nullptr, 0);
    if (needed <= 0) {
        return;
    }
    if (needed < capacity) {
        int converted = MultiByteToWideChar(CP_ACP, 0, text, byteCount, buffer, capacity - 1);
        buffer[converted > 0 ? converted : 0] = L'\0';
        return;
    }
    // Too long for the buffer: convert all of it, then keep what fits.
    wchar_t* whole = new (std::nothrow) wchar_t[static_cast<size_t>(needed) + 1];
    if (whole == nullptr) {
        return;
    }
    int converted = MultiByteToWideChar(CP_ACP, 0, text, byteCount, whole, needed);
    whole[converted > 0 ? converted : 0] = L'\0';
    CopyTextBounded(buffer, whole, static_cast<size_t>(capacity));
    delete[] whole;
}

}  // namespace

BOOL ReadClipboardText(HWND owner, wchar_t* buffer, int capacity)
{
    if (capacity <= 0 || buffer == nullptr) {
        return FALSE;
    }
    buffer[0] = L'\0';
    if (!OpenClipboard(owner)) {
        return FALSE;
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data != nullptr) {
        const char* text = static_cast<const char*>(GlobalLock(data));
        if (text != nullptr) {
            ConvertClipboardBlock(text, GlobalSize(data), buffer, capacity);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return TRUE;
}
