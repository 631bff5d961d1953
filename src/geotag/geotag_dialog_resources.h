// Control numbers of the geotagging dialog (dialog template 120). Included
// by the resource script, so the numbers are macros; the command's texts are
// in geotag_texts.h.
#pragma once

#define IDC_GEOTAG_PICTURE       1600
#define IDC_GEOTAG_TRACK         1601   // the track's name, points and times
#define IDC_GEOTAG_OFFSET_LABEL  1610
#define IDC_GEOTAG_OFFSET        1611   // the camera's offset to UTC
#define IDC_GEOTAG_CLOCK_LABEL   1620
#define IDC_GEOTAG_CLOCK         1621   // the clock correction in seconds
#define IDC_GEOTAG_CLOCK_UNIT    1622
#define IDC_GEOTAG_REPLACE       1625   // replace positions the photos already have
#define IDC_GEOTAG_PHOTOS        1630   // the photos and what they get
#define IDC_GEOTAG_SUMMARY       1640   // how many get a position, or what is wrong
// Buttons: "Geotag" is IDOK, "Cancel" IDCANCEL.
