#include "shellext/menu_commands.h"

#include "shellext/image_selection.h"

#if __has_include("earth/earth_client.h")
#define VZ_HAVE_EARTH_CLIENT 1
#include "earth/earth_client.h"
#endif

namespace {

const ImageSelection& OrEmpty(const ImageSelection* selection)
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
}

HRESULT RunShowLocation(const ImageSelection* selection)
{
    (void)OrEmpty(selection);
    return E_NOTIMPL;
}

HRESULT RunGetLocation(const ImageSelection* selection)
{
    (void)OrEmpty(selection);
    return E_NOTIMPL;
}

HRESULT RunEditLocation(HWND /*owner*/, const ImageSelection* selection)
{
    (void)OrEmpty(selection);
    return E_NOTIMPL;
}

HRESULT RunAbout(HWND /*owner*/)
{
    return E_NOTIMPL;
}
