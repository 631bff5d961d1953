#include "track/gpx_reader.h"

#include <shlwapi.h>
#include <xmllite.h>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "track/track_time.h"
#include "support/decimal_number.h"
#include "support/owners.h"

namespace {

typedef HRESULT(WINAPI* CreateXmlReaderFunction)(REFIID riid, void** reader, IMalloc* malloc);

// Longest text of a time or an elevation that is looked at; GPX writes
// about 30 characters, and anything longer is not a valid value.
const size_t kValueCapacity = 64;

// Hands the reader the bytes of another stream and fails once more than
// kMaxTrackFileBytes have passed: the parser then stops with an error,
// whatever the file claims or grows to while it is read. Every block read
// tells progress how far it has come of expected bytes, and the input ends
// when the reading is to stop.
//
// The end of the content is marked for the reader: NUL characters at the
// end of the file (what a logger leaves after a power loss) are dropped,
// and one "<" follows the last character. A file cut inside a text then
// ends inside a tag, which every reader reports as an error at that "<"
// (Wine's reader never returns from a text that runs into the end of its
// input), and the stream knows the line and column of that "<": an error
// there is the cut, one before it is an error of the file. After a whole
// document the "<" is ignored (see ReadPoints).
class BoundedStream final : public ISequentialStream {
public:
    // block: kBlockBytes of the caller's for the bytes read ahead.
    BoundedStream(IStream* inner, ULONGLONG expected, WorkProgress* progress, char* block)
        : m_inner(inner), m_expected(expected), m_progress(progress), m_block(block)
    {
    }

    static const ULONG kBlockBytes = 64 * 1024;
    static const DWORD kPollMs = 100;

    bool LimitReached() const { return m_limitReached; }
    bool Cancelled() const { return m_cancelled; }
    // The "<" after the content has been handed over, at SentinelPlace.
    bool EndReached() const { return m_endSent && !m_cancelled; }
    GpxPlace SentinelPlace() const { return m_endPlace; }

    // Asks progress whether to go on; false, and the input ends, when not.
    bool Continue()
    {
        m_askedAt = GetTickCount();
        if (!m_cancelled && m_progress && !m_progress->Continue(m_total, m_expected))
            m_cancelled = true;
        return !m_cancelled;
    }
    // The same for a reader that works on without reading: asks when the
    // last question is kPollMs old.
    bool Poll() { return GetTickCount() - m_askedAt < kPollMs ? !m_cancelled : Continue(); }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream)) {
            *ppv = static_cast<ISequentialStream*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the reading function's stack, which outlasts the parser's
    // references (the parser is released first).
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }

    IFACEMETHODIMP Read(void* buffer, ULONG size, ULONG* read) override
    {
        char* out = static_cast<char*>(buffer);
        ULONG given = 0;
        HRESULT hr = S_OK;
        while (given < size && !m_endSent) {
            if (m_cancelled || (m_innerEnded && m_begin == m_end && m_zerosToGive == 0)) {
                // The end, or told to stop: NULs held back are dropped, and
                // the "<" follows (a reader in a text would wait for ever).
                if (size - given < m_unit)
                    break;
                m_endPlace = m_place;
                for (ULONG i = 0; i < m_unit; ++i)
                    out[given + i] = (m_unit == 1 || (i == 0) == m_littleEndian) ? '<' : '\0';
                given += m_unit;
                m_endSent = true;
            } else if (m_zerosToGive > 0) {
                // NULs followed by more content: part of the file after all.
                ULONG part = m_zerosToGive < size - given ? static_cast<ULONG>(m_zerosToGive) : size - given;
                std::memset(out + given, 0, part);
                Count(out + given, part);
                given += part;
                m_zerosToGive -= part;
            } else if (m_begin < m_end) {
                ULONG part = m_end - m_begin < size - given ? m_end - m_begin : size - given;
                std::memcpy(out + given, m_block + m_begin, part);
                Count(out + given, part);
                given += part;
                m_begin += part;
            } else {
                hr = Fill();
                if (FAILED(hr))
                    break;
            }
        }
        if (read)
            *read = given;
        return hr;
    }
    IFACEMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

