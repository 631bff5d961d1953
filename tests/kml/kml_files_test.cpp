// Names of the temporary KML files and the removal of older ones, with the
// temporary folder moved by the TMP variable.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "kml/kml_files.h"
#include "testlib/temp_folder.h"

namespace {

class KmlFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        GetEnvironmentVariableW(L"TMP", m_savedTmp, MAX_PATH);
        ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", folder.Path().c_str()));
    }
    void TearDown() override { SetEnvironmentVariableW(L"TMP", m_savedTmp); }

    vztest::TempFolder folder;

private:
    wchar_t m_savedTmp[MAX_PATH] = L"";
};

bool IsLowerHex(const std::wstring& digits)
{
    return digits.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
}

TEST_F(KmlFilesTest, NamesTheFileAfterTheTickCountInTheTemporaryFolder)
{
    wchar_t name[kKmlPathCapacity];
    DWORD before = GetTickCount();
    ASSERT_EQ(S_OK, MakeKmlFileName(name));
    DWORD after = GetTickCount();
    std::wstring text = name;
    std::wstring prefix = folder.Path() + L"\\VantreloZerli";
    ASSERT_EQ(prefix.size() + 12, text.size()) << text;
    EXPECT_EQ(prefix, text.substr(0, prefix.size()));
    EXPECT_EQ(L".kml", text.substr(text.size() - 4));
    std::wstring digits = text.substr(prefix.size(), 8);
    EXPECT_TRUE(IsLowerHex(digits)) << digits;
    DWORD ticks = std::wcstoul(digits.c_str(), nullptr, 16);
    EXPECT_LE(before, ticks);
    EXPECT_GE(after, ticks);

    // A folder given with its backslash gets no second one.
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", (folder.Path() + L"\\").c_str()));
    ASSERT_EQ(S_OK, MakeKmlFileName(name));
    EXPECT_EQ(prefix, std::wstring(name).substr(0, prefix.size()));

    // Later runs get other names.
    Sleep(50);
    wchar_t later[kKmlPathCapacity];
    ASSERT_EQ(S_OK, MakeKmlFileName(later));
    EXPECT_NE(std::wstring(name), std::wstring(later));
}

TEST_F(KmlFilesTest, ANameThatWouldNotFitIsRefusedInsteadOfCut)
{
    // The folder with its backslash plus "VantreloZerli" + 8 digits + ".kml"
    // (25 characters): 259 characters fit, 260 do not.
    std::wstring base = L"C:\\";
    std::wstring fits = base + std::wstring(MAX_PATH - 1 - 25 - base.size() - 1, L'f');
    std::wstring tooLong = fits + L"g";
    wchar_t name[kKmlPathCapacity];

    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", fits.c_str()));
    ASSERT_EQ(S_OK, MakeKmlFileName(name));
    EXPECT_EQ(static_cast<size_t>(MAX_PATH - 1), std::wstring(name).size());
    EXPECT_EQ(L".kml", std::wstring(name).substr(MAX_PATH - 5));

    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tooLong.c_str()));
    EXPECT_EQ(E_FAIL, MakeKmlFileName(name));
    EXPECT_EQ(L"", std::wstring(name));

    // Longer than GetTempPathW is given room for.
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", (base + std::wstring(240, L'h')).c_str()));
    EXPECT_EQ(E_FAIL, MakeKmlFileName(name));
}

// A raw file's preview goes beside the KML file, named after it and the
// photo's place in the selection; never under a cut name.
TEST_F(KmlFilesTest, PreviewNamesFollowTheKmlFilesName)
{
    wchar_t name[kKmlPathCapacity];
    EXPECT_EQ(S_OK, MakePreviewFileName(L"C:\\Temp\\VantreloZerli0a3f29c4.kml", 12, name));
    EXPECT_EQ(L"C:\\Temp\\VantreloZerli0a3f29c4-12.jpg", std::wstring(name));
    EXPECT_EQ(E_FAIL, MakePreviewFileName(L"C:\\Temp\\VantreloZerli.txt", 0, name));
    EXPECT_EQ(L"", std::wstring(name));
    EXPECT_EQ(E_FAIL, MakePreviewFileName(nullptr, 0, name));
    // 3 + 250 characters and "-0.jpg" make 259, "-10.jpg" 260.
    const std::wstring longest = L"C:\\" + std::wstring(250, L'k') + L".kml";
    EXPECT_EQ(S_OK, MakePreviewFileName(longest.c_str(), 0, name));
    EXPECT_EQ(E_FAIL, MakePreviewFileName(longest.c_str(), 10, name));
}

TEST_F(KmlFilesTest, DeletesOnlyOldKmlFilesThatAreNotInUse)
{
    for (const wchar_t* file : {L"VantreloZerli0a3f29c4.kml", L"VantreloZerliX.kml", L"VantreloZerli.kml",
                                L"VantreloZerli1.txt", L"Other.kml", L"Notes.kml", L"VantreloZerli0a3f29c4-3.jpg",
                                L"Other-3.jpg"})
        ASSERT_TRUE(vztest::WriteFileBytes(folder / file, "x"));
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"VantreloZerliOpen.kml", "x"));
    HANDLE open = CreateFileW((folder / L"VantreloZerliOpen.kml").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, open);

    DeleteOldKmlFiles();
    CloseHandle(open);

    auto exists = [&](const wchar_t* file) {
        return GetFileAttributesW((folder / file).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    EXPECT_FALSE(exists(L"VantreloZerli0a3f29c4.kml"));
    EXPECT_FALSE(exists(L"VantreloZerliX.kml"));
    EXPECT_FALSE(exists(L"VantreloZerli.kml"));
    EXPECT_FALSE(exists(L"VantreloZerli0a3f29c4-3.jpg"));
    EXPECT_TRUE(exists(L"Other-3.jpg"));
    EXPECT_TRUE(exists(L"VantreloZerliOpen.kml"));
    EXPECT_TRUE(exists(L"VantreloZerli1.txt"));
    EXPECT_TRUE(exists(L"Other.kml"));
    EXPECT_TRUE(exists(L"Notes.kml"));
}

}  // namespace
