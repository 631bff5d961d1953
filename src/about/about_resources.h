// Control numbers of the About box (dialog template 100). Included by the
// resource script, so the numbers are macros.
#pragma once

#define IDC_ABOUT_BACKGROUND    1000
#define IDC_ABOUT_EARTH_SYMBOL  1001
#define IDC_ABOUT_SLOGAN        1140
#define IDC_ABOUT_MAIN_TEXT     1141
#define IDC_ABOUT_EARTH_TEXT    1142
#define IDC_ABOUT_MAKER_PAGE    1200
#define IDC_ABOUT_TOOL_PAGE     1201
#define IDC_ABOUT_GPS_PAGE      1202

