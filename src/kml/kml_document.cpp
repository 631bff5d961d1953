#include "kml/kml_document.h"

#include <cmath>
#include <cwchar>
#include <memory>
#include <new>

#include "exif/photo_reader.h"
#include "kml/base64.h"
#include "kml/kml_files.h"
#include "kml/kml_preview.h"
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

// picture: the image the description shows, or null for none.
HRESULT FormatPlacemarkTexts(const wchar_t* path, const wchar_t* picture, int width, int height,
                             const GeoPosition& position, PlacemarkTexts& texts)
{
    const double latitude = position.latitude;
    const double longitude = position.longitude;
    const double altitude = position.altitude;
    const double heading = position.heading;
    double latitudeDegrees = latitude * kKmlDegreesPerRadian;
    double longitudeDegrees = longitude * kKmlDegreesPerRadian;
    double headingDegrees = heading * kKmlDegreesPerRadian;

    wchar_t date[kKmlDateCapacity];
    FormatToday(date);
    FormatBoundedW(texts.name, kPlacemarkNameCapacity, kPlacemarkNameFormat, FileNamePart(path));
    if (picture)
        FormatBoundedW(texts.description, kPlacemarkTextCapacity, kPlacemarkTextFormat, path, picture, width, height,
                       date);
    else
        FormatBoundedW(texts.description, kPlacemarkTextCapacity, kPlacemarkTextNoPictureFormat, path, date);
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

HRESULT AddPhotoPlacemark(XmlNode* parent, const wchar_t* path, const wchar_t* previewPath)
{
    if (parent == nullptr || path == nullptr)
        return E_INVALIDARG;

    std::unique_ptr<PhotoReader> photo(new (std::nothrow) PhotoReader());
    if (!photo)
        return E_OUTOFMEMORY;
    photo->Open(path);
    int width = 0;
    int height = 0;
    PhotoDisplaySize(photo->FrameWidth(), photo->FrameHeight(), &width, &height);
    GeoPosition position;
    HRESULT hr = photo->ReadPosition(&position);
    if (FAILED(hr))
        return hr;

    // A JPEG or HEIF photo is shown from its own file; a raw file by the
    // JPEG preview it embeds, copied beside the KML file.
    const wchar_t* picture = path;
    if (photo->IsRaw())
        picture = previewPath && SUCCEEDED(CopyRawPreview(photo->Path(), photo->Raw(), previewPath)) ? previewPath
                                                                                                    : nullptr;
    PlacemarkTexts texts;
    hr = FormatPlacemarkTexts(path, picture, width, height, position, texts);
    if (SUCCEEDED(hr))
        hr = AddPlacemarkElements(parent, texts);
    return hr;
}

XmlDocument* BuildKmlDocument(const ImageSelection& selection, const wchar_t* kmlPath)
{
    // The preview of the photo at index, beside the KML file.
    wchar_t preview[kKmlPathCapacity];
    auto previewAt = [&](int index) -> const wchar_t* {
        return kmlPath && SUCCEEDED(MakePreviewFileName(kmlPath, index, preview)) ? preview : nullptr;
    };
    XmlDocument* document = CreateXmlDocument(kKmlRootName, nullptr);
    if (document == nullptr || document->root == nullptr) {
        ReleaseDocument(document);
        return nullptr;
    }
    XmlNode* root = document->root;
    HRESULT hr = SetAttribute(root, kKmlNamespaceAttribute, kKmlNamespace);

    if (SUCCEEDED(hr) && selection.Count() == 1) {
        AddPhotoPlacemark(root, selection.PathAt(0), previewAt(0));
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
            AddPhotoPlacemark(folder, selection.PathAt(i), previewAt(i));
    }
    if (FAILED(hr)) {
        ReleaseDocument(document);
        return nullptr;
    }
    return document;
}
