#include "kml/kml_photos.h"

#include <oleauto.h>
#include <string>

#include "exif/exif_block.h"
#include "kml/xml_serializer.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace kmltest {

const wchar_t kLocatedPhoto[] = L"located.jpg";
const wchar_t kUnlocatedPhoto[] = L"unlocated.jpg";

namespace {

const double kRadiansPerDegreeForTests = 3.141592653589793 / 180.0;

bool IsFrameHeader(unsigned char code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Offset of the first frame header marker, or npos.
size_t FindFrameHeader(const std::string& bytes)
{
    size_t p = 2;
    while (p + 4 <= bytes.size()) {
        if (static_cast<unsigned char>(bytes[p]) != 0xFF)
            return std::string::npos;
        unsigned char code = static_cast<unsigned char>(bytes[p + 1]);
        if (code == 0xFF) {
            ++p;
            continue;
        }
        if (IsFrameHeader(code))
            return p;
        if (code == 0xDA)
            return std::string::npos;
        size_t length = static_cast<unsigned char>(bytes[p + 2]) * 256u + static_cast<unsigned char>(bytes[p + 3]);
        p += 2 + length;
    }
    return std::string::npos;
}

}  // namespace

std::wstring LocatedCopy(const std::wstring& photo, const std::wstring& folder, const std::wstring& newName,
                         double latitude, double longitude, double altitude, double heading)
{
    std::wstring path = vztest::CopyPhoto(photo, folder, newName);
    if (path.empty())
        return path;
    ExifBlock block;
    block.Open(path.c_str());
    if (FAILED(block.StorePosition(latitude * kRadiansPerDegreeForTests, longitude * kRadiansPerDegreeForTests,
                                   altitude, heading * kRadiansPerDegreeForTests)) ||
        FAILED(block.WriteToFile()))
        return std::wstring();
    return path;
}

bool SetFrameSize(const std::wstring& path, unsigned width, unsigned height)
{
    std::string bytes = vztest::ReadFileBytes(path);
    size_t p = FindFrameHeader(bytes);
    if (p == std::string::npos || p + 9 > bytes.size())
        return false;
    bytes[p + 5] = static_cast<char>(height >> 8);
    bytes[p + 6] = static_cast<char>(height & 0xFF);
    bytes[p + 7] = static_cast<char>(width >> 8);
    bytes[p + 8] = static_cast<char>(width & 0xFF);
    return vztest::WriteFileBytes(path, bytes);
}

bool CutBeforeFrameHeader(const std::wstring& path)
{
    std::string bytes = vztest::ReadFileBytes(path);
    size_t p = FindFrameHeader(bytes);
    if (p == std::string::npos)
        return false;
    return vztest::WriteFileBytes(path, bytes.substr(0, p));
}

std::wstring TodayShortDate()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[64];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 64) == 0)
        return std::wstring();
    return date;
}

std::wstring SerializedText(const ::XmlDocument* document)
{
    BSTR text = nullptr;
    if (SerializeDocument(document, &text, false) != S_OK)
        return L"<failed>";
    std::wstring result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

}  // namespace kmltest
