#include "standin_state.h"

#include <cwchar>

#include "standin_settings.h"

namespace standin {
namespace {

ITypeLib* g_typeLib = nullptr;
LONG g_liveObjects = 0;
bool g_anyObjectMade = false;

// Opens the settings key, creating it when missing; null on failure.
HKEY OpenSettings()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

void WriteText(const wchar_t* name, const std::wstring& text)
{
    HKEY key = OpenSettings();
    if (key) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

// True when list (names separated by ';') holds member.
bool ListHolds(const std::wstring& list, const wchar_t* member)
{
    std::wstring padded = L";" + list + L";";
    std::wstring sought = std::wstring(L";") + member + L";";
    return padded.find(sought) != std::wstring::npos;
}

}  // namespace

ITypeLib* TypeLib() { return g_typeLib; }

HRESULT LoadOwnTypeLib()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    return LoadTypeLibEx(path, REGKIND_NONE, &g_typeLib);
}

void ReleaseOwnTypeLib()
{
    if (g_typeLib) {
        g_typeLib->Release();
        g_typeLib = nullptr;
    }
}

void ObjectCreated()
{
    InterlockedIncrement(&g_liveObjects);
    g_anyObjectMade = true;
}

void ObjectDestroyed()
{
    InterlockedDecrement(&g_liveObjects);
}

bool AnyObjectMade()
{
    return g_anyObjectMade;
}

bool AllObjectsGone()
{
    return g_anyObjectMade && g_liveObjects == 0;
}

HRESULT EnterMember(const wchar_t* member)
{
    WriteText(kCalls, ReadText(kCalls) + member + L";");
    if (ListHolds(ReadText(kFailMembers), member))
        return static_cast<HRESULT>(ReadDword(kFailResult, static_cast<DWORD>(E_FAIL)));
    return S_OK;
}

std::wstring ReadText(const wchar_t* name)
{
    std::wstring text;
    HKEY key = OpenSettings();
    if (!key)
        return text;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ && size >= sizeof(wchar_t)) {
        text.resize(size / sizeof(wchar_t));
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) ==
            ERROR_SUCCESS)
            text.resize(wcsnlen(text.c_str(), text.size()));
        else
            text.clear();
    }
    RegCloseKey(key);
    return text;
}

double ReadNumber(const wchar_t* name, double fallback)
{
    std::wstring text = ReadText(name);
    if (text.empty())
        return fallback;
    wchar_t* end = nullptr;
    double value = wcstod(text.c_str(), &end);
    return end == text.c_str() ? fallback : value;
}

DWORD ReadDword(const wchar_t* name, DWORD fallback)
{
    DWORD value = fallback;
    HKEY key = OpenSettings();
    if (!key)
        return fallback;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
        value = data;
    RegCloseKey(key);
    return value;
}

void WriteNumber(const wchar_t* name, double value)
{
    wchar_t text[64];
    swprintf(text, 64, L"%.17g", value);
    WriteText(name, text);
}

void WriteDword(const wchar_t* name, DWORD value)
{
    HKEY key = OpenSettings();
    if (key) {
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }
}

}  // namespace standin
