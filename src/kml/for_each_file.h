// Visiting the files and folders that match a search pattern such as
// C:\Temp\VantreloZerli*.kml.
#pragma once
#include <windows.h>

// Called with the full path of an entry (folder part of the pattern + the
// entry's name), its attributes, its last-write time and size (64 bits each)
// and the caller's value. Returns true to go on, false to stop.
typedef bool (*FileVisitor)(const wchar_t* path, DWORD attributes, ULONGLONG lastWriteTime,
                            ULONGLONG size, void* context);

// Calls visit for every entry that matches pattern (files and folders
// alike), in the order the file system lists them. Entries whose full path
// would not fit into MAX_PATH characters are skipped. Returns the last value
// visit returned, or true when nothing matched (or nothing was visited).
bool ForEachFile(const wchar_t* pattern, FileVisitor visit, void* context);
