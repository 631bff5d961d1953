// Writing a block back into its file in place: moving the rest of the file
// in both directions, and every case in which the file must stay as it was.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
#include "exif/file_access.h"
#include "exif/photo_writer.h"
#include "testlib/photos.h"
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

// The engine's file calls, of which the k-th of one kind fails while an
// object of this class lives; it counts the calls of that kind.
class FailingFileCalls {
public:
    enum Kind { Read, Write, Flush, SetInformation };

    FailingFileCalls(Kind kind, int failing)
    {
        s_kind = kind;
        s_failing = failing;
        s_calls = 0;
        m_previous = UseFileCalls(&kCalls);
    }
    ~FailingFileCalls() { UseFileCalls(m_previous); }
    FailingFileCalls(const FailingFileCalls&) = delete;
    FailingFileCalls& operator=(const FailingFileCalls&) = delete;
    static int Calls() { return s_calls; }

private:
    static bool Fails(Kind kind)
    {
        if (kind != s_kind || ++s_calls != s_failing)
            return false;
        SetLastError(ERROR_WRITE_FAULT);
        return true;
    }
    static BOOL WINAPI ReadCall(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped)
    {
        return !Fails(Read) && ReadFile(file, buffer, count, read, overlapped);
    }
    static BOOL WINAPI WriteCall(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
    {
        return !Fails(Write) && WriteFile(file, buffer, count, written, overlapped);
    }
    static BOOL WINAPI FlushCall(HANDLE file) { return !Fails(Flush) && FlushFileBuffers(file); }
    static BOOL WINAPI SetInformationCall(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information, DWORD size)
    {
        return !Fails(SetInformation) && SetFileInformationByHandle(file, kind, information, size);
    }

    static const FileCalls kCalls;
    static Kind s_kind;
    static int s_failing;
    static int s_calls;
    const FileCalls* m_previous = nullptr;
};

const FileCalls FailingFileCalls::kCalls = {ReadCall, WriteCall, FlushCall, SetInformationCall};
FailingFileCalls::Kind FailingFileCalls::s_kind = FailingFileCalls::Read;
int FailingFileCalls::s_failing = 0;
int FailingFileCalls::s_calls = 0;

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
    // The new photo shows as the old one did: not hidden like its replacement file was.
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
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

// Every read, write, flush and setting of file information failing in turn,
// one at a time, for a segment that grows, shrinks, is inserted or keeps its
// size: a failure leaves the photo as it was, a success is the whole new
// photo, and nothing else is left in the folder.
TEST_F(WriteBack, EveryFailingFileCallLeavesTheOldPhotoOrTheNewOne)
{
    const Bytes exif = ExifSegment(SimpleTiff(false));
    struct Case {
        const char* what;
        Bytes photo;
        bool store;
    } cases[] = {
        {"grows", PhotoOfSize({exif}, 2 + exif.size() + 150000), true},
        {"shrinks", PhotoWithPosition(true, 150000), false},
        {"inserted", PhotoOfSize({JfifSegment()}, 150000), true},
        {"same size", PhotoWithPosition(false, 150000), true},
    };
    const FailingFileCalls::Kind kinds[] = {FailingFileCalls::Read, FailingFileCalls::Write, FailingFileCalls::Flush,
                                            FailingFileCalls::SetInformation};
    for (const Case& c : cases) {
        for (FailingFileCalls::Kind kind : kinds) {
            for (int k = 1;; ++k) {
                SCOPED_TRACE(testing::Message() << c.what << ", call kind " << kind << ", call " << k);
                const std::wstring path = Put(c.photo);
                ExifBlock block;
                block.Open(path.c_str());
                ASSERT_EQ(c.store ? block.StorePosition(0.1, 0.2, 3, 4) : (block.RemovePosition(), S_OK), S_OK);
                const Bytes expected = ExpectedRewrite(block, c.photo);
                ASSERT_NE(expected, c.photo);
                HRESULT hr;
                int calls;
                {
                    FailingFileCalls failing(kind, k);
                    hr = block.WriteToFile();
                    calls = FailingFileCalls::Calls();
                }
                EXPECT_EQ(Get(path), SUCCEEDED(hr) ? expected : c.photo);
                EXPECT_EQ(NamesIn(folder.Path()), std::vector<std::wstring>{L"photo.jpg"});
                if (calls < k) {  // no call failed: the write went through
                    EXPECT_EQ(hr, S_OK);
                    break;
                }
            }
        }
    }
}

// The access rules of a file as text, without its owner.
std::wstring AccessRulesOf(const std::wstring& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPWSTR text = nullptr;
    std::wstring rules;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)) {
        rules = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return rules;
}

