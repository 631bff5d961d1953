// Writing a block back into its file in place: moving the rest of the file
// in both directions, and every case in which the file must stay as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
#include "exif/file_access.h"
#include "exif/photo_writer.h"
#include "testlib/shortcut_file.h"
#include "testlib/temp_folder.h"

using namespace vztest;

namespace {

const double kDeg = 0.017453292519943295;

std::string AsString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

Bytes AsBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// A JPEG of exactly size bytes: SOI, the segments, a frame header and
// image bytes up to the size.
Bytes PhotoOfSize(std::initializer_list<Bytes> segments, size_t size)
{
    Bytes file = Jpeg(segments);
    while (file.size() < size)
        file.push_back(static_cast<uint8_t>(file.size() * 31 % 251));
    file.resize(size);
    return file;
}

// The file as the in-memory rewrite makes it from the same block.
Bytes ExpectedRewrite(ExifBlock& block, const Bytes& before)
{
    OwnedBytes out;
    if (FAILED(block.WriteToBytes(before.data(), before.size(), &out)))
        return Bytes();
    return Bytes(out.data.get(), out.data.get() + out.size);
}

// A photo that holds a position already.
Bytes PhotoWithPosition(bool bigEndian, size_t size)
{
    Bytes plain = Jpeg({ExifSegment(SimpleTiff(bigEndian))});
    ExifBlock block;
    block.OpenFromBytes(plain.data(), plain.size());
    block.StorePosition(0.8, -0.3, 120.5, 1.0);
    OwnedBytes segment = block.BuildExifSegment();
    return PhotoOfSize({Bytes(segment.data.get(), segment.data.get() + segment.size)}, size);
}

// File calls of the engine that fail on demand while an object of this
// class lives: every read once something has been written, or every
// truncation.
class FailingFileCalls {
public:
    enum Fault { ReadsAfterAWrite, Truncation };

