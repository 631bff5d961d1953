// What tells a file, and one state of it, from another: the file's identity
// on its volume and the size and times that every change of it moves. Two
// stamps of one file that differ say that somebody wrote it, or put another
// file under its name, in between.
#pragma once
#include <cstdint>

struct FileStamp {
    uint64_t volume = 0;  // serial number of the volume
    uint64_t id = 0;      // the file's number on that volume
    uint64_t size = 0;
    int64_t lastWrite = 0;  // FILETIME units
    int64_t change = 0;     // the last change of data or metadata
    bool known = false;
    bool hasId = false;  // volume and id read too
};

// The same file (the same volume and number), whatever its state.
inline bool IsSameFile(const FileStamp& a, const FileStamp& b)
{
    return a.known && b.known && a.hasId && b.hasId && a.volume == b.volume && a.id == b.id;
}

// The same file in the same state. Without the identity of one of them, the
// size and times alone (another file put under the name has a change time
// of its own).
inline bool IsSameState(const FileStamp& a, const FileStamp& b)
{
    return a.known && b.known && (!a.hasId || !b.hasId || IsSameFile(a, b)) && a.size == b.size &&
           a.lastWrite == b.lastWrite && a.change == b.change;
}
