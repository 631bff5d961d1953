// The KML 2.2 document that marks the selected photos at their recorded
// positions: one Placemark per photo whose position can be read, below a
// Folder "New Images" unless exactly one photo is selected.
#pragma once
#include <windows.h>

#include "kml/xml_document.h"

class ImageSelection;

// Buffer capacities (characters, terminator included) of the placemark's
// texts; a longer text is cut to capacity - 1 characters.
const size_t kPlacemarkNameCapacity = 260;
const size_t kPlacemarkTextCapacity = 1292;
const size_t kKmlDateCapacity = 32;
const size_t kKmlValueCapacity = 128;
const size_t kKmlFolderTextCapacity = 256;

// Size at which the placemark's description shows the photo: the photo's
// proportions with an area of about 30,000 pixels (4000 x 3000 gives
// 200 x 150). A photo without a frame size (width or height 0) is shown at
// 200 x 150.
void PhotoDisplaySize(UINT frameWidth, UINT frameHeight, int* width, int* height);

// The document for the selection, owned by the caller (ReleaseDocument).
// Photos without a readable position are left out silently; the document is
// built even when none has one. Null only when memory runs out. kmlPath:
// where the document is to be written; the JPEG previews of raw files go
// beside it (MakePreviewFileName). Without it raw files have no picture.
XmlDocument* BuildKmlDocument(const ImageSelection& selection, const wchar_t* kmlPath = nullptr);

// Appends one Placemark for the photo at path (as the selection holds it; a
// shortcut's position comes from its target; a raw file's from its sidecar,
// else from itself) below parent. The description shows the photo; a raw
// file's JPEG preview copied to previewPath, or no picture when it has none
// or previewPath is null. S_OK when added; the failure of the position read
// otherwise (nothing added); E_OUTOFMEMORY when the elements cannot all be
// added.
HRESULT AddPhotoPlacemark(XmlNode* parent, const wchar_t* path, const wchar_t* previewPath = nullptr);
