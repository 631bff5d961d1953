#include "coords/coord_dialog_fixture.h"

#include <cstring>

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_resources.h"
#include "notation/settings.h"
#include "exif/exif_block.h"
#include "testlib/clipboard_viewer.h"
#include "testlib/earth_install.h"
#include "testlib/photos.h"

namespace vztest {

namespace {

HMODULE g_dll = nullptr;

const wchar_t kSettingsKey[] = L"Software\\Halcyra\\VantreloZerli";

}  // namespace

const wchar_t kPhotoWithoutPosition[] = L"unlocated.jpg";

bool StorePhotoPosition(const std::wstring& path, double latitude, double longitude, double altitude,
                        double heading)
{
    ExifBlock block;
    block.Open(path.c_str());
    return SUCCEEDED(block.StorePosition(latitude * kRadiansPerDegree, longitude * kRadiansPerDegree, altitude,
                                         heading * kRadiansPerDegree)) &&
           SUCCEEDED(block.WriteToFile());
}

GeoPosition ReadPhotoPosition(const std::wstring& path)
{
    ExifBlock block;
    block.Open(path.c_str());
    GeoPosition position;
    position.known = SUCCEEDED(block.ReadPosition(&position.latitude, &position.longitude, &position.altitude,
                                                  &position.heading));
    position.latitude *= kDegreesPerRadian;
    position.longitude *= kDegreesPerRadian;
    position.heading *= kDegreesPerRadian;
    return position;
}

std::string StoredSettingBytes()
{
    HKEY key = nullptr;
    std::string bytes(16, '\0');
    DWORD size = 16;
    DWORD type = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    LONG result = RegQueryValueExW(key, L"GpsFlags", nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_BINARY)
        return "<no binary value>";
    bytes.resize(size);
    return bytes;
}

void StoreSettingBytes(const std::string& bytes)
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, L"GpsFlags", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void PutTextOnClipboard(const std::wstring& text)
{
    ASSERT_TRUE(vztest::OpenClipboardPatiently(nullptr));
    EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

void PutPictureOnClipboard()
{
    ASSERT_TRUE(vztest::OpenClipboardPatiently(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 4);
    BITMAPINFOHEADER* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = 1;
    header->biHeight = 1;
    header->biPlanes = 1;
    header->biBitCount = 32;
    GlobalUnlock(memory);
    SetClipboardData(CF_DIB, memory);
    CloseClipboard();
}

void CoordDialogTest::SetUpTestSuite()
{
    // The dialog and its picture are resources of the DLL.
    if (g_dll == nullptr)
        g_dll = LoadLibraryW(HostPathToWindows(VZ_DLL_UNIX_PATH).c_str());
}

void CoordDialogTest::SetUp()
{
    ASSERT_NE(g_dll, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    LoadSettings();
    UnregisterEarth();
}

void CoordDialogTest::TearDown()
{
    if (m_dialog != nullptr && IsWindow(m_dialog))
        Click(m_dialog, IDCANCEL);
    m_run.reset();
    UnregisterEarth();
}

std::wstring CoordDialogTest::Photo(const std::wstring& name, const std::wstring& copyName)
{
    std::wstring path = CopyPhoto(name, m_folder.Path(), copyName);
    EXPECT_FALSE(path.empty()) << "copy of " << std::string(name.begin(), name.end());
    m_selection.Append(path.c_str());
    return path;
}

std::wstring CoordDialogTest::LocatedPhoto(const std::wstring& copyName, double latitude, double longitude,
                                           double altitude, double heading)
{
    std::wstring path = Photo(kPhotoWithoutPosition, copyName);
    EXPECT_TRUE(StorePhotoPosition(path, latitude, longitude, altitude, heading));
    return path;
}

HWND CoordDialogTest::Open(const std::wstring& caption)
{
    m_run.reset(new ModalThread([this] { return static_cast<INT_PTR>(RunCoordinatesDialog(nullptr, &m_selection)); }));
    m_dialog = WaitForDialog(m_run->ThreadId(), caption);
    return m_dialog;
}

HRESULT CoordDialogTest::Finish(int button)
{
    Click(m_dialog, button);
    EXPECT_TRUE(m_run->Join());
    return static_cast<HRESULT>(m_run->Result());
}

int CoordDialogTest::ChosenNotation()
{
    return static_cast<int>(SendDlgItemMessageW(m_dialog, IDC_COORD_NOTATION, CB_GETCURSEL, 0, 0)) + 1;
}

}  // namespace vztest
