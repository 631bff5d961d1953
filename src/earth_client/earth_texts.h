// Texts of the Google Earth client that the user sees, and the registry path
// by which Google Earth is found.
#pragma once

// A command could not get the view point (after the messages below).
const char kEarthPositionFailedMessage[] = "Couldn't get the current position from the Google Earth client!";

// Below HKEY_CLASSES_ROOT, with the text form of CLSID_ApplicationGE.
const wchar_t kEarthLocalServerKeyFormat[] = L"CLSID\\%ls\\LocalServer32";

// Ends the Google Earth messages: application type, major, minor, build.
const wchar_t kEarthVersionFormat[] = L"\n\n(Google Earth %ls v.%d.%d.%d)";

// Names of Google Earth's application types (VersionAppType).
const wchar_t kEarthAppTypeEnterpriseClient[] = L"EnterpriseClient";
const wchar_t kEarthAppTypePro[] = L"Pro";
const wchar_t kEarthAppTypePlus[] = L"Plus";
const wchar_t kEarthAppTypeFree[] = L"Free";
const wchar_t kEarthAppTypeUnknown[] = L"Unknown Type";

// Google Earth is not running, still starting, or not there: the failing
// HRESULT, then the version text.
const char kEarthWaitMessage[] =
    "Please wait for Google Earth to get initialized.\n"
    "Then navigate to the desired location, and call this function again!\n"
    "(Error code: %08lx)%ls";

// Google Earth is initialised but reading the point or the heading failed.
const char kEarthCallFailedMessage[] =
    "Google Earth function call failed!\n"
    "(Error code: %08lx)\n"
    "Please check if you are using an older version and consider to update the Google Earth software!\n"
    "Before installing Google Earth, please make sure you are logged in with administrator rights!%ls";

// The view point was read, but with terrain exaggeration 0 its altitude means nothing.
const char kEarthTerrainMessage[] =
    "Google Earth terrain exaggeration is set to 0.\n"
    "Thus, the altitude value received is not valid!%ls";
