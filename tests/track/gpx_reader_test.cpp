// Reading GPX tracks with the system's XML reader: what counts as a point,
// and hostile files refused quickly with nothing read.
#include <gtest/gtest.h>

#include <windows.h>
#include <algorithm>
#include <string>

#include "track/track_files.h"
#include "track/gpx_reader.h"
#include "testlib/temp_folder.h"

using vztest::TempFolder;
using vztest::WriteFileBytes;

namespace {

HRESULT ReadText(const TempFolder& folder, const std::string& text, GpsTrack* track)
{
    std::wstring path = folder / L"track.gpx";
    EXPECT_TRUE(WriteFileBytes(path, text));
    return ReadGpxFile(path.c_str(), track);
}

const char kTrack11[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"logger\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    " <wpt lat=\"1\" lon=\"1\"><time>2024-05-01T09:00:00Z</time></wpt>\n"
    " <trk><name>first</name>\n"
    "  <trkseg>\n"
    "   <trkpt lat=\"48.1\" lon=\"11.5\"><ele>520.5</ele><time>2024-05-01T10:00:00Z</time></trkpt>\n"
    "   <trkpt lat=\"48.2\" lon=\"11.6\"><time>2024-05-01T10:00:10.5Z</time><ele> 521 </ele></trkpt>\n"
    "   <trkpt lat=\"48.3\" lon=\"11.7\"><ele>522</ele></trkpt>\n"
    "   <trkpt lat=\"48.3\" lon=\"11.7\"/>\n"
    "   <trkpt lat=\"91\" lon=\"11.7\"><time>2024-05-01T10:00:30Z</time></trkpt>\n"
    "   <trkpt lat=\"48.4\" lon=\"x\"><time>2024-05-01T10:00:40Z</time></trkpt>\n"
    "   <trkpt lat=\"48.5\" lon=\"11.9\"><time>not a time</time></trkpt>\n"
    "  </trkseg>\n"
    "  <trkseg><trkpt lat=\"-33.5\" lon=\"-70.25\"><time>2024-05-01T12:30:00+02:00</time>"
    "<ele>abc</ele><extensions><time>2030-01-01T00:00:00Z</time></extensions></trkpt></trkseg>\n"
    " </trk>\n"
    " <trk><trkseg><trkpt lat=\"0\" lon=\"0\"><time>2024-05-01T08:00:00Z</time></trkpt></trkseg></trk>\n"
    " <rte><rtept lat=\"10\" lon=\"20\"><time><![CDATA[2024-05-01T11:00:00Z]]></time></rtept></rte>\n"
    "</gpx>\n";

}  // namespace

TEST(GpxReading, TimedTrackRouteAndWayPointsOfEveryTrackAndSegmentInTimeOrder)
{
    TempFolder folder;
    GpsTrack track;
    ASSERT_EQ(S_OK, ReadText(folder, kTrack11, &track));
    // Untimed, badly placed and badly timed points are left out; the time
    // in the extension does not count.
    ASSERT_EQ(6u, track.Count());
    EXPECT_EQ(1714550400.0, track.At(0).time);  // 08:00, the second track
    EXPECT_EQ(1.0, track.At(1).latitude);       // the waypoint, 09:00
    EXPECT_EQ(48.1, track.At(2).latitude);
    EXPECT_EQ(11.5, track.At(2).longitude);
    EXPECT_TRUE(track.At(2).hasElevation);
    EXPECT_EQ(520.5, track.At(2).elevation);
    EXPECT_EQ(1714557610.5, track.At(3).time);
    EXPECT_EQ(521.0, track.At(3).elevation);
    EXPECT_EQ(1714559400.0, track.At(4).time);  // 12:30+02:00
    EXPECT_EQ(-33.5, track.At(4).latitude);
    EXPECT_FALSE(track.At(4).hasElevation);
    EXPECT_EQ(20.0, track.At(5).longitude);  // the route point, 11:00
}

// A file a logger is still writing: the points whose elements ended before
// the cut, wherever the cut falls, and the result says it was incomplete.
TEST(GpxReading, AFileCutOffInTheMiddleOfAnElementGivesThePointsBeforeTheCut)
{
    TempFolder folder;
    GpsTrack track;
    const std::string whole = kTrack11;
    const struct {
        const char* cutBefore;  // the file ends just before this text
        size_t points;
        size_t nuls;            // NUL bytes after the cut, as a power loss leaves them
    } cuts[] = {
        {"11.6\"><time>", 2, 0},         // inside a tag
        {"0:10.5Z</time>", 2, 0},         // inside a time
        {"0:10.5Z</time>", 2, 4096},      // the same, padded
        {"   <trkpt lat=\"48.3", 3, 0},  // between two points
        {" <trk><trkseg><trkpt lat=\"0\"", 4, 100000},
        {"2024-05-01T11:00:00Z]]>", 5, 0},  // inside a CDATA section
        {"</gpx>", 6, 1},                // every element but the root closed
    };
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.cutBefore);
        size_t at = whole.find(cut.cutBefore);
        ASSERT_NE(std::string::npos, at);
        EXPECT_EQ(VZ_S_TRACK_INCOMPLETE, ReadText(folder, whole.substr(0, at) + std::string(cut.nuls, '\0'), &track));
        EXPECT_EQ(cut.points, track.Count());
    }
    // Cut before the first timed point ended: no track.
    EXPECT_EQ(VZ_E_TRACK_EMPTY, ReadText(folder, whole.substr(0, whole.find("</time></wpt>")), &track));

    // The same in UTF-16 (little-endian, with its mark), NULs after the cut.
    const std::string cut = "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>2024-05-01T10:00:00Z</time></trkpt>"
                            "<trkpt lat=\"3\" lon=\"4\"><time>2024-05-01T10:0";
    std::string utf16 = "\xFF\xFE";
    for (char c : cut)
        utf16 += std::string(1, c) + '\0';
    EXPECT_EQ(VZ_S_TRACK_INCOMPLETE, ReadText(folder, utf16 + std::string(64, '\0'), &track));
    EXPECT_EQ(1u, track.Count());
}

