#include "track/gpx_reader.h"

#include <shlwapi.h>
#include <xmllite.h>
#include <cwchar>
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
// whatever the file claims or grows to while it is read. Every read tells
// progress how far it has come of expected bytes, and ends the input when
// the reading is to stop.
class BoundedStream final : public ISequentialStream {
public:
    BoundedStream(IStream* inner, ULONGLONG expected, WorkProgress* progress)
        : m_inner(inner), m_expected(expected), m_progress(progress)
    {
    }

    bool LimitReached() const { return m_limitReached; }
    bool Cancelled() const { return m_cancelled; }
    // The inner stream has given all it holds.
    bool EndReached() const { return m_endReached; }

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
        if (m_cancelled) {
            if (read)
                *read = 0;
            return S_OK;
        }
        ULONG got = 0;
        HRESULT hr = m_inner->Read(buffer, size, &got);
        if (read)
            *read = got;
        if (FAILED(hr))
            return hr;
        // At the end, one "<" more: a file cut inside a text then ends
        // inside a tag, which the reader reports (Wine's reader never
        // returns from a text that runs into the end of its input). After a
        // whole document the "<" is ignored (see ReadPoints).
        if (got < size && !m_endReached) {
            m_endReached = true;
            static_cast<char*>(buffer)[got++] = '<';
            if (read)
                *read = got;
        }
        m_total += got;
        if (m_total > kMaxTrackFileBytes) {
            m_limitReached = true;
            if (read)
                *read = 0;
            return STG_E_MEDIUMFULL;
        }
        // Told to stop: the input ends here as a cut-off file ends, in a
        // tag, which every reader reports (a failed read makes Wine's read
        // once more, and in a text loop for ever).
        if (got > 0 && m_progress && !m_progress->Continue(m_total, m_expected)) {
            m_cancelled = true;
            static_cast<char*>(buffer)[0] = '<';
            if (read)
                *read = 1;
        }
        return hr;
    }
    IFACEMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

private:
    IStream* m_inner;
    ULONGLONG m_expected;
    WorkProgress* m_progress;
    ULONGLONG m_total = 0;
    bool m_limitReached = false;
    bool m_cancelled = false;
    bool m_endReached = false;
};

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
HRESULT ReadPoints(IXmlReader* reader, const BoundedStream& input, GpsTrack* track)
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
    while ((hr = reader->Read(&type)) == S_OK) {
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
    if (!sawRoot)
        return VZ_E_TRACK_UNREADABLE;
    // What follows the root element is no part of the track (and the
    // stream's "<" at the end is there).
    if (rootClosed)
        return S_OK;
    // A file a logger is still writing ends inside an element: the points
    // that ended before the cut count.
    if ((hr == S_FALSE && open > 0) || (input.EndReached() && !input.LimitReached() && IsCutOffError(hr)))
        return VZ_S_TRACK_INCOMPLETE;
    return FAILED(hr) ? VZ_E_TRACK_UNREADABLE : S_OK;
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

HRESULT ReadGpx(IStream* stream, ULONGLONG expected, GpsTrack* track, WorkProgress* progress)
{
    LoadedLibrary xmllite(LoadXmlLite());
    if (!xmllite.Get())
        return HRESULT_FROM_WIN32(GetLastError());

    BoundedStream bounded(stream, expected, progress);
    HRESULT hr;
    {
        ComRef<IXmlReader> reader;
        hr = CreateReader(xmllite.Get(), reader.Put());
        if (SUCCEEDED(hr))
            hr = reader->SetInput(static_cast<ISequentialStream*>(&bounded));
        if (SUCCEEDED(hr))
            hr = ReadPoints(reader.Get(), bounded, track);
        if (bounded.LimitReached())
            hr = VZ_E_TRACK_UNREADABLE;
        else if (bounded.Cancelled())
            hr = VZ_E_CANCELLED;
    }
    if (SUCCEEDED(hr)) {
        track->Finish();
        if (track->Count() == 0)
            hr = VZ_E_TRACK_EMPTY;
    }
    if (FAILED(hr))
        track->Clear();
    return hr;
}

}  // namespace

HRESULT ReadGpxStream(IStream* stream, GpsTrack* track)
{
    if (!stream || !track)
        return E_INVALIDARG;
    track->Clear();
    return ReadGpx(stream, 0, track, nullptr);
}

HRESULT ReadGpxFile(const wchar_t* path, GpsTrack* track, WorkProgress* progress)
{
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
    return ReadGpx(stream.Get(), stat.cbSize.QuadPart, track, progress);
}
