// Whether Google Earth is installed: its automation server's LocalServer32
// value names a file that exists.
#include <cstring>

#include "earth_client/earth_client.h"
#include "earth_client/earth_texts.h"
#include "support/registry_key.h"
#include "support/text_bounded.h"

namespace {

// Capacities of the key path and of the value read.
const size_t kKeyPathCapacity = 128;
const DWORD kServerPathBytes = 260;

}  // namespace

bool IsEarthInstalled()
{
    wchar_t clsid[39];
    RegistryKey::GuidToString(CLSID_ApplicationGE, clsid);
    wchar_t keyPath[kKeyPathCapacity];
    FormatBoundedW(keyPath, kKeyPathCapacity, kEarthLocalServerKeyFormat, clsid);

    RegistryKey key;
    key.Open(FALSE, HKEY_CLASSES_ROOT, keyPath);
    // Zero-filled: a value stored without its terminator still ends inside.
    char serverPath[kServerPathBytes] = {};
    DWORD type = REG_NONE;
    HRESULT hr = key.QueryValue(static_cast<const char*>(nullptr), &type, serverPath, kServerPathBytes);
    key.Close();

    bool installed = false;
    if (SUCCEEDED(hr) && type == REG_SZ) {
        // A value cut at the buffer's end has no terminator inside it: end it
        // there, and do not take the first part of a longer path for the file.
        bool cut = memchr(serverPath, '\0', kServerPathBytes) == nullptr;
        serverPath[kServerPathBytes - 1] = '\0';
        installed = !cut && GetFileAttributesA(serverPath) != INVALID_FILE_ATTRIBUTES;
    }
    return installed;
}
