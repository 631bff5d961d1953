// RegistryKey against the registry of the test prefix (HKCU\Software\VzRegistryTest).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/registry_key.h"

namespace {

const char kTestKey[] = "Software\\VzRegistryTest";

class RegistryKeyTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

    static bool KeyExists(const char* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
};

TEST_F(RegistryKeyTest, CreateSetAndQueryExactShortAndCutValues)
{
    RegistryKey key;
    key.Open(TRUE, HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(key.IsOpen());

    const BYTE four[4] = {1, 2, 3, 4};
    const BYTE two[2] = {9, 8};
    EXPECT_EQ(S_OK, key.SetValue("Four", REG_BINARY, four, 4));
    EXPECT_EQ(S_OK, key.SetValue("Two", REG_BINARY, two, 2));
    std::string text(299, 'x');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(S_OK, key.SetValue("Long", REG_SZ, text.c_str(), 300));

    BYTE buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    DWORD type = 0;
    EXPECT_EQ(S_OK, key.QueryValue("Four", &type, buffer, 4));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(0, memcmp(four, buffer, 4));

    BYTE shortBuffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(S_FALSE, key.QueryValue("Two", nullptr, shortBuffer, 4));
    EXPECT_EQ(9, shortBuffer[0]);
    EXPECT_EQ(8, shortBuffer[1]);
    EXPECT_EQ(0xEE, shortBuffer[2]);

    char cut[261];
    memset(cut, '#', sizeof(cut));
    type = 0;
    EXPECT_EQ(S_FALSE, key.QueryValue("Long", &type, cut, 260));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(text.substr(0, 260), std::string(cut, 260));
    EXPECT_EQ('#', cut[260]);

    EXPECT_EQ(E_FAIL, key.QueryValue("Missing", &type, buffer, 4));
}

TEST_F(RegistryKeyTest, UnnamedValueAndWideNames)
{
    RegistryKey key;
    key.Open(TRUE, HKEY_CURRENT_USER, L"Software\\VzRegistryTest\\Wide \u00e9t\u00e9");
    ASSERT_TRUE(key.IsOpen());
    const char unnamed[] = "default";
    EXPECT_EQ(S_OK, key.SetValue(static_cast<const char*>(nullptr), REG_SZ, unnamed, sizeof(unnamed)));
    DWORD number = 0x01020304;
    EXPECT_EQ(S_OK, key.SetValue(L"Zahl \u00fc", REG_DWORD, &number, sizeof(number)));
    key.Close();
    EXPECT_FALSE(key.IsOpen());

    key.Open(FALSE, HKEY_CURRENT_USER, L"Software\\VzRegistryTest\\Wide \u00e9t\u00e9");
    ASSERT_TRUE(key.IsOpen());
    char text[sizeof(unnamed)] = {};
    EXPECT_EQ(S_OK, key.QueryValue(static_cast<const wchar_t*>(nullptr), nullptr, text, sizeof(text)));
    EXPECT_STREQ("default", text);
    DWORD read = 0;
    DWORD type = 0;
    EXPECT_EQ(S_OK, key.QueryValue(L"Zahl \u00fc", &type, &read, sizeof(read)));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(number, read);

    // A key opened for reading cannot be written.
    EXPECT_EQ(E_FAIL, key.SetValue("New", REG_DWORD, &number, sizeof(number)));
}

TEST_F(RegistryKeyTest, MissingKeyFailsEveryOperation)
{
    RegistryKey key;
    key.Open(FALSE, HKEY_CURRENT_USER, "Software\\VzRegistryTest\\Missing");
    EXPECT_FALSE(key.IsOpen());
    BYTE buffer[4];
    EXPECT_EQ(E_FAIL, key.QueryValue("GpsFlags", nullptr, buffer, 4));
    EXPECT_EQ(E_FAIL, key.SetValue("GpsFlags", REG_BINARY, buffer, 4));
    EXPECT_EQ(E_FAIL, key.DeleteTree());
    key.Close();
    EXPECT_FALSE(KeyExists("Software\\VzRegistryTest\\Missing"));

    // A UTF-16 path too long for its 256-byte ANSI form is not opened at all,
    // not even as a shorter, cut path.
    std::wstring longPath = L"Software\\VzRegistryTest\\" + std::wstring(240, L'k');
    key.Open(TRUE, HKEY_CURRENT_USER, longPath.c_str());
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(KeyExists("Software\\VzRegistryTest"));
}

TEST_F(RegistryKeyTest, DeleteTreeRemovesTwoLevelsAndEmptiesTheHolder)
{
    const char* paths[] = {"Software\\VzRegistryTest\\A\\B1\\C1", "Software\\VzRegistryTest\\A\\B1\\C2",
                           "Software\\VzRegistryTest\\A\\B2"};
    for (const char* path : paths) {
        RegistryKey key;
        key.Open(TRUE, HKEY_CURRENT_USER, path);
        DWORD value = 1;
        EXPECT_EQ(S_OK, key.SetValue("v", REG_DWORD, &value, sizeof(value)));
    }
    ASSERT_TRUE(KeyExists("Software\\VzRegistryTest\\A\\B1\\C2"));

    RegistryKey key;
    key.Open(TRUE, HKEY_CURRENT_USER, "Software\\VzRegistryTest\\A");
    EXPECT_EQ(S_OK, key.DeleteTree());
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(nullptr, key.Handle());
    key.Close();
    EXPECT_FALSE(KeyExists("Software\\VzRegistryTest\\A"));
    EXPECT_TRUE(KeyExists("Software\\VzRegistryTest"));
    EXPECT_EQ(E_FAIL, key.DeleteTree());
}

TEST(RegistryKeyGuid, GuidToString)
{
    const GUID guid = {0x12345678, 0x9abc, 0xdef0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}};
    wchar_t text[39];
    RegistryKey::GuidToString(guid, text);
    EXPECT_STREQ(L"{12345678-9ABC-DEF0-0123-456789ABCDEF}", text);
}

}  // namespace
