// Small helpers shared by the selection tests.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "selection/image_selection.h"

namespace seltest {

// The entries of a selection, in order.
inline std::vector<std::wstring> Entries(const ImageSelection& selection)
{
    std::vector<std::wstring> entries;
    for (int i = 0; i < selection.Count(); ++i)
        entries.push_back(selection.PathAt(i));
    return entries;
}

// A name of exactly length characters: folder, then "a"s, then tail.
inline std::wstring NameOfLength(size_t length, const std::wstring& folder, const std::wstring& tail)
{
    return folder + std::wstring(length - folder.size() - tail.size(), L'a') + tail;
}

}  // namespace seltest
