// ImageSelection: the selected photos (JPEG, HEIF and camera raw files) of one shell
// extension object, in the order of the shell's file list, and the GPS track
// selected with them. Each entry is an owned BSTR; a shortcut is stored as
// the path of the shortcut file itself.
#pragma once
#include <windows.h>
#include "support/ordered_list.h"

class ImageSelection {
public:
    ImageSelection();
    ~ImageSelection() { Clear(); }
    ImageSelection(const ImageSelection&) = delete;
    ImageSelection& operator=(const ImageSelection&) = delete;

    int Count() const { return m_paths.Count(); }
    // The path at index, or null outside 0 .. Count() - 1.
    const wchar_t* PathAt(int index) const;

    // Appends a copy of path. S_OK, E_INVALIDARG for no path, or
    // E_OUTOFMEMORY with the list unchanged.
    HRESULT Append(const wchar_t* path);
    // Frees every path and then the list, and forgets the track.
    void Clear();

    // The path of the GPS track (.gpx file) selected with the photos, or
    // null when there is none.
    const wchar_t* TrackPath() const { return m_trackPath; }
    // Keeps a copy of path as the track; null forgets the track. S_OK, or
    // E_OUTOFMEMORY with no track kept.
    HRESULT SetTrackPath(const wchar_t* path);

private:
    OrderedList m_paths;
    BSTR m_trackPath = nullptr;
};
