// The locale by which the entries of a TIFF directory are ordered: the
// user's on Windows (sort_locale_windows.cpp), none in the native build
// (sort_locale_native.cpp), where names are compared by code unit.
#pragma once
#include "support/platform.h"

LCID UserSortLocale();
