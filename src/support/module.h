// The DLL's own module handle, kept by DllMain. Resources (dialogs, bitmaps,
// icons) are loaded from it.
#pragma once
#include <windows.h>

extern HINSTANCE g_hModule;

// The module that holds the product's resources: the DLL when it is loaded,
// otherwise the module found by the DLL's name.
HINSTANCE ResourceModule();
