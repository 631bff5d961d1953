// The user's one stored choice: the notation the coordinates dialog shows.
// It lives in the settings word GpsFlags, kept per user in the registry value
// "GpsFlags" (REG_BINARY, 4 bytes, least significant first) under
// HKEY_CURRENT_USER\Software\Halcyra\VantreloZerli.
#pragma once
#include <atomic>
#include <cstdint>

// Bits 0-7: the notation last used (CoordNotation). Bits 8-31 are not
// interpreted and are stored back as they were loaded. Starts at 1. Shared
// by all threads of the process; each access reads or writes the whole word.
extern std::atomic<uint32_t> GpsFlags;

// Sets GpsFlags from the registry, or to 1 when no value can be read. A
// shorter stored value replaces only the low-order bytes of 1, a longer one
// gives its first 4 bytes. Failures are silent.
void LoadSettings();

// Puts notation into bits 0-7 of GpsFlags and writes the word to the
// registry. A failed write leaves the registry as it was and is silent.
void StoreNotation(uint32_t notation);

// The notation part of GpsFlags.
inline uint32_t StoredNotation()
{
    return GpsFlags.load() & 0xFFu;
}
