// COM registration under HKEY_CLASSES_ROOT with the ANSI registry functions:
// the keys and values written for an in-process and a local server, exact
// string lengths (terminator included), repeated registration, refusal of a
// module that cannot be loaded, and removal of whole trees.
#include <gtest/gtest.h>
#include <windows.h>
#include <winerror.h>

#include <string>

#include "setup/com_registration.h"
#include "testlib/temp_folder.h"

namespace {

// A class of the tests' own, so the product's registration is not touched.
// {5C1F0A3E-9D41-4B7A-8E26-0F3D2B6C7A11}
const CLSID kTestClsid = {0x5C1F0A3E, 0x9D41, 0x4B7A, {0x8E, 0x26, 0x0F, 0x3D, 0x2B, 0x6C, 0x7A, 0x11}};
const char kClassKey[] = "CLSID\\{5C1F0A3E-9D41-4B7A-8E26-0F3D2B6C7A11}";
const char kClsidText[] = "{5C1F0A3E-9D41-4B7A-8E26-0F3D2B6C7A11}";

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ value's text; "<type N>" for another type, "<missing>" when absent.
// The stored length must be the text's length plus its terminator.
std::string StringValue(const std::string& path, const char* name)
{
    char data[512] = "";
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "<missing>";
    if (type != REG_SZ)
        return "<type " + std::to_string(type) + ">";
    EXPECT_EQ(strlen(data) + 1, size) << path << " " << (name ? name : "(default)");
    return data;
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

class ComRegistration : public ::testing::Test {
protected:
    void SetUp() override { RemoveAll(); }
    void TearDown() override { RemoveAll(); }

    static void RemoveAll()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "VzTest.Thing");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "VzTest.Thing.3");
    }

    static HRESULT Register(const wchar_t* module)
    {
        return RegisterComServer(module, kTestClsid, L"VzTest Thing", L"VzTest.Thing", L"VzTest Thing 3",
                                 L"VzTest.Thing.3", L"Apartment");
    }

    static void ExpectClassContent(const std::string& serverKey, const std::string& serverPath)
    {
        const std::string cls = kClassKey;
        EXPECT_EQ("VzTest Thing 3", StringValue(cls, nullptr));
        EXPECT_EQ(serverPath, StringValue(cls + "\\" + serverKey, nullptr));
        EXPECT_EQ("VzTest.Thing.3", StringValue(cls + "\\ProgID", nullptr));
        EXPECT_EQ("VzTest.Thing", StringValue(cls + "\\VersionIndependentProgID", nullptr));
        EXPECT_EQ("VzTest Thing", StringValue("VzTest.Thing", nullptr));
        EXPECT_EQ(kClsidText, StringValue("VzTest.Thing\\CLSID", nullptr));
        EXPECT_EQ("VzTest.Thing.3", StringValue("VzTest.Thing\\CurVer", nullptr));
        EXPECT_EQ("VzTest Thing 3", StringValue("VzTest.Thing.3", nullptr));
        EXPECT_EQ(kClsidText, StringValue("VzTest.Thing.3\\CLSID", nullptr));
        EXPECT_FALSE(KeyExists(cls + "\\DefaultIcon"));
    }
};

