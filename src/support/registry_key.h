// RegistryKey: holder of one open registry key. It uses the ANSI registry
// functions, UTF-16 names are converted to the ANSI code page first; only
// SetString writes with the wide function. Every
// operation on a holder whose open failed reports E_FAIL, so callers need not
// test the open separately. The key is closed by Close or when the holder goes.
#pragma once
#include <windows.h>

#include "support/owners.h"

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // create: RegCreateKeyExA with KEY_ALL_ACCESS (the key is made when
    // missing); otherwise RegOpenKeyExA with KEY_READ. A failure leaves the
    // holder empty. A UTF-16 path whose ANSI form needs more than 256 bytes
    // is not opened.
    void Open(BOOL create, HKEY root, const char* path);
    void Open(BOOL create, HKEY root, const wchar_t* path);
    void Close();
    BOOL IsOpen() const { return m_key.Get() != nullptr; }
    HKEY Handle() const { return m_key.Get(); }

    // S_OK, or E_FAIL for any failure. A null name sets the unnamed value.
    HRESULT SetValue(const char* name, DWORD type, const void* data, DWORD size);
    HRESULT SetValue(const wchar_t* name, DWORD type, const void* data, DWORD size);
    // Sets a REG_SZ value with the wide registry function, so that text the
    // ANSI code page cannot hold (a path) is stored as it is. S_OK or E_FAIL.
    HRESULT SetString(const wchar_t* name, const wchar_t* text);

    // Reads a value into buffer: S_OK when it filled the buffer exactly,
    // S_FALSE when it was shorter or was cut to the buffer's size, E_FAIL when
    // it is missing or cannot be read. type may be null. A cut string is not
    // terminated inside the buffer.
    HRESULT QueryValue(const char* name, DWORD* type, void* buffer, DWORD size);
    HRESULT QueryValue(const wchar_t* name, DWORD* type, void* buffer, DWORD size);

    // Deletes the open key with all its subkeys. On success the holder is
    // empty; E_FAIL when any part cannot be deleted.
    HRESULT DeleteTree();

    // The registry form of a GUID, "{...}"; the empty text on failure.
    static void GuidToString(REFGUID guid, wchar_t (&buffer)[39]);

private:
    RegKeyHandle m_key;
};
