// Writing a block back into its file in place: moving the rest of the file
// in both directions, and every case in which the file must stay as it was.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "exif/exif_block.h"
#include "exif/exif_bytes.h"
#include "replacement/file_access.h"
#include "exif/photo_writer.h"
#include "exif/raw_sidecar.h"
#include "replacement/write_results.h"
#include "sidecar/sidecar_position.h"
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

// A raw file's sidecars: the raw file (a DNG header is enough: the
// sidecars are found by name), a sidecar without a position, and the
// position written.
const std::string kRawBytes = std::string("II*\0\x08\0\0\0", 8) + std::string(200, '\x5a');
const std::string kSidecarText =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
    " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "  <rdf:Description rdf:about=\"\"\n"
    "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
    "   xmp:Rating=\"3\"/>\n"
    " </rdf:RDF>\n"
    "</x:xmpmeta>\n"
    "<?xpacket end=\"w\"?>\n";

SidecarPosition SidecarPlace(double lat, double lon, double alt)
{
    SidecarPosition position;
    position.place.known = TRUE;
    position.place.latitude = lat * kDeg;
    position.place.longitude = lon * kDeg;
    position.place.altitude = alt;
    position.hasAltitude = true;
    return position;
}

// The sidecar as the editor makes it from text: the position stored (or
// removed when not known); a new sidecar when there is no text.
std::string SidecarAfter(const std::string& text, const SidecarPosition& position)
{
    std::string out;
    if (text.empty())
        EXPECT_EQ(CreateSidecar(position, &out), S_OK);
    else if (position.place.known)
        EXPECT_EQ(StoreSidecarPosition(text, position, &out), S_OK);
    else
        EXPECT_EQ(RemoveSidecarPosition(text, &out), S_OK);
    return out;
}

// The engine's file calls, of which the k-th of one kind fails while an
// object of this class lives: before the system's call (Fails), or after
// it has done its work (FailsAfterDoing: a share whose reply was lost, a
// filter failing a call that ran). It counts the calls of that kind, and
// logs every call: its kind, the handle, and for the setting of file
// information its class (and the deletion asked for).
class FailingFileCalls {
public:
    enum Kind { Read, Write, Flush, SetInformation };
    enum Mode { Fails, FailsAfterDoing };
    struct Call {
        Kind kind;
        HANDLE file;
        FILE_INFO_BY_HANDLE_CLASS information;
        bool deletes;
        bool succeeded;
    };

