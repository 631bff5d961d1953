// The stored notation against the registry of the test prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "notation/coords_texts.h"
#include "notation/coord_notation.h"
#include "notation/settings.h"

namespace {

class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, VZ_SETTINGS_KEY);
        GpsFlags.store(0xDEADBEEF);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, VZ_SETTINGS_KEY);
    }

    // Writes the value with the registry's own functions.
    static void StoreRaw(DWORD type, const std::string& bytes)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, VZ_SETTINGS_KEY, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, VZ_SETTINGS_VALUE, 0, type,
                                                reinterpret_cast<const BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size())));
        RegCloseKey(key);
    }

    // The stored value's type and bytes, read with the registry's own functions.
    static bool ReadRaw(DWORD* type, std::string* bytes)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, VZ_SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        char data[64];
        DWORD size = sizeof(data);
        LONG error = RegQueryValueExA(key, VZ_SETTINGS_VALUE, nullptr, type,
                                      reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (error != ERROR_SUCCESS) {
            return false;
        }
        bytes->assign(data, size);
        return true;
    }
};

TEST_F(Settings, WithoutKeyOrValueTheDefaultIsDecimalDegrees)
{
    LoadSettings();
    EXPECT_EQ(1u, GpsFlags.load());
    EXPECT_EQ(1u, StoredNotation());

    // The key alone, without the value.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, VZ_SETTINGS_KEY, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    GpsFlags.store(0x12345678);
    LoadSettings();
    EXPECT_EQ(1u, GpsFlags.load());
}

TEST_F(Settings, LoadsBinaryAndDwordValues)
{
    StoreRaw(REG_BINARY, std::string("\x02\x01\x00\x00", 4));
    LoadSettings();
    EXPECT_EQ(0x102u, GpsFlags.load());
    EXPECT_EQ(2u, StoredNotation());

    DWORD two = 2;
    StoreRaw(REG_DWORD, std::string(reinterpret_cast<const char*>(&two), 4));
    LoadSettings();
    EXPECT_EQ(2u, GpsFlags.load());
}

TEST_F(Settings, ShortValueReplacesOnlyLowBytesAndLongValueGivesItsFirstFour)
{
    StoreRaw(REG_BINARY, std::string("\x03", 1));
    LoadSettings();
    EXPECT_EQ(3u, GpsFlags.load());

    StoreRaw(REG_BINARY, std::string("\x02\x05", 2));
    LoadSettings();
    EXPECT_EQ(0x502u, GpsFlags.load());

    StoreRaw(REG_BINARY, std::string("\x03\x02\x01\x00\x7f\x7f", 6));
    LoadSettings();
    EXPECT_EQ(0x10203u, GpsFlags.load());

    // A low byte outside 1 to 3 is loaded as it is.
    StoreRaw(REG_BINARY, std::string("\x09\x00\x00\x00", 4));
    LoadSettings();
    EXPECT_EQ(9u, StoredNotation());
}

TEST_F(Settings, StoreNotationWritesFourBinaryBytesAndKeepsTheUpperBits)
{
    StoreRaw(REG_BINARY, std::string("\x02\x01\x00\x00", 4));
    LoadSettings();
    StoreNotation(3);
    EXPECT_EQ(0x103u, GpsFlags.load());

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(ReadRaw(&type, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(std::string("\x03\x01\x00\x00", 4), bytes);

    GpsFlags.store(0);
    LoadSettings();
    EXPECT_EQ(0x103u, GpsFlags.load());
}

TEST_F(Settings, StoreNotationCreatesTheKeyAndTheNextLoadSeesIt)
{
    LoadSettings();
    StoreNotation(DegreesMinutesSeconds);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(ReadRaw(&type, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(std::string("\x03\x00\x00\x00", 4), bytes);

    GpsFlags.store(1);
    LoadSettings();
    EXPECT_EQ(3u, StoredNotation());
}

}  // namespace
