// Whether a selected file counts as a photo (a JPEG, HEIF or camera raw
// file), judged by its name.
#pragma once

// True when path (or, for a ".lnk" shortcut, its target) ends in ".JPG",
// ".JPEG", ".JPE", ".HEIC", ".HEIF", ".HIF" or an extension of the raw
// format table (raw/raw_formats.h: ".CR2", ".NEF", ".DNG", ...) in any
// case. A null path, a path of MAX_PATH (260) characters or more, and a
// shortcut that cannot be resolved give false. (The photo engine then tells
// whether the file holds what its name says.)
bool IsPhotoFile(const wchar_t* path);
