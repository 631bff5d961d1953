#include "standin_registry.h"

#include <cwchar>

#include "standin_settings.h"

namespace standin {
namespace {

// Opens the settings key, creating it when missing; null on failure.
HKEY OpenSettings()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace

void WriteText(const wchar_t* name, const std::wstring& text)
{
    HKEY key = OpenSettings();
    if (key) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
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
