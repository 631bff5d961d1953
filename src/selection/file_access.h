// Write access of a selected file, judged when it is needed.
#pragma once

// True when the file's read-only attribute is set. A file whose attributes
// cannot be read (e.g. it does not exist) counts as not read-only. For a
// shortcut this is the attribute of the shortcut file itself. For a camera
// raw file (never written itself) it is that of its sidecars: true when an
// existing XMP sidecar of it is read-only (sidecar/sidecar_names.h names
// them), whatever the raw file's own attribute.
bool IsFileReadOnly(const wchar_t* path);

// True when another program holds the file open so that it cannot be read
// (a sharing or lock violation).
bool IsFileInUse(const wchar_t* path);
