// The command "Geotag from GPS track": the photos of the selection matched
// by their times against the GPS track selected with them, shown in a
// dialog, and the positions written when the user chooses "Geotag".
#pragma once
#include <windows.h>

class ImageSelection;

// Reads the selection's track (a track that cannot be used is refused with
// one message, and nothing is written) and the photos' times on a worker
// thread, with a progress window when that takes a while; runs the
// dialog over owner and, on "Geotag", writes the positions (on a worker
// thread too) and tells what happened to every photo. Messages after a
// modal loop are owned by owner only if it still exists. Returns:
// - S_OK when at least one photo was written;
// - E_INVALIDARG without a track or without photos (nothing is shown);
// - the reader's error for a track that cannot be used;
// - VZ_E_CANCELLED when the user cancelled the reading in the progress
//   window (nothing more is shown), or the writing (the photos before the
//   cancel stay written, and the message says how many);
// - E_ABORT when the dialog was cancelled or could not be shown;
// - E_FAIL when no photo could be written; E_OUTOFMEMORY, or another
//   failure reading the photos' times (said in a message).
HRESULT GeotagFromTrack(HWND owner, const ImageSelection& selection);