private:
    // Reads the next block of the inner stream; its NULs at the end are
    // held back until content follows them.
    HRESULT Fill()
    {
        ULONG got = 0;
        HRESULT hr = m_inner->Read(m_block, kBlockBytes, &got);
        if (FAILED(hr))
            return hr;
        if (got == 0) {
            m_innerEnded = true;
            return S_OK;
        }
        if (m_total == 0)
            TakeEncoding(got);
        m_total += got;
        if (m_total > kMaxTrackFileBytes) {
            m_limitReached = true;
            return STG_E_MEDIUMFULL;
        }
        if (!Continue())
            return S_OK;
        ULONG content = got;
        while (content > 0 && m_block[content - 1] == '\0')
            --content;
        // Whole characters of NUL only: in UTF-16 the NUL half of the last
        // character before them stays with it.
        ULONG zeros = got - content;
        zeros -= zeros % m_unit;
        if (content == 0 && got == zeros) {
            m_zerosHeld += zeros;
            return S_OK;
        }
        m_zerosToGive = m_zerosHeld;
        m_zerosHeld = zeros;
        m_begin = 0;
        m_end = got - zeros;
        return S_OK;
    }

    // UTF-16 by its byte-order mark or by a first "<" in it; otherwise
    // bytes of UTF-8 or a code page.
    void TakeEncoding(ULONG got)
    {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(m_block);
        if (got < 2)
            return;
        if ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == '<' && b[1] == 0)) {
            m_unit = 2;
            m_littleEndian = true;
        } else if ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0 && b[1] == '<')) {
            m_unit = 2;
            m_littleEndian = false;
        }
        m_skipMark = b[0] == 0xFF || b[0] == 0xFE || (got >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF);
    }

    // Follows the line and column of the characters handed over as the
    // reader counts them: lines end at LF, CR or CR LF; a column is a
    // character (UTF-8 continuation bytes and a byte-order mark add none).
    void Count(const char* bytes, ULONG length)
    {
        for (ULONG i = 0; i < length; ++i) {
            unsigned int value = static_cast<unsigned char>(bytes[i]);
            if (m_unit == 2) {
                if (!m_haveHalf) {
                    m_half = value;
                    m_haveHalf = true;
                    continue;
                }
                m_haveHalf = false;
                value = m_littleEndian ? (m_half | value << 8) : (m_half << 8 | value);
            } else if ((value & 0xC0) == 0x80) {
                continue;
            }
            if (m_skipMark) {
                m_skipMark = false;
                continue;
            }
            if (value == '\n' && m_afterCr) {
                m_afterCr = false;
                continue;
            }
            m_afterCr = value == '\r';
            if (value == '\n' || value == '\r') {
                ++m_place.line;
                m_place.column = 1;
            } else {
                ++m_place.column;
            }
        }
    }

    IStream* m_inner;
    ULONGLONG m_expected;
    WorkProgress* m_progress;
    char* m_block;
    ULONGLONG m_total = 0;
    bool m_limitReached = false;
    bool m_cancelled = false;
    bool m_innerEnded = false;
    bool m_endSent = false;
    ULONG m_begin = 0;
    ULONG m_end = 0;
    ULONGLONG m_zerosHeld = 0;    // NULs at the end of what was read so far
    ULONGLONG m_zerosToGive = 0;  // NULs that turned out to be followed by content
    ULONG m_unit = 1;             // bytes of a character unit: 2 for UTF-16
    bool m_littleEndian = true;
    bool m_skipMark = false;
    unsigned int m_half = 0;
    bool m_haveHalf = false;
    bool m_afterCr = false;
    DWORD m_askedAt = GetTickCount();
    GpxPlace m_place = {1, 1};   // of the next character
    GpxPlace m_endPlace;
};

// The point being read: its attributes, then the values of its time and
// ele children.
struct PendingPoint {
    bool active = false;
    UINT depth = 0;           // of the trkpt or rtept element
    bool valid = false;       // lat and lon read and in range
    TrackPoint point;
    bool hasTime = false;
    // The child whose text is being gathered, and the text so far.
    enum Child { None, Time, Elevation } child = None;
    wchar_t text[kValueCapacity] = {};
    size_t textLength = 0;
    bool textTooLong = false;
};

bool ReadAttributeNumber(IXmlReader* reader, const wchar_t* name, double* value)
{
    if (reader->MoveToAttributeByName(name, nullptr) != S_OK)
        return false;
    const wchar_t* text = nullptr;
    if (FAILED(reader->GetValue(&text, nullptr)) || !text)
        return false;
    const wchar_t* end = nullptr;
    if (!ReadDecimalNumber(text, value, &end))
        return false;
    while (*end == L' ' || *end == L'\t' || *end == L'\r' || *end == L'\n')
        ++end;
    return *end == L'\0';
}

