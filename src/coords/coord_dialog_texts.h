// Texts of the coordinates dialog that the user sees.
#pragma once
#include "product_identity.h"

// The dialog's title: the one photo's name, or how many there are.
const wchar_t kCoordTitleOne[] = L"'%ls'";
const wchar_t kCoordTitleMany[] = L"%d files";
const wchar_t kCoordTitle[] = VZ_PRODUCT_NAME_W L": Coordinates for %ls";

// "From Clipboard!" while another program holds the clipboard open.
const char kClipboardBusyMessage[] = "Another program is using the clipboard - please try again!";
