#include "shellext/menu_commands.h"

#include "shellext/image_selection.h"

// The commands live in subsystems of their own; each is called here when it
// is part of the build.
#if __has_include("earth/earth_client.h")
#include "earth/earth_client.h"
#define VZ_HAVE_EARTH_CLIENT 1
#endif
#if __has_include("earth/show_location.h")
#include "earth/show_location.h"
#define VZ_HAVE_SHOW_LOCATION 1
#endif
#if __has_include("earth/get_location.h")
#include "earth/get_location.h"
#define VZ_HAVE_GET_LOCATION 1
#endif
#if __has_include("coords/coord_dialog.h")
#include "coords/coord_dialog.h"
#define VZ_HAVE_COORDINATES_DIALOG 1
#endif
#if __has_include("coords/settings.h")
#include "coords/settings.h"
#define VZ_HAVE_SETTINGS 1
#endif
#if __has_include("about/about_box.h")
#include "about/about_box.h"
#define VZ_HAVE_ABOUT_BOX 1
#endif

namespace {

[[maybe_unused]] const ImageSelection& OrEmpty(const ImageSelection* selection)
{
    static const ImageSelection empty;
    return selection ? *selection : empty;
}

}  // namespace

bool QueryEarthInstalled()
{
#ifdef VZ_HAVE_EARTH_CLIENT
    return IsEarthInstalled();
#else
    return false;
#endif
}

void LoadUserSettings()
{
#ifdef VZ_HAVE_SETTINGS
    LoadSettings();
#endif
}

HRESULT RunShowLocation(const ImageSelection* selection)
{
#ifdef VZ_HAVE_SHOW_LOCATION
    return ShowLocationInEarth(OrEmpty(selection));
#else
    (void)selection;
    return E_NOTIMPL;
#endif
}

HRESULT RunGetLocation(const ImageSelection* selection)
{
#ifdef VZ_HAVE_GET_LOCATION
    return GetLocationFromEarth(OrEmpty(selection));
#else
    (void)selection;
    return E_NOTIMPL;
#endif
}

HRESULT RunEditLocation(HWND owner, const ImageSelection* selection)
{
#ifdef VZ_HAVE_COORDINATES_DIALOG
    return RunCoordinatesDialog(owner, &OrEmpty(selection));
#else
    (void)owner;
    (void)selection;
    return E_NOTIMPL;
#endif
}

HRESULT RunAbout(HWND owner)
{
#ifdef VZ_HAVE_ABOUT_BOX
    ShowAboutBox(owner);
    return S_OK;
#else
    (void)owner;
    return E_NOTIMPL;
#endif
}