void BeginPoint(IXmlReader* reader, UINT depth, PendingPoint* pending)
{
    *pending = PendingPoint();
    pending->active = true;
    pending->depth = depth;
    double latitude = 0, longitude = 0;
    pending->valid = ReadAttributeNumber(reader, L"lat", &latitude) &&
                     ReadAttributeNumber(reader, L"lon", &longitude) && latitude >= -90.0 &&
                     latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
    pending->point.latitude = latitude;
    pending->point.longitude = longitude;
    reader->MoveToElement();
}

void TakeChildText(PendingPoint* pending)
{
    if (pending->child == PendingPoint::None)
        return;
    if (!pending->textTooLong) {
        pending->text[pending->textLength] = L'\0';
        if (pending->child == PendingPoint::Time) {
            pending->hasTime = ParseTrackTime(pending->text, &pending->point.time);
        } else {
            double elevation = 0;
            const wchar_t* end = nullptr;
            if (ReadDecimalNumber(pending->text, &elevation, &end) && elevation > -1e6 && elevation < 1e6) {
                while (*end == L' ' || *end == L'\t' || *end == L'\r' || *end == L'\n')
                    ++end;
                if (*end == L'\0') {
                    pending->point.elevation = elevation;
                    pending->point.hasElevation = true;
                }
            }
        }
    }
    pending->child = PendingPoint::None;
    pending->textLength = 0;
    pending->textTooLong = false;
}

void GatherText(IXmlReader* reader, PendingPoint* pending)
{
    if (pending->child == PendingPoint::None || pending->textTooLong)
        return;
    const wchar_t* text = nullptr;
    UINT length = 0;
    if (FAILED(reader->GetValue(&text, &length)) || !text)
        return;
    if (length >= kValueCapacity - pending->textLength) {
        pending->textTooLong = true;
        return;
    }
    wmemcpy(pending->text + pending->textLength, text, length);
    pending->textLength += length;
}

// Walks the document and adds its timed points to track.
// What the XML reader reports when its input ends inside a tag, a value or
// an element: the end itself, or the character it was still waiting for
// there (the system's reader and Wine's differ). Errors that no cut can
// cause, such as an end tag that does not match, are not among them.
bool IsCutOffError(HRESULT hr)
{
    // The stream's "<" at the end gives the last two: a "<" in a value, a
    // tag without a name.
    static const XmlError kCutOff[] = {MX_E_INPUTEND,      WC_E_WHITESPACE, WC_E_SEMICOLON, WC_E_GREATERTHAN,
                                       WC_E_QUOTE,         WC_E_EQUAL,      WC_E_SYNTAX,    WC_E_CDSECT,
                                       WC_E_COMMENT,       WC_E_NAMECHARACTER, WC_E_LESSTHAN, NC_E_QNAMECHARACTER};
    for (XmlError error : kCutOff) {
        if (hr == static_cast<HRESULT>(error))
            return true;
    }
    return false;
}

// Where the reader stands.
GpxPlace PlaceOf(IXmlReader* reader)
{
    GpxPlace place;
    if (FAILED(reader->GetLineNumber(&place.line)) || FAILED(reader->GetLinePosition(&place.column)))
        place = GpxPlace();
    return place;
}

// Whether the reader stopped at the end of the content: at the "<" after
// it or beyond (a column before it too, for readers that count a
// character less).
bool AtTheEnd(const BoundedStream& input, const GpxPlace& place)
{
    if (!input.EndReached() || input.LimitReached())
        return false;
    GpxPlace end = input.SentinelPlace();
    return place.line > end.line || (place.line == end.line && place.column + 1 >= end.column);
}

// A reader that returns the node it stands on again and again has stopped
// (Wine's does at some errors, as in a comment cut off or a text with a
// NUL in it): that many times in a row is an error there.
const int kMaxRepeatedNodes = 16;
// Nodes between two questions whether the reading is to go on.
const unsigned kNodesBetweenChecks = 1024;

