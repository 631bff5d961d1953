// The photos the suites copy: the build's own samples (VZ_MADE_PHOTOS,
// tests/testlib/make_sample_photos.sh) and the real camera and phone photos
// beside the project (VZ_PHOTOS; only for suites marked as needing them).
// Tests work on copies.
#pragma once
#include <string>
#include <vector>

namespace vztest {

// Windows path of the folder of sample photos.
std::wstring PhotosFolder();

// File names (no folder) of every JPEG sample photo, sorted.
std::vector<std::wstring> SamplePhotoNames();

// Copies one sample photo into folder (optionally under another name) and
// returns the copy's path; the copy is writable. Empty on failure. A name of
// the build's own samples ("located.jpg", "unlocated.heic", ...) is taken
// from them, any other from the real photos.
std::wstring CopyPhoto(const std::wstring& name, const std::wstring& folder,
                       const std::wstring& newName = std::wstring());

}  // namespace vztest
