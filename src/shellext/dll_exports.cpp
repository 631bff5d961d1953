// The COM server's exports: the class factory, and whether the DLL may go.
#include <windows.h>

#include "shellext/class_factory.h"
#include "shellext/com_server.h"

const CLSID CLSID_VantreloZerli = {0xEEA3944D, 0x8517, 0x4992, {0x8A, 0x7C, 0x47, 0xFF, 0xDD, 0x78, 0xA3, 0x9B}};

volatile LONG g_cObjects = 0;
volatile LONG g_cLocks = 0;

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_VantreloZerli))
        return CLASS_E_CLASSNOTAVAILABLE;
    return CClassFactory_CreateInstance(riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return (g_cLocks > 0 || g_cObjects != 0) ? S_FALSE : S_OK;
}
