// Data objects for a selection of files, as the shell hands them to a
// context-menu handler's Initialize.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <string>
#include <vector>

namespace vztest {

// The real shell's data object for files that exist in one folder
// (SHParseDisplayName + SHBindToParent + IShellFolder::GetUIObjectOf).
// Its CF_HDROP is a UTF-16 DROPFILES made by the shell. Null on failure.
IDataObject* CreateShellDataObject(const std::vector<std::wstring>& paths);

// A data object of our own that offers only CF_HDROP with a hand-built
// DROPFILES: UTF-16 when wide, otherwise ANSI (CP_ACP). Also serves names of
// files that do not exist, which the shell cannot make. Never null.
IDataObject* CreateDropFilesDataObject(const std::vector<std::wstring>& paths, bool wide);

// A data object that serves block, byte for byte, as its CF_HDROP (for file
// lists that are cut short or otherwise malformed).
IDataObject* CreateRawDropFilesDataObject(const std::string& block);

// A data object that offers no CF_HDROP at all.
IDataObject* CreateEmptyDataObject();

}  // namespace vztest
