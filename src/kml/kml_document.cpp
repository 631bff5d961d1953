#include "kml/kml_document.h"

#include <cmath>
#include <cwchar>

#include "exif/exif_block.h"
#include "kml/base64.h"
#include "kml/kml_texts.h"
#include "selection/image_selection.h"
#include "support/file_extension.h"
#include "support/text_bounded.h"

namespace {

// Degrees per radian as the KML numbers use it.
const double kKmlDegreesPerRadian = 180.0 / 3.141592653589793;
// Area of the photo in the description, in pixels.
const double kDisplayArea = 30000.0;
const int kFallbackDisplayWidth = 200;
const int kFallbackDisplayHeight = 150;

// Today in the user's short date format; empty when that fails.
void FormatToday(wchar_t (&date)[kKmlDateCapacity])
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, kKmlDateCapacity) == 0)
        date[0] = L'\0';
}

// Appends text to the one in buffer, cutting at capacity - 1 characters.
void AppendBounded(wchar_t* buffer, size_t capacity, const wchar_t* text)
{
    size_t used = std::wcslen(buffer);
    CopyTextBounded(buffer + used, text, capacity - used);
}

// Adds name with text below parent, passing on failure: the steps of a
// placemark run only while hr holds success.
void AddStep(HRESULT& hr, XmlNode* parent, const wchar_t* name, const wchar_t* text, XmlNode** child = nullptr)
{
    if (SUCCEEDED(hr))
        hr = AddChild(parent, name, text, child);
}

// "<site>/Placemark_VZ.php?id=<Base64 of the icon id>".
HRESULT FormatIconAddress(wchar_t (&address)[kKmlValueCapacity])
{
    char* id = Base64Encode(reinterpret_cast<const unsigned char*>(kPlacemarkIconId), sizeof(kPlacemarkIconId) - 1);
    if (id == nullptr)
        return E_OUTOFMEMORY;
    FormatBoundedW(address, kKmlValueCapacity, kPlacemarkIconFormat, VZ_MAKER_URL_W, id);
    ReleaseBase64Text(id);
    return S_OK;
}

struct PlacemarkTexts {
    wchar_t name[kPlacemarkNameCapacity];
    wchar_t description[kPlacemarkTextCapacity];
    wchar_t longitude[kKmlValueCapacity];
    wchar_t latitude[kKmlValueCapacity];
    wchar_t heading[kKmlValueCapacity];
    wchar_t icon[kKmlValueCapacity];
    wchar_t coordinates[kKmlValueCapacity];
};

HRESULT FormatPlacemarkTexts(const wchar_t* path, int width, int height, double latitude, double longitude,
                             double altitude, double heading, PlacemarkTexts& texts)
{
    double latitudeDegrees = latitude * kKmlDegreesPerRadian;
    double longitudeDegrees = longitude * kKmlDegreesPerRadian;
    double headingDegrees = heading * kKmlDegreesPerRadian;

    wchar_t date[kKmlDateCapacity];
    FormatToday(date);
    FormatBoundedW(texts.name, kPlacemarkNameCapacity, kPlacemarkNameFormat, FileNamePart(path));
    FormatBoundedW(texts.description, kPlacemarkTextCapacity, kPlacemarkTextFormat, path, path, width, height, date);
    AppendBounded(texts.description, kPlacemarkTextCapacity, VZ_MAKER_URL_W);
    AppendBounded(texts.description, kPlacemarkTextCapacity, kPlacemarkTextEnd);
    FormatBoundedW(texts.longitude, kKmlValueCapacity, kDegreesFormat, longitudeDegrees);
    FormatBoundedW(texts.latitude, kKmlValueCapacity, kDegreesFormat, latitudeDegrees);
    FormatBoundedW(texts.heading, kKmlValueCapacity, kDegreesFormat, headingDegrees);
    FormatBoundedW(texts.coordinates, kKmlValueCapacity, kCoordinatesFormat, longitudeDegrees, latitudeDegrees,
                   altitude);
    return FormatIconAddress(texts.icon);
}

