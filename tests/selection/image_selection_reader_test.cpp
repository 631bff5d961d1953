// Building the selection from the shell's data object, as Initialize does.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "selection/image_selection_reader.h"
#include "selection/selection_test_util.h"
#include "testlib/shell_data_object.h"
#include "testlib/shortcut_file.h"
#include "testlib/temp_folder.h"

namespace {

using seltest::Entries;
using seltest::NameOfLength;
using Names = std::vector<std::wstring>;

// Reads the data object into selection and releases the data object.
HRESULT Read(IDataObject* data, ImageSelection* selection)
{
    if (!data)
        return E_POINTER;
    HRESULT hr = ReadImageSelection(data, selection);
    data->Release();
    return hr;
}

// Creates small files of these names in folder; returns their paths.
Names MakeFiles(const vztest::TempFolder& folder, const Names& names)
{
    Names paths;
    for (const std::wstring& name : names) {
        paths.push_back(folder / name);
        EXPECT_TRUE(vztest::WriteFileBytes(paths.back(), "not really a photo")) << name.c_str();
    }
    return paths;
}

// Whether the data object's CF_HDROP holds UTF-16 names.
bool DeliversWideNames(IDataObject* data)
{
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium)))
        return false;
    const DROPFILES* header = static_cast<const DROPFILES*>(GlobalLock(medium.hGlobal));
    bool wide = header && header->fWide;
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return wide;
}

TEST(SelectionFromShell, KeepsTheJpegFilesInTheShellsOrder)
{
    vztest::TempFolder folder;
    Names paths = MakeFiles(folder, {L"A.jpg", L"notes.txt", L"Cat.JPEG", L"Dog.Jpe"});
    IDataObject* data = vztest::CreateShellDataObject(paths);
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(DeliversWideNames(data));

    ImageSelection selection;
    EXPECT_EQ(Read(data, &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{paths[0], paths[2], paths[3]}));
    EXPECT_EQ(selection.PathAt(-1), nullptr);
    EXPECT_EQ(selection.PathAt(3), nullptr);
    EXPECT_EQ(selection.TrackPath(), nullptr);
}

// Camera raw files by the extensions of the raw format table, in any case,
// beside JPEG and HEIF photos; their sidecars and look-alikes are no photos.
TEST(SelectionFromShell, KeepsRawFilesBesideJpegAndHeifPhotos)
{
    vztest::TempFolder folder;
    Names paths = MakeFiles(folder, {L"A.jpg", L"b.CR2", L"b.xmp", L"c.nef", L"c.NEF.xmp", L"d.DnG", L"e.heic",
                                     L"f.arw.txt", L"g.raw", L"h.Cr3", L"i.RAF", L"j.orf"});
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject(paths), &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{paths[0], paths[1], paths[3], paths[5], paths[6], paths[9], paths[10],
                                         paths[11]}));
}

TEST(SelectionFromShell, WithoutJpegFilesFailsAndStaysEmpty)
{
    vztest::TempFolder folder;
    Names paths = MakeFiles(folder, {L"notes.txt", L"photo.png", L"scan.jfif"});
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject(paths), &selection), E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST(SelectionFromShell, ReadOnlyPhotosAreSelectedToo)
{
    vztest::TempFolder folder;
    Names paths = MakeFiles(folder, {L"locked.jpg", L"open.jpg"});
    ASSERT_TRUE(vztest::SetReadOnly(paths[0], true));
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject(paths), &selection), S_OK);
    EXPECT_EQ(Entries(selection), paths);
}

TEST(SelectionFromAnsiNames, GivesTheSameListAsUtf16Names)
{
    vztest::TempFolder folder;
    Names paths = MakeFiles(folder, {L"A.jpg", L"notes.txt", L"Cat.JPEG", L"Dog.Jpe", L"Caf\u00e9.jpg"});
    ImageSelection wide;
    ImageSelection ansi;
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject(paths, true), &wide), S_OK);
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject(paths, false), &ansi), S_OK);
    EXPECT_EQ(Entries(wide), (Names{paths[0], paths[2], paths[3], paths[4]}));
    EXPECT_EQ(Entries(ansi), Entries(wide));
}

