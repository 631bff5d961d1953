// The real camera and phone photos beside the project (never written: tests
// work on copies).
#pragma once
#include <string>
#include <vector>

namespace vztest {

// Windows path of the folder of sample photos.
std::wstring PhotosFolder();

// File names (no folder) of every JPEG sample photo, sorted.
std::vector<std::wstring> SamplePhotoNames();

// Copies one sample photo into folder (optionally under another name) and
// returns the copy's path; the copy is writable. Empty on failure. A name
// ending in ".heic" names a HEIF photo made from the samples
// (tests/exif/make_heif_samples.sh).
std::wstring CopyPhoto(const std::wstring& name, const std::wstring& folder,
                       const std::wstring& newName = std::wstring());

}  // namespace vztest
