// The temporary KML files of the show-location command: a new name per run
// in the user's temporary folder, and the removal of the files of earlier
// runs.
#pragma once
#include <windows.h>

const size_t kKmlPathCapacity = MAX_PATH;
// GetTempPathW is asked into a buffer of this many characters when a name
// is made.
const DWORD kKmlTempFolderCapacity = 236;

// "<temporary folder>\VantreloZerli<tick count, 8 hex digits>.kml" into out.
// S_OK; E_FAIL when the temporary folder is not available or the name would
// not fit into out (a cut name would lose its ".kml").
HRESULT MakeKmlFileName(wchar_t (&out)[kKmlPathCapacity]);

// "<KML file's path without .kml>-<index>.jpg" into out: where the JPEG
// preview of the selection's photo at index goes (a raw file's, which
// Google Earth cannot show itself). S_OK; E_FAIL when kmlPath does not end
// in ".kml" or the name would not fit into out.
HRESULT MakePreviewFileName(const wchar_t* kmlPath, int index, wchar_t (&out)[kKmlPathCapacity]);

// Deletes every file "VantreloZerli*.kml" and "VantreloZerli*.jpg" (the
// previews beside them) in the temporary folder; files that cannot be
// deleted (still open elsewhere) stay. Does nothing when the temporary
// folder is not available or the pattern would not fit.
void DeleteOldKmlFiles();
