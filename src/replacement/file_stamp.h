// What tells a file, and one state of it, from another: the file's identity
// on its volume and the size and times that every change of it moves. Two
// stamps of one file that differ say that somebody wrote it, or put another
// file under its name, in between.
#pragma once
#include <cstdint>

// The volume is not part of a stamp: the engine compares only stamps of
// names in one folder (the photo's and its new file's), which lie on one
// volume; asking for the volume's serial number would cost a round trip to
// Wine's server with every stamp.
struct FileStamp {
    uint64_t id = 0;  // the file's number on its volume
    uint64_t size = 0;
    int64_t lastWrite = 0;  // FILETIME units
    int64_t change = 0;     // the last change of data or metadata
    bool known = false;
    bool hasId = false;  // id read too
};

// The same file (the same number in one folder's volume), whatever its state.
inline bool IsSameFile(const FileStamp& a, const FileStamp& b)
{
    return a.known && b.known && a.hasId && b.hasId && a.id == b.id;
}

// The same file in the same state. Without the identity of one of them, the
// size and times alone (another file put under the name has a change time
// of its own).
inline bool IsSameState(const FileStamp& a, const FileStamp& b)
{
    return a.known && b.known && (!a.hasId || !b.hasId || IsSameFile(a, b)) && a.size == b.size &&
           a.lastWrite == b.lastWrite && a.change == b.change;
}
