// Photos for the KML tests: copies of the sample photos, with positions
// written by the photo engine where a test needs a particular place, and
// copies whose frame header claims another size.
#pragma once
#include <windows.h>
#include <string>

struct XmlDocument;

namespace kmltest {

// Sample photos with and without a GPS position.
extern const wchar_t kLocatedPhoto[];    // located.jpg, made by the build
extern const wchar_t kUnlocatedPhoto[];  // unlocated.jpg, made by the build

// Copies photo into folder as newName and stores the position (degrees,
// metres) with the photo engine. Empty on failure.
std::wstring LocatedCopy(const std::wstring& photo, const std::wstring& folder, const std::wstring& newName,
                         double latitude, double longitude, double altitude = 0.0, double heading = 0.0);

// Rewrites the frame header (the first SOFn segment) of a JPEG file to the
// given size. False when the file has none.
bool SetFrameSize(const std::wstring& path, unsigned width, unsigned height);

// Cuts a JPEG file just before its frame header, so that it keeps its Exif
// segment but has no frame size. False when the file has no frame header.
bool CutBeforeFrameHeader(const std::wstring& path);

// The user's short date for today, as the placemark texts carry it.
std::wstring TodayShortDate();

// Serialised document text without the byte-order mark; "<failed>" when
// the serialisation did not give S_OK.
std::wstring SerializedText(const ::XmlDocument* document);

}  // namespace kmltest
