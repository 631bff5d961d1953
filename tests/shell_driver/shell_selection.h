// The data object Explorer hands to a context-menu handler for selected files.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace shell_driver {

// Asks the real shell for the data object of files that lie in one folder
// (SHParseDisplayName, SHBindToParent, IShellFolder::GetUIObjectOf), as the
// folder view does for its selection; its CF_HDROP is a UTF-16 DROPFILES
// made by the shell. When folder is given it receives the folder's absolute
// item identifier (free it with CoTaskMemFree), which Explorer passes to
// Initialize as pidlFolder.
HRESULT CreateShellSelection(const std::vector<std::wstring>& paths, IDataObject** data,
                             PIDLIST_ABSOLUTE* folder = nullptr);

}  // namespace shell_driver
