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

// A raw file's XMP sidecar that is no well-formed XMP (or too large):
// its path, then the reason (sidecar/sidecar_texts.h, with its place).
const wchar_t kSidecarRefusedMessage[] =
    L"The XMP sidecar \"%ls\" was left as it is, and its raw file did not get the position: %hs. "
    L"Repair or remove the sidecar, then choose the command again.";

// The closing report of a command that writes many photos names those that
// another program changed meanwhile: a line, then one line per photo (at
// most kPhotosChangedNamed, then how many more).
const wchar_t kPhotosChangedReportOne[] =
    L"\nAnother program changed this photo meanwhile; its changes are kept, and it was not written:";
const wchar_t kPhotosChangedReportMany[] =
    L"\nAnother program changed these %d photos meanwhile; their changes are kept, and they were not written:";
const wchar_t kPhotosChangedName[] = L"\n    %ls";
const wchar_t kPhotosChangedMore[] = L"\n    and %d more";
const int kPhotosChangedNamed = 10;
