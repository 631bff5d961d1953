// The parts of a path the product looks at: the file's name after its
// folder, and the extension as the selection judges it: the text from the
// last "." to the end. A "." at the very first character does not count, and
// the search does not stop at a backslash, so D:\my.photos\readme has the
// extension .photos\readme.
#pragma once

// Points at the part of path after its last backslash (all of path when it
// has none). path must not be null.
const wchar_t* FileNamePart(const wchar_t* path);

// Points at the extension's "." inside path, or at the terminating NUL when
// there is none. path must not be null.
const wchar_t* FindExtension(const wchar_t* path);

// True when extension equals upperExtension with ASCII letters compared
// without regard to case (upperExtension is written in upper case, e.g. L".JPG").
bool ExtensionIs(const wchar_t* extension, const wchar_t* upperExtension);

// The extensions of the photos the product takes, in any case: a JPEG file
// (".JPG", ".JPEG", ".JPE") or a HEIF file (".HEIC", ".HEIF", ".HIF").
bool IsJpegExtension(const wchar_t* extension);
bool IsHeifExtension(const wchar_t* extension);
