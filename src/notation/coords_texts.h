// Texts the user sees and registry names of the coordinates subsystem.
#pragma once

// The notation list of the coordinates dialog, in the order of CoordNotation.
const wchar_t kNotationDecimalDegrees[] = L"+-DDD.dddddd\u00b0";
const wchar_t kNotationDegreesMinutes[] = L"DDD\u00b0 MM.mmmm'";
const wchar_t kNotationDegreesMinutesSeconds[] = L"DDD\u00b0 MM' SS.ss''";

// Shown when a pasted text is not a position.
const char kInvalidCoordinateFormatMessage[] = "Invalid coordinate format!";

// The stored setting, in HKEY_CURRENT_USER (registry names, given to the
// registry functions as they are).
#define VZ_SETTINGS_KEY "Software\\Halcyra\\VantreloZerli"
#define VZ_SETTINGS_VALUE "GpsFlags"
