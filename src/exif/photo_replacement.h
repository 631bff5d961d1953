// A new version of a photo, written beside it and put in its place in one
// rename, so that whatever happens (the process killed, a call failing, a
// full disk, a share gone, the power lost once Commit has returned) the
// photo's name holds either its old bytes or the complete new photo.
//
//   Begin     opens a new file in the photo's folder (hidden, named so that
//             nothing takes it for a photo) and gives it the photo's access
//             rules;
//   Append... writes the new photo into it, front to back;
//   Commit    flushes it to the disk, gives it the photo's creation time and
//             attributes, closes the photo, renames the new file over it
//             and flushes again, so that the rename is on the disk too.
//
// A replacement that is not committed deletes its file when it goes. One
// left behind by a process that was killed is dealt with by
// RecoverReplacements (replacement_recovery.h) the next time the engine
// writes in that folder.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "support/owners.h"

class PhotoReplacement {
public:
    PhotoReplacement() = default;
    ~PhotoReplacement();
    PhotoReplacement(const PhotoReplacement&) = delete;
    PhotoReplacement& operator=(const PhotoReplacement&) = delete;

    // photo: the photo, open for reading (with READ_CONTROL) by the caller,
    // who keeps it open, so that nobody changes it meanwhile, and hands it
    // to Commit. E_FAIL when no new file can be made beside the photo (a
    // folder that allows none, a name too long) or it cannot be given the
    // photo's access rules; E_OUTOFMEMORY.
    HRESULT Begin(const wchar_t* photoPath, HANDLE photo);
    // Writes count bytes after those written so far.
    HRESULT Append(const uint8_t* data, uint32_t count);
    // Copies count bytes of the photo from offset, through buffer.
    HRESULT AppendFromPhoto(uint64_t offset, uint64_t count, uint8_t* buffer, uint32_t bufferSize);
    // Puts the new photo in the old one's place; closes photo (which must be
    // the handle given to Begin) on every path. S_OK only once the new photo
    // is durable under the photo's name; otherwise the photo is as it was.
    HRESULT Commit(KernelHandle& photo);

    // Path of the new file (empty before Begin).
    const std::wstring& Path() const { return m_path; }

private:
    HRESULT CopyAccessRules(HANDLE photo);
    HRESULT RenameOverPhoto();
    void Discard();

    std::wstring m_photoPath;
    std::wstring m_path;
    KernelHandle m_file;
    HANDLE m_photo = nullptr;
    uint64_t m_written = 0;
    FILE_BASIC_INFO m_photoInfo = {};
};
