// The names of the files that carry a new version of a photo until it takes
// the photo's place: "<photo name>.~vz<12 hex digits>.tmp" in the photo's own
// folder. The photo's name comes first, so that a file left behind by a
// writer that was killed tells which photo it belongs to; the ending is no
// photo's, so that nothing takes it for one; the digits (the process and a
// count) keep two writers in one folder apart.
#pragma once
#include <string>

// The absolute form of a path (GetFullPathNameW); empty when it has none.
std::wstring FullPathOf(const wchar_t* path);

// The path of an open file as its volume spells it: the case and long
// names it has on the disk, the target of any symbolic link on the way, in
// the extended-length form ("\\?\C:\...", "\\?\UNC\server\..."). The
// absolute form of spelled where the system cannot tell.
std::wstring PathOnDisk(void* file, const wchar_t* spelled);

// The folder part of a path, with its final separator ("" for a bare name).
std::wstring FolderOfPath(const std::wstring& path);

// The name of a new replacement file for the photo at photoPath, made unique
// by attempt (0, 1, ...); its full path, in the extended-length form when
// the ordinary one would be too long. Empty when the photo's name leaves no
// room for the ending within one name of the file system.
std::wstring ReplacementPathFor(const std::wstring& photoPath, unsigned attempt);

// The photo's name within a replacement file's name; false when the name is
// not one this engine makes.
bool PhotoNameOfReplacement(const std::wstring& fileName, std::wstring* photoName);

// A path as CreateFileW takes it beyond MAX_PATH characters ("\\?\C:\...",
// "\\?\UNC\server\..."); the path itself when it is short, relative or in
// that form already.
std::wstring ExtendedLengthPath(const std::wstring& path);

// The native form of an absolute path ("\??\C:\...", "\??\UNC\server\...")
// that a rename by handle takes; empty for a relative path.
std::wstring NativePath(const std::wstring& path);
