#include "setup/com_registration.h"

#include <olectl.h>

#include <initializer_list>

#include "support/code_page_text.h"
#include "support/owners.h"
#include "support/text_bounded.h"

namespace {

// Key paths of up to 511 ANSI bytes; ProgIDs and class keys in 64 bytes.
const int kKeyPathCapacity = 512;
const int kKeyNameCapacity = 64;
const DWORD kModulePathCapacity = 256;
const DWORD kSubkeyNameCapacity = 64;

// Converts text to the ANSI code page; false when it does not fit whole.
bool ToAnsi(const wchar_t* text, char* out, int capacity)
{
    return WideToAnsi(text, -1, out, static_cast<size_t>(capacity)).complete;
}

// String data is written with the wide function: a module path may hold
// characters that the ANSI code page cannot, and the shell must find the file
// it names. Text the code page can hold is stored exactly as the ANSI
// function would store it.
bool SetStringValue(HKEY key, const wchar_t* name, const wchar_t* data)
{
    DWORD size = static_cast<DWORD>((lstrlenW(data) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool IsLocalServerName(const wchar_t* moduleName)
{
    char lower[MAX_PATH];
    if (!ToAnsi(moduleName, lower, sizeof(lower)))
        return false;
    CharLowerA(lower);
    return FindSubstring(lower, ".exe") != nullptr;
}

}  // namespace

bool SetClassesKeyValue(const wchar_t* keyPath, const wchar_t* data, const wchar_t* subKey)
{
    wchar_t path[kKeyPathCapacity];
    if (subKey)
        FormatBoundedW(path, kKeyPathCapacity, L"%ls\\%ls", keyPath, subKey);
    else
        CopyTextBounded(path, keyPath, kKeyPathCapacity);
    char ansiPath[kKeyPathCapacity];
    if (!ToAnsi(path, ansiPath, sizeof(ansiPath)))
        return false;

    RegKeyHandle key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, ansiPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return !data || SetStringValue(key.Get(), nullptr, data);
}

bool SetClassesNamedValue(const wchar_t* data, const wchar_t* valueName, const wchar_t* keyPath)
{
    char ansiPath[kKeyPathCapacity];
    if (!ToAnsi(keyPath, ansiPath, sizeof(ansiPath)))
        return false;
    RegKeyHandle key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ansiPath, 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS)
        return false;
    return !data || SetStringValue(key.Get(), valueName, data);
}

bool DeleteClassesTree(HKEY parent, const char* keyName)
{
    {
        RegKeyHandle key;
        if (RegOpenKeyExA(parent, keyName, 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
            return false;
        for (;;) {
            char subkey[kSubkeyNameCapacity];
            DWORD length = kSubkeyNameCapacity;
            if (RegEnumKeyExA(key.Get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (!DeleteClassesTree(key.Get(), subkey))
                return false;
        }
    }
    // The key is closed before it is deleted.
    LSTATUS status = RegDeleteKeyA(parent, keyName);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

REGSAM OtherRegistryView()
{
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
#endif
}

bool ClassRegistered(REFCLSID clsid, REGSAM view)
{
    wchar_t clsidText[39];
    if (!StringFromGUID2(clsid, clsidText, 39))
        return false;
    // HKEY_CLASSES_ROOT joins the machine's and the user's classes; each is
    // asked in the view given (Wine ignores the view flag when a 32-bit
    // program opens keys below HKEY_CLASSES_ROOT itself).
    wchar_t classKey[kKeyNameCapacity];
    FormatBoundedW(classKey, kKeyNameCapacity, L"Software\\Classes\\CLSID\\%ls", clsidText);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegKeyHandle key;
        if (RegOpenKeyExW(root, classKey, 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS)
            return true;
    }
    return false;
}

HRESULT RegisterComServer(const wchar_t* moduleName, REFCLSID clsid, const wchar_t* indepDescription,
                          const wchar_t* indepProgId, const wchar_t* description, const wchar_t* progId,
                          const wchar_t* threadingModel)
{
    // The module's full path. A library that cannot be loaded must not lead
    // to the host program's own path being registered.
    wchar_t modulePath[kModulePathCapacity] = L"";
    HMODULE module = LoadLibraryW(moduleName);
    if (!module)
        return E_INVALIDARG;
    DWORD pathLength = GetModuleFileNameW(module, modulePath, kModulePathCapacity);
    FreeLibrary(module);
    // A path that fills the buffer has been cut: registered, it would name a
    // file that does not exist, and the shell could never load the server.
    if (pathLength == 0 || pathLength >= kModulePathCapacity)
        return E_INVALIDARG;

    wchar_t clsidText[39];
    if (!StringFromGUID2(clsid, clsidText, 39))
        return E_INVALIDARG;
    wchar_t classKey[kKeyNameCapacity];
    FormatBoundedW(classKey, kKeyNameCapacity, L"CLSID\\%ls", clsidText);

    bool ok = SetClassesKeyValue(classKey, description);
    if (ok && IsLocalServerName(moduleName)) {
        ok = SetClassesKeyValue(classKey, modulePath, L"LocalServer32");
    } else if (ok) {
        wchar_t serverKey[kKeyNameCapacity];
        FormatBoundedW(serverKey, kKeyNameCapacity, L"%ls\\InprocServer32", classKey);
        ok = SetClassesKeyValue(classKey, modulePath, L"InprocServer32") &&
             SetClassesNamedValue(threadingModel, L"ThreadingModel", serverKey);
    }
    ok = ok && SetClassesKeyValue(classKey, progId, L"ProgID");
    ok = ok && SetClassesKeyValue(classKey, indepProgId, L"VersionIndependentProgID");
    ok = ok && SetClassesKeyValue(indepProgId, indepDescription);
    ok = ok && SetClassesKeyValue(indepProgId, clsidText, L"CLSID");
    ok = ok && SetClassesKeyValue(indepProgId, progId, L"CurVer");
    ok = ok && SetClassesKeyValue(progId, description);
    ok = ok && SetClassesKeyValue(progId, clsidText, L"CLSID");
    return ok ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT UnregisterComClass(REFCLSID clsid)
{
    wchar_t clsidText[39];
    if (!StringFromGUID2(clsid, clsidText, 39))
        return REGDB_E_WRITEREGDB;
    wchar_t classKey[kKeyNameCapacity];
    FormatBoundedW(classKey, kKeyNameCapacity, L"CLSID\\%ls", clsidText);
    char ansiClassKey[kKeyNameCapacity];
    if (!ToAnsi(classKey, ansiClassKey, kKeyNameCapacity))
        return REGDB_E_WRITEREGDB;
    return DeleteClassesTree(HKEY_CLASSES_ROOT, ansiClassKey) ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT UnregisterComServer(REFCLSID clsid, const wchar_t* indepProgId, const wchar_t* progId)
{
    char ansiIndepProgId[kKeyNameCapacity];
    char ansiProgId[kKeyNameCapacity];
    if (!ToAnsi(indepProgId, ansiIndepProgId, kKeyNameCapacity) || !ToAnsi(progId, ansiProgId, kKeyNameCapacity))
        return REGDB_E_WRITEREGDB;

    if (FAILED(UnregisterComClass(clsid)) || !DeleteClassesTree(HKEY_CLASSES_ROOT, ansiIndepProgId) ||
        !DeleteClassesTree(HKEY_CLASSES_ROOT, ansiProgId))
        return REGDB_E_WRITEREGDB;
    return S_OK;
}

void RemoveProgIds(const wchar_t* indepProgId, const wchar_t* progId)
{
    for (const wchar_t* name : {indepProgId, progId}) {
        char ansiName[kKeyNameCapacity];
        if (ToAnsi(name, ansiName, kKeyNameCapacity))
            DeleteClassesTree(HKEY_CLASSES_ROOT, ansiName);
    }
}
