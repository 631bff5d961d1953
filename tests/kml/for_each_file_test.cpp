// ForEachFile over real folders: what each visit receives, stopping, no
// match, and entries whose full path would be too long.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

#include "kml/for_each_file.h"
#include "testlib/temp_folder.h"

namespace {

struct Visit {
    std::wstring path;
    DWORD attributes;
    ULONGLONG lastWriteTime;
    ULONGLONG size;
};

struct Recorder {
    std::vector<Visit> visits;
    size_t stopAfter = 1000;
};

bool Record(const wchar_t* path, DWORD attributes, ULONGLONG lastWriteTime, ULONGLONG size, void* context)
{
    Recorder* recorder = static_cast<Recorder*>(context);
    recorder->visits.push_back(Visit{path, attributes, lastWriteTime, size});
    return recorder->visits.size() < recorder->stopAfter;
}

std::vector<std::wstring> SortedPaths(const Recorder& recorder)
{
    std::vector<std::wstring> paths;
    for (const Visit& visit : recorder.visits)
        paths.push_back(visit.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

class ForEachFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(vztest::WriteFileBytes(folder / L"VantreloZerli00000001.kml", "12345"));
        ASSERT_TRUE(vztest::WriteFileBytes(folder / L"VantreloZerliB.kml", ""));
        ASSERT_TRUE(vztest::WriteFileBytes(folder / L"VantreloZerli.txt", "x"));
        ASSERT_TRUE(vztest::WriteFileBytes(folder / L"Other.kml", "x"));
        ASSERT_TRUE(CreateDirectoryW((folder / L"VantreloZerliDir.kml").c_str(), nullptr));
    }

    vztest::TempFolder folder;
};

TEST_F(ForEachFileTest, VisitsEveryMatchingFileAndFolderWithItsDetails)
{
    Recorder recorder;
    EXPECT_TRUE(ForEachFile((folder / L"VantreloZerli*.kml").c_str(), Record, &recorder));
    EXPECT_EQ((std::vector<std::wstring>{folder / L"VantreloZerli00000001.kml", folder / L"VantreloZerliB.kml",
                                         folder / L"VantreloZerliDir.kml"}),
              SortedPaths(recorder));

    for (const Visit& visit : recorder.visits) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExW(visit.path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(data.dwFileAttributes, visit.attributes) << visit.path;
        ULONGLONG written = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                            data.ftLastWriteTime.dwLowDateTime;
        EXPECT_EQ(written, visit.lastWriteTime) << visit.path;
        EXPECT_NE(0u, visit.lastWriteTime);
        if (visit.path == folder / L"VantreloZerli00000001.kml") {
            EXPECT_EQ(5u, visit.size);
        }
        if (visit.path == folder / L"VantreloZerliDir.kml") {
            EXPECT_TRUE(visit.attributes & FILE_ATTRIBUTE_DIRECTORY);
        }
    }
}

TEST_F(ForEachFileTest, StopsWhenTheVisitSaysSoAndReturnsItsLastAnswer)
{
    Recorder recorder;
    recorder.stopAfter = 2;
    EXPECT_FALSE(ForEachFile((folder / L"VantreloZerli*.kml").c_str(), Record, &recorder));
    EXPECT_EQ(2u, recorder.visits.size());
}

TEST_F(ForEachFileTest, NothingMatchingGivesTrueWithoutAVisit)
{
    Recorder recorder;
    EXPECT_TRUE(ForEachFile((folder / L"Nothing*.kml").c_str(), Record, &recorder));
    EXPECT_TRUE(ForEachFile((folder / L"missing\\*.kml").c_str(), Record, &recorder));
    EXPECT_TRUE(ForEachFile(nullptr, Record, &recorder));
    EXPECT_TRUE(recorder.visits.empty());
}

TEST_F(ForEachFileTest, SkipsEntriesWhoseFullPathWouldExceedMaxPath)
{
    // A name that makes the full path longer than 259 characters, made
    // through the long-path form of the folder.
    std::wstring longName = L"VantreloZerli" + std::wstring(MAX_PATH - folder.Path().size() - 14, L'x') + L".kml";
    ASSERT_GE(folder.Path().size() + 1 + longName.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(vztest::WriteFileBytes(L"\\\\?\\" + (folder / longName), "x"));
    std::wstring fitting = L"VantreloZerli" + std::wstring(MAX_PATH - folder.Path().size() - 19, L'y') + L".kml";
    ASSERT_EQ(static_cast<size_t>(MAX_PATH - 1), folder.Path().size() + 1 + fitting.size());
    ASSERT_TRUE(vztest::WriteFileBytes(folder / fitting, "y"));

    Recorder recorder;
    EXPECT_TRUE(ForEachFile((folder / L"VantreloZerli*.kml").c_str(), Record, &recorder));
    std::vector<std::wstring> paths = SortedPaths(recorder);
    EXPECT_EQ(4u, paths.size());
    EXPECT_TRUE(std::find(paths.begin(), paths.end(), folder / fitting) != paths.end());
    EXPECT_TRUE(std::find(paths.begin(), paths.end(), folder / longName) == paths.end());
    DeleteFileW((L"\\\\?\\" + (folder / longName)).c_str());
}

}  // namespace
