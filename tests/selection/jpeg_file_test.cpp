// Which names count as photos (JPEG and HEIF files), and how shortcuts among
// them are resolved;
// which names count as GPS tracks.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "selection/photo_file.h"
#include "selection/track_file.h"
#include "selection/selection_test_util.h"
#include "support/shortcut.h"
#include "testlib/shortcut_file.h"
#include "testlib/temp_folder.h"

namespace {

using seltest::NameOfLength;

TEST(IsPhotoFile, AcceptsTheJpegAndHeifExtensionsInAnyCase)
{
    for (const wchar_t* name : {L"C:\\A.jpg", L"C:\\Cat.JPEG", L"C:\\Dog.Jpe", L"x.jPeG", L"D:\\pics\\.jpg",
                                L"D:\\a.b.c.JPG", L"relative.jpe", L"C:\\IMG_0001.HEIC", L"C:\\dsc.heif",
                                L"E:\\DCIM\\IMG_1234.HIF", L"x.HeIc", L"y.hif"})
        EXPECT_TRUE(IsPhotoFile(name)) << name;
}

TEST(IsPhotoFile, RejectsEveryOtherExtension)
{
    for (const wchar_t* name : {L"D:\\my.photos\\readme", L"C:\\scan.JFIF", L"C:\\scan.jfif", L"C:\\x.JPEG2",
                                L"C:\\x.JPG ", L"C:\\x.jpg.txt", L"C:\\x.jp", L"C:\\xjpg", L".jpg", L"C:\\x.",
                                L"C:\\photo", L"C:\\x.j\u0420g", L"C:\\x.heics", L"C:\\x.avif",
                                L"C:\\x.hei", L"C:\\x.heic.txt", L""})
        EXPECT_FALSE(IsPhotoFile(name)) << name;
    EXPECT_FALSE(IsPhotoFile(nullptr));
}

TEST(IsPhotoFile, PathsOf260CharactersOrMoreAreRejected)
{
    EXPECT_TRUE(IsPhotoFile(NameOfLength(259, L"C:\\", L".jpg").c_str()));
    EXPECT_FALSE(IsPhotoFile(NameOfLength(260, L"C:\\", L".jpg").c_str()));
    // Cut to 259 characters this name would end in ".jpg".
    EXPECT_FALSE(IsPhotoFile((NameOfLength(259, L"C:\\", L".jpg") + L"x.png").c_str()));
}

TEST(IsGpxFile, AcceptsTheGpxExtensionInAnyCase)
{
    for (const wchar_t* name : {L"C:\\walk.gpx", L"C:\\Walk.GPX", L"D:\\logs\\2024-05-01.Gpx", L"x.gPX",
                                L"D:\\a.b.c.gpx", L"D:\\tracks\\.gpx"})
        EXPECT_TRUE(IsGpxFile(name)) << name;
}

TEST(IsGpxFile, RejectsOtherNamesAndShortcutsToTracks)
{
    for (const wchar_t* name : {L"C:\\walk.gpx.txt", L"C:\\walk.gpxx", L"C:\\walk.gp", L"C:\\walkgpx",
                                L".gpx", L"C:\\walk.gpx ", L"C:\\walk.jpg", L"C:\\walk.kml",
                                L"C:\\walk.g\u0420x", L"C:\\walk.gpx.lnk", L""})
        EXPECT_FALSE(IsGpxFile(name)) << name;
    EXPECT_FALSE(IsGpxFile(nullptr));
}

class Shortcuts : public testing::Test {
protected:
    void SetUp() override
    {
        photo = folder / L"beach.jpg";
        phonePhoto = folder / L"IMG_0042.HEIC";
        notes = folder / L"notes.txt";
        ASSERT_TRUE(vztest::WriteFileBytes(photo, "photo"));
        ASSERT_TRUE(vztest::WriteFileBytes(phonePhoto, "photo"));
        ASSERT_TRUE(vztest::WriteFileBytes(notes, "text"));
    }

    std::wstring MakeShortcut(const std::wstring& name, const std::wstring& target)
    {
        std::wstring link = folder / name;
        EXPECT_EQ(vztest::CreateShortcut(link, target), S_OK) << name.c_str();
        return link;
    }

