// The GPS position of an ExifBlock: reading it from the GPS directory,
// storing it as Exif 2.2 GPS tags, removing it.
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "exif/exif_block.h"

namespace {

// True when a reference tag holds exactly the text "T" (true north).
bool IsTrueNorth(const IfdEntry* reference)
{
    if (reference->Type() != TiffAscii)
        return false;
    const uint8_t* first = reference->ValueBytes(0);
    const uint8_t* second = reference->ValueBytes(1);
    return first && first[0] == 'T' && (!second || second[0] == 0);
}

// A number read from a tag that is not finite counts as none.
double FiniteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

// value truncated toward zero, when it is finite and fits 32 signed bits.
bool TruncateTo32(double value, int32_t* result)
{
    if (!std::isfinite(value))
        return false;
    double whole = std::trunc(value);
    if (whole < -2147483648.0 || whole > 2147483647.0)
        return false;
    *result = static_cast<int32_t>(whole);
    return true;
}

// The positions tags, in the order RemovePosition takes them away.
const uint16_t kPositionTags[] = {
    kTagGpsVersionId, kTagGpsLatitudeRef, kTagGpsLatitude, kTagGpsLongitudeRef, kTagGpsLongitude,
    kTagGpsAltitudeRef, kTagGpsAltitude, kTagGpsImgDirectionRef, kTagGpsImgDirection,
    kTagGpsTrackRef, kTagGpsTrack,
};

// The tags geotagging writes or removes.
const uint16_t kFixTags[] = {
    kTagGpsVersionId, kTagGpsLatitudeRef, kTagGpsLatitude, kTagGpsLongitudeRef, kTagGpsLongitude,
    kTagGpsAltitudeRef, kTagGpsAltitude, kTagGpsTimeStamp, kTagGpsDateStamp,
};

// True when the tree has a GPS directory with at least one entry.
bool HasGpsDirectory(const IfdDirectory* root)
{
    const IfdEntry* pointer = root ? root->FindEntry(Ifd0, kTagGpsPointer, false) : nullptr;
    return pointer && pointer->SubDirectory() && pointer->SubDirectory()->EntryCount() > 0;
}

// A GPS tag that holds a value: an entry of count 0, kept as the photo
// had it, holds none.
const IfdEntry* GpsValue(const IfdDirectory* root, uint16_t tag)
{
    const IfdEntry* entry = root->FindEntry(GpsIfd, tag, true);
    return entry && entry->Count() > 0 ? entry : nullptr;
}

// A coordinate with a part of denominator 0 (0/0: cameras fill the GPS
// tags so when they have no fix) is no number at all, as ExifTool reads it.
bool IsUndefinedCoordinate(const IfdEntry* value)
{
    if (value->Type() != TiffRational && value->Type() != TiffSRational)
        return false;
    for (uint32_t i = 0; i < value->Count() && i < 3; ++i) {
        const uint8_t* part = value->ValueBytes(i);
        uint32_t denominator = 0;
        if (part && ReadU32(part, 8, 4, value->BigEndian(), &denominator) && denominator == 0)
            return true;
    }
    return false;
}

// A date of the years 1 to 9999 and a time of day (no leap second).
bool IsFixTime(const GpsFixTime& t)
{
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
           t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

// "YYYY:MM:DD", as GPSDateStamp holds the date.
void FormatFixDate(const GpsFixTime& t, wchar_t (&date)[11])
{
    const int fields[3] = {t.year, t.month, t.day};
    const int widths[3] = {4, 2, 2};
    int at = 0;
    for (int f = 0; f < 3; ++f) {
        if (f > 0)
            date[at++] = L':';
        for (int w = widths[f] - 1, value = fields[f]; w >= 0; --w, value /= 10)
            date[at + w] = static_cast<wchar_t>(L'0' + value % 10);
        at += widths[f];
    }
    date[at] = L'\0';
}

}  // namespace

HRESULT ExifBlock::ReadPosition(double* latitude, double* longitude, double* altitude, double* heading) const
{
    for (double* out : {latitude, longitude, altitude, heading}) {
        if (out)
            *out = 0.0;
    }
    if (!IsPhoto() || !m_root)
        return E_FAIL;

    const IfdEntry* value = GpsValue(m_root.get(), kTagGpsLatitude);
    const IfdEntry* reference = GpsValue(m_root.get(), kTagGpsLatitudeRef);
    if (!value || !reference || IsUndefinedCoordinate(value))
        return E_FAIL;
    char letter[2];
    double angle = 0.0;
    if (latitude) {
        if (FAILED(value->GetDmsRadians(&angle)) || FAILED(reference->GetFirstChar(letter)))
            return E_FAIL;
        angle = angle < 0.0 ? 0.0 : (angle > kHalfPi ? kHalfPi : angle);
        *latitude = letter[0] == 'S' ? -angle : angle;
    }

    value = GpsValue(m_root.get(), kTagGpsLongitude);
    reference = GpsValue(m_root.get(), kTagGpsLongitudeRef);
    if (!value || !reference || IsUndefinedCoordinate(value))
        return E_FAIL;
    if (longitude) {
        if (FAILED(value->GetDmsRadians(&angle)) || FAILED(reference->GetFirstChar(letter)))
            return E_FAIL;
        angle = angle < 0.0 ? 0.0 : (angle > kPi ? kPi : angle);
        *longitude = letter[0] == 'W' ? -angle : angle;
    }

    if (altitude) {
        if (const IfdEntry* height = GpsValue(m_root.get(), kTagGpsAltitude)) {
            *altitude = FiniteOrZero(height->GetNumber(0));
            if (const IfdEntry* below = GpsValue(m_root.get(), kTagGpsAltitudeRef)) {
                *altitude = std::fabs(*altitude);
                if (below->GetInteger(0) == 1)
                    *altitude = -*altitude;
            }
        }
    }

    if (heading) {
        // The direction of the image comes first, the direction of travel
        // second; each only when it is relative to true north.
        const IfdEntry* direction = GpsValue(m_root.get(), kTagGpsImgDirection);
        const IfdEntry* directionRef = GpsValue(m_root.get(), kTagGpsImgDirectionRef);
        const IfdEntry* track = GpsValue(m_root.get(), kTagGpsTrack);
        const IfdEntry* trackRef = GpsValue(m_root.get(), kTagGpsTrackRef);
        if ((!directionRef || IsTrueNorth(directionRef)) && direction)
            *heading = FiniteOrZero(direction->GetNumber(0)) * kRadiansPerDegree;
        else if ((!trackRef || IsTrueNorth(trackRef)) && track)
            *heading = FiniteOrZero(track->GetNumber(0)) * kRadiansPerDegree;
    }
    return S_OK;
}

HRESULT ExifBlock::StorePosition(double latitude, double longitude, double altitude, double heading)
{
    if (!IsPhoto())
        return E_FAIL;
    // Every number is checked before anything changes.
    int32_t centimetres = 0, degrees = 0;
    if (!std::isfinite(latitude) || !std::isfinite(longitude) ||
        !TruncateTo32(std::fabs(altitude) * 100.0, &centimetres) ||
        !TruncateTo32(std::floor(heading / kPi * 180.0 + 0.5), &degrees))
        return E_INVALIDARG;

    // A damaged directory may hold a tag twice; a later copy would keep a
    // stale value (a stale reference would even hide the new heading).
    if (m_root) {
        for (uint16_t tag : kPositionTags)
            m_root->RemoveRepeatedEntries(GpsIfd, tag);
    }
    static const int32_t kVersion[4] = {2, 2, 0, 0};
    IfdEntry* entry = GetOrCreateEntry(GpsIfd, kTagGpsVersionId);
    HRESULT hr = entry ? entry->SetIntegers(TiffByte, 4, kVersion) : E_FAIL;
    if (SUCCEEDED(hr))
        hr = SetCoordinate(GpsIfd, kTagGpsLatitudeRef, kTagGpsLatitude, latitude, false);
    if (SUCCEEDED(hr))
        hr = SetCoordinate(GpsIfd, kTagGpsLongitudeRef, kTagGpsLongitude, longitude, true);
    if (SUCCEEDED(hr))
        hr = SetAltitude(centimetres, altitude < 0.0);
    // Whole degrees, rounded half up (also below zero, where a truncation
    // would round toward zero); both directions relative to true north.
    const int32_t one = 1;
    if (SUCCEEDED(hr)) {
        m_root->RemoveEntry(GpsIfd, kTagGpsTrackRef);
        entry = GetOrCreateEntry(GpsIfd, kTagGpsTrack);
        hr = entry ? entry->SetRationals(TiffSRational, 1, &degrees, &one) : E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        m_root->RemoveEntry(GpsIfd, kTagGpsImgDirectionRef);
        entry = GetOrCreateEntry(GpsIfd, kTagGpsImgDirection);
        hr = entry ? entry->SetRationals(TiffSRational, 1, &degrees, &one) : E_FAIL;
    }
    return SUCCEEDED(hr) ? S_OK : (hr == E_OUTOFMEMORY ? hr : E_FAIL);
}

HRESULT ExifBlock::SetAltitude(int32_t centimetres, bool below)
{
    // Centimetres, truncated toward zero; the reference tells the sign.
    const int32_t hundred = 100;
    IfdEntry* entry = GetOrCreateEntry(GpsIfd, kTagGpsAltitude);
    HRESULT hr = entry ? entry->SetRationals(TiffSRational, 1, &centimetres, &hundred) : E_FAIL;
    const int32_t reference = below ? 1 : 0;
    entry = SUCCEEDED(hr) ? GetOrCreateEntry(GpsIfd, kTagGpsAltitudeRef) : nullptr;
    return entry ? entry->SetIntegers(TiffByte, 1, &reference) : E_FAIL;
}

HRESULT ExifBlock::StoreFix(double latitude, double longitude, const double* altitude, const GpsFixTime& utc)
{
    if (!IsPhoto())
        return E_FAIL;
    int32_t centimetres = 0;
    if (!std::isfinite(latitude) || !std::isfinite(longitude) ||
        (altitude && !TruncateTo32(std::fabs(*altitude) * 100.0, &centimetres)) || !IsFixTime(utc))
        return E_INVALIDARG;

    if (m_root) {
        for (uint16_t tag : kFixTags)
            m_root->RemoveRepeatedEntries(GpsIfd, tag);
    }
    // Only a new GPS directory gets a version (the one the other commands
    // write); the directory of a photo stays as it is, with or without one.
    HRESULT hr = S_OK;
    if (!HasGpsDirectory(m_root.get())) {
        static const int32_t kVersion[4] = {2, 2, 0, 0};
        IfdEntry* entry = GetOrCreateEntry(GpsIfd, kTagGpsVersionId);
        hr = entry ? entry->SetIntegers(TiffByte, 4, kVersion) : E_FAIL;
    }
    if (SUCCEEDED(hr))
        hr = SetCoordinate(GpsIfd, kTagGpsLatitudeRef, kTagGpsLatitude, latitude, false);
    if (SUCCEEDED(hr))
        hr = SetCoordinate(GpsIfd, kTagGpsLongitudeRef, kTagGpsLongitude, longitude, true);
    if (SUCCEEDED(hr) && altitude) {
        hr = SetAltitude(centimetres, *altitude < 0.0);
    } else if (SUCCEEDED(hr)) {
        // An altitude of another place (or another time) would pass for this one's.
        m_root->RemoveEntry(GpsIfd, kTagGpsAltitudeRef);
        m_root->RemoveEntry(GpsIfd, kTagGpsAltitude);
    }
    if (SUCCEEDED(hr)) {
        const int32_t clock[3] = {utc.hour, utc.minute, utc.second};
        const int32_t ones[3] = {1, 1, 1};
        IfdEntry* entry = GetOrCreateEntry(GpsIfd, kTagGpsTimeStamp);
        hr = entry ? entry->SetRationals(TiffRational, 3, clock, ones) : E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        wchar_t date[11];
        FormatFixDate(utc, date);
        hr = SetTextTag(GpsIfd, kTagGpsDateStamp, date);
    }
    return SUCCEEDED(hr) ? S_OK : (hr == E_OUTOFMEMORY ? hr : E_FAIL);
}

void ExifBlock::RemovePosition()
{
    if (!m_root)
        return;
    // Every copy of a tag goes, also where a damaged directory repeats it.
    for (uint16_t tag : kPositionTags) {
        while (SUCCEEDED(m_root->RemoveEntry(GpsIfd, tag))) {
        }
    }
}

HRESULT ExifBlock::SetCoordinate(IfdKind kind, uint16_t refTag, uint16_t valueTag, double angle, bool isLongitude)
{
    if (!IsPhoto())
        return E_FAIL;
    if (!std::isfinite(angle))
        return E_INVALIDARG;
    const double limit = isLongitude ? kPi : kHalfPi;
    const wchar_t* letter = angle < 0.0 ? (isLongitude ? L"W" : L"S") : (isLongitude ? L"E" : L"N");
    double a = std::fabs(angle);
    if (a > limit)
        a = limit;
    // Degrees, minutes and hundredths of seconds; 60.00 seconds stay as
    // they are (no carry into the minutes).
    const double d = a * kDegreesPerRadian;
    const int64_t deg = static_cast<int64_t>(d);
    const double m = (d - static_cast<double>(deg)) * 60.0;
    const int64_t min = static_cast<int64_t>(m);
    const int64_t sec100 = static_cast<int64_t>((m - static_cast<double>(min)) * 6000.0 + 0.5);

    if (FAILED(SetTextTag(kind, refTag, letter)))
        return E_FAIL;
    IfdEntry* entry = GetOrCreateEntry(kind, valueTag);
    if (!entry)
        return E_FAIL;
    const int32_t numerators[3] = {static_cast<int32_t>(deg), static_cast<int32_t>(min), static_cast<int32_t>(sec100)};
    const int32_t denominators[3] = {1, 1, 100};
    return entry->SetRationals(TiffRational, 3, numerators, denominators);
}

HRESULT ExifBlock::SetTextTag(IfdKind kind, uint16_t tag, const wchar_t* text)
{
    if (!IsPhoto())
        return E_FAIL;
    if (!text || !text[0])
        return m_root ? m_root->RemoveEntry(kind, tag) : S_FALSE;
    IfdEntry* entry = GetOrCreateEntry(kind, tag);
    if (!entry)
        return E_FAIL;
    return entry->SetText(text);
}

IfdEntry* ExifBlock::GetOrCreateEntry(IfdKind kind, uint16_t tag)
{
    if (!IsPhoto())
        return nullptr;
    if (!m_root) {
        // A photo without Exif gets a new little-endian tree.
        m_root.reset(IfdDirectory::Create(Ifd0, false));
        if (!m_root)
            return nullptr;
    }
    return m_root->GetOrCreateEntry(kind, tag);
}
