// The write loop of the commands that store positions.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "replacement/file_access.h"
#include "selection/photo_writes.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace {

// The system's file calls, counting the listings of folders.
int g_listings = 0;
HANDLE WINAPI CountedListing(LPCWSTR pattern, LPWIN32_FIND_DATAW found)
{
    ++g_listings;
    return FindFirstFileW(pattern, found);
}
const FileCalls kCountingCalls = {ReadFile, WriteFile, FlushFileBuffers, SetFileInformationByHandle, CountedListing};

// What killed writers left is looked for once per folder and command: one
// listing of the folder for 200 photos in it, not one per photo (a round
// trip each on a network share, and every file of the folder each time).
TEST(PhotoWrites, OneCommandListsAFolderOnceHoweverManyPhotosItWrites)
{
    vztest::TempFolder folder;
    const std::wstring first = vztest::CopyPhoto(L"unlocated.jpg", folder.Path(), L"photo000.jpg");
    ASSERT_FALSE(first.empty());
    std::vector<std::wstring> paths{first};
    for (int i = 1; i < 200; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"photo%03d.jpg", i);
        paths.push_back(folder / name);
        ASSERT_TRUE(CopyFileW(first.c_str(), paths.back().c_str(), TRUE));
    }
    GeoPosition position;
    position.known = TRUE;
    position.latitude = 0.8;
    position.longitude = 0.2;

    g_listings = 0;
    const FileCalls* previous = UseFileCalls(&kCountingCalls);
    const PhotoWrites writes =
        WritePositionsToPhotos(static_cast<int>(paths.size()), [&](int i, const wchar_t** path, GeoPosition* each) {
            *path = paths[i].c_str();
            *each = position;
            return true;
        });
    UseFileCalls(previous);
    EXPECT_EQ(writes.written, 200);
    EXPECT_EQ(writes.changed, 0);
    EXPECT_EQ(g_listings, 1);
    EXPECT_EQ(vztest::NamesIn(folder.Path()).size(), 200u);
}

}  // namespace
