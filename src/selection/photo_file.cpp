#include "selection/photo_file.h"

#include <windows.h>
#include "raw/raw_formats.h"
#include "support/file_extension.h"
#include "support/shortcut.h"

bool IsPhotoFile(const wchar_t* path)
{
    if (!path)
        return false;
    // A path too long for the buffer leaves it empty (ResolveShortcut never
    // cuts a name): judging the first 259 characters could accept a name
    // that is not the selected file.
    wchar_t name[MAX_PATH] = L"";
    ResolveShortcut(path, name, MAX_PATH, nullptr, FALSE);
    const wchar_t* extension = FindExtension(name);
    return IsJpegExtension(extension) || IsHeifExtension(extension) || (name[0] && FindRawFormat(name) != nullptr);
}
