// The write loop of the commands that store positions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "exif/raw_sidecar.h"
#include "raw/raw_bytes.h"
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
    // The same photo twice in a selection is written twice.
    paths.push_back(first);
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
    EXPECT_EQ(writes.written, 201);
    EXPECT_EQ(writes.changed, 0);
    EXPECT_EQ(writes.failed, 0);
    EXPECT_EQ(g_listings, 1);
    EXPECT_EQ(vztest::NamesIn(folder.Path()).size(), 200u);
}

// The loop writes several photos at once, but looks at them in the order of
// the selection, one at a time, counts each once, names the changed ones in
// that order, never writes one path twice at once, and after a stop begins
// no further photo.
TEST(PhotoWrites, WritersShareTheSelectionInItsOrder)
{
    const int count = 40;
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i)
        names.push_back(L"Z:\\no-such-folder\\photo" + std::to_wstring(i % 30) + (i < 30 ? L".jpg" : L".JPG"));
    for (int stopAt : {count, 17}) {
        std::vector<int> looked, wrote(count, 0);
        std::vector<std::wstring> writing;
        SRWLOCK lock = SRWLOCK_INIT;
        int atOnce = 0, mostAtOnce = 0;
        bool samePathAtOnce = false;
        const PhotoWrites writes = WriteToPhotos(
            count,
            [&](int i, const wchar_t** path) {
                looked.push_back(i);
                *path = names[i].c_str();
                return i < stopAt && i % 13 != 6;
            },
            [&](int i, ReplacementRecovery*) {
                AcquireSRWLockExclusive(&lock);
                for (const std::wstring& other : writing)
                    samePathAtOnce = samePathAtOnce || _wcsicmp(other.c_str(), names[i].c_str()) == 0;
                writing.push_back(names[i]);
                ++wrote[i];
                mostAtOnce = std::max(mostAtOnce, ++atOnce);
                ReleaseSRWLockExclusive(&lock);
                Sleep(static_cast<DWORD>(1 + (i * 7) % 5));
                AcquireSRWLockExclusive(&lock);
                --atOnce;
                writing.erase(std::find(writing.begin(), writing.end(), names[i]));
                ReleaseSRWLockExclusive(&lock);
                return i % 9 == 4 ? VZ_E_PHOTO_CHANGED : i % 11 == 5 ? E_FAIL : S_OK;
            });
        std::vector<int> inOrder(count);
        for (int i = 0; i < count; ++i)
            inOrder[i] = i;
        EXPECT_EQ(looked, inOrder) << stopAt;
        int expectWritten = 0, expectFailed = 0;
        std::vector<std::wstring> expectChanged;
        for (int i = 0; i < count; ++i) {
            const bool gets = i < stopAt && i % 13 != 6;
            EXPECT_EQ(wrote[i], gets ? 1 : 0) << i << " " << stopAt;
            if (!gets)
                continue;
            if (i % 9 == 4)
                expectChanged.push_back(names[i]);
            expectWritten += i % 9 != 4 && i % 11 != 5;
            expectFailed += i % 9 == 4 || i % 11 == 5;
        }
        EXPECT_EQ(writes.written, expectWritten) << stopAt;
        EXPECT_EQ(writes.failed, expectFailed) << stopAt;
        EXPECT_EQ(writes.changed, static_cast<int>(expectChanged.size())) << stopAt;
        EXPECT_EQ(writes.changedPaths, expectChanged) << stopAt;
        EXPECT_GT(mostAtOnce, 1) << stopAt;
        EXPECT_LE(mostAtOnce, kPhotoWriters) << stopAt;
        EXPECT_FALSE(samePathAtOnce) << stopAt;
    }
}

// Raw files among the photos: each stays byte for byte as it was, its
// sidecar gets the position (a new one, or the one it has); a read-only
// sidecar is skipped and counted, one that is no XMP is refused, named and
// left as it was, and counts as failed.
TEST(PhotoWrites, RawFilesGetTheirPositionsInSidecarsAndStayAsTheyWere)
{
    vztest::TempFolder folder;
    const Bytes dng = BuildDng("2024:05:01 12:30:00", "+02:00", true, true);
    const std::string raw(dng.begin(), dng.end());
    const std::string oldSidecar =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"4\"/>"
        "</rdf:RDF></x:xmpmeta>";
    const std::string broken = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF";
    struct Case {
        const wchar_t* raw;
        const wchar_t* sidecar;    // existing before, or null
        const std::string* text;  // its text
        bool readOnly;
    };
    const Case cases[] = {
        {L"new.dng", nullptr, nullptr, false},
        {L"rated.DNG", L"rated.DNG.xmp", &oldSidecar, false},
        {L"locked.dng", L"locked.xmp", &oldSidecar, true},
        {L"broken.dng", L"broken.xmp", &broken, false},
    };
    std::vector<std::wstring> paths;
    for (const Case& c : cases) {
        paths.push_back(folder / c.raw);
        ASSERT_TRUE(vztest::WriteFileBytes(paths.back(), raw));
        if (c.sidecar) {
            ASSERT_TRUE(vztest::WriteFileBytes(folder / c.sidecar, *c.text));
            ASSERT_TRUE(vztest::SetReadOnly(folder / c.sidecar, c.readOnly));
        }
    }
    paths.push_back(vztest::CopyPhoto(L"unlocated.jpg", folder.Path(), L"photo.jpg"));
    ASSERT_FALSE(paths.back().empty());
    GeoPosition position;
    position.known = TRUE;
    position.latitude = 0.8;
    position.longitude = -0.2;
    position.altitude = 12.5;

    const PhotoWrites writes =
        WritePositionsToPhotos(static_cast<int>(paths.size()), [&](int i, const wchar_t** path, GeoPosition* each) {
            *path = paths[i].c_str();
            *each = position;
            return true;
        });
    EXPECT_EQ(writes.written, 3);
    EXPECT_EQ(writes.readOnly, 1);
    EXPECT_EQ(writes.failed, 1);
    ASSERT_EQ(writes.refusedSidecars.size(), 1u);
    EXPECT_EQ(writes.refusedSidecars[0].sidecarPath.substr(writes.refusedSidecars[0].sidecarPath.size() - 10),
              L"broken.xmp");
    EXPECT_FALSE(writes.refusedSidecars[0].problem.reason.empty());
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(vztest::ReadFileBytes(paths[i]), raw) << i;
        SidecarPosition read;
        const bool written = i < 2;
        EXPECT_EQ(ReadRawSidecarPosition(paths[i].c_str(), &read) == S_OK, written) << i;
        if (written) {
            EXPECT_NEAR(read.place.latitude, 0.8, 1e-7) << i;
            EXPECT_NEAR(read.place.longitude, -0.2, 1e-7) << i;
            EXPECT_NEAR(read.place.altitude, 12.5, 0.01) << i;
        }
    }
    EXPECT_EQ(vztest::ReadFileBytes(folder / L"locked.xmp"), oldSidecar);
    EXPECT_EQ(vztest::ReadFileBytes(folder / L"broken.xmp"), broken);
    EXPECT_NE(vztest::ReadFileBytes(folder / L"rated.DNG.xmp").find("xmp:Rating=\"4\""), std::string::npos);
    EXPECT_FALSE(vztest::ReadFileBytes(folder / L"new.xmp").empty());
}

}  // namespace
