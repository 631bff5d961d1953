// Whether a selected file counts as a JPEG photo, judged by its name.
#pragma once

// True when path (or, for a ".lnk" shortcut, its target) ends in ".JPG",
// ".JPEG" or ".JPE" in any case. A null path, a path of MAX_PATH (260)
// characters or more, and a shortcut that cannot be resolved give false.
bool IsJpegFile(const wchar_t* path);
