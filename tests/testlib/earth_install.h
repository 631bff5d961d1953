// Makes Google Earth look installed or not installed in the test prefix, the
// way the product detects it: the LocalServer32 path of Google Earth's
// application class in HKEY_CLASSES_ROOT names an existing file.
#pragma once
#include <string>

namespace vztest {

// Registers serverPath (any existing file will do) as Google Earth's local
// server; true on success.
bool RegisterEarthServerPath(const std::wstring& serverPath);
// Removes Google Earth's class registration; true when it is gone.
bool UnregisterEarth();

}  // namespace vztest