// Walks the document and adds its timed points to track; *errorPlace gets
// the place of an XML error that is not the end of a file cut off.
HRESULT ReadPoints(IXmlReader* reader, BoundedStream& input, GpsTrack* track, GpxPlace* errorPlace)
{
    bool sawRoot = false;
    PendingPoint pending;
    // The name of the element that holds the current element: trkpt counts
    // in a trkseg, rtept in a rte.
    const UINT kUnset = static_cast<UINT>(-1);
    UINT trksegDepth = kUnset, rteDepth = kUnset;
    size_t points = 0;
    // Elements open around the current node, counted here rather than
    // asked of the reader: the root element lies at depth 0.
    UINT open = 0;
    bool rootClosed = false;
    XmlNodeType type;
    HRESULT hr;
    unsigned nodes = 0;
    GpxPlace last;
    XmlNodeType lastType = XmlNodeType_None;
    int repeated = 0;
    bool stuck = false;
    while ((hr = reader->Read(&type)) == S_OK) {
        if (input.Cancelled() || (++nodes % kNodesBetweenChecks == 0 && !input.Poll()))
            return VZ_E_CANCELLED;
        GpxPlace here = PlaceOf(reader);
        repeated = (here.line == last.line && here.column == last.column && type == lastType) ? repeated + 1 : 0;
        last = here;
        lastType = type;
        if (repeated >= kMaxRepeatedNodes) {
            stuck = true;
            break;
        }
        switch (type) {
        case XmlNodeType_Element: {
            const wchar_t* name = nullptr;
            if (FAILED(reader->GetLocalName(&name, nullptr)) || !name)
                return VZ_E_TRACK_UNREADABLE;
            bool empty = reader->IsEmptyElement() != FALSE;
            UINT depth = open;
            if (!empty)
                ++open;
            if (!sawRoot) {
                if (wcscmp(name, L"gpx") != 0)
                    return VZ_E_TRACK_UNREADABLE;
                sawRoot = true;
                rootClosed = empty;
                break;
            }
            if (pending.active) {
                if (depth == pending.depth + 1 && !empty) {
                    if (wcscmp(name, L"time") == 0)
                        pending.child = PendingPoint::Time;
                    else if (wcscmp(name, L"ele") == 0)
                        pending.child = PendingPoint::Elevation;
                }
                break;
            }
            // Waypoints with a time are fixes as well (ExifTool takes them).
            bool isPoint = (wcscmp(name, L"trkpt") == 0 && trksegDepth != kUnset && depth == trksegDepth + 1) ||
                           (wcscmp(name, L"rtept") == 0 && rteDepth != kUnset && depth == rteDepth + 1) ||
                           (wcscmp(name, L"wpt") == 0 && depth == 1);
            if (isPoint) {
                if (++points > kMaxTrackPoints)
                    return VZ_E_TRACK_UNREADABLE;
                // A point without children has no time.
                if (!empty)
                    BeginPoint(reader, depth, &pending);
            } else if (!empty && wcscmp(name, L"trkseg") == 0 && depth == 2) {
                trksegDepth = depth;
            } else if (!empty && wcscmp(name, L"rte") == 0 && depth == 1) {
                rteDepth = depth;
            }
            break;
        }
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace:
            if (pending.active)
                GatherText(reader, &pending);
            break;
        case XmlNodeType_EndElement: {
            if (open == 0)
                return VZ_E_TRACK_UNREADABLE;
            UINT depth = --open;
            if (open == 0)
                rootClosed = true;
            if (pending.active) {
                if (depth == pending.depth + 1) {
                    TakeChildText(&pending);
                } else if (depth == pending.depth) {
                    pending.active = false;
                    if (pending.valid && pending.hasTime) {
                        HRESULT added = track->Add(pending.point);
                        if (FAILED(added))
                            return added;
                    }
                }
            } else if (depth == trksegDepth) {
                trksegDepth = kUnset;
            } else if (depth == rteDepth) {
                rteDepth = kUnset;
            }
            break;
        }
        default:
            break;
        }
    }
    if (hr == E_OUTOFMEMORY)
        return hr;
    if (input.Cancelled())
        return VZ_E_CANCELLED;
    // What follows the root element is no part of the track (and the
    // stream's "<" at the end is there).
    if (sawRoot && rootClosed)
        return S_OK;
    if (!stuck && SUCCEEDED(hr))
        return !sawRoot ? VZ_E_TRACK_UNREADABLE : open > 0 ? VZ_S_TRACK_INCOMPLETE : S_OK;
    // A file a logger is still writing ends inside an element: the points
    // that ended before the cut count. Any other error refuses the file.
    GpxPlace place = stuck ? last : PlaceOf(reader);
    if (sawRoot && open > 0 && (stuck || IsCutOffError(hr)) && AtTheEnd(input, place))
        return VZ_S_TRACK_INCOMPLETE;
    // The place is worth telling in a GPX document; a file that is no XML
    // at all is simply no track.
    if (sawRoot)
        *errorPlace = place;
    return VZ_E_TRACK_UNREADABLE;
}

