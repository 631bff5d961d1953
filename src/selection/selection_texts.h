// Texts about the selection that the user sees.
#pragma once

// A command that writes the photos, given none that may be written.
const wchar_t kNoWritableFileMessage[] =
    L"There is no file selected with write access allowed\n- can't insert GPS data!";

// A photo that another program changed while a command was writing it: the
// other program's work stays, and the photo does not get the position.
const wchar_t kPhotoChangedMessage[] =
    L"The photo \"%ls\" was not written: another program changed it meanwhile. Its changes are kept; "
    L"choose the command again to write the position into it.";
