// A new version of a photo, written beside it and put in its place in one
// rename, so that whatever happens (the process killed, a call failing, a
// full disk, a share gone, the power lost once Commit has returned) the
// photo's name holds either its old bytes or the complete new photo.
//
//   Begin     opens a new file in the photo's folder (hidden, named so that
//             nothing takes it for a photo, encrypted and compressed as the
//             photo is, marked to be deleted when its handle goes) and gives
//             it the photo's access rules;
//   Append... writes the new photo into it, front to back;
//   Commit    gives it the photo's creation time and attributes, flushes it
//             to the disk, closes the photo, and unless another program
//             changed the photo meanwhile clears the mark and renames the
//             new file over the photo; then it flushes again, so that the
//             rename is on the disk too.
//
// A replacement that is not committed deletes its file when it goes; so
// does the system when the writer is killed before the mark is cleared.
// One left behind all the same (killed in the moment between the mark and
// the rename, a power loss) is dealt with by ReplacementRecovery
// (replacement_recovery.h) the next time the engine writes in that folder.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "replacement/file_stamp.h"
#include "support/owners.h"

class PhotoReplacement {
public:
    PhotoReplacement() = default;
    ~PhotoReplacement();
    PhotoReplacement(const PhotoReplacement&) = delete;
    PhotoReplacement& operator=(const PhotoReplacement&) = delete;

    // photo: the photo, open for reading (with READ_CONTROL) by the caller,
    // who keeps it open, so that nobody changes it meanwhile, and hands it
    // to Commit; photoPath: its path as PathOnDisk gives it. E_FAIL when no
    // new file can be made beside the photo (a folder that allows none, a
    // name too long), it cannot be encrypted as the photo is, or it cannot
    // be given the photo's access rules; E_OUTOFMEMORY.
    HRESULT Begin(const wchar_t* photoPath, HANDLE photo);
    // Begins a file that does not exist yet (a new sidecar): the new file
    // takes the access rules its folder passes on, and Commit (given an
    // empty handle) renames it to path in a rename that replaces nothing,
    // VZ_E_PHOTO_CHANGED when a file of that name has appeared meanwhile.
    HRESULT BeginNew(const wchar_t* path);
    // Writes count bytes after those written so far.
    HRESULT Append(const uint8_t* data, uint32_t count);
    // Copies count bytes of the photo from offset, through buffer.
    HRESULT AppendFromPhoto(uint64_t offset, uint64_t count, uint8_t* buffer, uint32_t bufferSize);
    // Puts the new photo in the old one's place; closes photo (which must be
    // the handle given to Begin) on every path. S_OK only once the new photo
    // is durable under the photo's name. VZ_E_RENAME_NOT_FLUSHED: the new
    // photo has the photo's name, but the flush after the rename failed.
    // VZ_E_PHOTO_CHANGED: another program changed the photo once it was
    // closed, and it is left as that program made it. Any other failure:
    // the photo is as it was.
    HRESULT Commit(KernelHandle& photo);

    // Path of the new file (empty before Begin).
    const std::wstring& Path() const { return m_path; }
    // The stamp of the new photo under the photo's name, once Commit has
    // put it there.
    const FileStamp& NewStamp() const { return m_newStamp; }

private:
    // Makes the new file under a free name beside the photo (m_path), marked
    // to be deleted when its handle goes, and reads its stamp.
    HRESULT CreateMarkedFile(bool mayChangeRules, DWORD photoAttributes);
    enum class Place { Photo, Replacement, Unknown };

    HRESULT MatchPhotoAttributes();
    HRESULT CopyAccessRules(HANDLE photo);
    HRESULT RenameOverPhoto();
    HRESULT RenameToNewName();
    // Where the new file is after a rename that reported failure.
    Place LocateNewFile() const;
    // Deletes the new file through its handle (before any rename was tried).
    void Discard();
    // Closes the new file and deletes what its name holds: after a rename
    // was tried, the handle may stand for the photo.
    void DiscardByName();

    std::wstring m_photoPath;
    std::wstring m_path;
    KernelHandle m_file;
    HANDLE m_photo = nullptr;
    uint64_t m_written = 0;
    FILE_BASIC_INFO m_photoInfo = {};
    FileStamp m_photoStamp;
    FileStamp m_fileStamp;
    FileStamp m_newStamp;
    bool m_createsFile = false;  // begun by BeginNew
};
