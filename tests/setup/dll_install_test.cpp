// DllInstall of the built DLL, called as regsvr32 calls it but in this
// process, so that its results and its message boxes (text, style, owner)
// are seen exactly. The DLL is a copy in a temporary folder: its removal
// schedules that copy's deletion.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>

#include <string>

#include "testlib/message_box_watcher.h"
#include "testlib/temp_folder.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VantreloZerli";
const char kHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\VantreloZerli";
const char kClassKey[] = "CLSID\\{EEA3944D-8517-4992-8A7C-47FFDD78A39B}";
const wchar_t kTitle[] = L"Vantrelo Zerli";
const wchar_t kQuestion[] = L"Do you really want to remove the Vantrelo Zerli tool from your computer?";

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool Installed()
{
    return KeyExists(HKEY_CLASSES_ROOT, kClassKey) && KeyExists(HKEY_CLASSES_ROOT, kHandlerKey) &&
           KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey);
}

class DllInstallTest : public ::testing::Test {
protected:
    typedef HRESULT(STDAPICALLTYPE* InstallFn)(BOOL, PCWSTR);

    void SetUp() override
    {
        dllPath = folder / L"VantreloZerli.dll";
        ASSERT_TRUE(CopyFileW(vztest::HostPathToWindows(VZ_DLL_UNIX_PATH).c_str(), dllPath.c_str(), FALSE));
        module = LoadLibraryW(dllPath.c_str());
        ASSERT_NE(nullptr, module);
        install = reinterpret_cast<InstallFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
        ASSERT_NE(nullptr, install);
    }

    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                           "PendingFileRenameOperations");
    }

    vztest::TempFolder folder;
    std::wstring dllPath;
    HMODULE module = nullptr;
    InstallFn install = nullptr;
};

TEST_F(DllInstallTest, SilentUnlessTheCommandLineIsExactlyVerbose)
{
    vztest::MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, install(TRUE, nullptr));
    EXPECT_TRUE(Installed());
    EXPECT_EQ(S_OK, install(TRUE, L""));
    EXPECT_EQ(S_OK, install(TRUE, L"verbose "));
    EXPECT_EQ(0u, boxes.Count());

    EXPECT_EQ(S_OK, install(TRUE, L"VERBOSE"));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_FALSE(boxes[0].wide);
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_EQ(kTitle, boxes[0].title);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[0].flags);
    EXPECT_EQ(L"Vantrelo Zerli 1.2.1.20 has been successfully installed on your computer.\n\nTo use it:\n"
              L"- Open the Windows Explorer\n- Right-click on a JPEG file\n- Select one of the Zerli's options!",
              boxes[0].text);
}

TEST_F(DllInstallTest, RemovalAsksFirstAndNoChangesNothing)
{
    ASSERT_EQ(S_OK, install(TRUE, nullptr));
    vztest::MessageBoxWatcher boxes(IDNO);
    EXPECT_EQ(E_FAIL, install(FALSE, L"verbose"));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(kQuestion, boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION | MB_YESNO), boxes[0].flags);
    EXPECT_TRUE(Installed());
}

TEST_F(DllInstallTest, RemovalUndoesTheInstallationAndASecondOneFailsAfterTheQuestion)
{
    ASSERT_EQ(S_OK, install(TRUE, nullptr));
    HKEY settings = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Halcyra\\VantreloZerli", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &settings, nullptr));
    DWORD flags = 3;
    RegSetValueExA(settings, "GpsFlags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof(flags));
    RegCloseKey(settings);

    vztest::MessageBoxWatcher boxes(IDYES);
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDOK);
    EXPECT_EQ(S_OK, install(FALSE, L"verbose"));
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ(kQuestion, boxes[0].text);
    EXPECT_EQ(L"Vantrelo Zerli 1.2.1.20 has been uninstalled.\r\n"
              L"Some remaining files will be deleted when you reboot your computer.",
              boxes[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[1].flags);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Vantrelo.Zerli"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Vantrelo.Zerli.1.2"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kHandlerKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dllPath.c_str())) << "deleted at the next restart only";

    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\Halcyra\\VantreloZerli", "GpsFlags",
                                          RRF_RT_REG_DWORD, nullptr, &value, &size));
    EXPECT_EQ(3u, value);

    boxes.Clear();
    EXPECT_EQ(SELFREG_E_CLASS, install(FALSE, L"verbose"));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(kQuestion, boxes[0].text);
    EXPECT_EQ(SELFREG_E_CLASS, install(FALSE, nullptr));
    EXPECT_EQ(1u, boxes.Count());
}

}  // namespace
