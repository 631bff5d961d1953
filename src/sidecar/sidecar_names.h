// Which XMP sidecar belongs to a raw file: a pure function of the raw
// file's name and the names in its folder.
//
// The sidecars of "IMG_1234.CR2" are every file of the folder named
// "IMG_1234.xmp" (Lightroom, Capture One, Bridge, Photo Mechanic,
// RawTherapee) or "IMG_1234.CR2.xmp" (darktable, digiKam), in any case of
// letters. Where none exists, a new one is named "IMG_1234.xmp", unless
// another raw file of the folder has the same base name ("IMG_1234.NEF"
// beside it): then "IMG_1234.CR2.xmp", so that the two never share one.
//
// Names are compared as the file system does, ordinally and without regard
// to case, with one fixed table of letters that does not depend on any
// locale (so "I" and "i" match also in a Turkish locale, and the dotless
// "ı" and the dotted "İ" match only themselves).
#pragma once
#include <string>
#include <vector>

#include "support/platform.h"

struct SidecarNames {
    // The existing sidecars as the folder spells them, in the folder's order.
    std::vector<std::wstring> existing;
    // The name of a new sidecar; empty when one exists.
    std::wstring create;
};

// rawName: the raw file's name (no folder). folderNames: the names of the
// folder's files (it may include rawName). isRaw: whether a name of the
// folder is a raw file. S_OK or E_OUTOFMEMORY.
HRESULT FindSidecarNames(const std::wstring& rawName, const std::vector<std::wstring>& folderNames,
                         bool (*isRaw)(const std::wstring& name), SidecarNames* names);

// Ordinal comparison without regard to case, as above.
bool SameFileName(const std::wstring& a, const std::wstring& b);
