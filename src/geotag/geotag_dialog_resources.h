// Control numbers of the geotagging dialog (dialog template 120) and of its
// dialog that sets the clock from a photo of the GPS (121). Included by the
// resource script, so the numbers are macros; the command's texts are in
// geotag_texts.h.
#pragma once

#define IDC_GEOTAG_PICTURE       1600
#define IDC_GEOTAG_TRACK         1601   // the track's name, points and times
#define IDC_GEOTAG_OFFSET_LABEL  1610
#define IDC_GEOTAG_OFFSET        1611   // the camera's offset to UTC
#define IDC_GEOTAG_CLOCK_LABEL   1620
#define IDC_GEOTAG_CLOCK         1621   // the clock correction in seconds
#define IDC_GEOTAG_CLOCK_UNIT    1622
#define IDC_GEOTAG_CLOCK_FROM_GPS 1623  // opens the dialog 121 for the photo picked
#define IDC_GEOTAG_REPLACE       1625   // replace positions the photos already have
#define IDC_GEOTAG_PHOTOS        1630   // the photos and what they get
#define IDC_GEOTAG_SUMMARY       1640   // how many get a position, or what is wrong
// Buttons: "Geotag" is IDOK, "Cancel" IDCANCEL.

#define IDC_GPS_CLOCK_PHOTO      1650   // the photo picked and its camera time
#define IDC_GPS_CLOCK_TIME_LABEL 1651
#define IDC_GPS_CLOCK_TIME       1652   // the time the GPS's screen shows
#define IDC_GPS_CLOCK_ZONE_LABEL 1653
#define IDC_GPS_CLOCK_ZONE       1654   // the zone it shows
// Buttons: "Set clock" is IDOK, "Cancel" IDCANCEL.
