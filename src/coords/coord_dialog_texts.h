// Texts of the coordinates dialog that the user sees.
#pragma once
#include "product_identity.h"

// The dialog's title: the one photo's name, or how many there are.
const wchar_t kCoordTitleOne[] = L"'%ls'";
const wchar_t kCoordTitleMany[] = L"%d files";
const wchar_t kCoordTitle[] = VZ_PRODUCT_NAME_W L": Coordinates for %ls";

// Where the position shown at the start was read from, for a raw file
// (cleared when the user changes it).
const wchar_t kCoordSourceSidecar[] = L"Position from the XMP sidecar";
const wchar_t kCoordSourceRawFile[] = L"Position from the raw file";

// "From Clipboard!" while another program holds the clipboard open.
const char kClipboardBusyMessage[] = "Another program is using the clipboard - please try again!";