TEST(GpxReading, VersionOneZeroAndPrefixedNamesAreRead)
{
    TempFolder folder;
    GpsTrack track;
    ASSERT_EQ(S_OK, ReadText(folder,
                             "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><time>2024-01-01T00:00:00Z</time>"
                             "<trk><trkseg><trkpt lat=\"1.5\" lon=\"2.5\"><ele>3</ele><time>2024-05-01T10:00:00Z</time>"
                             "<course>90</course><speed>1.2</speed></trkpt></trkseg></trk></gpx>",
                             &track));
    ASSERT_EQ(1u, track.Count());
    EXPECT_EQ(1.5, track.At(0).latitude);

    ASSERT_EQ(S_OK, ReadText(folder,
                             "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"><g:trk><g:trkseg>"
                             "<g:trkpt lat=\"1\" lon=\"2\"><g:time>2024-05-01T10:00:00Z</g:time></g:trkpt>"
                             "</g:trkseg></g:trk></g:gpx>",
                             &track));
    EXPECT_EQ(1u, track.Count());
}

TEST(GpxReading, DocumentsThatAreNoTrackAreRefusedWithTheTrackEmptied)
{
    TempFolder folder;
    GpsTrack track;
    ASSERT_EQ(S_OK, ReadText(folder, kTrack11, &track));

    EXPECT_EQ(VZ_E_TRACK_EMPTY, ReadText(folder, "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>", &track));
    EXPECT_EQ(0u, track.Count());
    EXPECT_EQ(VZ_E_TRACK_EMPTY, ReadText(folder, "<gpx/>", &track));
    // A point outside a segment is no track point.
    EXPECT_EQ(VZ_E_TRACK_EMPTY,
              ReadText(folder, "<gpx><trkpt lat=\"1\" lon=\"2\"><time>2024-05-01T10:00:00Z</time></trkpt></gpx>", &track));
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadText(folder, "<kml><trkseg/></kml>", &track));
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadText(folder, "", &track));
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadText(folder, "just text", &track));
    EXPECT_EQ(0u, track.Count());

    // Well-formed points followed by broken XML: nothing is kept.
    std::string broken = kTrack11;
    broken.resize(broken.size() - 8);
    broken += "</trk>";
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadText(folder, broken, &track));
    EXPECT_EQ(0u, track.Count());

    std::wstring missing = folder / L"missing.gpx";
    EXPECT_TRUE(FAILED(ReadGpxFile(missing.c_str(), &track)));
}