    vztest::TempFolder folder;
    std::wstring photo;
    std::wstring phonePhoto;
    std::wstring notes;
};

TEST_F(Shortcuts, AreJudgedByTheirTarget)
{
    EXPECT_TRUE(IsPhotoFile(MakeShortcut(L"Holiday.lnk", photo).c_str()));
    EXPECT_TRUE(IsPhotoFile(MakeShortcut(L"Holiday2.LnK", photo).c_str()));
    EXPECT_FALSE(IsPhotoFile(MakeShortcut(L"Readme.lnk", notes).c_str()));
    // Named like a photo, but a shortcut only counts by its target.
    EXPECT_FALSE(IsPhotoFile(MakeShortcut(L"fake.jpg.lnk", notes).c_str()));
    EXPECT_TRUE(IsPhotoFile(MakeShortcut(L"Phone.lnk", phonePhoto).c_str()));
}

TEST_F(Shortcuts, UnreadableShortcutsAreRejected)
{
    std::wstring garbage = folder / L"garbage.lnk";
    ASSERT_TRUE(vztest::WriteFileBytes(garbage, "L not a shell link at all"));
    EXPECT_FALSE(IsPhotoFile(garbage.c_str()));
    EXPECT_FALSE(IsPhotoFile((folder / L"absent.lnk").c_str()));
}

TEST_F(Shortcuts, ResolveGivesTheTarget)
{
    std::wstring link = MakeShortcut(L"Holiday.lnk", photo);
    wchar_t out[MAX_PATH] = L"stale";
    EXPECT_EQ(ResolveShortcut(link.c_str(), out, MAX_PATH, nullptr, FALSE), S_OK);
    EXPECT_STREQ(out, photo.c_str());

    // The result may go into the buffer that holds the name.
    wchar_t inPlace[MAX_PATH];
    wcscpy(inPlace, link.c_str());
    EXPECT_EQ(ResolveShortcut(inPlace, inPlace, MAX_PATH, nullptr, FALSE), S_OK);
    EXPECT_STREQ(inPlace, photo.c_str());
}

TEST_F(Shortcuts, ForceTreatsAnyNameAsAShortcut)
{
    std::wstring link = MakeShortcut(L"Holiday.lnk", photo);
    std::wstring renamed = folder / L"Holiday.dat";
    ASSERT_TRUE(MoveFileW(link.c_str(), renamed.c_str()));
    wchar_t out[MAX_PATH];
    EXPECT_EQ(ResolveShortcut(renamed.c_str(), out, MAX_PATH, nullptr, TRUE), S_OK);
    EXPECT_STREQ(out, photo.c_str());
    EXPECT_EQ(ResolveShortcut(renamed.c_str(), out, MAX_PATH, nullptr, FALSE), S_FALSE);
    EXPECT_STREQ(out, renamed.c_str());
    // Forced on a file that is no shortcut: a failure and an empty result.
    wcscpy(out, L"stale");
    EXPECT_LT(ResolveShortcut(photo.c_str(), out, MAX_PATH, nullptr, TRUE), 0);
    EXPECT_STREQ(out, L"");
}

TEST_F(Shortcuts, FailureLeavesAnEmptyResult)
{
    std::wstring garbage = folder / L"garbage.lnk";
    ASSERT_TRUE(vztest::WriteFileBytes(garbage, "not a shell link"));
    for (const std::wstring& link : {garbage, folder / L"absent.lnk"}) {
        wchar_t out[MAX_PATH] = L"stale";
        EXPECT_LT(ResolveShortcut(link.c_str(), out, MAX_PATH, nullptr, FALSE), 0) << link.c_str();
        EXPECT_STREQ(out, L"");
    }
}

TEST_F(Shortcuts, TargetThatDoesNotFitTheBufferIsNotCut)
{
    std::wstring link = MakeShortcut(L"Holiday.lnk", photo);
    wchar_t out[MAX_PATH] = L"stale";
    int exact = static_cast<int>(photo.size()) + 1;
    EXPECT_EQ(ResolveShortcut(link.c_str(), out, exact, nullptr, FALSE), S_OK);
    EXPECT_STREQ(out, photo.c_str());
    EXPECT_EQ(ResolveShortcut(link.c_str(), out, exact - 1, nullptr, FALSE), E_INVALIDARG);
    EXPECT_STREQ(out, L"");
}

// Wine's shell link does not report a missing target as unresolvable (on
// Windows, Resolve with SLR_NO_UI fails after its search, and the shortcut is
// skipped). What holds on both: no window is shown, the call returns, and a
// result is either a failure with an empty buffer or the recorded target.
BOOL CALLBACK CountOwnWindows(HWND window, LPARAM count)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int VisibleWindowsOfThisProcess()
{
    int count = 0;
    EnumWindows(CountOwnWindows, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(Shortcuts, MissingTargetIsResolvedWithoutUi)
{
    std::wstring gone = folder / L"gone.jpg";
    ASSERT_TRUE(vztest::WriteFileBytes(gone, "photo"));
    std::wstring link = MakeShortcut(L"Gone.lnk", gone);
    ASSERT_TRUE(DeleteFileW(gone.c_str()));

    int windowsBefore = VisibleWindowsOfThisProcess();
    wchar_t out[MAX_PATH] = L"stale";
    HRESULT hr = ResolveShortcut(link.c_str(), out, MAX_PATH, nullptr, FALSE);
    bool accepted = IsPhotoFile(link.c_str());
    EXPECT_EQ(VisibleWindowsOfThisProcess(), windowsBefore);
    if (FAILED(hr)) {
        EXPECT_STREQ(out, L"");
        EXPECT_FALSE(accepted);
    } else {
        EXPECT_STREQ(out, gone.c_str());
        EXPECT_TRUE(accepted);
    }
    RecordProperty("missing_target_result", static_cast<int>(hr));
    printf("shortcut to a missing JPEG: ResolveShortcut %08lx, IsPhotoFile %s\n", static_cast<unsigned long>(hr),
           accepted ? "true" : "false");
}

TEST(ResolveShortcut, CopiesOtherNamesUnchanged)
{
    wchar_t out[MAX_PATH] = L"stale";
    EXPECT_EQ(ResolveShortcut(L"D:\\pics\\photo.jpg", out, MAX_PATH, nullptr, FALSE), S_FALSE);
    EXPECT_STREQ(out, L"D:\\pics\\photo.jpg");
    EXPECT_EQ(ResolveShortcut(L"D:\\x.lnk.txt", out, MAX_PATH, nullptr, FALSE), S_FALSE);
    EXPECT_STREQ(out, L"D:\\x.lnk.txt");
    EXPECT_EQ(ResolveShortcut(L"D:\\x.lnk ", out, MAX_PATH, nullptr, FALSE), S_FALSE);
    EXPECT_STREQ(out, L"D:\\x.lnk ");

    wchar_t inPlace[MAX_PATH] = L"D:\\same.jpg";
    EXPECT_EQ(ResolveShortcut(inPlace, inPlace, MAX_PATH, nullptr, FALSE), S_FALSE);
    EXPECT_STREQ(inPlace, L"D:\\same.jpg");
}

TEST(ResolveShortcut, NeverCutsAName)
{
    wchar_t out[MAX_PATH] = L"stale";
    EXPECT_EQ(ResolveShortcut(L"D:\\photo.jpg", out, 13, nullptr, FALSE), S_FALSE);
    EXPECT_STREQ(out, L"D:\\photo.jpg");
    wcscpy(out, L"stale");
    EXPECT_EQ(ResolveShortcut(L"D:\\photo.jpg", out, 12, nullptr, FALSE), E_INVALIDARG);
    EXPECT_STREQ(out, L"");

    std::wstring longest = NameOfLength(259, L"C:\\", L".jpg");
    std::wstring tooLong = NameOfLength(260, L"C:\\", L".jpg");
    EXPECT_EQ(ResolveShortcut(longest.c_str(), out, MAX_PATH, nullptr, FALSE), S_FALSE);
    EXPECT_EQ(out, longest);
    wchar_t large[1000] = L"stale";
    for (BOOL force : {FALSE, TRUE}) {
        EXPECT_EQ(ResolveShortcut(tooLong.c_str(), large, 1000, nullptr, force), E_INVALIDARG);
        EXPECT_STREQ(large, L"");
    }
    std::wstring longShortcut = NameOfLength(300, L"C:\\", L".lnk");
    EXPECT_EQ(ResolveShortcut(longShortcut.c_str(), large, 1000, nullptr, FALSE), E_INVALIDARG);
    EXPECT_STREQ(large, L"");
}

TEST(ResolveShortcut, MissingArgumentsAreRefused)
{
    wchar_t out[4] = L"abc";
    EXPECT_EQ(ResolveShortcut(nullptr, out, 4, nullptr, FALSE), E_INVALIDARG);
    EXPECT_STREQ(out, L"");
    EXPECT_EQ(ResolveShortcut(L"C:\\a.jpg", nullptr, MAX_PATH, nullptr, FALSE), E_INVALIDARG);
    wcscpy(out, L"abc");
    EXPECT_EQ(ResolveShortcut(L"C:\\a.jpg", out, 0, nullptr, FALSE), E_INVALIDARG);
    EXPECT_STREQ(out, L"abc");
}

}  // namespace
