// Control numbers of the geotagging dialog (dialog template 120) and the
// texts of the command "Geotag from GPS track". Included by the resource
// script, so the numbers are macros.
#pragma once

#define IDC_GEOTAG_PICTURE       1600
#define IDC_GEOTAG_TRACK         1601   // the track's name, points and times
#define IDC_GEOTAG_OFFSET_LABEL  1610
#define IDC_GEOTAG_OFFSET        1611   // the camera's offset to UTC
#define IDC_GEOTAG_CLOCK_LABEL   1620
#define IDC_GEOTAG_CLOCK         1621   // the clock correction in seconds
#define IDC_GEOTAG_CLOCK_UNIT    1622
#define IDC_GEOTAG_PHOTOS        1630   // the photos and what they get
#define IDC_GEOTAG_SUMMARY       1640   // how many get a position, or what is wrong
// Buttons: "Geotag" is IDOK, "Cancel" IDCANCEL.

#ifndef RC_INVOKED

#include "product_identity.h"

#define VZ_GEOTAG_TITLE          VZ_PRODUCT_NAME_W L": Geotag from GPS track '%ls'"
#define VZ_GEOTAG_TRACK_LINE     L"GPS track '%ls': %u point%ls from %ls to %ls UTC"
#define VZ_GEOTAG_TRACK_INCOMPLETE_LINE \
    L"GPS track '%ls' (incomplete: the file ends in the middle): %u point%ls from %ls to %ls UTC"

// The columns of the photo list.
#define VZ_GEOTAG_COLUMN_PHOTO     L"Photo"
#define VZ_GEOTAG_COLUMN_TAKEN     L"Taken"
#define VZ_GEOTAG_COLUMN_POSITION  L"Position"

// A position with the track's altitude.
#define VZ_GEOTAG_WITH_ALTITUDE  L"%ls / %.0f m"
// What a photo gets, when not a position.
#define VZ_GEOTAG_NO_TIME        L"none: no time in the photo"
#define VZ_GEOTAG_TOO_FAR        L"none: more than 30 minutes from the track"
#define VZ_GEOTAG_NOT_A_PHOTO    L"none: not a JPEG photo"
#define VZ_GEOTAG_IN_USE         L"none: in use by another program"
#define VZ_GEOTAG_READ_ONLY      L"read-only, skipped: %ls"
// The camera's time of a photo that records its own offset to UTC.
#define VZ_GEOTAG_OWN_OFFSET     L"%ls %ls"

// The line under the list.
#define VZ_GEOTAG_SUMMARY_LINE   L"%d of %d photo%ls will get a position."
#define VZ_GEOTAG_SUMMARY_SKIPS  L" %d read-only photo%ls will be skipped."
#define VZ_GEOTAG_CLOCK_INVALID  L"The clock correction must be a whole number of seconds from -864000 to 864000."

// Messages.
#define VZ_GEOTAG_TRACK_REFUSED                                                                                \
    L"The GPS track \"%ls\" cannot be used: it is not a GPX file this tool can read, or it holds no track " \
    L"point with a time."
#define VZ_GEOTAG_TRACK_NOT_READ L"The GPS track \"%ls\" cannot be read (error 0x%08lX)."
#define VZ_GEOTAG_WRITTEN        L"%d of %d photo%ls geotagged."
#define VZ_GEOTAG_SKIPPED        L"\n%d read-only photo%ls skipped."
#define VZ_GEOTAG_FAILED         L"\n%d photo%ls could not be written."

#endif
