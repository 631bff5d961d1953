#include "exif/sort_locale.h"

LCID UserSortLocale()
{
    return 0;
}
