// The About box as the user sees it: opened on a thread of its own as from
// the context menu, read and clicked through window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "about/about_box.h"
#include "about/about_resources.h"
#include "product_identity.h"
#include "resources/resource_ids.h"
#include "testlib/dialog_driver.h"
#include "testlib/earth_install.h"
#include "testlib/temp_folder.h"

namespace {

using vztest::Click;
using vztest::ItemText;
using vztest::ModalThread;

const wchar_t kCaption[] = L"About Vantrelo Zerli";
const std::string kSite = VZ_MAKER_URL_A;

// The host of the maker's site: its address without the scheme.
std::wstring SiteHost()
{
    std::wstring site = VZ_MAKER_URL_W;
    size_t scheme = site.find(L"://");
    return scheme == std::wstring::npos ? site : site.substr(scheme + 3);
}

HMODULE g_dll = nullptr;

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Top-left corner and size of a control in the dialog's client area.
RECT ClientRectOf(HWND dialog, int id)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The pixels of a bitmap as 32-bit colours, with its size in front.
std::vector<DWORD> PixelsOf(HANDLE bitmap)
{
    BITMAP info = {};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0)
        return {};
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(2 + static_cast<size_t>(info.bmWidth) * info.bmHeight);
    pixels[0] = static_cast<DWORD>(info.bmWidth);
    pixels[1] = static_cast<DWORD>(info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, static_cast<HBITMAP>(bitmap), 0, static_cast<UINT>(info.bmHeight), pixels.data() + 2, &format,
              DIB_RGB_COLORS);
    DeleteDC(dc);
    return pixels;
}

// The picture the availability symbol shows, compared with the module's
// bitmap resource.
std::vector<DWORD> ShownSymbol(HWND dialog)
{
    return PixelsOf(reinterpret_cast<HANDLE>(
        SendDlgItemMessageW(dialog, IDC_ABOUT_EARTH_SYMBOL, STM_GETIMAGE, IMAGE_BITMAP, 0)));
}

std::vector<DWORD> ResourcePicture(int id)
{
    HANDLE bitmap = LoadImageW(g_dll, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0);
    std::vector<DWORD> pixels = PixelsOf(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

struct StaticColours {
    COLORREF text;
    int backgroundMode;
    HBRUSH brush;
};

// What the dialog answers when the control is about to be painted.
StaticColours ColoursOf(HWND dialog, int id)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    LRESULT brush = SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    StaticColours colours = {GetTextColor(dc), GetBkMode(dc), reinterpret_cast<HBRUSH>(brush)};
    DeleteDC(dc);
    return colours;
}

class AboutBoxTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The dialog and its pictures are resources of the DLL.
        g_dll = LoadLibraryW(vztest::HostPathToWindows(VZ_DLL_UNIX_PATH).c_str());
    }

    void SetUp() override { ASSERT_NE(g_dll, nullptr); }

    void TearDown() override { vztest::UnregisterEarth(); }

    // Opens the About box without an owner, as the context menu does on a
    // desktop without windows, and waits for it.
    HWND Open()
    {
        m_run.reset(new ModalThread([] {
            ShowAboutBox(nullptr);
            return static_cast<INT_PTR>(0);
        }));
        return vztest::WaitForDialog(m_run->ThreadId(), kCaption);
    }

    void CloseWith(HWND dialog, int id)
    {
        Click(dialog, id);
        EXPECT_TRUE(m_run->Join());
        EXPECT_FALSE(IsWindow(dialog));
    }

    std::unique_ptr<ModalThread> m_run;
};

TEST_F(AboutBoxTest, TellsInGreenThatGoogleEarthIsAvailable)
{
    ASSERT_TRUE(vztest::RegisterEarthServerPath(OwnPath()));
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    EXPECT_EQ(ItemText(dialog, IDC_ABOUT_EARTH_TEXT), L"Google Earth is available on your computer!");
    std::vector<DWORD> symbol = ShownSymbol(dialog);
    ASSERT_EQ(symbol.size(), 2u + 16 * 16);
    EXPECT_EQ(symbol, ResourcePicture(IDB_EARTH_AVAILABLE));
    EXPECT_NE(symbol, ResourcePicture(IDB_EARTH_NOT_AVAILABLE));
    StaticColours colours = ColoursOf(dialog, IDC_ABOUT_EARTH_TEXT);
    EXPECT_EQ(colours.text, RGB(0, 128, 0));
    EXPECT_EQ(colours.backgroundMode, TRANSPARENT);
    EXPECT_EQ(colours.brush, GetStockObject(NULL_BRUSH));

    EXPECT_FALSE(vztest::SaveWindowImage(dialog, L"about-box-earth-available.bmp").empty());
    CloseWith(dialog, IDOK);
}

