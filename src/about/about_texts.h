// Texts of the About box that the user sees, and the pages it opens.
#pragma once
#include "product_identity.h"

const wchar_t kAboutEarthAvailable[] = L"Google Earth is available on your computer!";
const wchar_t kAboutEarthNotAvailable[] = L"Google Earth is not available on your computer!";

// The main text: the product name, its version and the copyright line fill
// the first piece; the maker's host name goes between the last two.
const wchar_t kAboutTextHead[] = L"%hs %hs\n\n%hs\n";
const wchar_t kAboutTextTerms[] =
    L"All rights reserved. Free for private and commercial use.\n"
    L"Use at your own risk: keep copies of your photos.\n"
    L"\nRedistribution only unchanged and free of charge.";
const wchar_t kAboutTextViewer[] =
    L"\n\nThe 'Zerli' is just one of the Vantrelo 4.0 viewer's innovative features.\nCheck out ";
const wchar_t kAboutTextTail[] =
    L" for more information\nabout geocoding, image viewers, browsers, galleries,\nand panoramic pictures.";

const char kAboutCopyright[] = "Copyright (c) 2008-2026 " VZ_MAKER_NAME_A;

// Pages of the maker's web site, appended to its address.
const wchar_t kAboutToolPagePath[] = L"/en/VantreloZerli.php";
const wchar_t kAboutGpsPagePath[] = L"/en/Bg_Gps.php";
