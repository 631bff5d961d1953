// The selection given on the command line, as Explorer hands it to a
// context-menu handler.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

// The shell's data object for the files (full paths of the names given),
// which must lie in one folder, as the folder view makes it for its
// selection. *folder receives the folder's absolute item identifier (free it
// with CoTaskMemFree), which Explorer passes to Initialize as pidlFolder.
HRESULT CreateSelectionDataObject(const std::vector<std::wstring>& files, IDataObject** data,
                                  PIDLIST_ABSOLUTE* folder);

// Full path of a file name given on the command line.
std::wstring FullPathOf(const std::wstring& file);