TEST_F(ComRegistration, InProcessServerGetsItsPathAndThreadingModel)
{
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    ASSERT_NE(nullptr, shell);
    ASSERT_EQ(S_OK, Register(L"shell32.dll"));
    ExpectClassContent("InprocServer32", ModulePath(shell));
    EXPECT_EQ("Apartment", StringValue(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel"));
    EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\LocalServer32"));

    // Registering again gives the same content.
    ASSERT_EQ(S_OK, Register(L"shell32.dll"));
    ExpectClassContent("InprocServer32", ModulePath(shell));
    FreeLibrary(shell);
}

TEST_F(ComRegistration, ModuleNamedExeInAnyCaseIsALocalServerWithoutThreadingModel)
{
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring name = self;
    name.replace(name.size() - 4, 4, L".ExE");
    ASSERT_EQ(S_OK, Register(name.c_str()));
    ExpectClassContent("LocalServer32", ModulePath(nullptr));
    EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\InprocServer32"));
}

TEST_F(ComRegistration, LibraryThatCannotBeLoadedWritesNothing)
{
    EXPECT_EQ(E_INVALIDARG, Register(L"NoSuchLibraryAnywhere.dll"));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists("VzTest.Thing"));
    EXPECT_FALSE(KeyExists("VzTest.Thing.3"));
}

// A copy of the built DLL whose full path has exactly length characters,
// in folders made below base; empty when it cannot be made.
std::wstring DllCopyWithPathLength(const std::wstring& base, size_t length)
{
    const std::wstring name = L"\\VantreloZerli.dll";
    std::wstring folder = base;
    if (!CreateDirectoryW(base.c_str(), nullptr))
        return L"";
    while (folder.size() + name.size() < length) {
        // Each folder name takes a backslash and at least one character.
        size_t remaining = length - folder.size() - name.size();
        size_t part = remaining <= 61 ? remaining - 1 : (remaining - 3 < 60 ? remaining - 3 : 60);
        folder += L"\\" + std::wstring(part, L'd');
        if (!CreateDirectoryW(folder.c_str(), nullptr))
            return L"";
    }
    std::wstring path = folder + name;
    if (path.size() != length ||
        !CopyFileW(vztest::HostPathToWindows(VZ_DLL_UNIX_PATH).c_str(), path.c_str(), FALSE))
        return L"";
    return path;
}

TEST_F(ComRegistration, ModulePathThatDoesNotFitIsRefusedNotCut)
{
    vztest::TempFolder folder;
    std::wstring fits = DllCopyWithPathLength(folder / L"a", 255);
    ASSERT_FALSE(fits.empty());
    HMODULE module = LoadLibraryW(fits.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(S_OK, Register(fits.c_str()));
    char ansi[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, fits.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
    EXPECT_EQ(ansi, StringValue(std::string(kClassKey) + "\\InprocServer32", nullptr));
    FreeLibrary(module);
    RemoveAll();

    // 256 characters and more would be cut by the module path buffer.
    std::wstring tooLong = DllCopyWithPathLength(folder / L"b", 258);
    ASSERT_FALSE(tooLong.empty());
    module = LoadLibraryW(tooLong.c_str());
    ASSERT_NE(nullptr, module) << "a path of 258 characters can be loaded";
    EXPECT_EQ(E_INVALIDARG, Register(tooLong.c_str()));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists("VzTest.Thing"));
    FreeLibrary(module);
}

TEST_F(ComRegistration, UnregistrationRemovesWholeTreesAndFailsTheSecondTime)
{
    ASSERT_EQ(S_OK, Register(L"shell32.dll"));
    // Someone else's subkey below the class goes with the tree.
    HKEY extra = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\Extra\\Deeper").c_str(),
                                             0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &extra, nullptr));
    RegCloseKey(extra);

    EXPECT_EQ(S_OK, UnregisterComServer(kTestClsid, L"VzTest.Thing", L"VzTest.Thing.3"));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists("VzTest.Thing"));
    EXPECT_FALSE(KeyExists("VzTest.Thing.3"));
    EXPECT_EQ(REGDB_E_WRITEREGDB, UnregisterComServer(kTestClsid, L"VzTest.Thing", L"VzTest.Thing.3"));
}

TEST_F(ComRegistration, AMissingProgIdStopsTheRemovalThere)
{
    ASSERT_EQ(S_OK, Register(L"shell32.dll"));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CLASSES_ROOT, "VzTest.Thing"));
    EXPECT_EQ(REGDB_E_WRITEREGDB, UnregisterComServer(kTestClsid, L"VzTest.Thing", L"VzTest.Thing.3"));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_TRUE(KeyExists("VzTest.Thing.3")) << "the step after the failure is not tried";
}

TEST_F(ComRegistration, KeyValueHelpersCreateOrRequireTheKey)
{
    EXPECT_FALSE(SetClassesNamedValue(L"x", L"Name", L"VzTest.Thing"));
    EXPECT_TRUE(SetClassesKeyValue(L"VzTest.Thing", nullptr, L"Sub"));
    EXPECT_TRUE(KeyExists("VzTest.Thing\\Sub"));
    EXPECT_EQ("<missing>", StringValue("VzTest.Thing\\Sub", nullptr));
    EXPECT_TRUE(SetClassesNamedValue(L"value", L"Name", L"VzTest.Thing\\Sub"));
    EXPECT_EQ("value", StringValue("VzTest.Thing\\Sub", "Name"));
    EXPECT_TRUE(DeleteClassesTree(HKEY_CLASSES_ROOT, "VzTest.Thing"));
    EXPECT_FALSE(DeleteClassesTree(HKEY_CLASSES_ROOT, "VzTest.Thing"));
}

}  // namespace
