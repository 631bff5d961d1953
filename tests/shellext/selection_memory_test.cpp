// The selection under memory pressure: a name that cannot be stored leaves an
// empty selection (never a part of the list) and leaks nothing; clearing
// frees every stored path.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "selection/image_selection_reader.h"
#include "testlib/shell_data_object.h"
#include "testlib/task_allocator_spy.h"

namespace {

const std::vector<std::wstring> kPhotos = {L"C:\\a.jpg", L"C:\\notes.txt", L"C:\\b.jpeg", L"C:\\c.jpe"};

HRESULT ReadPhotos(ImageSelection* selection)
{
    // Built before the spy is told what to fail: GetData of this object
    // allocates from the global heap only.
    IDataObject* data = vztest::CreateDropFilesDataObject(kPhotos, true);
    HRESULT hr = ReadImageSelection(data, selection);
    data->Release();
    return hr;
}

TEST(SelectionMemory, EachPathIsAnAllocatedStringFreedByClear)
{
    vztest::TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.Registered());
    {
        ImageSelection selection;
        ASSERT_EQ(ReadPhotos(&selection), S_OK);
        EXPECT_EQ(selection.Count(), 3);
        EXPECT_EQ(spy.LiveBlocks(), 3);
        selection.Clear();
        EXPECT_EQ(selection.Count(), 0);
        EXPECT_EQ(selection.PathAt(0), nullptr);
        EXPECT_EQ(spy.LiveBlocks(), 0);

        ASSERT_EQ(ReadPhotos(&selection), S_OK);
        ASSERT_EQ(ReadPhotos(&selection), S_OK);  // the first list is freed
        EXPECT_EQ(spy.LiveBlocks(), 3);
    }
    EXPECT_EQ(spy.LiveBlocks(), 0);  // destroying the selection frees it
}

TEST(SelectionMemory, FailedAllocationLeavesNoPartOfTheList)
{
    vztest::TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.Registered());
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(testing::Message() << "allocation " << failing << " fails");
        ImageSelection selection;
        ASSERT_EQ(ReadPhotos(&selection), S_OK);  // an earlier selection

        spy.FailAllocation(failing);
        EXPECT_EQ(ReadPhotos(&selection), E_OUTOFMEMORY);
        EXPECT_GE(spy.Allocations(), failing);
        spy.FailAllocation(0);
        EXPECT_EQ(selection.Count(), 0);
        EXPECT_EQ(spy.LiveBlocks(), 0);

        EXPECT_EQ(ReadPhotos(&selection), S_OK);  // usable again afterwards
        EXPECT_EQ(selection.Count(), 3);
    }
}

TEST(SelectionMemory, TheTrackIsAnAllocatedStringAndItsFailureLeavesNothing)
{
    const std::vector<std::wstring> withTrack = {L"C:\\a.jpg", L"C:\\walk.gpx", L"C:\\b.jpg"};
    vztest::TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.Registered());
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(testing::Message() << "allocation " << failing << " fails");
        IDataObject* data = vztest::CreateDropFilesDataObject(withTrack, true);
        ImageSelection selection;
        spy.FailAllocation(failing);
        EXPECT_EQ(ReadImageSelection(data, &selection), E_OUTOFMEMORY);
        spy.FailAllocation(0);
        EXPECT_EQ(selection.Count(), 0);
        EXPECT_EQ(selection.TrackPath(), nullptr);
        EXPECT_EQ(spy.LiveBlocks(), 0);

        EXPECT_EQ(ReadImageSelection(data, &selection), S_OK);
        EXPECT_EQ(selection.Count(), 2);
        EXPECT_EQ(spy.LiveBlocks(), 3);  // two photos and the track
        data->Release();
        selection.Clear();
        EXPECT_EQ(spy.LiveBlocks(), 0);
    }
}

TEST(SelectionMemory, AppendReportsAFailedCopy)
{
    vztest::TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.Registered());
    ImageSelection selection;
    ASSERT_EQ(selection.Append(L"C:\\a.jpg"), S_OK);
    spy.FailAllocation(1);
    EXPECT_EQ(selection.Append(L"C:\\b.jpg"), E_OUTOFMEMORY);
    spy.FailAllocation(0);
    EXPECT_EQ(selection.Count(), 1);
    EXPECT_STREQ(selection.PathAt(0), L"C:\\a.jpg");
    EXPECT_EQ(selection.Append(nullptr), E_INVALIDARG);
    EXPECT_EQ(selection.Count(), 1);
}

}  // namespace
