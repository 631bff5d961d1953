#include "selection/track_file.h"

#include "support/file_extension.h"

bool IsGpxFile(const wchar_t* path)
{
    if (!path)
        return false;
    return ExtensionIs(FindExtension(path), L".GPX");
}