    explicit FailingFileCalls(Fault fault)
    {
        s_fault = fault;
        s_written = false;
        m_previous = UseFileCalls(&kCalls);
    }
    ~FailingFileCalls() { UseFileCalls(m_previous); }
    FailingFileCalls(const FailingFileCalls&) = delete;
    FailingFileCalls& operator=(const FailingFileCalls&) = delete;

private:
    static BOOL WINAPI Read(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped)
    {
        if (s_fault == ReadsAfterAWrite && s_written) {
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        return ReadFile(file, buffer, count, read, overlapped);
    }
    static BOOL WINAPI Write(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
    {
        s_written = true;
        return WriteFile(file, buffer, count, written, overlapped);
    }
    static BOOL WINAPI Truncate(HANDLE file)
    {
        if (s_fault == Truncation) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return SetEndOfFile(file);
    }

    static const FileCalls kCalls;
    static Fault s_fault;
    static bool s_written;
    const FileCalls* m_previous = nullptr;
};

const FileCalls FailingFileCalls::kCalls = {FailingFileCalls::Read, FailingFileCalls::Write,
                                            FailingFileCalls::Truncate};
FailingFileCalls::Fault FailingFileCalls::s_fault = FailingFileCalls::ReadsAfterAWrite;
bool FailingFileCalls::s_written = false;

class WriteBack : public testing::Test {
protected:
    std::wstring Put(const Bytes& bytes, const wchar_t* name = L"photo.jpg")
    {
        std::wstring path = folder / name;
        EXPECT_TRUE(WriteFileBytes(path, AsString(bytes)));
        return path;
    }
    Bytes Get(const std::wstring& path) { return AsBytes(ReadFileBytes(path)); }

    TempFolder folder;
};

TEST_F(WriteBack, ASegmentOfTheSameSizeChangesOnlyItsOwnBytes)
{
    const Bytes before = PhotoWithPosition(false, 5000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_NE(block.Root(), nullptr);
    ASSERT_EQ(block.StorePosition(-0.2, 0.4, 99.5, 2.0), S_OK);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    const Bytes after = Get(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after, ExpectedRewrite(block, before));
    const size_t segmentEnd = 2 + block.BuildExifSegment().size;
    EXPECT_EQ(Bytes(after.begin() + segmentEnd, after.end()), Bytes(before.begin() + segmentEnd, before.end()));
    EXPECT_NE(after, before);
}

TEST_F(WriteBack, AMillionBytePhotoWithoutExifGetsItsSegmentRightAfterSoi)
{
    const Bytes before = PhotoOfSize({JfifSegment()}, 1000000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    EXPECT_EQ(block.Root(), nullptr);
    EXPECT_EQ(block.FrameWidth(), 640u);
    ASSERT_EQ(block.StorePosition(0.5, 0.5, 0, 0), S_OK);
    OwnedBytes segment = block.BuildExifSegment();
    ASSERT_EQ(block.WriteToFile(), S_OK);
    const Bytes after = Get(path);
    ASSERT_EQ(after.size(), 1000000 + segment.size);
    EXPECT_EQ(after[0], 0xFF);
    EXPECT_EQ(after[1], 0xD8);
    EXPECT_EQ(Bytes(after.begin() + 2, after.begin() + 2 + segment.size),
              Bytes(segment.data.get(), segment.data.get() + segment.size));
    EXPECT_EQ(Bytes(after.begin() + 2 + segment.size, after.end()), Bytes(before.begin() + 2, before.end()));

    ExifBlock again;
    again.Open(path.c_str());
    double lat = 0;
    EXPECT_EQ(again.ReadPosition(&lat, nullptr, nullptr, nullptr), S_OK);
    EXPECT_NEAR(lat, 0.5, 1e-7);
}

// Tails of many sizes, around the transfer buffer's 64 KiB, growing and
// shrinking: the file ends as the in-memory rewrite says, the tail intact.
class WriteBackTail : public WriteBack, public testing::WithParamInterface<size_t> {};

TEST_P(WriteBackTail, TheRestOfTheFileMovesIntactInBothDirections)
{
    const size_t tail = GetParam();
    const Bytes exif = ExifSegment(SimpleTiff(true));
    const Bytes before = PhotoOfSize({exif}, 2 + exif.size() + tail);
    const std::wstring path = Put(before);

    ExifBlock grow;
    grow.Open(path.c_str());
    ASSERT_EQ(grow.StorePosition(0.1, 0.2, 3, 4), S_OK);
    const Bytes grown = ExpectedRewrite(grow, before);
    ASSERT_EQ(grow.WriteToFile(), S_OK);
    const Bytes afterGrow = Get(path);
    EXPECT_EQ(afterGrow, grown);
    const size_t newSegment = grow.BuildExifSegment().size;
    ASSERT_GT(newSegment, exif.size());
    EXPECT_EQ(Bytes(afterGrow.end() - tail, afterGrow.end()), Bytes(before.end() - tail, before.end()));

    ExifBlock shrink;
    shrink.Open(path.c_str());
    shrink.RemovePosition();
    ASSERT_EQ(shrink.WriteToFile(), S_OK);
    EXPECT_EQ(Get(path), before);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WriteBackTail, testing::Values(0, 1, 400, 65536, 65537, 131072, 300001));

TEST_F(WriteBack, WritingTheSameBlockTwiceGivesTheSameFile)
{
    const std::wstring path = Put(PhotoWithPosition(true, 70000));
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.3, 0.3, -5, 0.1), S_OK);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    const Bytes once = Get(path);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    EXPECT_EQ(Get(path), once);
    // The new segment of a big-endian tree.
    OwnedBytes s = block.BuildExifSegment();
    EXPECT_EQ(Bytes(s.data.get() + 4, s.data.get() + 18),
              (Bytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8}));
    EXPECT_EQ(s.data[2] * 256 + s.data[3], static_cast<int>(s.size - 2));

    // Also when the first write inserted the segment into a photo without one.
    const std::wstring plain = Put(PhotoOfSize({JfifSegment()}, 5000), L"plain.jpg");
    ExifBlock inserting;
    inserting.Open(plain.c_str());
    ASSERT_EQ(inserting.StorePosition(0.3, 0.3, -5, 0.1), S_OK);
    ASSERT_EQ(inserting.WriteToFile(), S_OK);
    const Bytes inserted = Get(plain);
    ASSERT_EQ(inserting.WriteToFile(), S_OK);
    EXPECT_EQ(Get(plain), inserted);
}

TEST_F(WriteBack, FilesThatCannotBeOpenedForWritingStayAsTheyWere)
{
    const Bytes before = PhotoWithPosition(false, 3000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.1, 0.1, 0, 0), S_OK);

    ASSERT_TRUE(SetReadOnly(path, true));
    EXPECT_EQ(block.WriteToFile(), E_FAIL);
    ASSERT_TRUE(SetReadOnly(path, false));
    EXPECT_EQ(Get(path), before);

    HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(block.WriteToFile(), E_FAIL);
    CloseHandle(other);
    EXPECT_EQ(Get(path), before);

