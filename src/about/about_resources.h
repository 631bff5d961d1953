// Control numbers of the About box (dialog template 100) and the texts it
// shows. Included by the resource script, so the numbers are macros.
#pragma once

#define IDC_ABOUT_BACKGROUND    1000
#define IDC_ABOUT_EARTH_SYMBOL  1001
#define IDC_ABOUT_SLOGAN        1140
#define IDC_ABOUT_MAIN_TEXT     1141
#define IDC_ABOUT_EARTH_TEXT    1142
#define IDC_ABOUT_MAKER_PAGE    1200
#define IDC_ABOUT_TOOL_PAGE     1201
#define IDC_ABOUT_GPS_PAGE      1202

#ifndef RC_INVOKED

#include "product_identity.h"

#define VZ_ABOUT_EARTH_AVAILABLE     L"Google Earth is available on your computer!"
#define VZ_ABOUT_EARTH_NOT_AVAILABLE L"Google Earth is not available on your computer!"

// The main text: the product name, its version and the copyright line fill
// the first piece; the maker's host name goes between the last two.
#define VZ_ABOUT_TEXT_HEAD      L"%hs %hs\n\n%hs\n"
#define VZ_ABOUT_TEXT_TERMS     L"All rights reserved. Free for private and commercial use.\n" \
                                L"Use at your own risk: keep copies of your photos.\n" \
                                L"\nRedistribution only unchanged and free of charge."
#define VZ_ABOUT_TEXT_VIEWER    L"\n\nThe 'Zerli' is just one of the Vantrelo 4.0 viewer's innovative features.\nCheck out "
#define VZ_ABOUT_TEXT_TAIL      L" for more information\nabout geocoding, image viewers, browsers, galleries,\nand panoramic pictures."

#define VZ_ABOUT_COPYRIGHT      "Copyright (c) 2008-2026 " VZ_MAKER_NAME_A

// Pages of the maker's web site, appended to its address.
#define VZ_ABOUT_TOOL_PAGE_PATH L"/en/VantreloZerli.php"
#define VZ_ABOUT_GPS_PAGE_PATH  L"/en/Bg_Gps.php"

#endif
