#include "testlib/earth_install.h"

#include <windows.h>

namespace vztest {

namespace {

const wchar_t kEarthClassKey[] = L"CLSID\\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}";
const wchar_t kEarthServerKey[] = L"CLSID\\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\\LocalServer32";

}  // namespace

bool RegisterEarthServerPath(const std::wstring& serverPath)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kEarthServerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(serverPath.c_str()),
                                 static_cast<DWORD>((serverPath.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool UnregisterEarth()
{
    LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, kEarthClassKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace vztest
