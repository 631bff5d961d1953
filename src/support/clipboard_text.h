// Reading the text on the clipboard.
#pragma once
#include <windows.h>

// Empties buffer, then converts the clipboard's CF_TEXT from the ANSI code
// page into it, cut to capacity - 1 characters and terminated; of a longer
// text only a prefix of a few bytes per character is converted. Returns FALSE
// when capacity is not positive or the clipboard cannot be opened (another
// window holding it open for more than about 80 ms); TRUE otherwise, also
// when the clipboard holds no text (the buffer stays empty).
BOOL ReadClipboardText(HWND owner, wchar_t* buffer, int capacity);
