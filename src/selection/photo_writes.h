// Writing positions into the selected photos: the one loop of every command
// that stores positions.
#pragma once
#include "exif/photo_writer.h"
#include "replacement/replacement_recovery.h"
#include "replacement/write_results.h"
#include "selection/file_access.h"
#include "support/geo_position.h"

struct PhotoWrites {
    int written = 0;   // photos rewritten with their position
    int readOnly = 0;  // photos skipped because they are read-only
    int changed = 0;   // photos another program changed meanwhile, left to it
};

// Says that the photo was not written because another program changed it
// while the command ran (a message box without owner).
void ShowPhotoChangedMessage(const wchar_t* path);

// The one loop: for each photo 0 <= i < count, photoAt(i, &path) tells
// whether it gets anything and which file's read-only attribute counts (a
// shortcut's target, where the caller knows it); write(i, recovery) writes
// it, handing recovery to ExifBlock::WriteToFile, so that what killed
// writers left is looked for once per folder. A photo that is read-only now
// (the user may have changed it since the selection was judged) is skipped
// and counted; one that another program changed meanwhile is counted and
// named in a message; one that cannot be opened or written just does not
// count.
template <typename PhotoAt, typename Write>
PhotoWrites WriteToPhotos(int count, PhotoAt photoAt, Write write)
{
    PhotoWrites writes;
    ReplacementRecovery recovery;
    for (int i = 0; i < count; ++i) {
        const wchar_t* path = nullptr;
        if (!photoAt(i, &path) || path == nullptr)
            continue;
        if (IsFileReadOnly(path)) {
            ++writes.readOnly;
            continue;
        }
        const HRESULT hr = write(i, &recovery);
        if (SUCCEEDED(hr)) {
            ++writes.written;
        } else if (hr == VZ_E_PHOTO_CHANGED) {
            ++writes.changed;
            ShowPhotoChangedMessage(path);
        }
    }
    return writes;
}

// Writes into each photo the position that positionAt(i, &path, &position)
// gives; positionAt returns false for a photo that gets nothing.
template <typename PositionAt>
PhotoWrites WritePositionsToPhotos(int count, PositionAt positionAt)
{
    const wchar_t* path = nullptr;
    GeoPosition position;
    return WriteToPhotos(
        count,
        [&](int i, const wchar_t** judged) {
            if (!positionAt(i, judged, &position))
                return false;
            path = *judged;
            return true;
        },
        [&](int, ReplacementRecovery* recovery) { return WritePositionToPhoto(path, position, recovery); });
}
