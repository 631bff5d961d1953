// Writing positions into the selected photos: the one loop of every command
// that stores positions.
#pragma once
#include "exif/photo_writer.h"
#include "selection/file_access.h"
#include "support/geo_position.h"

struct PhotoWrites {
    int written = 0;   // photos rewritten with their position
    int readOnly = 0;  // photos skipped because they are read-only
};

// Writes into each photo 0 <= i < count the position that
// positionAt(i, &path, &position) gives; positionAt returns false for a
// photo that gets nothing. A photo that is read-only now (the user may have
// changed it since the selection was judged) is skipped and counted; one
// that cannot be opened or written just does not count.
template <typename PositionAt>
PhotoWrites WritePositionsToPhotos(int count, PositionAt positionAt)
{
    PhotoWrites writes;
    for (int i = 0; i < count; ++i) {
        const wchar_t* path = nullptr;
        GeoPosition position;
        if (!positionAt(i, &path, &position) || path == nullptr)
            continue;
        if (IsFileReadOnly(path))
            ++writes.readOnly;
        else if (SUCCEEDED(WritePositionToPhoto(path, position)))
            ++writes.written;
    }
    return writes;
}
