#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "testlib/temp_folder.h"

namespace {

std::wstring DllPath()
{
    return vztest::HostPathToWindows(VZ_DLL_UNIX_PATH);
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name)
{
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904e4\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), query.c_str(), &value, &length))
        return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(value), length ? length - 1 : 0);
}

TEST(DllSmoke, LoadsAndUnloadsUnderWine)
{
    HMODULE module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    EXPECT_EQ(GetModuleHandleA("VantreloZerli"), module);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(DllSmoke, VersionResourceNamesTheProduct)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(DllPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(DllPath().c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010014u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(VersionString(info, L"ProductName"), L"Vantrelo Zerli");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"1.2");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.2.1.20");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Vantrelo Zerli Shell Extension File");
    EXPECT_EQ(VersionString(info, L"InternalName"), L"VantreloZerli");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"VantreloZerli.dll");
    EXPECT_EQ(VersionString(info, L"CompanyName"), L"Halcyra");
    EXPECT_EQ(VersionString(info, L"OLESelfRegister"), L"");
}

}  // namespace
