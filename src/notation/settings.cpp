#include "notation/settings.h"

#include "notation/coords_texts.h"
#include "support/registry_key.h"

std::atomic<uint32_t> GpsFlags{1};

namespace {

const uint32_t kDefaultFlags = 1;
const uint32_t kNotationMask = 0xFFu;

void WordToBytes(uint32_t word, BYTE (&bytes)[4])
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<BYTE>(word >> (8 * i));
    }
}

uint32_t BytesToWord(const BYTE (&bytes)[4])
{
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i) {
        word = (word << 8) | bytes[i];
    }
    return word;
}

}  // namespace

void LoadSettings()
{
    // The stored bytes land on the default word: a value shorter than 4
    // bytes replaces only its low-order bytes; a missing one changes nothing.
    BYTE bytes[4];
    WordToBytes(kDefaultFlags, bytes);
    RegistryKey key;
    key.Open(FALSE, HKEY_CURRENT_USER, VZ_SETTINGS_KEY);
    key.QueryValue(VZ_SETTINGS_VALUE, nullptr, bytes, sizeof(bytes));
    key.Close();
    GpsFlags.store(BytesToWord(bytes));
}

void StoreNotation(uint32_t notation)
{
    uint32_t flags = GpsFlags.load();
    uint32_t updated;
    do {
        updated = (flags & ~kNotationMask) | (notation & kNotationMask);
    } while (!GpsFlags.compare_exchange_weak(flags, updated));

    BYTE bytes[4];
    WordToBytes(updated, bytes);
    RegistryKey key;
    key.Open(TRUE, HKEY_CURRENT_USER, VZ_SETTINGS_KEY);
    key.SetValue(VZ_SETTINGS_VALUE, REG_BINARY, bytes, sizeof(bytes));
    key.Close();
}