TEST_F(AboutBoxTest, TellsInRedThatGoogleEarthIsNotAvailable)
{
    // A registration whose server file is gone counts as not installed.
    vztest::TempFolder folder;
    ASSERT_TRUE(vztest::RegisterEarthServerPath(folder / L"googleearth.exe"));
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    EXPECT_EQ(ItemText(dialog, IDC_ABOUT_EARTH_TEXT), L"Google Earth is not available on your computer!");
    std::vector<DWORD> symbol = ShownSymbol(dialog);
    ASSERT_EQ(symbol.size(), 2u + 16 * 16);
    EXPECT_EQ(symbol, ResourcePicture(IDB_EARTH_NOT_AVAILABLE));
    EXPECT_EQ(ColoursOf(dialog, IDC_ABOUT_EARTH_TEXT).text, RGB(218, 0, 0));

    EXPECT_FALSE(vztest::SaveWindowImage(dialog, L"about-box-earth-not-available.bmp").empty());
    CloseWith(dialog, IDOK);
}

TEST_F(AboutBoxTest, TextsAreWhiteOverThePictureAndOtherControlsAreLeftAlone)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    for (int id : {IDC_ABOUT_SLOGAN, IDC_ABOUT_MAIN_TEXT}) {
        StaticColours colours = ColoursOf(dialog, id);
        EXPECT_EQ(colours.text, RGB(255, 255, 255)) << id;
        EXPECT_EQ(colours.backgroundMode, TRANSPARENT) << id;
        EXPECT_EQ(colours.brush, GetStockObject(NULL_BRUSH)) << id;
    }
    // The pictures are not texts: they get the dialog's usual colours.
    EXPECT_NE(ColoursOf(dialog, IDC_ABOUT_BACKGROUND).brush, GetStockObject(NULL_BRUSH));
    EXPECT_NE(ColoursOf(dialog, IDC_ABOUT_EARTH_SYMBOL).text, RGB(255, 255, 255));

    // The three texts share the dialog's own font: Verdana, 13 pixels.
    HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_ABOUT_MAIN_TEXT, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont = {};
    ASSERT_NE(GetObjectW(font, sizeof(logFont), &logFont), 0);
    EXPECT_STREQ(logFont.lfFaceName, L"Verdana");
    EXPECT_EQ(logFont.lfHeight, 13);
    EXPECT_EQ(logFont.lfWeight, FW_NORMAL);
    for (int id : {IDC_ABOUT_SLOGAN, IDC_ABOUT_EARTH_TEXT}) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0)), font) << id;
    }
    EXPECT_NE(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDOK, WM_GETFONT, 0, 0)), font);

    CloseWith(dialog, IDOK);
}

