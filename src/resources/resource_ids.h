// Numbers of the DLL's resources. Included by the resource script and by the
// code that loads them.
#pragma once

#define IDD_ABOUT               100
#define IDD_COORDINATES         110
#define IDD_GEOTAG              120
#define IDD_GPS_CLOCK           121

#define IDB_MENU_FIRST          3000    // 3000..3005: submenu and its five commands
#define IDB_ABOUT_BACKGROUND    3010
#define IDB_COORDINATES_PICTURE 3020
#define IDB_EARTH_AVAILABLE     3030
#define IDB_EARTH_NOT_AVAILABLE 3031

#define IDI_PRODUCT             5000
