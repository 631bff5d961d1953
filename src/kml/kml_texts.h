// The fixed texts of the KML documents and of their temporary files.
#pragma once
#include <windows.h>

#include "product_identity.h"

const wchar_t kKmlRootName[] = L"kml";
const wchar_t kKmlNamespaceAttribute[] = L"xmlns";
const wchar_t kKmlNamespace[] = L"http://www.opengis.net/kml/2.2";

const wchar_t kKmlFolderName[] = L"New Images";
// Piece 1 of the folder text (a format taking the date), then the maker's
// site, then piece 3.
const wchar_t kKmlFolderTextFormat[] = L"Folder created %ls with <a href=\"";
const wchar_t kKmlFolderTextEnd[] = L"\">" VZ_PRODUCT_NAME_W L"</a>";

const wchar_t kPlacemarkNameFormat[] = L"Image - %ls";
// Piece 1 of the placemark text: path, path, display width, display height,
// date; then the maker's site, then piece 3.
const wchar_t kPlacemarkTextFormat[] =
    L"<p>%ls</p><p><img src=\"%ls\" width=\"%d\" height=\"%d\"></p><p>Placemark created %ls with <a href=\"";
const wchar_t kPlacemarkTextEnd[] = L"\">" VZ_PRODUCT_NAME_W L"</a></p>";
// Piece 1 for a photo without a picture (a raw file without a JPEG
// preview): path, date.
const wchar_t kPlacemarkTextNoPictureFormat[] = L"<p>%ls</p><p>Placemark created %ls with <a href=\"";

const wchar_t kLookAtRange[] = L"800";
const wchar_t kLookAtTilt[] = L"0.0";
const wchar_t kDegreesFormat[] = L"%f";
const wchar_t kCoordinatesFormat[] = L"%f,%f,%.0f";

// The placemark icon: the maker's site, then this path with the Base64 form
// of kPlacemarkIconId.
const wchar_t kPlacemarkIconFormat[] = L"%ls/Placemark_VZ.php?id=%hs";
const char kPlacemarkIconId[] = "VZ_" VZ_FILE_VERSION_A;

// Temporary KML files: the temporary folder (ending in a backslash), then
// the tick count in eight lower-case hexadecimal digits.
const wchar_t kKmlFileNameFormat[] = L"%lsVantreloZerli%08lx.kml";
const wchar_t kKmlFilePatternFormat[] = L"%lsVantreloZerli*.kml";
// The JPEG preview of a raw file, beside its KML file: the KML file's path
// without ".kml", then the photo's place in the selection.
const wchar_t kPreviewFileNameFormat[] = L"%ls-%d.jpg";
const wchar_t kPreviewFilePatternFormat[] = L"%lsVantreloZerli*.jpg";
