#include "shellext/menu_commands.h"

#include "about/about_box.h"
#include "coords/coord_dialog.h"
#include "notation/settings.h"
#include "earth_client/earth_client.h"
#include "earth/get_location.h"
#include "earth/show_location.h"
#include "geotag/geotag_command.h"
#include "selection/image_selection.h"

namespace {

// The commands work on a selection; one never initialised is empty.
const ImageSelection& OrEmpty(const ImageSelection* selection)
{
    static const ImageSelection empty;
    return selection ? *selection : empty;
}

}  // namespace

bool QueryEarthInstalled()
{
    return IsEarthInstalled();
}

void LoadUserSettings()
{
    LoadSettings();
}

HRESULT RunShowLocation(const ImageSelection* selection)
{
    return ShowLocationInEarth(OrEmpty(selection));
}

HRESULT RunGetLocation(const ImageSelection* selection)
{
    return GetLocationFromEarth(OrEmpty(selection));
}

HRESULT RunEditLocation(HWND owner, const ImageSelection* selection)
{
    return RunCoordinatesDialog(owner, &OrEmpty(selection));
}

HRESULT RunAbout(HWND owner)
{
    ShowAboutBox(owner);
    return S_OK;
}

HRESULT RunGeotagFromTrack(HWND owner, const ImageSelection* selection)
{
    return GeotagFromTrack(owner, OrEmpty(selection));
}