HRESULT CreateReader(HMODULE xmllite, IXmlReader** reader)
{
    CreateXmlReaderFunction create =
        reinterpret_cast<CreateXmlReaderFunction>(reinterpret_cast<void*>(GetProcAddress(xmllite, "CreateXmlReader")));
    if (!create)
        return HRESULT_FROM_WIN32(GetLastError());
    HRESULT hr = create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader), nullptr);
    if (FAILED(hr))
        return hr;
    // No DTD: no entities to expand, no external files to fetch.
    hr = (*reader)->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (SUCCEEDED(hr))
        hr = (*reader)->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxTrackElementDepth);
    if (SUCCEEDED(hr))
        hr = (*reader)->SetProperty(XmlReaderProperty_XmlResolver, 0);
    return hr;
}

// Loads xmllite.dll from the system folder only, never from the folder of
// the program that loaded the extension or the current folder.
HMODULE LoadXmlLite()
{
    HMODULE module = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems without the search flags: the full path of the system
        // folder's copy.
        wchar_t path[MAX_PATH];
        UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + 13 >= MAX_PATH)
            return nullptr;
        wcscpy(path + length, L"\\xmllite.dll");
        module = LoadLibraryW(path);
    }
    return module;
}

HRESULT ReadGpx(IStream* stream, ULONGLONG expected, GpsTrack* track, WorkProgress* progress, GpxPlace* errorPlace)
{
    LoadedLibrary xmllite(LoadXmlLite());
    if (!xmllite.Get())
        return HRESULT_FROM_WIN32(GetLastError());
    std::unique_ptr<char[]> block(new (std::nothrow) char[BoundedStream::kBlockBytes]);
    if (!block)
        return E_OUTOFMEMORY;

    BoundedStream bounded(stream, expected, progress, block.get());
    GpxPlace place;
    HRESULT hr;
    {
        ComRef<IXmlReader> reader;
        hr = CreateReader(xmllite.Get(), reader.Put());
        if (SUCCEEDED(hr))
            hr = reader->SetInput(static_cast<ISequentialStream*>(&bounded));
        if (SUCCEEDED(hr))
            hr = ReadPoints(reader.Get(), bounded, track, &place);
        if (bounded.LimitReached())
            hr = VZ_E_TRACK_UNREADABLE;
        else if (bounded.Cancelled())
            hr = VZ_E_CANCELLED;
    }
    if (SUCCEEDED(hr)) {
        HRESULT finished = track->Finish();
        if (FAILED(finished))
            hr = finished;
        else if (track->Count() == 0)
            hr = VZ_E_TRACK_EMPTY;
    }
    if (FAILED(hr))
        track->Clear();
    if (hr == VZ_E_TRACK_UNREADABLE && errorPlace && !bounded.LimitReached())
        *errorPlace = place;
    return hr;
}

}  // namespace

HRESULT ReadGpxStream(IStream* stream, GpsTrack* track)
{
    if (!stream || !track)
        return E_INVALIDARG;
    track->Clear();
    return ReadGpx(stream, 0, track, nullptr, nullptr);
}

HRESULT ReadGpxFile(const wchar_t* path, GpsTrack* track, WorkProgress* progress, GpxPlace* errorPlace)
{
    if (errorPlace)
        *errorPlace = GpxPlace();
    if (!path || !track)
        return E_INVALIDARG;
    track->Clear();
    // Shared with every other use: a logger may still be writing the track,
    // and the bounded stream holds whatever it grows to meanwhile.
    ComRef<IStream> stream;
    HRESULT hr = SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_NONE, FILE_ATTRIBUTE_NORMAL, FALSE,
                                        nullptr, stream.Put());
    if (FAILED(hr))
        return hr;
    // A file known to be too large is refused before a byte is parsed.
    STATSTG stat = {};
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart > kMaxTrackFileBytes)
        return VZ_E_TRACK_UNREADABLE;
    return ReadGpx(stream.Get(), stat.cbSize.QuadPart, track, progress, errorPlace);
}
