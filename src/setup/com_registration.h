// Registration of an in-process (or local) COM server under
// HKEY_CLASSES_ROOT: keys are made with the ANSI registry functions, string
// data (among it the module's path) is written with the wide ones.
#pragma once
#include <windows.h>

// Writes CLSID\{clsid} (description, InprocServer32 with the module's full
// path and threadingModel, or LocalServer32 for a module whose name contains
// ".exe"; ProgID; VersionIndependentProgID), the version-independent ProgID
// (indepDescription, CLSID, CurVer) and the versioned ProgID (description,
// CLSID). S_OK; E_INVALIDARG, with nothing written, when the library named
// moduleName cannot be loaded or its path not found, or when the path has 256
// characters or more (it would be cut); REGDB_E_WRITEREGDB at
// the first key or value that cannot be written (earlier ones remain).
HRESULT RegisterComServer(const wchar_t* moduleName, REFCLSID clsid, const wchar_t* indepDescription,
                          const wchar_t* indepProgId, const wchar_t* description, const wchar_t* progId,
                          const wchar_t* threadingModel);

// Deletes the trees CLSID\{clsid}, indepProgId and progId, in that order.
// S_OK, or REGDB_E_WRITEREGDB at the first that is missing or cannot be
// deleted (the later ones are not tried).
HRESULT UnregisterComServer(REFCLSID clsid, const wchar_t* indepProgId, const wchar_t* progId);

// Deletes the tree CLSID\{clsid} of this module's registry view. S_OK, or
// REGDB_E_WRITEREGDB when it is missing or cannot be deleted.
HRESULT UnregisterComClass(REFCLSID clsid);

// Deletes the trees indepProgId and progId where they exist; what is missing
// or cannot be deleted is left.
void RemoveProgIds(const wchar_t* indepProgId, const wchar_t* progId);

// On 64-bit Windows the 32-bit and the 64-bit DLL each register the class in
// their own registry view (CLSID is kept apart for 32-bit programs), while
// the ProgIDs and the handler key are one copy that both share.
// OtherRegistryView gives the access flag of the view this module does not
// write by itself (KEY_WOW64_32KEY for a 64-bit module, KEY_WOW64_64KEY for a
// 32-bit one under WOW64), or 0 where there is no other view (32-bit Windows).
REGSAM OtherRegistryView();

// Whether HKEY_CLASSES_ROOT\CLSID\{clsid} exists in the registry view given
// by view (0 for this module's own view, else an access flag as above).
bool ClassRegistered(REFCLSID clsid, REGSAM view);

// Creates HKEY_CLASSES_ROOT\keyPath (\subKey when given) and, when data is
// given, sets its unnamed value (REG_SZ). False when either step fails.
bool SetClassesKeyValue(const wchar_t* keyPath, const wchar_t* data, const wchar_t* subKey = nullptr);

// Sets the value valueName of the existing HKEY_CLASSES_ROOT\keyPath to data
// (REG_SZ). False when the key cannot be opened or the value not set.
bool SetClassesNamedValue(const wchar_t* data, const wchar_t* valueName, const wchar_t* keyPath);

// Deletes parent\keyName with all its subkeys, depth first. False when the
// key cannot be opened (also when it is missing) or a part not deleted.
bool DeleteClassesTree(HKEY parent, const char* keyName);
