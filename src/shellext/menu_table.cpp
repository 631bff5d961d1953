#include "shellext/menu_table.h"

#include "about/about_box.h"
#include "coords/coord_dialog.h"
#include "earth/get_location.h"
#include "earth/show_location.h"
#include "geotag/geotag_command.h"
#include "resources/resource_ids.h"
#include "shellext/context_menu_texts.h"

const MenuCommand kMenuTable[kMenuTableRows] = {
    {0, L"", kSubmenuText, kSubmenuHelp, IDB_MENU_FIRST + 0, MenuOffer::Always, false, nullptr},
    {1, L"JpegToGe", kShowLocationText, kShowLocationHelp, IDB_MENU_FIRST + 1, MenuOffer::WithEarthAndLocation,
     false, [](HWND, const ImageSelection& selection) { return ShowLocationInEarth(selection); }},
    {2, L"GeToJpeg", kGetLocationText, kGetLocationHelp, IDB_MENU_FIRST + 2, MenuOffer::WithEarth, true,
     [](HWND, const ImageSelection& selection) { return GetLocationFromEarth(selection); }},
    {3, L"DlgToJpeg", kEditLocationText, kEditLocationHelp, IDB_MENU_FIRST + 3, MenuOffer::Always, false,
     [](HWND owner, const ImageSelection& selection) { return RunCoordinatesDialog(owner, &selection); }},
    // The track's command came last: its offset follows the others', so
    // that theirs stay what they always were.
    {5, L"GpxToJpeg", kGeotagText, kGeotagHelp, IDB_MENU_FIRST + 5, MenuOffer::WithTrack, false,
     [](HWND owner, const ImageSelection& selection) { return GeotagFromTrack(owner, selection); }},
    {4, L"AboutZerli", kAboutText, kAboutHelp, IDB_MENU_FIRST + 4, MenuOffer::Always, false,
     [](HWND owner, const ImageSelection&) {
         ShowAboutBox(owner);
         return S_OK;
     }},
};

const MenuCommand* MenuCommandAt(UINT_PTR offset)
{
    for (const MenuCommand& command : kMenuTable) {
        if (command.offset == offset)
            return &command;
    }
    return nullptr;
}

UINT ReservedIdentifiers(bool withTrack)
{
    UINT reserved = 0;
    for (const MenuCommand& command : kMenuTable) {
        if ((command.offer != MenuOffer::WithTrack || withTrack) && command.offset >= reserved)
            reserved = command.offset + 1;
    }
    return reserved;
}
