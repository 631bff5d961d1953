// The menu command "Show location in Google Earth" (verb JpegToGe): a KML
// file with a placemark for every selected photo that has a position, written
// into the user's temporary folder and opened by the shell, so that Google
// Earth, the program registered for KML files, shows the places.
#pragma once
#include <windows.h>

class ImageSelection;
struct XmlDocument;

// Deletes the KML files of earlier runs (and their previews), builds and
// writes the new file (and the JPEG previews of raw files beside it) and
// asks the shell to open it.
// S_OK when the shell accepted the file.
// The failure of MakeKmlFileName (no message) when the temporary folder is
// not available.
// E_FAIL after "Couldn't create temporary KML file!" when the file cannot be
// created, the document cannot be serialised or written (the incomplete
// file is deleted and nothing is opened), and after "Couldn't launch Google
// Earth client!" with the shell's code when the shell cannot open it.
HRESULT ShowLocationInEarth(const ImageSelection& selection);

// Creates the file at path (replacing one that is there) and writes the
// document into it: UTF-16 little-endian with the byte-order mark. S_OK;
// E_FAIL when the file cannot be created (nothing is left behind) or the
// document cannot be serialised or written (the incomplete file is deleted).
HRESULT WriteKmlFile(const wchar_t* path, const XmlDocument* document);
