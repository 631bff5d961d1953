// Names, registry paths and messages of registration and installation.
#pragma once
#include <windows.h>

#include "product_identity.h"

// COM registration (UTF-16; converted to the ANSI code page when written).
const wchar_t kModuleFileName[] = L"VantreloZerli.dll";
const wchar_t kClassDescription[] = VZ_PRODUCT_NAME_W L" " VZ_PRODUCT_VERSION_W;
const wchar_t kIndependentDescription[] = VZ_PRODUCT_NAME_W;
const wchar_t kProgId[] = L"Vantrelo.Zerli." VZ_PRODUCT_VERSION_W;
const wchar_t kIndependentProgId[] = L"Vantrelo.Zerli";
const wchar_t kThreadingModel[] = L"Apartment";
const char kContextMenuHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\VantreloZerli";

// Installation (ANSI).
const char kModuleName[] = "VantreloZerli";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VantreloZerli";
const char kProductName[] = VZ_PRODUCT_NAME_A;
const char kShortVersion[] = VZ_PRODUCT_VERSION_A;
const char kFullVersion[] = VZ_FILE_VERSION_A;
const char kPublisher[] = VZ_MAKER_NAME_A;
const int kIconResource = 5000;
const wchar_t kVerboseSwitch[] = L"verbose";

const char kDisplayNameFormat[] = "%s %s%s";
// On 64-bit Windows both DLLs may be installed, each with its own entry in the
// list of installed programs: the 64-bit one says which it is.
#ifdef _WIN64
const char kEditionSuffix[] = " (64-bit)";
#else
const char kEditionSuffix[] = "";
#endif
// The values that hold the DLL's path are UTF-16: the path may hold
// characters that the ANSI code page cannot.
const wchar_t kDisplayIconFormat[] = L"%ls,-%d";
const wchar_t kUninstallStringFormat[] = L"regsvr32 -u -n -i:verbose \"%ls\"";

const char kRegistrationFailedMessage[] = "Error registering the tool - installation aborted";
const char kInstalledMessageFormat[] =
    "%s %s has been successfully installed on your computer.\n\nTo use it:\n- Open the Windows Explorer\n"
    "- Right-click on a JPEG file\n- Select one of the Zerli's options!";
const char kConfirmRemovalMessage[] = "Do you really want to remove the " VZ_PRODUCT_NAME_A " tool from your computer?";
const char kNoDeleteRightMessage[] = "Deleting program files requires administrator rights - uninstall failed";
const char kRemovedMessageFormat[] =
    "%s %s has been uninstalled.\r\nSome remaining files will be deleted when you reboot your computer.";
