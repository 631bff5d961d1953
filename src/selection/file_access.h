// Write access of a selected file, judged when it is needed.
#pragma once

// True when the file's read-only attribute is set. A file whose attributes
// cannot be read (e.g. it does not exist) counts as not read-only. For a
// shortcut this is the attribute of the shortcut file itself.
bool IsFileReadOnly(const wchar_t* path);
