// The stand-in's process-wide state: its type library, the count of live
// objects that decides when the process ends, and access to the answers and
// records kept in the registry (standin_registry.h).
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <string>

#include "standin_registry.h"

namespace standin {

// The type library embedded in the executable, loaded once by main.
ITypeLib* TypeLib();
HRESULT LoadOwnTypeLib();
void ReleaseOwnTypeLib();

// Live automation objects of this process.
void ObjectCreated();
void ObjectDestroyed();
bool AnyObjectMade();
// True once an object was made and all are gone again.
bool AllObjectsGone();

// Records a call of the member and returns the failure configured for it,
// or S_OK.
HRESULT EnterMember(const wchar_t* member);

}  // namespace standin
