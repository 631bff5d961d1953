// Shortcut (.lnk) files made by the shell-link object, as Explorer makes them.
#pragma once
#include <windows.h>
#include <string>

namespace vztest {

HRESULT CreateShortcut(const std::wstring& linkPath, const std::wstring& targetPath);

}  // namespace vztest