    DeleteFileW(path.c_str());
    EXPECT_EQ(block.WriteToFile(), E_FAIL);
}

TEST_F(WriteBack, AFileChangedSinceOpenIsNotRewritten)
{
    const Bytes original = PhotoWithPosition(false, 4000);
    const Bytes plain = PhotoOfSize({JfifSegment()}, 4000);
    const Bytes otherExif = PhotoWithPosition(true, 4000);
    struct Case {
        const char* what;
        Bytes atOpen;
        Bytes atWrite;
    } cases[] = {
        {"no longer starts with SOI", original, Join({Bytes{0, 0}, Bytes(original.begin() + 2, original.end())})},
        {"segment moved", original, Join({Bytes(original.begin(), original.begin() + 2), JfifSegment(),
                                           Bytes(original.begin() + 2, original.end())})},
        {"segment of another size", original, PhotoOfSize({ExifSegment(SimpleTiff(false))}, 4000)},
        {"segment where Open found none", plain, otherExif},
        {"segment gone", original, plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = Put(c.atOpen);
        ExifBlock block;
        block.Open(path.c_str());
        ASSERT_TRUE(block.IsJpeg());
        ASSERT_EQ(block.StorePosition(0.2, 0.2, 0, 0), S_OK);
        ASSERT_TRUE(WriteFileBytes(path, AsString(c.atWrite)));
        EXPECT_EQ(block.WriteToFile(), E_FAIL);
        EXPECT_EQ(Get(path), c.atWrite);
    }
}

TEST_F(WriteBack, AGrowingRewriteWhoseFirstMoveFailsLeavesTheFileAsItWas)
{
    const Bytes exif = ExifSegment(SimpleTiff(false));
    const Bytes before = PhotoOfSize({exif}, 2 + exif.size() + 100000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.1, 0.2, 3, 4), S_OK);
    ASSERT_GT(block.BuildExifSegment().size, exif.size());
    {
        // The file is grown to its new length; then the first read of the
        // rest of the file fails, before any byte has moved.
        FailingFileCalls failing(FailingFileCalls::ReadsAfterAWrite);
        EXPECT_EQ(block.WriteToFile(), E_FAIL);
    }
    EXPECT_EQ(Get(path), before);
}

TEST_F(WriteBack, AShrinkingRewriteWhoseTruncationFailsStillWritesTheSegment)
{
    const Bytes before = PhotoWithPosition(false, 5000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    block.RemovePosition();
    const Bytes expected = ExpectedRewrite(block, before);
    ASSERT_LT(expected.size(), before.size());
    {
        FailingFileCalls failing(FailingFileCalls::Truncation);
        EXPECT_EQ(block.WriteToFile(), E_FAIL);
    }
    // The photo reads as rewritten; what is left behind its end is the old
    // end of the file, stale bytes that no reader looks at.
    const Bytes after = Get(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(Bytes(after.begin(), after.begin() + expected.size()), expected);
    EXPECT_EQ(Bytes(after.begin() + expected.size(), after.end()),
              Bytes(before.begin() + expected.size(), before.end()));
}

TEST_F(WriteBack, SegmentsThatOpenCouldNotParseAreNeverReplaced)
{
    Bytes badOffset = SimpleTiff(false);
    badOffset[4] = 3;  // IFD0 at 3
    const Bytes good = ExifSegment(SimpleTiff(false));
    const Bytes tiny = Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0});
    const Bytes files[] = {PhotoOfSize({ExifSegment(badOffset)}, 2000), PhotoOfSize({good, tiny}, 2000)};
    for (const Bytes& before : files) {
        const std::wstring path = Put(before);
        ExifBlock removing;
        removing.Open(path.c_str());
        EXPECT_EQ(removing.Root(), nullptr);
        removing.RemovePosition();
        EXPECT_EQ(removing.WriteToFile(), E_FAIL);
        ExifBlock storing;
        storing.Open(path.c_str());
        ASSERT_EQ(storing.StorePosition(0.2, 0.2, 0, 0), S_OK);
        EXPECT_EQ(storing.WriteToFile(), E_FAIL);
        EXPECT_EQ(Get(path), before);
    }
    // No tree and no segment: nothing to write, and nothing written.
    const Bytes plain = PhotoOfSize({JfifSegment()}, 2000);
    const std::wstring path = Put(plain);
    ExifBlock block;
    block.Open(path.c_str());
    block.RemovePosition();
    EXPECT_EQ(block.WriteToFile(), S_FALSE);
    EXPECT_EQ(Get(path), plain);
}

TEST_F(WriteBack, FilesWhoseScanFailsAreNotWritten)
{
    // An Exif segment whose length runs past the end of the file, and a frame
    // of no size: a segment put in front would never be found again.
    Bytes runsPast = Join({{0xFF, 0xD8}, ExifSegment(SimpleTiff(false))});
    runsPast.resize(runsPast.size() - 10);
    const Bytes files[] = {runsPast, Jpeg({JfifSegment()}, 640, 0)};
    for (const Bytes& before : files) {
        const std::wstring path = Put(before);
        ExifBlock block;
        block.Open(path.c_str());
        ASSERT_EQ(block.StorePosition(0.2, 0.2, 0, 0), S_OK);
        EXPECT_EQ(block.WriteToFile(), E_FAIL);
        EXPECT_EQ(Get(path), before);
        OwnedBytes out;
        EXPECT_EQ(block.WriteToBytes(before.data(), before.size(), &out), E_FAIL);
    }
}

TEST_F(WriteBack, ATreeTooLargeForOneSegmentLeavesTheFileUnchanged)
{
    TiffBytesBuilder b(false);
    b.Header(8);
    b.U16(1).Entry(0x927C, 7, 65450, 26).U32(0);
    b.Zeros(65450);
    const Bytes before = PhotoOfSize({ExifSegment(b.Get())}, 90000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_NE(block.Root(), nullptr);
    ASSERT_EQ(block.StorePosition(0.1, 0.1, 0, 0), S_OK);
    EXPECT_EQ(block.BuildExifSegment().size, 0u);
    EXPECT_EQ(block.WriteToFile(), E_FAIL);
    EXPECT_EQ(Get(path), before);
}

TEST_F(WriteBack, APathThatDoesNotFitIsNeverCutToAnotherFile)
{
    // folder\ddd...\ppp...: 280 characters; its first 259 name a file that
    // exists, a photo with a position.
    std::wstring dir = folder / std::wstring(150, L'd');
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    std::wstring longPath = dir + L"\\" + std::wstring(280 - dir.size() - 1, L'p');
    std::wstring cutPath = longPath.substr(0, 259);
    const Bytes photo = PhotoWithPosition(false, 3000);
    ASSERT_TRUE(WriteFileBytes(cutPath, AsString(photo)));
    ExifBlock block;
    block.Open(longPath.c_str());
    EXPECT_FALSE(block.IsJpeg());
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_EQ(block.WriteToFile(), E_FAIL);
    EXPECT_EQ(Get(cutPath), photo);
}

TEST_F(WriteBack, AShortcutOpensItsTarget)
{
    const std::wstring target = Put(PhotoWithPosition(false, 3000));
    const std::wstring link = folder / L"photo shortcut.lnk";
    ASSERT_EQ(CreateShortcut(link, target), S_OK);
    ExifBlock block;
    block.Open(link.c_str());
    EXPECT_EQ(_wcsicmp(block.Path(), target.c_str()), 0);
    EXPECT_EQ(block.ReadPosition(nullptr, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(WriteBack, ThePerPhotoSequenceWritesOnlyWhatCanBeStored)
{
    const Bytes before = PhotoWithPosition(true, 3000);
    const std::wstring path = Put(before);
    GeoPosition bad;
    bad.known = TRUE;
    bad.altitude = 1e300;
    EXPECT_EQ(WritePositionToPhoto(path.c_str(), bad), E_INVALIDARG);
    EXPECT_EQ(Get(path), before);

    GeoPosition good;
    good.known = TRUE;
    good.latitude = -33.8568 * kDeg;
    good.longitude = 151.2153 * kDeg;
    good.altitude = 58;
    EXPECT_EQ(WritePositionToPhoto(path.c_str(), good), S_OK);
    ExifBlock block;
    block.Open(path.c_str());
    double lat = 0, lon = 0, alt = 0;
    ASSERT_EQ(block.ReadPosition(&lat, &lon, &alt, nullptr), S_OK);
    EXPECT_NEAR(lat / kDeg, -33.8568, 1.5e-6);
    EXPECT_NEAR(lon / kDeg, 151.2153, 1.5e-6);
    EXPECT_EQ(alt, 58.0);

    GeoPosition none;
    EXPECT_EQ(WritePositionToPhoto(path.c_str(), none), S_OK);
    ExifBlock removed;
    removed.Open(path.c_str());
    EXPECT_EQ(removed.ReadPosition(nullptr, nullptr, nullptr, nullptr), E_FAIL);

    const Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
    const std::wstring other = Put(text, L"other.jpg");
    EXPECT_EQ(WritePositionToPhoto(other.c_str(), good), E_FAIL);
    EXPECT_EQ(Get(other), text);
}

}  // namespace
