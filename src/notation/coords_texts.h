// Texts the user sees and registry names of the coordinates subsystem.
#pragma once

// The notation list of the coordinates dialog, in the order of CoordNotation.
#define VZ_TEXT_NOTATION_DECIMAL_DEGREES L"+-DDD.dddddd\u00b0"
#define VZ_TEXT_NOTATION_DEGREES_MINUTES L"DDD\u00b0 MM.mmmm'"
#define VZ_TEXT_NOTATION_DEGREES_MINUTES_SECONDS L"DDD\u00b0 MM' SS.ss''"

// Shown when a pasted text is not a position.
#define VZ_TEXT_INVALID_COORDINATE_FORMAT "Invalid coordinate format!"

// The stored setting, in HKEY_CURRENT_USER.
#define VZ_SETTINGS_KEY "Software\\Halcyra\\VantreloZerli"
#define VZ_SETTINGS_VALUE "GpsFlags"
