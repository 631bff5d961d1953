// The extension's COM class and the module-wide counts that decide whether
// the DLL may be unloaded (DllCanUnloadNow).
#pragma once
#include <windows.h>

// {EEA3944D-8517-4992-8A7C-47FFDD78A39B}: the class Explorer creates for the
// context-menu handler; registered by DllRegisterServer.
extern const CLSID CLSID_VantreloZerli;

// Live objects of all three classes, and the net count of LockServer calls.
// The shell may create objects on several apartment threads at once, so
// both change only through interlocked operations.
extern volatile LONG g_cObjects;
extern volatile LONG g_cLocks;

inline void ObjectCreated() { InterlockedIncrement(&g_cObjects); }
inline void ObjectDestroyed() { InterlockedDecrement(&g_cObjects); }
