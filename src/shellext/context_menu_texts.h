// What the context menu shows: the texts and help texts of its items.
#pragma once
#include "product_identity.h"

const wchar_t kSubmenuText[] = VZ_PRODUCT_NAME_W;
const wchar_t kSubmenuHelp[] = VZ_PRODUCT_NAME_W L" options for linking photos to locations.";
const wchar_t kShowLocationText[] = L"Show location in Google Earth";
const wchar_t kShowLocationHelp[] = L"Activates Google Earth and 'flies' to the selected image file's location.";
const wchar_t kGetLocationText[] = L"Get location from Google Earth";
const wchar_t kGetLocationHelp[] =
    L"Gets the current location from Google Earth and inserts it into the selected image file(s).";
const wchar_t kEditLocationText[] = L"Edit location manually";
const wchar_t kEditLocationHelp[] = L"Lets you edit the selected image file's location coordinates.";
const wchar_t kAboutText[] = L"About " VZ_PRODUCT_NAME_W;
const wchar_t kAboutHelp[] = L"Provides information about the " VZ_PRODUCT_NAME_W L" tool.";
const wchar_t kGeotagText[] = L"Geotag from GPS track";
const wchar_t kGeotagHelp[] =
    L"Matches the selected image files' times against the selected GPS track and inserts the positions into them.";
