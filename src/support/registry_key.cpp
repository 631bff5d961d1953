#include "support/registry_key.h"

#include <cstring>
#include <memory>
#include <new>

#include "support/code_page_text.h"

namespace {

// Registry key and value names of the product fit in 255 ANSI characters.
const int kAnsiNameCapacity = 256;

// Converts a UTF-16 name into name (kAnsiNameCapacity bytes). A null name
// stays null. FALSE when the converted name does not fit whole.
BOOL ToAnsiName(const wchar_t* wide, char (&name)[kAnsiNameCapacity], const char** result)
{
    *result = nullptr;
    if (wide == nullptr) {
        return TRUE;
    }
    if (!WideToAnsi(wide, -1, name, kAnsiNameCapacity).complete) {
        return FALSE;
    }
    *result = name;
    return TRUE;
}

HRESULT DeleteKeyTree(HKEY key)
{
    HRESULT hr = S_OK;
    for (;;) {
        char subkeyName[kAnsiNameCapacity];
        DWORD nameLength = kAnsiNameCapacity;
        LONG error = RegEnumKeyExA(key, 0, subkeyName, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (error == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (error != ERROR_SUCCESS) {
            return E_FAIL;
        }
        RegKeyHandle subkey;
        if (RegOpenKeyExA(key, subkeyName, 0, KEY_ALL_ACCESS, subkey.Put()) != ERROR_SUCCESS) {
            return E_FAIL;
        }
        hr = DeleteKeyTree(subkey.Get());
        subkey.Reset();
        if (FAILED(hr)) {
            return hr;
        }
    }
    // The empty subkey name denotes the key of the handle itself.
    return RegDeleteKeyA(key, "") == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace

void RegistryKey::Open(BOOL create, HKEY root, const char* path)
{
    Close();
    if (path == nullptr) {
        return;
    }
    HKEY key = nullptr;
    LONG error;
    if (create) {
        error = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr);
    } else {
        error = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    }
    if (error == ERROR_SUCCESS) {
        m_key.Reset(key);
    }
}

void RegistryKey::Open(BOOL create, HKEY root, const wchar_t* path)
{
    Close();
    char name[kAnsiNameCapacity];
    const char* ansiPath = nullptr;
    if (ToAnsiName(path, name, &ansiPath)) {
        Open(create, root, ansiPath);
    }
}

void RegistryKey::Close()
{
    m_key.Reset();
}

HRESULT RegistryKey::SetValue(const char* name, DWORD type, const void* data, DWORD size)
{
    if (!IsOpen()) {
        return E_FAIL;
    }
    LONG error = RegSetValueExA(m_key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
    return error == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT RegistryKey::SetValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    char ansi[kAnsiNameCapacity];
    const char* ansiName = nullptr;
    if (!ToAnsiName(name, ansi, &ansiName)) {
        return E_FAIL;
    }
    return SetValue(ansiName, type, data, size);
}

HRESULT RegistryKey::SetString(const wchar_t* name, const wchar_t* text)
{
    if (!IsOpen() || text == nullptr) {
        return E_FAIL;
    }
    DWORD size = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t));
    LONG error = RegSetValueExW(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
    return error == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT RegistryKey::QueryValue(const char* name, DWORD* type, void* buffer, DWORD size)
{
    if (!IsOpen() || buffer == nullptr) {
        return E_FAIL;
    }
    DWORD length = size;
    LONG error = RegQueryValueExA(m_key.Get(), name, nullptr, type, static_cast<BYTE*>(buffer), &length);
    if (error == ERROR_SUCCESS) {
        return length == size ? S_OK : S_FALSE;
    }
    if (error != ERROR_MORE_DATA) {
        return E_FAIL;
    }
    // Longer than the buffer: read it whole, keep its first bytes.
    HRESULT hr = E_FAIL;
    DWORD wholeSize = length;
    std::unique_ptr<BYTE[]> whole(new (std::nothrow) BYTE[wholeSize]);
    if (whole != nullptr) {
        if (RegQueryValueExA(m_key.Get(), name, nullptr, type, whole.get(), &wholeSize) == ERROR_SUCCESS) {
            memcpy(buffer, whole.get(), wholeSize < size ? wholeSize : size);
            hr = S_FALSE;
        }
    }
    return hr;
}

HRESULT RegistryKey::QueryValue(const wchar_t* name, DWORD* type, void* buffer, DWORD size)
{
    char ansi[kAnsiNameCapacity];
    const char* ansiName = nullptr;
    if (!ToAnsiName(name, ansi, &ansiName)) {
        return E_FAIL;
    }
    return QueryValue(ansiName, type, buffer, size);
}

HRESULT RegistryKey::DeleteTree()
{
    if (!IsOpen()) {
        return E_FAIL;
    }
    HRESULT hr = DeleteKeyTree(m_key.Get());
    if (SUCCEEDED(hr)) {
        // The key is gone: the handle only needs closing.
        Close();
    }
    return hr;
}

void RegistryKey::GuidToString(REFGUID guid, wchar_t (&buffer)[39])
{
    if (StringFromGUID2(guid, buffer, 39) == 0) {
        buffer[0] = L'\0';
    }
}
