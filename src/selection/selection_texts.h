// Texts about the selection that the user sees.
#pragma once

// A command that writes the photos, given none that may be written.
const wchar_t kNoWritableFileMessage[] =
    L"There is no file selected with write access allowed\n- can't insert GPS data!";
