// "Show location in Google Earth" from the selection to the launched file:
// a stand-in program of ours is registered for .kml files in the test prefix
// and records the path it is started with; the message boxes are watched.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "earth/show_location.h"
#include "kml/kml_photos.h"
#include "selection/image_selection.h"
#include "testlib/message_box_watcher.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace {

using kmltest::kLocatedPhoto;
using kmltest::kUnlocatedPhoto;

const wchar_t kProgId[] = L"VZTest.KmlViewer";
const DWORD kLaunchWaitMs = 15000;

bool SetDefaultValue(const std::wstring& key, const std::wstring& value)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return result == ERROR_SUCCESS;
}

void RemoveKmlProgram()
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".kml");
}

bool RegisterKmlProgram(const std::wstring& program)
{
    return SetDefaultValue(L".kml", kProgId) &&
           SetDefaultValue(std::wstring(kProgId) + L"\\shell\\open\\command", L"\"" + program + L"\" \"%1\"");
}

// Names in folder that match VantreloZerli*.kml, sorted.
std::vector<std::wstring> KmlFilesIn(const std::wstring& folder)
{
    return vztest::NamesIn(folder, L"VantreloZerli*.kml");
}

// "VantreloZerli" + eight lower-case hexadecimal digits + ".kml".
bool IsKmlFileName(const std::wstring& name)
{
    if (name.size() != 25 || name.compare(0, 13, L"VantreloZerli") != 0 || name.compare(21, 4, L".kml") != 0)
        return false;
    return std::all_of(name.begin() + 13, name.begin() + 21,
                       [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); });
}

size_t CountOf(const std::wstring& text, const std::wstring& part)
{
    size_t count = 0;
    for (size_t p = text.find(part); p != std::wstring::npos; p = text.find(part, p + 1))
        ++count;
    return count;
}

