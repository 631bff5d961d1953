// Control numbers of the coordinates dialog (dialog template 110) and the
// texts it shows. Included by the resource script, so the numbers are macros.
#pragma once

#define IDC_COORD_PICTURE        1000
#define IDC_COORD_KNOWN          1400   // "Position is known"
#define IDC_COORD_NOTATION       1401   // the notation list
// Latitude: decimal degrees; degrees and decimal minutes; degrees, minutes
// and decimal seconds; the hemisphere buttons.
#define IDC_COORD_LAT_DEGREES    1410
#define IDC_COORD_LAT_DM_DEG     1411
#define IDC_COORD_LAT_DM_MIN     1412
#define IDC_COORD_LAT_DMS_DEG    1413
#define IDC_COORD_LAT_DMS_MIN    1414
#define IDC_COORD_LAT_DMS_SEC    1415
#define IDC_COORD_NORTH          1416
#define IDC_COORD_SOUTH          1417
// Longitude, likewise.
#define IDC_COORD_LON_DEGREES    1420
#define IDC_COORD_LON_DM_DEG     1421
#define IDC_COORD_LON_DM_MIN     1422
#define IDC_COORD_LON_DMS_DEG    1423
#define IDC_COORD_LON_DMS_MIN    1424
#define IDC_COORD_LON_DMS_SEC    1425
#define IDC_COORD_EAST           1426
#define IDC_COORD_WEST           1427
#define IDC_COORD_ALTITUDE       1430
#define IDC_COORD_HEADING        1431
// Labels and units.
#define IDC_COORD_FORMAT_LABEL   1441
#define IDC_COORD_LAT_LABEL      1442
#define IDC_COORD_LAT_DEG_UNIT   1443
#define IDC_COORD_LAT_DM_UNIT    1444
#define IDC_COORD_LAT_DM_MIN_UNIT 1445
#define IDC_COORD_LAT_DMS_MIN_UNIT 1446
#define IDC_COORD_LAT_DMS_SEC_UNIT 1447
#define IDC_COORD_LAT_FRAME      1448
#define IDC_COORD_LON_LABEL      1449
#define IDC_COORD_LON_DEG_UNIT   1450
#define IDC_COORD_LON_DM_UNIT    1451
#define IDC_COORD_LON_DM_MIN_UNIT 1452
#define IDC_COORD_LON_DMS_MIN_UNIT 1453
#define IDC_COORD_LON_DMS_SEC_UNIT 1454
#define IDC_COORD_LON_FRAME      1455
#define IDC_COORD_ALT_LABEL      1456
#define IDC_COORD_ALT_UNIT       1457
#define IDC_COORD_HEAD_LABEL     1458
#define IDC_COORD_HEAD_UNIT      1459
// Where the position shown was read from (a raw file's sidecar or the raw
// file itself); empty for other photos.
#define IDC_COORD_SOURCE         1460
// Buttons ("Save!" is IDOK, "Cancel" IDCANCEL).
#define IDC_COORD_FROM_EARTH     1465
#define IDC_COORD_FROM_CLIPBOARD 1467
#define IDC_COORD_ABOUT          1500
