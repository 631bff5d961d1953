// Texts of the Google Earth client that the user sees, and the registry path
// by which Google Earth is found.
#pragma once

// Title of every message box of the Google Earth link.
constexpr char kEarthMessageTitle[] = "Vantrelo Zerli";

// Below HKEY_CLASSES_ROOT, with the text form of CLSID_ApplicationGE.
constexpr wchar_t kEarthLocalServerKeyFormat[] = L"CLSID\\%ls\\LocalServer32";

// Ends the Google Earth messages: application type, major, minor, build.
constexpr wchar_t kEarthVersionFormat[] = L"\n\n(Google Earth %ls v.%d.%d.%d)";

// Names of Google Earth's application types (VersionAppType).
constexpr wchar_t kEarthAppTypeEnterpriseClient[] = L"EnterpriseClient";
constexpr wchar_t kEarthAppTypePro[] = L"Pro";
constexpr wchar_t kEarthAppTypePlus[] = L"Plus";
constexpr wchar_t kEarthAppTypeFree[] = L"Free";
constexpr wchar_t kEarthAppTypeUnknown[] = L"Unknown Type";

// Google Earth is not running, still starting, or not there: the failing
// HRESULT, then the version text.
constexpr char kEarthWaitMessage[] =
    "Please wait for Google Earth to get initialized.\n"
    "Then navigate to the desired location, and call this function again!\n"
    "(Error code: %08lx)%ls";

// Google Earth is initialised but reading the point or the heading failed.
constexpr char kEarthCallFailedMessage[] =
    "Google Earth function call failed!\n"
    "(Error code: %08lx)\n"
    "Please check if you are using an older version and consider to update the Google Earth software!\n"
    "Before installing Google Earth, please make sure you are logged in with administrator rights!%ls";

// The view point was read, but with terrain exaggeration 0 its altitude means nothing.
constexpr char kEarthTerrainMessage[] =
    "Google Earth terrain exaggeration is set to 0.\n"
    "Thus, the altitude value received is not valid!%ls";