TEST_F(AboutBoxTest, MainTextNamesProductVersionCopyrightAndTheMakersSite)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    std::wstring text = ItemText(dialog, IDC_ABOUT_MAIN_TEXT);
    EXPECT_EQ(text.rfind(L"Vantrelo Zerli 1.2.1.20\n\nCopyright ", 0), 0u) << text.c_str();
    // The notice of rights: three lines, the last after a blank line.
    size_t notice = text.find(L'\n', text.find(L"Copyright"));
    ASSERT_NE(notice, std::wstring::npos);
    size_t viewer = text.find(L"\n\nThe 'Zerli' is just one of the Vantrelo 4.0 viewer's innovative features.\n");
    ASSERT_NE(viewer, std::wstring::npos);
    std::wstring terms = text.substr(notice + 1, viewer - notice - 1);
    std::vector<std::wstring> lines;
    for (size_t start = 0;;) {
        size_t end = terms.find(L'\n', start);
        lines.push_back(terms.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 4u) << terms.c_str();
    EXPECT_FALSE(lines[0].empty());
    EXPECT_FALSE(lines[1].empty());
    EXPECT_TRUE(lines[2].empty());
    EXPECT_FALSE(lines[3].empty());
    // The host of the maker's site, without the scheme.
    EXPECT_NE(text.find(L"Check out " + SiteHost() + L" for more information\n"
                        L"about geocoding, image viewers, browsers, galleries,\n"
                        L"and panoramic pictures."),
              std::wstring::npos)
        << text.c_str();
    EXPECT_EQ(ItemText(dialog, IDC_ABOUT_SLOGAN), L"... linking photos to locations!");

    // Escape closes it.
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(m_run->Join());
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(AboutBoxTest, MainTextIsCutToTheBuffer)
{
    wchar_t full[2000];
    FormatAboutText(full, 2000);
    wchar_t cut[12];
    FormatAboutText(cut, 12);
    EXPECT_EQ(std::wstring(cut), std::wstring(full).substr(0, 11));
    wchar_t untouched[1] = {L'x'};
    FormatAboutText(untouched, 0);
    EXPECT_EQ(untouched[0], L'x');
}

TEST_F(AboutBoxTest, ClientAreaIsThePictureAndOneRowOfButtons)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    RECT picture = ClientRectOf(dialog, IDC_ABOUT_BACKGROUND);
    EXPECT_EQ(picture.right - picture.left, 464);
    EXPECT_EQ(picture.bottom - picture.top, 344);
    RECT client = {};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 464);
    RECT button = ClientRectOf(dialog, IDC_ABOUT_MAKER_PAGE);
    EXPECT_EQ(client.bottom, 344 + (button.bottom - button.top) + 12);
    for (int id : {IDC_ABOUT_MAKER_PAGE, IDC_ABOUT_TOOL_PAGE, IDC_ABOUT_GPS_PAGE, IDOK}) {
        EXPECT_EQ(ClientRectOf(dialog, id).top, 350) << id;
    }
    EXPECT_EQ(ClientRectOf(dialog, IDC_ABOUT_MAIN_TEXT).top, 144);
    EXPECT_EQ(ClientRectOf(dialog, IDC_ABOUT_EARTH_SYMBOL).top, 318);
    EXPECT_EQ(ClientRectOf(dialog, IDC_ABOUT_EARTH_TEXT).top, 322);
    // Buttons keep their places from left to right.
    EXPECT_LT(ClientRectOf(dialog, IDC_ABOUT_MAKER_PAGE).right, ClientRectOf(dialog, IDC_ABOUT_TOOL_PAGE).left);
    EXPECT_LT(ClientRectOf(dialog, IDC_ABOUT_GPS_PAGE).right, ClientRectOf(dialog, IDOK).left);

    // Centred on the screen (no owner), its left edge on a multiple of 8.
    RECT window = {};
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.left % 8, 0);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_LE(std::abs((window.left + window.right) / 2 - screenWidth / 2), 8);

    CloseWith(dialog, IDOK);
}

// The browser stand-in, registered for https addresses in this prefix.
class AboutBoxPagesTest : public AboutBoxTest {
protected:
    void SetUp() override
    {
        AboutBoxTest::SetUp();
        m_record = m_folder / L"opened.txt";
        std::wstring command = L"\"" + vztest::HostPathToWindows(VZ_URL_RECORDER_UNIX_PATH) + L"\" \"" + m_record +
                               L"\" \"%1\"";
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"https\\shell\\open\\ddeexec");
    }

    // The addresses opened so far, one a line; waits until count are there.
    std::string WaitForRecord(size_t count)
    {
        std::string record;
        for (int i = 0; i < 500; ++i) {
            record = vztest::ReadFileBytes(m_record);
            if (static_cast<size_t>(std::count(record.begin(), record.end(), '\n')) >= count)
                break;
            Sleep(20);
        }
        return record;
    }

    vztest::TempFolder m_folder;
    std::wstring m_record;
};

TEST_F(AboutBoxPagesTest, ButtonsOpenTheMakersPagesAndTheBoxStaysOpen)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    Click(dialog, IDC_ABOUT_MAKER_PAGE);
    std::string expected = kSite + "\n";
    EXPECT_EQ(WaitForRecord(1), expected);
    Click(dialog, IDC_ABOUT_TOOL_PAGE);
    expected += kSite + "/en/VantreloZerli.php\n";
    EXPECT_EQ(WaitForRecord(2), expected);
    Click(dialog, IDC_ABOUT_GPS_PAGE);
    expected += kSite + "/en/Bg_Gps.php\n";
    EXPECT_EQ(WaitForRecord(3), expected);
    EXPECT_TRUE(IsWindowVisible(dialog));

    CloseWith(dialog, IDOK);
}

}  // namespace
