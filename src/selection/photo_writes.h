// Writing positions into the selected photos: the one loop of every command
// that stores positions.
#pragma once
#include <new>
#include <string>
#include <vector>

#include "exif/photo_writer.h"
#include "replacement/replacement_recovery.h"
#include "replacement/write_results.h"
#include "selection/file_access.h"
#include "support/geo_position.h"

struct PhotoWrites {
    int written = 0;   // photos rewritten with their position, each durable
    int readOnly = 0;  // photos skipped because they are read-only
    int failed = 0;    // photos whose write failed (those changed included)
    int changed = 0;   // photos another program changed meanwhile, left to it
    // The paths of the changed photos, in the order of the selection (empty
    // when no memory could be had for them; changed still counts them).
    std::vector<std::wstring> changedPaths;
    // The sidecars of raw files refused as no well-formed XMP (their writes
    // count as failed), when the writes were made by WritePositionsToPhotos.
    std::vector<SidecarOutcome> refusedSidecars;
};

// Says that the photo was not written because another program changed it
// while the command ran (a message box without owner, on the thread of the
// command).
void ShowPhotoChangedMessage(const wchar_t* path);
// Says that a raw file's sidecar was refused and left as it was: its name
// and why (a message box without owner, on the thread of the command).
void ShowSidecarRefusedMessage(const SidecarOutcome& refused);
// Both messages for every photo of writes that needs one.
void ShowWriteMessages(const PhotoWrites& writes);

// The photos of one command, as the loop sees them (see WriteToPhotos).
class PhotoWriteJobs {
public:
    // Whether photo i gets anything, and the file whose read-only attribute
    // counts. Called for i = 0, 1, ... in this order, one call at a time.
    virtual bool PhotoAt(int i, const wchar_t** path) = 0;
    // Writes photo i; called on any of the loop's threads, at the same time
    // as the writes of other photos, never of another photo with its path.
    virtual HRESULT Write(int i, ReplacementRecovery* recovery) = 0;

protected:
    ~PhotoWriteJobs() = default;
};

// Photos written at the same time: a disk serves several flushes at once
// far better than one after another, and each photo's write waits mostly
// for its two flushes.
const int kPhotoWriters = 4;

// The one loop: for each photo 0 <= i < count, jobs.PhotoAt(i, &path) tells
// whether it gets anything; jobs.Write(i, recovery) writes it, handing
// recovery to ExifBlock::WriteToFile, so that what killed writers left is
// looked for once per folder. Up to writers photos are written at once, on
// the calling thread and on threads of the loop's own; the loop returns when
// every write has ended. A photo that is read-only now (the user may have
// changed it since the selection was judged) is skipped and counted; one
// that another program changed meanwhile is counted and named in
// changedPaths; one that cannot be opened or written counts as failed.
PhotoWrites RunPhotoWrites(int count, PhotoWriteJobs& jobs, int writers = kPhotoWriters);

// RunPhotoWrites with the photos given as two functions: photoAt(i, &path)
// and write(i, recovery), under the same rules.
template <typename PhotoAtFunction, typename WriteFunction>
PhotoWrites WriteToPhotos(int count, PhotoAtFunction photoAt, WriteFunction write, int writers = kPhotoWriters)
{
    class Jobs final : public PhotoWriteJobs {
    public:
        Jobs(PhotoAtFunction& photoAt, WriteFunction& write) : m_photoAt(photoAt), m_write(write) {}
        bool PhotoAt(int i, const wchar_t** path) override { return m_photoAt(i, path); }
        HRESULT Write(int i, ReplacementRecovery* recovery) override { return m_write(i, recovery); }

    private:
        PhotoAtFunction& m_photoAt;
        WriteFunction& m_write;
    } jobs(photoAt, write);
    return RunPhotoWrites(count, jobs, writers);
}

// Writes into each photo the position that positionAt(i, &path, &position)
// gives; positionAt returns false for a photo that gets nothing. A raw
// file's sidecars get it (WritePositionToPhoto); those refused are listed
// in refusedSidecars.
template <typename PositionAt>
PhotoWrites WritePositionsToPhotos(int count, PositionAt positionAt, int writers = kPhotoWriters)
{
    // Each photo's path and position, kept from its PhotoAt to its write,
    // which may run on another thread while later photos are looked at.
    std::vector<const wchar_t*> paths;
    std::vector<GeoPosition> positions;
    try {
        paths.resize(count > 0 ? static_cast<size_t>(count) : 0);
        positions.resize(paths.size());
    } catch (const std::bad_alloc&) {
        return PhotoWrites();
    }
    SidecarRefusals refusals;
    PhotoWrites writes = WriteToPhotos(
        count,
        [&](int i, const wchar_t** judged) {
            if (!positionAt(i, judged, &positions[i]))
                return false;
            paths[i] = *judged;
            return true;
        },
        [&](int i, ReplacementRecovery* recovery) {
            return WritePositionToPhoto(paths[i], positions[i], recovery, &refusals);
        },
        writers);
    writes.refusedSidecars = refusals.Take();
    return writes;
}
