// What the Google Earth stand-in answers and what it records, kept in the
// registry of the test prefix (current user). The stand-in reads its answers
// anew at every call, so a test changes them between calls; the test side is
// tests/earth_client/earth_standin.h.
#pragma once

namespace standin {

// Key under HKEY_CURRENT_USER.
constexpr wchar_t kSettingsKey[] = L"Software\\VantreloZerliTests\\EarthStandIn";

// Answers (set by the tests).
constexpr wchar_t kInitialized[] = L"Initialized";        // DWORD: IsInitialized gives TRUE unless 0
constexpr wchar_t kLatitude[] = L"Latitude";              // text, degrees: point at the view centre
constexpr wchar_t kLongitude[] = L"Longitude";            // text, degrees
constexpr wchar_t kAltitude[] = L"Altitude";              // text, metres
constexpr wchar_t kAzimuth[] = L"Azimuth";                // text, degrees: the camera's azimuth
constexpr wchar_t kExaggeration[] = L"ElevationExaggeration";  // text
constexpr wchar_t kVersionMajor[] = L"VersionMajor";      // DWORD (signed)
constexpr wchar_t kVersionMinor[] = L"VersionMinor";      // DWORD
constexpr wchar_t kVersionBuild[] = L"VersionBuild";      // DWORD
constexpr wchar_t kVersionAppType[] = L"VersionAppType";  // DWORD (signed)
// Member names (as the interface spells them) that fail, separated by ';',
// and the HRESULT they fail with.
constexpr wchar_t kFailMembers[] = L"FailMembers";
constexpr wchar_t kFailResult[] = L"FailResult";          // DWORD
// How GetPointOnTerrainFromScreenCoords answers through IDispatch: empty for
// what its declaration says, otherwise one of the kPointAnswer... texts.
constexpr wchar_t kPointAnswer[] = L"PointAnswer";
constexpr wchar_t kPointAnswerSwapped[] = L"swapped";  // the other version's form (array <-> object)
constexpr wchar_t kPointAnswerText[] = L"text";        // a BSTR
constexpr wchar_t kPointAnswerEmpty[] = L"empty";      // VT_EMPTY
constexpr wchar_t kPointAnswerShort[] = L"short";      // an array of two doubles only
constexpr wchar_t kPointAnswerNull[] = L"null";        // VT_DISPATCH holding no object

// Records (written by the stand-in).
constexpr wchar_t kCalls[] = L"Calls";                    // text: "Member;Member;..." in call order
constexpr wchar_t kLastScreenX[] = L"LastScreenX";        // text
constexpr wchar_t kLastScreenY[] = L"LastScreenY";        // text
constexpr wchar_t kLastConsiderTerrain[] = L"LastConsiderTerrain";  // DWORD
constexpr wchar_t kServerStarts[] = L"ServerStarts";      // DWORD: processes started so far

// Held by a running stand-in process: it is free again when the process has ended.
constexpr wchar_t kRunningMutex[] = L"VantreloZerliTests.EarthStandIn.Running";

}  // namespace standin