// An error anywhere but at the end of a cut-off file refuses the file with
// its place, also in the last block read, before a cut and before NULs at
// the end.
TEST(GpxReading, XmlErrorsBeforeTheEndAreRefusedWithTheirLineAndColumn)
{
    TempFolder folder;
    const std::string whole = kTrack11;
    const size_t secondTrack = whole.find(" <trk><trkseg>") + 6;
    const size_t firstName = whole.find("first</name>") + 5;
    // The fault goes in at the place given; "@" marks where it lies.
    const struct {
        const char* what;
        size_t at;
        std::string fault;
        const char* cutBefore;  // the file ends before this text (null: whole)
        size_t nuls;
    } rows[] = {
        {"a bare < in a name", secondTrack, "<name>a @< b</name>", nullptr, 0},
        {"the same, cut off later", secondTrack, "<name>a @< b</name>", "<![CDATA[", 0},
        {"a NUL in a name", secondTrack, std::string("<name>a@\0b</name>", 17), nullptr, 0},
        {"an end tag that does not match", firstName, "@</trk>", nullptr, 4096},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string text = whole.substr(0, row.at) + row.fault + whole.substr(row.at);
        if (row.cutBefore)
            text.resize(text.find(row.cutBefore));
        const size_t mark = text.find('@');
        text.erase(mark, 1);
        text += std::string(row.nuls, '\0');
        const UINT line = 1 + static_cast<UINT>(std::count(text.begin(), text.begin() + mark, '\n'));
        const UINT column = static_cast<UINT>(mark - text.rfind('\n', mark));
        std::wstring path = folder / L"track.gpx";
        ASSERT_TRUE(WriteFileBytes(path, text));
        GpsTrack track;
        GpxPlace place;
        EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadGpxFile(path.c_str(), &track, nullptr, &place));
        EXPECT_EQ(0u, track.Count());
        EXPECT_EQ(line, place.line);
        // At the fault or at the end of the token it spoils.
        EXPECT_GE(place.column, column);
        EXPECT_LE(place.column, column + 8);
    }
}

TEST(GpxReading, EntityBombsDeepNestingAndHugeFilesAreRefused)
{
    TempFolder folder;
    GpsTrack track;
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadText(folder, vztest::BillionLaughsGpx(), &track));

    std::string deep = "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>2024-05-01T10:00:00Z</time>";
    for (int i = 0; i < 200; ++i)
        deep += "<x>";
    for (int i = 0; i < 200; ++i)
        deep += "</x>";
    deep += "</trkpt></trkseg></trk></gpx>";
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadText(folder, deep, &track));

    // 100 MB: refused by its size before a byte is parsed (the file is
    // sparse, so making it is quick).
    std::wstring huge = folder / L"huge.gpx";
    ASSERT_TRUE(WriteFileBytes(huge, kTrack11));
    HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER size;
    size.QuadPart = 100ll * 1024 * 1024;
    EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    DWORD start = GetTickCount();
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadGpxFile(huge.c_str(), &track));
    EXPECT_EQ(0u, track.Count());
    EXPECT_LT(GetTickCount() - start, 5000u) << "a refused file was read";
}

namespace {

// A stream without end: a <gpx> element followed by empty elements for
// ever, as a file that keeps growing while it is read would be.
class EndlessStream final : public IStream {
public:
    ULONGLONG served = 0;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream)) {
            *ppv = static_cast<IStream*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
    IFACEMETHODIMP Read(void* buffer, ULONG size, ULONG* read) override
    {
        static const char kStart[] = "<gpx>";
        char* out = static_cast<char*>(buffer);
        for (ULONG i = 0; i < size; ++i, ++served)
            out[i] = served < 5 ? kStart[served] : "<a/>"[(served - 5) % 4];
        if (read)
            *read = size;
        return S_OK;
    }
    IFACEMETHODIMP Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    IFACEMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP Revert() override { return E_NOTIMPL; }
    IFACEMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }
};

}  // namespace

TEST(GpxReading, AStreamThatNeverEndsIsCutAtTheSizeLimit)
{
    EndlessStream stream;
    GpsTrack track;
    EXPECT_EQ(VZ_E_TRACK_UNREADABLE, ReadGpxStream(&stream, &track));
    EXPECT_GE(stream.served, kMaxTrackFileBytes);
    EXPECT_LT(stream.served, kMaxTrackFileBytes + 1024 * 1024);
}

TEST(GpxReading, ProgressGrowsToTheFileSizeAndAStopEndsTheReadingCancelled)
{
    TempFolder folder;
    const std::string text = vztest::LongTrackGpx(20000);
    const std::wstring path = folder / L"long.gpx";
    ASSERT_TRUE(WriteFileBytes(path, text));
    GpsTrack track;
    vztest::ProgressNotes whole;
    ASSERT_EQ(S_OK, ReadGpxFile(path.c_str(), &track, &whole));
    EXPECT_EQ(20000u, track.Count());
    EXPECT_EQ(text.size(), whole.total);
    ASSERT_GT(whole.done.size(), 10u);
    for (size_t i = 1; i < whole.done.size(); ++i)
        EXPECT_GT(whole.done[i], whole.done[i - 1]) << i;
    EXPECT_GE(whole.done.back(), text.size());

    // Stopped at the fifth report: nothing more is read, nothing is kept.
    vztest::ProgressNotes stopped(5);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), ReadGpxFile(path.c_str(), &track, &stopped));
    EXPECT_EQ(5u, stopped.done.size());
    EXPECT_EQ(0u, track.Count());
}
