// Whether a selected file counts as a GPS track, judged by its name.
#pragma once

// True when path ends in ".GPX" with its ASCII letters in any case. The name
// is taken as it is: a shortcut to a track is not a track. A null path gives
// false.
bool IsGpxFile(const wchar_t* path);
