// Write access of selected files: the read-only attribute, nothing else.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "selection/file_access.h"
#include "testlib/shortcut_file.h"
#include "testlib/temp_folder.h"

namespace {

TEST(IsFileReadOnly, FollowsTheReadOnlyAttribute)
{
    vztest::TempFolder folder;
    std::wstring photo = folder / L"photo.jpg";
    ASSERT_TRUE(vztest::WriteFileBytes(photo, "photo"));
    EXPECT_FALSE(IsFileReadOnly(photo.c_str()));
    ASSERT_TRUE(vztest::SetReadOnly(photo, true));
    EXPECT_TRUE(IsFileReadOnly(photo.c_str()));
    ASSERT_TRUE(vztest::SetReadOnly(photo, false));
    EXPECT_FALSE(IsFileReadOnly(photo.c_str()));
}

TEST(IsFileReadOnly, FilesThatCannotBeFoundCountAsWritable)
{
    vztest::TempFolder folder;
    EXPECT_FALSE(IsFileReadOnly((folder / L"missing.jpg").c_str()));
    EXPECT_FALSE(IsFileReadOnly((folder / L"no such folder\\missing.jpg").c_str()));
    EXPECT_FALSE(IsFileReadOnly(L""));
    EXPECT_FALSE(IsFileReadOnly(nullptr));
}

// A raw file is never written: its sidecars are, of either name, in any
// case; one without a sidecar gets a new one.
TEST(IsFileReadOnly, JudgesARawFileByItsSidecars)
{
    vztest::TempFolder folder;
    std::wstring raw = folder / L"IMG_1.CR2";
    ASSERT_TRUE(vztest::WriteFileBytes(raw, "raw"));
    ASSERT_TRUE(vztest::SetReadOnly(raw, true));
    EXPECT_FALSE(IsFileReadOnly(raw.c_str()));
    for (const wchar_t* name : {L"img_1.XMP", L"IMG_1.cr2.xmp"}) {
        std::wstring sidecar = folder / name;
        ASSERT_TRUE(vztest::WriteFileBytes(sidecar, "<x:xmpmeta/>"));
        EXPECT_FALSE(IsFileReadOnly(raw.c_str())) << name;
        ASSERT_TRUE(vztest::SetReadOnly(sidecar, true));
        EXPECT_TRUE(IsFileReadOnly(raw.c_str())) << name;
        ASSERT_TRUE(vztest::SetReadOnly(sidecar, false));
        ASSERT_TRUE(DeleteFileW(sidecar.c_str()));
    }
    // Another raw file's sidecar is not this one's.
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"IMG_10.xmp", "<x:xmpmeta/>"));
    ASSERT_TRUE(vztest::SetReadOnly(folder / L"IMG_10.xmp", true));
    EXPECT_FALSE(IsFileReadOnly(raw.c_str()));
    ASSERT_TRUE(vztest::SetReadOnly(raw, false));
}

TEST(IsFileReadOnly, JudgesAShortcutByItsOwnAttribute)
{
    vztest::TempFolder folder;
    std::wstring photo = folder / L"photo.jpg";
    std::wstring link = folder / L"Photo.lnk";
    ASSERT_TRUE(vztest::WriteFileBytes(photo, "photo"));
    ASSERT_EQ(vztest::CreateShortcut(link, photo), S_OK);

    ASSERT_TRUE(vztest::SetReadOnly(photo, true));
    EXPECT_FALSE(IsFileReadOnly(link.c_str()));
    ASSERT_TRUE(vztest::SetReadOnly(photo, false));
    ASSERT_TRUE(vztest::SetReadOnly(link, true));
    EXPECT_TRUE(IsFileReadOnly(link.c_str()));
}

}  // namespace