    FailingFileCalls(Kind kind, int failing, Mode mode = Fails)
    {
        s_kind = kind;
        s_failing = failing;
        s_mode = mode;
        s_calls = 0;
        s_log.clear();
        m_previous = UseFileCalls(&kCalls);
    }
    ~FailingFileCalls()
    {
        UseFileCalls(m_previous);
        s_beforeRename = nullptr;
        s_onRead = nullptr;
        s_beforeFlush = nullptr;
    }
    FailingFileCalls(const FailingFileCalls&) = delete;
    FailingFileCalls& operator=(const FailingFileCalls&) = delete;
    static int Calls() { return s_calls; }
    static const std::vector<Call>& Log() { return s_log; }
    // Runs once, at the first rename, which then fails as if the photo were
    // held by another program.
    static std::function<void()> s_beforeRename;
    // Sees the handle of every read.
    static std::function<void(HANDLE)> s_onRead;
    // Runs once, at the first flush, which then goes on.
    static std::function<void()> s_beforeFlush;
    // The last rename's target.
    static std::wstring s_renamedTo;

private:
    // The call, unless it is the chosen one: that fails, before or after
    // the system's call.
    template <typename Done>
    static BOOL Through(Kind kind, Done done, Call call)
    {
        const bool chosen = kind == s_kind && ++s_calls == s_failing;
        BOOL result = chosen && s_mode == Fails ? FALSE : done();
        if (chosen) {
            SetLastError(ERROR_WRITE_FAULT);
            result = FALSE;
        }
        call.succeeded = result != FALSE;
        s_log.push_back(call);
        return result;
    }
    static BOOL WINAPI ReadCall(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped)
    {
        if (s_onRead)
            s_onRead(file);
        return Through(Read, [&] { return ReadFile(file, buffer, count, read, overlapped); },
                       Call{Read, file, FileBasicInfo, false, false});
    }
    static BOOL WINAPI WriteCall(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
    {
        return Through(Write, [&] { return WriteFile(file, buffer, count, written, overlapped); },
                       Call{Write, file, FileBasicInfo, false, false});
    }
    static BOOL WINAPI FlushCall(HANDLE file)
    {
        if (s_beforeFlush) {
            std::function<void()> other = s_beforeFlush;
            s_beforeFlush = nullptr;
            other();
        }
        return Through(Flush, [&] { return FlushFileBuffers(file); }, Call{Flush, file, FileBasicInfo, false, false});
    }
    static BOOL WINAPI SetInformationCall(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information, DWORD size)
    {
        if (kind == FileRenameInfo) {
            const FILE_RENAME_INFO* rename = static_cast<const FILE_RENAME_INFO*>(information);
            s_renamedTo.assign(rename->FileName, rename->FileNameLength / sizeof(wchar_t));
            if (s_beforeRename) {
                std::function<void()> other = s_beforeRename;
                s_beforeRename = nullptr;
                other();
                SetLastError(ERROR_SHARING_VIOLATION);
                return FALSE;
            }
        }
        const bool deletes =
            kind == FileDispositionInfo && static_cast<const FILE_DISPOSITION_INFO*>(information)->DeleteFile;
        return Through(SetInformation, [&] { return SetFileInformationByHandle(file, kind, information, size); },
                       Call{SetInformation, file, kind, deletes, false});
    }

    static const FileCalls kCalls;
    static Kind s_kind;
    static Mode s_mode;
    static int s_failing;
    static int s_calls;
    static std::vector<Call> s_log;
    const FileCalls* m_previous = nullptr;
};

const FileCalls FailingFileCalls::kCalls = {ReadCall, WriteCall, FlushCall, SetInformationCall, FindFirstFileW};
FailingFileCalls::Kind FailingFileCalls::s_kind = FailingFileCalls::Read;
FailingFileCalls::Mode FailingFileCalls::s_mode = FailingFileCalls::Fails;
int FailingFileCalls::s_failing = 0;
int FailingFileCalls::s_calls = 0;
std::vector<FailingFileCalls::Call> FailingFileCalls::s_log;
std::function<void()> FailingFileCalls::s_beforeRename;
std::function<void(HANDLE)> FailingFileCalls::s_onRead;
std::function<void()> FailingFileCalls::s_beforeFlush;
std::wstring FailingFileCalls::s_renamedTo;

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

// Tails beyond the 1 MiB copy block too, read at multiples of 64 KiB after
// the first block.
INSTANTIATE_TEST_SUITE_P(Sizes, WriteBackTail,
                         testing::Values(0, 1, 400, 65536, 65537, 131072, 300001, 1114111, 2097155));

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

    // Opened for writing, such photos are still read, and refused as before.
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "held by another program");
        Put(before);
        ASSERT_TRUE(SetReadOnly(path, readOnly));
        HANDLE holder = readOnly ? INVALID_HANDLE_VALUE
                                 : CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                               nullptr);
        ExifBlock held;
        held.OpenForWriting(path.c_str());
        ASSERT_TRUE(held.IsJpeg());
        ASSERT_EQ(held.StorePosition(0.1, 0.1, 0, 0), S_OK);
        EXPECT_EQ(held.WriteToFile(), E_FAIL);
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        ASSERT_TRUE(SetReadOnly(path, false));
        EXPECT_EQ(Get(path), before);
    }
}

