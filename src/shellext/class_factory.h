// The class factory of the extension's class (IClassFactory).
#pragma once
#include <windows.h>

// Creates a factory and hands out its interface riid (IUnknown or
// IClassFactory). E_OUTOFMEMORY, or E_NOINTERFACE with the new factory
// destroyed again.
HRESULT CClassFactory_CreateInstance(REFIID riid, void** ppv);