// The file's text after its byte-order mark.
std::wstring FileText(const std::wstring& path)
{
    std::string bytes = vztest::ReadFileBytes(path);
    if (bytes.size() < 2)
        return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

class ShowLocationTest : public testing::Test {
protected:
    void SetUp() override
    {
        GetEnvironmentVariableW(L"TMP", m_savedTmp, MAX_PATH);
        temp = root / L"Temp";
        photos = root / L"Photos";
        ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(photos.c_str(), nullptr));
        ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", temp.c_str()));
        record = root / L"launches.txt";
        ASSERT_TRUE(SetEnvironmentVariableW(L"VZ_KML_STANDIN_RECORD", record.c_str()));
        ASSERT_TRUE(RegisterKmlProgram(vztest::HostPathToWindows(VZ_KML_STANDIN_UNIX_PATH)));
    }

    void TearDown() override
    {
        RemoveKmlProgram();
        SetEnvironmentVariableW(L"TMP", m_savedTmp);
        SetEnvironmentVariableW(L"VZ_KML_STANDIN_RECORD", nullptr);
    }

    // The paths the stand-in recorded once count launches have come in.
    std::vector<std::wstring> WaitForLaunches(size_t count, DWORD timeoutMs = kLaunchWaitMs)
    {
        DWORD start = GetTickCount();
        for (;;) {
            std::vector<std::wstring> launches = Launches();
            if (launches.size() >= count || GetTickCount() - start >= timeoutMs)
                return launches;
            Sleep(20);
        }
    }

    std::vector<std::wstring> Launches()
    {
        std::string bytes = vztest::ReadFileBytes(record);
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        std::vector<std::wstring> lines;
        for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    HRESULT Show(const std::vector<std::wstring>& paths)
    {
        ImageSelection selection;
        for (const std::wstring& path : paths)
            EXPECT_EQ(S_OK, selection.Append(path.c_str()));
        return ShowLocationInEarth(selection);
    }

    vztest::TempFolder root;
    std::wstring temp;
    std::wstring photos;
    std::wstring record;

private:
    wchar_t m_savedTmp[MAX_PATH] = L"";
};

TEST_F(ShowLocationTest, DeletesOldFilesWritesANewOneAndLaunchesTheKmlProgramOnIt)
{
    for (const wchar_t* old : {L"VantreloZerli00000001.kml", L"VantreloZerliold.kml", L"VantreloZerli.txt",
                               L"Other.kml"})
        ASSERT_TRUE(vztest::WriteFileBytes(temp + L"\\" + old, "old"));
    std::vector<std::wstring> selection = {
        vztest::CopyPhoto(kUnlocatedPhoto, photos, L"1.jpg"),
        vztest::CopyPhoto(kLocatedPhoto, photos, L"2.jpg"),
        vztest::CopyPhoto(L"noexif.jpg", photos, L"3.jpg"),
        vztest::CopyPhoto(L"thumbnail.jpg", photos, L"4.jpg"),
        vztest::CopyPhoto(L"southern.jpg", photos, L"5.jpg"),
        vztest::CopyPhoto(L"located.heic", photos, L"6.heic"),
        vztest::CopyPhoto(L"noexif.heic", photos, L"7.HIF")};

    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(S_OK, Show(selection));
    EXPECT_EQ(0u, boxes.Count());

    std::vector<std::wstring> files = KmlFilesIn(temp);
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(IsKmlFileName(files[0])) << files[0];
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((temp + L"\\VantreloZerliold.kml").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((temp + L"\\VantreloZerli.txt").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((temp + L"\\Other.kml").c_str()));

    std::wstring kml = temp + L"\\" + files[0];
    std::vector<std::wstring> launches = WaitForLaunches(1);
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ(kml, launches[0]);

    std::string bytes = vztest::ReadFileBytes(kml);
    EXPECT_EQ(std::string("\xFF\xFE\x3C\x00\x3F\x00", 6), bytes.substr(0, 6));
    std::wstring text = FileText(kml);
    EXPECT_EQ(1u, CountOf(text, L"<Folder>"));
    EXPECT_EQ(1u, CountOf(text, L"<name>New Images</name>"));
    EXPECT_EQ(3u, CountOf(text, L"<Placemark>"));
    EXPECT_EQ(1u, CountOf(text, L"<name>Image - 2.jpg</name>"));
    EXPECT_EQ(1u, CountOf(text, L"<name>Image - 5.jpg</name>"));
    EXPECT_EQ(1u, CountOf(text, L"<name>Image - 6.heic</name>"));
    // The HEIF photo is shown in its own proportions (205 x 102).
    EXPECT_EQ(1u, CountOf(text, L"6.heic&quot; width=&quot;246&quot; height=&quot;122&quot;"));
    EXPECT_EQ(L"</kml>\r\n", text.substr(text.size() - 8));
}

TEST_F(ShowLocationTest, OneLocatedPhotoGivesASinglePlacemarkAndASecondRunReplacesTheFile)
{
    std::wstring photo = vztest::CopyPhoto(kLocatedPhoto, photos);
    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(S_OK, Show({photo}));
    std::vector<std::wstring> first = KmlFilesIn(temp);
    ASSERT_EQ(1u, first.size());
    std::wstring text = FileText(temp + L"\\" + first[0]);
    EXPECT_EQ(0u, CountOf(text, L"<Folder>"));
    EXPECT_EQ(1u, CountOf(text, L"<Placemark>"));
    EXPECT_EQ(1u, CountOf(text, L"<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n\t<Placemark>"));
    ASSERT_EQ(1u, WaitForLaunches(1).size());

    // The tick count names the next file anew; the first one is deleted.
    Sleep(50);
    EXPECT_EQ(S_OK, Show({photo}));
    std::vector<std::wstring> second = KmlFilesIn(temp);
    ASSERT_EQ(1u, second.size());
    EXPECT_NE(first[0], second[0]);
    std::vector<std::wstring> launches = WaitForLaunches(2);
    ASSERT_EQ(2u, launches.size());
    EXPECT_EQ(temp + L"\\" + second[0], launches[1]);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ShowLocationTest, NoPhotoWithAPositionStillOpensADocumentWithoutPlacemarks)
{
    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(S_OK, Show({vztest::CopyPhoto(kUnlocatedPhoto, photos)}));
    std::vector<std::wstring> files = KmlFilesIn(temp);
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(L"<?xml version=\"1.0\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>\r\n",
              FileText(temp + L"\\" + files[0]));
    EXPECT_EQ(1u, WaitForLaunches(1).size());
}

TEST_F(ShowLocationTest, WithoutAProgramForKmlFilesTheShellsCodeIsShown)
{
    RemoveKmlProgram();
    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(E_FAIL, Show({vztest::CopyPhoto(kLocatedPhoto, photos)}));
    ASSERT_EQ(1u, boxes.Count());
    vztest::MessageBoxRecord box = boxes[0];
    EXPECT_TRUE(box.intercepted);
    EXPECT_FALSE(box.wide);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(L"Vantrelo Zerli", box.title);
    EXPECT_EQ(L"Couldn't launch Google Earth client!\n(Error code: 31)", box.text);
    EXPECT_EQ(static_cast<UINT>(MB_SETFOREGROUND | MB_ICONERROR), box.flags);
    EXPECT_TRUE(box.shown) << "MessageBoxA returned " << box.result;
    // The file was written all the same.
    EXPECT_EQ(1u, KmlFilesIn(temp).size());
}

TEST_F(ShowLocationTest, AReadOnlyTemporaryFolderGivesTheCreateMessage)
{
    // A folder of the host without write permission for the user Wine runs
    // as (made by the suite's fixture).
    std::wstring readOnly = vztest::HostPathToWindows(VZ_READONLY_UNIX_DIR);
    DWORD attributes = GetFileAttributesW(readOnly.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", readOnly.c_str()));

    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(E_FAIL, Show({vztest::CopyPhoto(kLocatedPhoto, photos)}));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Vantrelo Zerli", boxes[0].title);
    EXPECT_EQ(L"Couldn't create temporary KML file!", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_SETFOREGROUND | MB_ICONERROR), boxes[0].flags);
    EXPECT_FALSE(boxes[0].wide);
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_TRUE(KmlFilesIn(readOnly).empty());
    EXPECT_TRUE(WaitForLaunches(1, 1000).empty());
}

TEST_F(ShowLocationTest, ADocumentThatCannotBeSerialisedIsReportedDeletedAndNotOpened)
{
    // 100 ampersands in the folder name: the escaped description (the path
    // twice) is longer than the XML writer accepts.
    std::wstring ampersands = photos + L"\\" + std::wstring(100, L'&');
    ASSERT_TRUE(CreateDirectoryW(ampersands.c_str(), nullptr));
    std::wstring photo = vztest::CopyPhoto(kLocatedPhoto, ampersands);
    ASSERT_FALSE(photo.empty());
    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(E_FAIL, Show({photo}));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Couldn't create temporary KML file!", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_SETFOREGROUND | MB_ICONERROR), boxes[0].flags);
    EXPECT_TRUE(KmlFilesIn(temp).empty());
    EXPECT_TRUE(WaitForLaunches(1, 1000).empty());
}

TEST_F(ShowLocationTest, WithoutATemporaryFolderNothingIsWrittenOrShown)
{
    // A temporary folder too long for the name buffer.
    std::wstring tooLong = L"C:\\" + std::wstring(240, L't');
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tooLong.c_str()));
    vztest::MessageBoxWatcher boxes;
    EXPECT_EQ(E_FAIL, Show({vztest::CopyPhoto(kLocatedPhoto, photos)}));
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_TRUE(WaitForLaunches(1, 1000).empty());
}

}  // namespace
