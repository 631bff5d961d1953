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
