#include "tiff/sort_locale.h"

LCID UserSortLocale()
{
    return 0;
}
