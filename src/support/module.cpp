#include "support/module.h"

HINSTANCE g_hModule = nullptr;

HINSTANCE ResourceModule()
{
    if (g_hModule)
        return g_hModule;
    return GetModuleHandleA("VantreloZerli");
}
