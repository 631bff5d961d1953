// Writing one position into one photo: the per-photo sequence of the
// commands that store positions ("Get location from Google Earth" and the
// coordinates dialog).
#pragma once
#include "support/geo_position.h"
#include "support/platform.h"

class ReplacementRecovery;

// Opens the photo, stores the position (or removes the position tags when
// it is not known) and rewrites the file. The photo counts as written when
// the result is >= 0. A position that cannot be stored (E_INVALIDARG) is
// returned without touching the file. recovery: that of the command's
// write loop (see ExifBlock::WriteToFile).
HRESULT WritePositionToPhoto(const wchar_t* path, const GeoPosition& position,
                             ReplacementRecovery* recovery = nullptr);