TEST(SelectionFromAnsiNames, WithoutJpegFilesFails)
{
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\notes.txt", L"C:\\photo.png"}, false), &selection),
              E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST(SelectionWithTrack, OneGpxFileBesidePhotosIsTheTrackAndNothingElseIs)
{
    vztest::TempFolder folder;
    Names paths = MakeFiles(folder, {L"A.jpg", L"Walk.GPX", L"two.gpx", L"notes.txt"});
    std::wstring link = folder / L"walk.lnk";
    ASSERT_EQ(vztest::CreateShortcut(link, paths[1]), S_OK);
    const struct {
        Names selected;
        HRESULT result;
        const wchar_t* track;
    } cases[] = {
        {{paths[0], paths[1], paths[3]}, S_OK, paths[1].c_str()},
        {{paths[1], paths[0], paths[2]}, S_OK, nullptr},  // two tracks
        {{paths[1], paths[3]}, E_FAIL, nullptr},          // no photo
        {{paths[0], link}, S_OK, nullptr},                // a shortcut to a track
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.selected.size());
        ImageSelection selection;
        EXPECT_EQ(Read(vztest::CreateShellDataObject(entry.selected), &selection), entry.result);
        EXPECT_EQ(Entries(selection), entry.result == S_OK ? Names{paths[0]} : Names{});
        EXPECT_EQ(selection.TrackPath() ? std::wstring(selection.TrackPath()) : L"<none>",
                  entry.track ? std::wstring(entry.track) : L"<none>");
    }
    // Names in the ANSI code page give the same track.
    ImageSelection ansi;
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({paths[1], paths[0]}, false), &ansi), S_OK);
    ASSERT_NE(ansi.TrackPath(), nullptr);
    EXPECT_EQ(std::wstring(ansi.TrackPath()), paths[1]);
}

TEST(SelectionWithTrack, ANewSelectionForgetsTheTrackOfTheLast)
{
    ImageSelection selection;
    ASSERT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\a.jpg", L"C:\\t.gpx"}, true), &selection), S_OK);
    ASSERT_NE(selection.TrackPath(), nullptr);
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\b.jpg"}, true), &selection), S_OK);
    EXPECT_EQ(selection.TrackPath(), nullptr);

    ASSERT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\a.jpg", L"C:\\t.gpx"}, true), &selection), S_OK);
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\u.gpx"}, true), &selection), E_FAIL);
    EXPECT_EQ(selection.TrackPath(), nullptr);

    ASSERT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\a.jpg", L"C:\\t.gpx"}, true), &selection), S_OK);
    selection.Clear();
    EXPECT_EQ(selection.TrackPath(), nullptr);
}

class SelectionOfShortcuts : public testing::Test {
protected:
    void SetUp() override
    {
        beach = folder / L"beach.jpg";
        notes = folder / L"notes.txt";
        ASSERT_TRUE(vztest::WriteFileBytes(beach, "photo"));
        ASSERT_TRUE(vztest::WriteFileBytes(notes, "text"));
    }

    vztest::TempFolder folder;
    std::wstring beach;
    std::wstring notes;
};

TEST_F(SelectionOfShortcuts, ShortcutToAJpegOrRawFileIsKeptAsItsOwnPath)
{
    std::wstring holiday = folder / L"Holiday.lnk";
    std::wstring readme = folder / L"Readme.LNK";
    std::wstring raw = folder / L"Raw.lnk";
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"dune.NEF", "raw"));
    ASSERT_EQ(vztest::CreateShortcut(holiday, beach), S_OK);
    ASSERT_EQ(vztest::CreateShortcut(readme, notes), S_OK);
    ASSERT_EQ(vztest::CreateShortcut(raw, folder / L"dune.NEF"), S_OK);

    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject({readme, holiday, notes, raw}), &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{holiday, raw}));
}

TEST_F(SelectionOfShortcuts, ShortcutsToOtherFilesAloneFail)
{
    std::wstring readme = folder / L"Readme.lnk";
    ASSERT_EQ(vztest::CreateShortcut(readme, notes), S_OK);
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject({readme}), &selection), E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST_F(SelectionOfShortcuts, ShortcutWhoseTargetIsGoneIsSkipped)
{
    std::wstring gone = folder / L"gone.jpg";
    std::wstring holiday = folder / L"Holiday.lnk";
    ASSERT_TRUE(vztest::WriteFileBytes(gone, "photo"));
    ASSERT_EQ(vztest::CreateShortcut(holiday, gone), S_OK);
    ASSERT_TRUE(DeleteFileW(gone.c_str()));
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject({holiday, beach}), &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{beach}));
}

TEST_F(SelectionOfShortcuts, BrokenShortcutFileIsSkipped)
{
    std::wstring broken = folder / L"Broken.lnk";
    ASSERT_TRUE(vztest::WriteFileBytes(broken, "this is not a shell link"));
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateShellDataObject({broken, beach}), &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{beach}));
}