// Sets the access rules of a file or folder, given as text.
bool SetAccessRules(const std::wstring& path, const wchar_t* text)
{
    PSECURITY_DESCRIPTOR rules = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    bool set = ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &rules, nullptr) &&
               GetSecurityDescriptorDacl(rules, &present, &dacl, &defaulted) &&
               SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                     DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                     nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(rules);
    return set;
}

// What the photo keeps across a rewrite (its creation time too, which Wine
// neither keeps nor lets anyone set, so that it cannot be checked here):
// its hidden and system attributes, archive set as on any change, the access
// rules set on it; another name linked to the same file keeps the old photo.
TEST_F(WriteBack, ThePhotoKeepsItsAttributesAndAccessRulesAndOtherLinksTheOldPhoto)
{
    const Bytes before = PhotoWithPosition(false, 20000);
    const std::wstring path = Put(before);
    const std::wstring link = folder / L"link.jpg";
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), path.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetAccessRules(path, L"D:P(A;;FA;;;WD)(A;;FR;;;BU)"));
    const std::wstring rulesBefore = AccessRulesOf(path);
    ASSERT_FALSE(rulesBefore.empty());

    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.7, 0.1, 10, 0), S_OK);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    EXPECT_EQ(Get(path), ExpectedRewrite(block, before));
    EXPECT_EQ(GetFileAttributesW(path.c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(AccessRulesOf(path), rulesBefore);
    EXPECT_EQ(Get(link), before);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What a writer that was killed left behind is resolved by the next write in
// its folder: a replacement next to its photo goes, a complete one whose
// photo's name is missing takes that name, and one that another writer still
// holds, or that holds no whole photo, stays.
TEST_F(WriteBack, TheNextWriteInAFolderResolvesWhatAKilledWriterLeft)
{
    Bytes photo = PhotoWithPosition(false, 20000);
    photo.insert(photo.end(), {0xFF, 0xD9});  // ends where its image ends
    const Bytes cut(photo.begin(), photo.begin() + 12000);
    Put(photo, L"a.jpg");
    Put(photo, L"a.jpg.~vz0000abcd0001.tmp");
    const std::wstring lost = Put(photo, L"b.jpg.~vz0000abcd0002.tmp");
    ASSERT_TRUE(SetFileAttributesW(lost.c_str(), FILE_ATTRIBUTE_HIDDEN));
    Put(cut, L"c.jpg.~vz0000abcd0003.tmp");
    Put(photo, L"d.jpg");
    const std::wstring held = Put(photo, L"d.jpg.~vz0000abcd0004.tmp");
    Put(photo, L"e.jpg.~vz0000abcd.tmp");  // not a name the engine makes
    const Bytes heif = Get(vztest::CopyPhoto(L"placed.heic", folder.Path(), L"f.heic.~vz0000abcd0005.tmp"));
    Put(Bytes(heif.begin(), heif.end() - 1), L"g.heic.~vz0000abcd0006.tmp");
    HANDLE writer = CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);

    const std::wstring path = Put(photo, L"photo.jpg");
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.7, 0.1, 10, 0), S_OK);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    CloseHandle(writer);
    EXPECT_EQ(NamesIn(folder.Path()),
              (std::vector<std::wstring>{L"a.jpg", L"b.jpg", L"c.jpg.~vz0000abcd0003.tmp", L"d.jpg",
                                         L"d.jpg.~vz0000abcd0004.tmp", L"e.jpg.~vz0000abcd.tmp", L"f.heic",
                                         L"g.heic.~vz0000abcd0006.tmp", L"photo.jpg"}));
    EXPECT_EQ(Get(folder / L"b.jpg"), photo);
    EXPECT_EQ(Get(folder / L"f.heic"), heif);
    EXPECT_EQ(GetFileAttributesW((folder / L"b.jpg").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

// Two writers in one folder at once (two Explorer windows): their new files
// never meet, and each photo ends written.
TEST_F(WriteBack, TwoWritersInOneFolderDoNotCollide)
{
    const Bytes photo = PhotoWithPosition(false, 200000);
    const std::wstring paths[2] = {Put(photo, L"one.jpg"), Put(photo, L"two.jpg")};
    HRESULT results[2][20];
    auto writeOften = [&](int w) {
        for (HRESULT& hr : results[w]) {
            ExifBlock block;
            block.Open(paths[w].c_str());
            hr = block.StorePosition(0.1 * w, 0.2, 3, 4);
            if (SUCCEEDED(hr))
                hr = block.WriteToFile();
        }
    };
    std::thread other(writeOften, 1);
    writeOften(0);
    other.join();
    for (auto& writer : results)
        for (HRESULT hr : writer)
            EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::wstring>{L"one.jpg", L"two.jpg"}));
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