// A photo opened for writing is held until it is written: another program
// can neither open nor change it in between, and once it is written (or the
// block is gone without writing) it is free again.
TEST_F(WriteBack, APhotoOpenedForWritingIsHeldUntilItIsWritten)
{
    const Bytes before = PhotoWithPosition(false, 9000);
    const std::wstring path = Put(before);
    auto otherProgramOpens = [&] {
        HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        if (other == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(other);
        return true;
    };
    {
        ExifBlock unwritten;
        unwritten.OpenForWriting(path.c_str());
        ASSERT_TRUE(unwritten.IsJpeg());
        EXPECT_FALSE(otherProgramOpens());
    }
    EXPECT_TRUE(otherProgramOpens());

    ExifBlock block;
    block.OpenForWriting(path.c_str());
    ASSERT_EQ(block.StorePosition(0.5, 0.25, 7, 0), S_OK);
    EXPECT_FALSE(WriteFileBytes(path, AsString(PhotoWithPosition(true, 9000))));
    ASSERT_EQ(block.WriteToFile(), S_OK);
    EXPECT_TRUE(otherProgramOpens());
    EXPECT_EQ(Get(path), ExpectedRewrite(block, before));
    // A second write of the block opens the photo anew.
    ASSERT_EQ(block.WriteToFile(), S_OK);
    EXPECT_EQ(Get(path), ExpectedRewrite(block, before));
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
        bool anotherFile;
    } cases[] = {
        {"no longer starts with SOI", original, Join({Bytes{0, 0}, Bytes(original.begin() + 2, original.end())}), false},
        {"segment moved", original, Join({Bytes(original.begin(), original.begin() + 2), JfifSegment(),
                                           Bytes(original.begin() + 2, original.end())}),
         false},
        {"segment of another size", original, PhotoOfSize({ExifSegment(SimpleTiff(false))}, 4000), false},
        {"segment where Open found none", plain, otherExif, false},
        {"segment gone", original, plain, false},
        {"an image byte changed, same size", original,
         Join({Bytes(original.begin(), original.end() - 1), Bytes{static_cast<uint8_t>(original.back() ^ 1)}}), false},
        {"another file with the same bytes renamed over it", original, original, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = Put(c.atOpen);
        ExifBlock block;
        block.Open(path.c_str());
        ASSERT_TRUE(block.IsJpeg());
        ASSERT_EQ(block.StorePosition(0.2, 0.2, 0, 0), S_OK);
        if (c.anotherFile) {
            const std::wstring other = path + L".other";
            ASSERT_TRUE(WriteFileBytes(other, AsString(c.atWrite)));
            ASSERT_TRUE(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
        } else {
            ASSERT_TRUE(WriteFileBytes(path, AsString(c.atWrite)));
        }
        EXPECT_EQ(block.WriteToFile(), VZ_E_PHOTO_CHANGED);
        EXPECT_EQ(Get(path), c.atWrite);
    }
}

// A file's stamp names it as GetFileInformationByHandle does (its number
// on the volume), tells two files apart, and moves with a write.
TEST_F(WriteBack, AStampNamesTheFileAsTheSystemDoesAndMovesWithAWrite)
{
    const std::wstring first = Put(PhotoWithPosition(false, 4000));
    const std::wstring second = Put(PhotoWithPosition(false, 5000), L"second.jpg");
    FileStamp stamps[2];
    for (int i = 0; i < 2; ++i) {
        HANDLE file = CreateFileW((i == 0 ? first : second).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        BY_HANDLE_FILE_INFORMATION system;
        ASSERT_TRUE(GetFileInformationByHandle(file, &system));
        ASSERT_TRUE(ReadFileStamp(file, &stamps[i]));
        CloseHandle(file);
        EXPECT_EQ(stamps[i].id, (static_cast<uint64_t>(system.nFileIndexHigh) << 32) | system.nFileIndexLow);
        EXPECT_EQ(stamps[i].size, (static_cast<uint64_t>(system.nFileSizeHigh) << 32) | system.nFileSizeLow);
    }
    EXPECT_FALSE(IsSameFile(stamps[0], stamps[1]));
    Sleep(20);
    ASSERT_TRUE(WriteFileBytes(first, AsString(PhotoWithPosition(true, 4000))));
    HANDLE file = CreateFileW(first.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FileStamp after;
    ASSERT_TRUE(ReadFileStamp(file, &after));
    CloseHandle(file);
    EXPECT_TRUE(IsSameFile(after, stamps[0]));
    EXPECT_FALSE(IsSameState(after, stamps[0]));
}

// Every read, write, flush and setting of file information failing in turn,
// one at a time, before or after doing its work, for a segment that grows,
// shrinks, is inserted or keeps its size: the photo's name holds the old
// photo or the new one, never nothing; the result says which (a failure of
// the flush after the rename: the new one, and not confirmed on the disk);
// and nothing else is left in the folder.
TEST_F(WriteBack, EveryFailingFileCallLeavesTheOldPhotoOrTheNewOne)
{
    const Bytes exif = ExifSegment(SimpleTiff(false));
    const SidecarPosition place = SidecarPlace(0.1 / kDeg, 0.2 / kDeg, 3);
    const std::string located = SidecarAfter(kSidecarText, place);
    struct Case {
        const char* what;
        Bytes photo;  // for a sidecar: the sidecar (empty: none yet)
        bool store;
        bool sidecar;
    } cases[] = {
        {"grows", PhotoOfSize({exif}, 2 + exif.size() + 150000), true, false},
        {"shrinks", PhotoWithPosition(true, 150000), false, false},
        {"inserted", PhotoOfSize({JfifSegment()}, 150000), true, false},
        {"same size", PhotoWithPosition(false, 150000), true, false},
        {"a raw file's sidecar updated", AsBytes(kSidecarText), true, true},
        {"a raw file's sidecar created", Bytes(), true, true},
        {"a raw file's position removed from its sidecar", AsBytes(located), false, true},
    };
    const FailingFileCalls::Kind kinds[] = {FailingFileCalls::Read, FailingFileCalls::Write, FailingFileCalls::Flush,
                                            FailingFileCalls::SetInformation};
    for (const Case& c : cases) {
        for (FailingFileCalls::Mode mode : {FailingFileCalls::Fails, FailingFileCalls::FailsAfterDoing}) {
            for (FailingFileCalls::Kind kind : kinds) {
                for (int k = 1;; ++k) {
                    SCOPED_TRACE(testing::Message()
                                 << c.what << ", mode " << mode << ", call kind " << kind << ", call " << k);
                    std::wstring path, raw;
                    ExifBlock block;
                    Bytes expected;
                    std::vector<std::wstring> names{L"photo.jpg"};
                    if (!c.sidecar) {
                        path = Put(c.photo);
                        block.Open(path.c_str());
                        ASSERT_EQ(c.store ? block.StorePosition(0.1, 0.2, 3, 4) : (block.RemovePosition(), S_OK),
                                  S_OK);
                        expected = ExpectedRewrite(block, c.photo);
                    } else {
                        DeleteFileW((folder / L"photo.jpg").c_str());
                        raw = Put(AsBytes(kRawBytes), L"photo.dng");
                        path = folder / L"photo.xmp";
                        DeleteFileW(path.c_str());
                        if (!c.photo.empty())
                            Put(c.photo, L"photo.xmp");
                        SidecarPosition none;
                        expected = AsBytes(SidecarAfter(AsString(c.photo), c.store ? place : none));
                        names = {L"photo.dng", L"photo.xmp"};
                    }
                    ASSERT_NE(expected, c.photo);
                    HRESULT hr;
                    int calls;
                    {
                        FailingFileCalls failing(kind, k, mode);
                        if (c.sidecar)
                            hr = WriteRawSidecarPosition(raw.c_str(), c.store ? place : SidecarPosition());
                        else
                            hr = block.WriteToFile();
                        calls = FailingFileCalls::Calls();
                    }
                    const bool written = SUCCEEDED(hr) || hr == VZ_E_RENAME_NOT_FLUSHED;
                    if (c.sidecar) {
                        EXPECT_EQ(ReadFileBytes(raw), kRawBytes);
                        if (c.photo.empty() && !written)
                            names = {L"photo.dng"};
                    }
                    if (!c.photo.empty() || written) {
                        EXPECT_EQ(Get(path), written ? expected : c.photo);
                    }
                    EXPECT_EQ(NamesIn(folder.Path()), names);
                    if (calls < k) {  // no call failed: the write went through
                        EXPECT_EQ(hr, S_OK);
                        break;
                    }
                    // The one failing call that loses nothing it has done:
                    // the flush after the rename, which is reported.
                    if (kind == FailingFileCalls::Flush && k == 2) {
                        EXPECT_EQ(hr, VZ_E_RENAME_NOT_FLUSHED);
                    }
                }
            }
        }
    }
}

// The order in which the new photo reaches the disk, through the file calls:
// marked to be deleted before its first byte; its last write, its flush,
// the mark cleared, the rename of that very file, and a last flush, then
// success. Without either flush, or with the mark cleared before the first
// flush, a power loss or a killed writer could leave a damaged photo.
TEST_F(WriteBack, TheNewPhotoIsFlushedRenamedAndFlushedAgainInThatOrder)
{
    const Bytes before = PhotoWithPosition(false, 150000);
    const std::wstring path = Put(before);
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.4, 0.5, 6, 0), S_OK);
    HRESULT hr;
    std::vector<FailingFileCalls::Call> log;
    {
        FailingFileCalls logging(FailingFileCalls::Read, 0);
        hr = block.WriteToFile();
        log = FailingFileCalls::Log();
    }
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(Get(path), ExpectedRewrite(block, before));
    using Call = FailingFileCalls::Call;
    auto last = [&](std::function<bool(const Call&)> is) {
        for (size_t i = log.size(); i-- > 0;)
            if (is(log[i]))
                return static_cast<int>(i);
        return -1;
    };
    const int lastWrite = last([](const Call& c) { return c.kind == FailingFileCalls::Write; });
    ASSERT_GE(lastWrite, 0);
    const HANDLE made = log[lastWrite].file;
    auto on = [&](FailingFileCalls::Kind kind, FILE_INFO_BY_HANDLE_CLASS information) {
        return [=](const Call& c) {
            return c.file == made && c.kind == kind && c.succeeded &&
                   (kind != FailingFileCalls::SetInformation || c.information == information);
        };
    };
    const int rename = last(on(FailingFileCalls::SetInformation, FileRenameInfo));
    const int finalFlush = last(on(FailingFileCalls::Flush, FileBasicInfo));
    const int kept = last([&](const Call& c) { return on(FailingFileCalls::SetInformation, FileDispositionInfo)(c) && !c.deletes; });
    int firstFlush = -1;
    for (int i = lastWrite; i < static_cast<int>(log.size()) && firstFlush < 0; ++i)
        if (on(FailingFileCalls::Flush, FileBasicInfo)(log[i]))
            firstFlush = i;
    int marked = -1;
    for (int i = 0; i < static_cast<int>(log.size()) && marked < 0; ++i)
        if (on(FailingFileCalls::SetInformation, FileDispositionInfo)(log[i]) && log[i].deletes)
            marked = i;
    int firstWrite = -1;
    for (int i = 0; i < static_cast<int>(log.size()) && firstWrite < 0; ++i)
        if (log[i].kind == FailingFileCalls::Write && log[i].file == made)
            firstWrite = i;
    EXPECT_GE(marked, 0);
    EXPECT_LT(marked, firstWrite);
    EXPECT_LT(lastWrite, firstFlush);
    EXPECT_LT(firstFlush, kept);
    EXPECT_LT(kept, rename);
    EXPECT_LT(rename, finalFlush);
    EXPECT_EQ(finalFlush, static_cast<int>(log.size()) - 1);
}

// Another window writes the photo with another position while this write
// waits to rename over it (the photo closed, the rename retried on a
// sharing violation): this write is refused and says so; the other
// position stays, and nothing is left beside the photo.
TEST_F(WriteBack, APhotoWrittenByAnotherProgramDuringTheRenameIsNotOverwritten)
{
    const Bytes before = PhotoWithPosition(false, 40000);
    const std::wstring path = Put(before);
    ExifBlock first, second;
    first.Open(path.c_str());
    second.Open(path.c_str());
    ASSERT_EQ(first.StorePosition(0.1, 0.1, 1, 0), S_OK);
    ASSERT_EQ(second.StorePosition(0.6, 0.6, 6, 0), S_OK);
    const Bytes secondPhoto = ExpectedRewrite(second, before);
    HRESULT secondResult = E_UNEXPECTED;
    HRESULT hr;
    {
        FailingFileCalls seam(FailingFileCalls::Read, 0);
        FailingFileCalls::s_beforeRename = [&] { secondResult = second.WriteToFile(); };
        hr = first.WriteToFile();
    }
    EXPECT_EQ(secondResult, S_OK);
    EXPECT_EQ(hr, VZ_E_PHOTO_CHANGED);
    EXPECT_EQ(Get(path), secondPhoto);
    EXPECT_EQ(NamesIn(folder.Path()), std::vector<std::wstring>{L"photo.jpg"});
}

// What Wine can show of what Windows checks: the photo is opened with the
// right to delete it, which the rename over it needs (a user who may write
// the photo but not delete it is refused before anything is made), and the
// rename names the photo as the disk spells it, not as the caller did.
TEST_F(WriteBack, ThePhotoIsOpenedForTheRenameAndKeepsTheNameItHasOnTheDisk)
{
    typedef LONG(WINAPI * QueryObject)(HANDLE, int, void*, ULONG, ULONG*);
    const QueryObject query =
        reinterpret_cast<QueryObject>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    ASSERT_NE(query, nullptr);
    const Bytes before = PhotoWithPosition(false, 40000);
    const std::wstring path = Put(before, L"Photo.Jpg");
    const std::wstring spelled = folder / L"PHOTO.JPG";
    ExifBlock block;
    block.Open(spelled.c_str());
    ASSERT_EQ(block.StorePosition(0.2, 0.3, 4, 0), S_OK);
    bool deletable = false;
    {
        FailingFileCalls seam(FailingFileCalls::Read, 0);
        FailingFileCalls::s_onRead = [&](HANDLE file) {
            struct {
                ULONG attributes;
                ACCESS_MASK granted;
                ULONG rest[12];
            } basic = {};
            ULONG size = 0;
            if (!deletable && query(file, 0 /* ObjectBasicInformation */, &basic, sizeof(basic), &size) == 0)
                deletable = (basic.granted & DELETE) != 0;
        };
        ASSERT_EQ(block.WriteToFile(), S_OK);
    }
    EXPECT_TRUE(deletable);
    const std::wstring& target = FailingFileCalls::s_renamedTo;
    ASSERT_GE(target.size(), 10u);
    EXPECT_EQ(target.substr(target.size() - 10), L"\\Photo.Jpg");
    EXPECT_EQ(NamesIn(folder.Path()), std::vector<std::wstring>{L"Photo.Jpg"});
    EXPECT_EQ(Get(path), ExpectedRewrite(block, before));
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

// Sets the last-write time of a file or folder.
bool SetLastWrite(const std::wstring& path, const FILETIME& time)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool set = file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, nullptr, &time);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return set;
}

// Long before this system started (1 August 2000).
const FILETIME kBeforeStart = {0xD8A4C000u, 0x01BFFB9Bu};

// What a writer that was killed left behind is resolved by the next write in
// its folder: a replacement next to its photo goes; a complete one whose
// photo's name is missing takes that name when it was left before the
// system last started and nothing in the folder changed since (a power loss
// cut the rename short); one that another writer still holds, or that holds
// no whole photo, stays.
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
    ASSERT_TRUE(SetLastWrite(lost, kBeforeStart));
    ASSERT_TRUE(SetLastWrite(folder / L"f.heic.~vz0000abcd0005.tmp", kBeforeStart));
    ASSERT_TRUE(SetLastWrite(folder.Path(), kBeforeStart));
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

// A photo the user removed never comes back: a complete replacement left
// beside it (its writer killed just before the rename) stays where it is
// when the photo is deleted or renamed afterwards, and so does one left in
// this very session, whatever the folder's time.
TEST_F(WriteBack, APhotoTheUserRemovedIsNeverBroughtBack)
{
    Bytes photo = PhotoWithPosition(false, 20000);
    photo.insert(photo.end(), {0xFF, 0xD9});
    const std::wstring deleted = Put(photo, L"deleted.jpg");
    const std::wstring renamed = Put(photo, L"renamed.jpg");
    const std::wstring leftovers[] = {Put(photo, L"deleted.jpg.~vz0000abcd0001.tmp"),
                                      Put(photo, L"renamed.jpg.~vz0000abcd0002.tmp")};
    for (const std::wstring& leftover : leftovers)
        ASSERT_TRUE(SetLastWrite(leftover, kBeforeStart));
    ASSERT_TRUE(SetLastWrite(folder.Path(), kBeforeStart));
    // The user, now.
    ASSERT_TRUE(DeleteFileW(deleted.c_str()));
    ASSERT_TRUE(MoveFileW(renamed.c_str(), (folder / L"kept.jpg").c_str()));

    const std::wstring path = Put(photo, L"photo.jpg");
    ExifBlock block;
    block.Open(path.c_str());
    ASSERT_EQ(block.StorePosition(0.7, 0.1, 10, 0), S_OK);
    ASSERT_EQ(block.WriteToFile(), S_OK);
    EXPECT_EQ(NamesIn(folder.Path()),
              (std::vector<std::wstring>{L"deleted.jpg.~vz0000abcd0001.tmp", L"kept.jpg", L"photo.jpg",
                                         L"renamed.jpg.~vz0000abcd0002.tmp"}));

    // Left in this session, in a folder whose time says nothing changed.
    const std::wstring session = folder / L"session";
    ASSERT_TRUE(CreateDirectoryW(session.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(session + L"\\recent.jpg.~vz0000abcd0003.tmp", AsString(photo)));
    ASSERT_TRUE(WriteFileBytes(session + L"\\photo.jpg", AsString(photo)));
    ExifBlock again;
    again.Open((session + L"\\photo.jpg").c_str());
    ASSERT_EQ(again.StorePosition(0.7, 0.1, 10, 0), S_OK);
    ASSERT_TRUE(SetLastWrite(session, kBeforeStart));
    ASSERT_EQ(again.WriteToFile(), S_OK);
    EXPECT_EQ(NamesIn(session), (std::vector<std::wstring>{L"photo.jpg", L"recent.jpg.~vz0000abcd0003.tmp"}));
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

// A raw file's sidecars on disk, one scenario a row: which sidecars are
// written or made, what they hold afterwards, what a read then finds; the
// raw file never changes, and a refused sidecar leaves every sidecar of
// the raw file byte for byte.
TEST_F(WriteBack, ARawFilesPositionGoesIntoItsSidecarsOnly)
{
    const SidecarPosition place = SidecarPlace(48.8582, 2.2945, 35.5);
    const SidecarPosition none;
    const std::string stored = SidecarAfter(kSidecarText, place);
    const std::string created = SidecarAfter("", place);
    const std::string malformed = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF";
    const std::string dtd = "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>\n" + kSidecarText;
    const std::string huge = kSidecarText + "<!--" + std::string(kMaxSidecarBytes, '-') + "-->\n";
    const std::string kFolder = "<folder>", kReadOnly = "<read-only>";
    using Files = std::vector<std::pair<std::wstring, std::string>>;
    struct Row {
        const char* what;
        Files before;  // besides photo.dng; kFolder: a folder of that name
        bool store;
        HRESULT hr;
        Files after;   // every file of the folder but photo.dng
        const wchar_t* named;  // the sidecar the outcome names ("": none)
        HRESULT readHr;  // a read afterwards
    } rows[] = {
        {"created under the base name", {}, true, S_OK, {{L"photo.xmp", created}}, L"photo.xmp", S_OK},
        {"created under the whole name beside another raw file of the base name", {{L"photo.NEF", kRawBytes}}, true,
         S_OK, {{L"photo.NEF", kRawBytes}, {L"photo.dng.xmp", created}}, L"photo.dng.xmp", S_OK},
        {"updated", {{L"photo.xmp", kSidecarText}}, true, S_OK, {{L"photo.xmp", stored}}, L"", S_OK},
        {"both sidecars updated, in any case of letters", {{L"PHOTO.XMP", kSidecarText}, {L"photo.DNG.xmp", kSidecarText}},
         true, S_OK, {{L"PHOTO.XMP", stored}, {L"photo.DNG.xmp", stored}}, L"", S_OK},
        {"removed", {{L"photo.xmp", stored}}, false, S_OK, {{L"photo.xmp", SidecarAfter(stored, none)}}, L"", S_FALSE},
        {"nothing to remove, none made", {}, false, S_FALSE, {}, L"", S_FALSE},
        {"already as it would be written", {{L"photo.xmp", stored}}, true, S_FALSE, {{L"photo.xmp", stored}}, L"",
         S_OK},
        {"not well-formed", {{L"photo.xmp", malformed}}, true, VZ_E_SIDECAR_MALFORMED, {{L"photo.xmp", malformed}},
         L"photo.xmp", VZ_E_SIDECAR_MALFORMED},
        {"a DTD", {{L"photo.xmp", dtd}}, true, VZ_E_SIDECAR_DTD, {{L"photo.xmp", dtd}}, L"photo.xmp",
         VZ_E_SIDECAR_DTD},
        {"too large", {{L"photo.xmp", huge}}, false, VZ_E_SIDECAR_TOO_LARGE, {{L"photo.xmp", huge}}, L"photo.xmp",
         VZ_E_SIDECAR_TOO_LARGE},
        {"the second sidecar refused, the first left too", {{L"photo.xmp", kSidecarText}, {L"photo.dng.xmp", dtd}},
         true, VZ_E_SIDECAR_DTD, {{L"photo.dng.xmp", dtd}, {L"photo.xmp", kSidecarText}}, L"photo.dng.xmp",
         VZ_E_SIDECAR_DTD},
        {"a folder under the sidecar's name", {{L"photo.xmp", kFolder}}, true, VZ_E_SIDECAR_IS_FOLDER,
         {{L"photo.xmp", kFolder}}, L"photo.xmp", VZ_E_SIDECAR_IS_FOLDER},
        {"read-only", {{L"photo.xmp", kReadOnly}}, true, E_FAIL, {{L"photo.xmp", kSidecarText}}, L"photo.xmp",
         S_FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder here;
        const std::wstring raw = here / L"photo.dng";
        ASSERT_TRUE(WriteFileBytes(raw, kRawBytes));
        for (const auto& file : row.before) {
            const std::wstring path = here / file.first.c_str();
            if (file.second == kFolder) {
                ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
            } else {
                ASSERT_TRUE(WriteFileBytes(path, file.second == kReadOnly ? kSidecarText : file.second));
                if (file.second == kReadOnly) {
                    ASSERT_TRUE(SetReadOnly(path, true));
                }
            }
        }
        SidecarOutcome outcome;
        EXPECT_EQ(WriteRawSidecarPosition(raw.c_str(), row.store ? place : none, nullptr, &outcome), row.hr);
        EXPECT_EQ(outcome.sidecarPath, row.named[0] ? here / row.named : std::wstring());
        if (FAILED(row.hr)) {
            EXPECT_FALSE(outcome.problem.reason.empty());
        }
        EXPECT_EQ(ReadFileBytes(raw), kRawBytes);
        std::vector<std::wstring> names{L"photo.dng"};
        for (const auto& file : row.after) {
            names.push_back(file.first);
            if (file.second != kFolder) {
                EXPECT_EQ(ReadFileBytes(here / file.first.c_str()), file.second);
            }
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(NamesIn(here.Path()), names);

        SidecarPosition read;
        EXPECT_EQ(ReadRawSidecarPosition(raw.c_str(), &read, &outcome), row.readHr);
        if (row.readHr == S_OK) {
            EXPECT_NEAR(read.place.latitude / kDeg, 48.8582, 1e-7);
            EXPECT_NEAR(read.place.longitude / kDeg, 2.2945, 1e-7);
            EXPECT_NEAR(read.place.altitude, 35.5, 0.01);
        }
        for (const auto& file : row.before) {
            if (file.second == kReadOnly)
                SetReadOnly(here / file.first.c_str(), false);
        }
    }
}

// Reading takes the first sidecar that holds a position; a raw file named
// by another case finds its sidecars; one that is not there is an error.
TEST_F(WriteBack, ARawFileReadsTheFirstOfItsSidecarsThatHoldsAPosition)
{
    const std::wstring raw = Put(AsBytes(kRawBytes), L"photo.dng");
    Put(AsBytes(kSidecarText), L"photo.dng.xmp");
    Put(AsBytes(SidecarAfter(kSidecarText, SidecarPlace(-33.8568, 151.2153, 58))), L"photo.xmp");
    SidecarPosition read;
    SidecarOutcome outcome;
    EXPECT_EQ(ReadRawSidecarPosition((folder / L"PHOTO.DNG").c_str(), &read, &outcome), S_OK);
    EXPECT_NEAR(read.place.latitude / kDeg, -33.8568, 1e-7);
    EXPECT_EQ(outcome.sidecarPath, folder / L"photo.xmp");
    // Named by its short name, it finds the sidecars of its long name.
    const std::wstring longRaw = Put(AsBytes(kRawBytes), L"a long raw name.dng");
    Put(AsBytes(SidecarAfter(kSidecarText, SidecarPlace(12, 34, 5))), L"a long raw name.xmp");
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(longRaw.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(longRaw, shortPath);
    EXPECT_EQ(ReadRawSidecarPosition(shortPath, &read), S_OK);
    EXPECT_NEAR(read.place.latitude / kDeg, 12, 1e-7);
    DeleteFileW(longRaw.c_str());
    DeleteFileW((folder / L"a long raw name.xmp").c_str());
    EXPECT_EQ(ReadRawSidecarPosition((folder / L"other.dng").c_str(), &read), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WriteRawSidecarPosition((folder / L"other.dng").c_str(), SidecarPlace(1, 2, 3)),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::wstring>{L"photo.dng", L"photo.dng.xmp", L"photo.xmp"}));
}

// Another program meanwhile: a sidecar it created while ours was being
// written is not overwritten, nor one it wrote during our rename.
TEST_F(WriteBack, ASidecarAnotherProgramMadeOrWroteMeanwhileIsLeftAsItMadeIt)
{
    const std::wstring raw = Put(AsBytes(kRawBytes), L"photo.cr2");
    const std::wstring sidecar = folder / L"photo.xmp";
    const std::string theirs = SidecarAfter(kSidecarText, SidecarPlace(1, 2, 3));
    SidecarOutcome outcome;
    HRESULT hr;
    {
        FailingFileCalls seam(FailingFileCalls::Read, 0);
        FailingFileCalls::s_beforeFlush = [&] { WriteFileBytes(sidecar, theirs); };
        hr = WriteRawSidecarPosition(raw.c_str(), SidecarPlace(10, 20, 30), nullptr, &outcome);
    }
    EXPECT_EQ(hr, VZ_E_PHOTO_CHANGED);
    EXPECT_EQ(outcome.sidecarPath, sidecar);
    EXPECT_EQ(ReadFileBytes(sidecar), theirs);
    EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::wstring>{L"photo.cr2", L"photo.xmp"}));

    const std::string later = SidecarAfter(kSidecarText, SidecarPlace(4, 5, 6));
    {
        FailingFileCalls seam(FailingFileCalls::Read, 0);
        FailingFileCalls::s_beforeRename = [&] { WriteFileBytes(sidecar, later); };
        hr = WriteRawSidecarPosition(raw.c_str(), SidecarPlace(10, 20, 30));
    }
    EXPECT_EQ(hr, VZ_E_PHOTO_CHANGED);
    EXPECT_EQ(ReadFileBytes(sidecar), later);
    EXPECT_EQ(ReadFileBytes(raw), kRawBytes);
    EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::wstring>{L"photo.cr2", L"photo.xmp"}));
}

}  // namespace
