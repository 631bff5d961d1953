// Builds the ImageSelection from the shell's data object: the work of
// IShellExtInit::Initialize.
#pragma once
#include <windows.h>
#include <objidl.h>
#include "selection/image_selection.h"

// Asks dataObject for its CF_HDROP file list and replaces selection with the
// names that IsPhotoFile accepts, in the list's order (shortcuts as their own
// path), and with the track: the one name that IsGpxFile accepts, or none
// when the list holds no such name or several. Returns:
// - the result of GetData when it fails; selection is then left as it was;
// - S_OK when at least one photo name was accepted;
// - E_FAIL when none was (or the list could not be read); selection is
//   empty, without a track too;
// - E_OUTOFMEMORY when a name could not be stored; selection is then empty,
//   never a part of the list.
HRESULT ReadImageSelection(IDataObject* dataObject, ImageSelection* selection);
