// Replacement files (photo_replacement.h) that a writer left behind. A new
// file is marked to be deleted when its writer's handle goes, and that mark
// is cleared only just before the rename, once the file is complete and on
// the disk; so a writer killed leaves nothing in almost every case. What is
// left (a writer killed in that last moment, a power loss or a system crash)
// is dealt with the next time the engine writes in that folder:
// - next to its photo, a replacement is deleted: the photo is intact, as it
//   was before the write that was cut short;
// - where the photo's name is missing, a replacement is put back under that
//   name only when it holds a complete photo and the photo cannot have been
//   removed by anybody since: the replacement was complete before this
//   system last started (only a power loss or a crash cuts a rename short,
//   and only on a file system whose renames are not atomic, FAT or exFAT),
//   and nothing in the folder changed since (a photo the user deleted or
//   renamed changed the folder). Any other is left alone: a photo the user
//   removed never comes back, and a leftover is never lost either;
// - one that some writer still holds open is left to that writer.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Deals with the leftovers of each folder once, however many photos a
// command writes there: listing a folder of thousands of files for every
// photo (a round trip on a network share) would cost more than the writes.
// The loop of a command that writes photos owns one for the command; its
// writers share it from several threads.
class ReplacementRecovery {
public:
    ReplacementRecovery() = default;
    ReplacementRecovery(const ReplacementRecovery&) = delete;
    ReplacementRecovery& operator=(const ReplacementRecovery&) = delete;

    // Recovers the folder (with its final separator, as FolderOfPath gives
    // it) unless this object has done so already. A writer that comes while
    // another recovers the folder waits until that has ended: no writer
    // makes its new file in a folder that is being recovered.
    void RecoverOnce(const std::wstring& folder);

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::vector<std::wstring> m_recovered;
};

// folder: the folder's path with its final separator, as FolderOfPath gives it.
void RecoverReplacements(const std::wstring& folder);
