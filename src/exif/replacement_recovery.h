// Replacement files (photo_replacement.h) that a writer left behind when it
// was killed between making one and putting it in its photo's place. The
// engine looks for them in a folder before it writes there:
// - next to its photo, a replacement is deleted: the photo is intact, as it
//   was before the write that was cut short;
// - where the photo's name is missing and the replacement holds a complete
//   photo, it is put back under that name;
// - one that some writer still holds open is left to that writer, and one
//   whose photo is missing but that holds no complete photo is left alone
//   (it may be all there is of it).
#pragma once
#include <string>

// folder: the folder's path with its final separator, as FolderOfPath gives it.
void RecoverReplacements(const std::wstring& folder);