// Placemark with name, description, LookAt, Style and Point below parent.
// The LookAt children follow the order of the KML 2.2 schema (tilt before
// range), which strict readers insist on.
HRESULT AddPlacemarkElements(XmlNode* parent, const PlacemarkTexts& texts)
{
    HRESULT hr = S_OK;
    XmlNode* placemark = nullptr;
    XmlNode* lookAt = nullptr;
    XmlNode* style = nullptr;
    XmlNode* iconStyle = nullptr;
    XmlNode* icon = nullptr;
    XmlNode* point = nullptr;
    AddStep(hr, parent, L"Placemark", nullptr, &placemark);
    AddStep(hr, placemark, L"name", texts.name);
    AddStep(hr, placemark, L"description", texts.description);
    AddStep(hr, placemark, L"LookAt", nullptr, &lookAt);
    AddStep(hr, lookAt, L"longitude", texts.longitude);
    AddStep(hr, lookAt, L"latitude", texts.latitude);
    AddStep(hr, lookAt, L"heading", texts.heading);
    AddStep(hr, lookAt, L"tilt", kLookAtTilt);
    AddStep(hr, lookAt, L"range", kLookAtRange);
    AddStep(hr, placemark, L"Style", nullptr, &style);
    AddStep(hr, style, L"IconStyle", nullptr, &iconStyle);
    AddStep(hr, iconStyle, L"Icon", nullptr, &icon);
    AddStep(hr, icon, L"href", texts.icon);
    AddStep(hr, placemark, L"Point", nullptr, &point);
    AddStep(hr, point, L"coordinates", texts.coordinates);
    return FAILED(hr) ? E_OUTOFMEMORY : S_OK;
}

}  // namespace

void PhotoDisplaySize(UINT frameWidth, UINT frameHeight, int* width, int* height)
{
    if (frameWidth == 0 || frameHeight == 0) {
        *width = kFallbackDisplayWidth;
        *height = kFallbackDisplayHeight;
        return;
    }
    int w = static_cast<int>(std::sqrt(kDisplayArea * frameWidth / frameHeight) + 0.5);
    if (w < 1)
        w = 1;
    *width = w;
    *height = static_cast<int>(kDisplayArea / w + 0.5);
}

HRESULT AddPhotoPlacemark(XmlNode* parent, const wchar_t* path)
{
    if (parent == nullptr || path == nullptr)
        return E_INVALIDARG;

    ExifBlock block;
    block.Open(path);
    int width = 0;
    int height = 0;
    PhotoDisplaySize(block.FrameWidth(), block.FrameHeight(), &width, &height);
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    double heading = 0.0;
    HRESULT hr = block.ReadPosition(&latitude, &longitude, &altitude, &heading);
    if (FAILED(hr))
        return hr;

    PlacemarkTexts texts;
    hr = FormatPlacemarkTexts(path, width, height, latitude, longitude, altitude, heading, texts);
    if (SUCCEEDED(hr))
        hr = AddPlacemarkElements(parent, texts);
    return hr;
}

XmlDocument* BuildKmlDocument(const ImageSelection& selection)
{
    XmlDocument* document = CreateXmlDocument(kKmlRootName, nullptr);
    if (document == nullptr || document->root == nullptr) {
        ReleaseDocument(document);
        return nullptr;
    }
    XmlNode* root = document->root;
    HRESULT hr = SetAttribute(root, kKmlNamespaceAttribute, kKmlNamespace);

    if (SUCCEEDED(hr) && selection.Count() == 1) {
        AddPhotoPlacemark(root, selection.PathAt(0));
    } else if (SUCCEEDED(hr)) {
        wchar_t date[kKmlDateCapacity];
        wchar_t folderText[kKmlFolderTextCapacity];
        FormatToday(date);
        FormatBoundedW(folderText, kKmlFolderTextCapacity, kKmlFolderTextFormat, date);
        AppendBounded(folderText, kKmlFolderTextCapacity, VZ_MAKER_URL_W);
        AppendBounded(folderText, kKmlFolderTextCapacity, kKmlFolderTextEnd);

        XmlNode* folder = nullptr;
        AddStep(hr, root, L"Folder", nullptr, &folder);
        AddStep(hr, folder, L"name", kKmlFolderName);
        AddStep(hr, folder, L"description", folderText);
        for (int i = 0; SUCCEEDED(hr) && i < selection.Count(); ++i)
            AddPhotoPlacemark(folder, selection.PathAt(i));
    }
    if (FAILED(hr)) {
        ReleaseDocument(document);
        return nullptr;
    }
    return document;
}
