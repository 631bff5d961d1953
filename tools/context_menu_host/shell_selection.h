// The data object Explorer hands to a context-menu handler for selected files.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

// Asks the shell for the data object of files that lie in one folder
// (SHParseDisplayName, SHBindToParent, IShellFolder::GetUIObjectOf), as the
// folder view does for its selection. *folder receives the folder's absolute
// item identifier (free it with CoTaskMemFree), which Explorer passes to
// Initialize as pidlFolder.
HRESULT CreateSelectionDataObject(const std::vector<std::wstring>& files, IDataObject** data,
                                  PIDLIST_ABSOLUTE* folder);

// Full path of a file name given on the command line.
std::wstring FullPathOf(const std::wstring& file);