TEST(SelectionLifecycle, SecondReadReplacesTheFirst)
{
    ImageSelection selection;
    ASSERT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\a.jpg", L"C:\\b.jpg"}, true), &selection), S_OK);
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\c.jpeg"}, true), &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{L"C:\\c.jpeg"}));

    // A second selection without photos leaves nothing of the first.
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\d.txt"}, true), &selection), E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST(SelectionLifecycle, DataObjectWithoutFileListKeepsThePreviousSelection)
{
    ImageSelection selection;
    ASSERT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\a.jpg"}, true), &selection), S_OK);
    EXPECT_EQ(Read(vztest::CreateEmptyDataObject(), &selection), DV_E_FORMATETC);
    EXPECT_EQ(Entries(selection), (Names{L"C:\\a.jpg"}));
}

TEST(SelectionLifecycle, EmptyFileListFails)
{
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({}, true), &selection), E_FAIL);
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({}, false), &selection), E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST(SelectionLifecycle, DuplicatesStayInTheList)
{
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({L"C:\\a.jpg", L"C:\\b.txt", L"C:\\a.jpg"}, true),
                   &selection),
              S_OK);
    EXPECT_EQ(Entries(selection), (Names{L"C:\\a.jpg", L"C:\\a.jpg"}));
}

TEST(SelectionLifecycle, MissingArgumentsAreRefused)
{
    ImageSelection selection;
    EXPECT_EQ(ReadImageSelection(nullptr, &selection), E_INVALIDARG);
    IDataObject* data = vztest::CreateDropFilesDataObject({L"C:\\a.jpg"}, true);
    EXPECT_EQ(ReadImageSelection(data, nullptr), E_INVALIDARG);
    data->Release();
}

// Names that do not fit the 260-character buffers whole are never cut: the
// first 259 characters of the long names below end in ".jpg", so a cut name
// would be taken for a photo (and might be another existing file).
TEST(SelectionOfLongNames, NamesOf260CharactersOrMoreAreNeverCut)
{
    std::wstring longest = NameOfLength(259, L"C:\\", L".jpg");
    std::wstring tooLong = NameOfLength(260, L"C:\\", L".jpg");
    std::wstring cutToJpeg = longest + L".txt";
    ASSERT_EQ(longest.size(), 259u);

    for (bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "UTF-16 names" : "ANSI names");
        ImageSelection selection;
        EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({tooLong, cutToJpeg, longest}, wide), &selection), S_OK);
        EXPECT_EQ(Entries(selection), (Names{longest}));
        EXPECT_EQ(Read(vztest::CreateDropFilesDataObject({cutToJpeg, tooLong}, wide), &selection), E_FAIL);
        EXPECT_EQ(selection.Count(), 0);
    }
}

// File lists from other programs' data objects may be malformed: reading
// stays inside the block whatever it holds.
std::string Header(DWORD namesOffset, bool wide)
{
    DROPFILES header = {};
    header.pFiles = namesOffset;
    header.fWide = wide;
    return std::string(reinterpret_cast<const char*>(&header), sizeof header);
}

std::string WideBytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

TEST(SelectionFromMalformedList, NameWithoutTerminatorIsNotUsed)
{
    std::string wide = Header(sizeof(DROPFILES), true) + WideBytes(std::wstring(L"C:\\a.jpg") + L'\0' + L"C:\\b.jpg");
    std::string ansi = Header(sizeof(DROPFILES), false) + std::string("C:\\a.jpg\0C:\\b.jpg", 17);
    for (const std::string& block : {wide, ansi}) {
        ImageSelection selection;
        EXPECT_EQ(Read(vztest::CreateRawDropFilesDataObject(block), &selection), S_OK);
        EXPECT_EQ(Entries(selection), (Names{L"C:\\a.jpg"}));
    }
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateRawDropFilesDataObject(Header(sizeof(DROPFILES), true) + WideBytes(L"C:\\b.jpg")),
                   &selection),
              E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST(SelectionFromMalformedList, OffsetOutsideTheBlockOrShortHeaderGivesNoNames)
{
    std::string names = WideBytes(std::wstring(L"C:\\a.jpg") + L'\0' + L'\0');
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateRawDropFilesDataObject(Header(0x7FFFFFF0, true) + names), &selection), E_FAIL);
    EXPECT_EQ(Read(vztest::CreateRawDropFilesDataObject(Header(0xFFFFFFFF, false) + std::string("C:\\a.jpg\0\0", 10)), &selection),
              E_FAIL);
    EXPECT_EQ(Read(vztest::CreateRawDropFilesDataObject(std::string("\x04\0\0\0", 4)), &selection), E_FAIL);
    EXPECT_EQ(selection.Count(), 0);
}

TEST(SelectionFromMalformedList, UnalignedWideNamesAreRead)
{
    std::string block = Header(sizeof(DROPFILES) + 1, true) + "x" +
                        WideBytes(std::wstring(L"C:\\a.jpg") + L'\0' + L"C:\\b.JPE" + L'\0' + L'\0');
    ImageSelection selection;
    EXPECT_EQ(Read(vztest::CreateRawDropFilesDataObject(block), &selection), S_OK);
    EXPECT_EQ(Entries(selection), (Names{L"C:\\a.jpg", L"C:\\b.JPE"}));
}

}  // namespace
