// Entry point of VantreloZerli.dll.
#include <windows.h>
#include "shellext/menu_bitmaps.h"
#include "support/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved)
{
    if (fdwReason == DLL_PROCESS_ATTACH) {
        g_hModule = hinstDLL;
        DisableThreadLibraryCalls(hinstDLL);
    } else if (fdwReason == DLL_PROCESS_DETACH && lpvReserved == nullptr) {
        // Unloaded by FreeLibrary while the process goes on. When the process
        // ends the system reclaims its GDI objects itself.
        ReleaseMenuBitmaps();
    }
    return TRUE;
}
