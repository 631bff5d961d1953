// IsEarthInstalled against the registry of the test prefix: only a REG_SZ
// LocalServer32 value that names an existing file, as stored and whole,
// counts as an installed Google Earth.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "earth_client/earth_client.h"
#include "earth/earth_standin.h"
#include "testlib/earth_install.h"
#include "testlib/temp_folder.h"

namespace {

using vztest::TempFolder;

// Sets the unnamed LocalServer32 value with any type and bytes.
void SetServerValue(DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, vztest::kEarthLocalServerKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void SetServerText(const std::wstring& text, DWORD type = REG_SZ)
{
    SetServerValue(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring MakeFile(const std::wstring& path)
{
    EXPECT_TRUE(vztest::WriteFileBytes(path, "MZ"));
    return path;
}

class EarthInstalled : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(vztest::UnregisterEarth()); }
    void TearDown() override { vztest::UnregisterEarth(); }
    TempFolder m_folder;
};

TEST_F(EarthInstalled, AnExistingServerFileCountsAsInstalled)
{
    SetServerText(MakeFile(m_folder / L"googleearth.exe"));
    EXPECT_TRUE(IsEarthInstalled());
    // The stand-in's own executable, as the Google Earth tests register it.
    SetServerText(vztest::EarthStandIn::ServerPath(vztest::EarthPointForm::Array));
    EXPECT_TRUE(IsEarthInstalled());
}

TEST_F(EarthInstalled, ADeletedServerFileDoesNot)
{
    std::wstring path = MakeFile(m_folder / L"googleearth.exe");
    SetServerText(path);
    ASSERT_TRUE(IsEarthInstalled());
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_FALSE(IsEarthInstalled());
}

TEST_F(EarthInstalled, TheValueIsTakenAsStoredWithoutStrippingQuotesOrArguments)
{
    std::wstring path = MakeFile(m_folder / L"googleearth.exe");
    SetServerText(L"\"" + path + L"\"");
    EXPECT_FALSE(IsEarthInstalled());
    SetServerText(path + L" /automation");
    EXPECT_FALSE(IsEarthInstalled());
}

TEST_F(EarthInstalled, AValueThatIsNotRegSzDoesNot)
{
    std::wstring path = MakeFile(m_folder / L"googleearth.exe");
    SetServerText(path, REG_EXPAND_SZ);
    EXPECT_FALSE(IsEarthInstalled());
    SetServerText(path, REG_MULTI_SZ);
    EXPECT_FALSE(IsEarthInstalled());
    std::string narrow(path.begin(), path.end());
    SetServerValue(REG_BINARY, narrow.c_str(), static_cast<DWORD>(narrow.size() + 1));
    EXPECT_FALSE(IsEarthInstalled());
    DWORD number = 1;
    SetServerValue(REG_DWORD, &number, sizeof(number));
    EXPECT_FALSE(IsEarthInstalled());
}

TEST_F(EarthInstalled, NoKeyOrNoValueDoesNot)
{
    EXPECT_FALSE(IsEarthInstalled());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, vztest::kEarthLocalServerKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    EXPECT_FALSE(IsEarthInstalled());
    SetServerText(L"");
    EXPECT_FALSE(IsEarthInstalled());
}

// The value is read into 260 bytes: a path of 259 characters fits with its
// terminator; a longer value is cut, and its first 259 characters must not
// be taken for the server's path even when they name an existing file.
TEST_F(EarthInstalled, AValueCutAtTheBufferCountsAsNotInstalled)
{
    const size_t longest = 259;
    size_t folderLength = m_folder.Path().size() + 1;
    ASSERT_LT(folderLength + 5, longest);
    ASSERT_GE(folderLength + 255, longest);
    std::wstring path = MakeFile(m_folder / std::wstring(longest - folderLength, L'g'));
    ASSERT_EQ(longest, path.size());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));

    SetServerText(path);
    EXPECT_TRUE(IsEarthInstalled());
    SetServerText(path + L"x");
    EXPECT_FALSE(IsEarthInstalled());
    SetServerText(path + std::wstring(200, L'x'));
    EXPECT_FALSE(IsEarthInstalled());
}

// A REG_SZ stored without its terminator still ends inside the buffer.
TEST_F(EarthInstalled, AnUnterminatedShortValueIsReadAsItsCharacters)
{
    std::wstring path = MakeFile(m_folder / L"googleearth.exe");
    SetServerValue(REG_SZ, path.c_str(), static_cast<DWORD>(path.size() * sizeof(wchar_t)));
    EXPECT_TRUE(IsEarthInstalled());
}

}  // namespace
