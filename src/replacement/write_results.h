// Results of writing a photo that say more than a plain failure, so that a
// command can tell the user what happened.
#pragma once
#include "support/platform.h"

// Not written: another program changed the photo (or put another file under
// its name, or removed it) after its bytes were read. The photo is left as
// that program made it.
const HRESULT VZ_E_PHOTO_CHANGED = static_cast<HRESULT>(0x80040A01L);
// The new photo has taken the photo's name, but the system did not confirm
// that the rename is on the disk: a power loss now could still bring back
// the old photo.
const HRESULT VZ_E_RENAME_NOT_FLUSHED = static_cast<HRESULT>(0x80040A02L);
