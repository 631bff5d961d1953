// The picture of a raw file's placemark: Google Earth cannot show a raw
// file, so the JPEG preview the camera embedded in it is copied into a file
// of its own beside the KML file.
#pragma once
#include "raw/raw_photo.h"
#include "support/platform.h"

// Largest preview copied (a camera's full-size preview is a few MiB).
const uint32_t kMaxPreviewBytes = 64 * 1024 * 1024;

// Copies the preview that raw (read from the file at rawPath) locates into
// a new file at destination. S_OK; E_FAIL, with no file left at
// destination, when the raw file has no JPEG preview (previewIsJpeg
// false), the preview is larger than kMaxPreviewBytes, or a read or write
// fails. The raw file is only read.
HRESULT CopyRawPreview(const wchar_t* rawPath, const RawPhoto& raw, const wchar_t* destination);
