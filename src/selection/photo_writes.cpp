#include "selection/photo_writes.h"

#include <windows.h>

#include "selection/selection_texts.h"
#include "support/message_box.h"
#include "support/text_bounded.h"

namespace {

const size_t kMessageCapacity = 600;

}  // namespace

void ShowPhotoChangedMessage(const wchar_t* path)
{
    wchar_t text[kMessageCapacity];
    FormatBoundedW(text, kMessageCapacity, kPhotoChangedMessage, path);
    ShowMessage(nullptr, text, MB_ICONWARNING);
}
