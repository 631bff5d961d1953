#include "replacement/photo_replacement.h"

#include <aclapi.h>

#include <cstring>
#include <memory>
#include <new>

#include "replacement/file_access.h"
#include "replacement/replacement_name.h"
#include "replacement/write_results.h"

namespace {

// Attempts at a unique name before giving up: another writer of the same
// process and count would have to hold every one of them.
const unsigned kNameAttempts = 16;
// A photo that some program has just opened (a thumbnail, a virus scan) is
// tried again a few times before its replacement gives up.
const unsigned kRenameAttempts = 5;
const DWORD kFirstRenamePause = 20;
// Large copies read the photo at multiples of this: a multiple of every
// page and cluster size in use.
const uint32_t kCopyAlignment = 64 * 1024;

// The attributes a photo keeps across its replacement. Archive is set as
// Windows sets it on every change: the photo has changed, and backups must
// see it.
const DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A file's security descriptor with its DACL alone, in a buffer of its own.
struct AccessRules {
    PSECURITY_DESCRIPTOR Descriptor() { return large ? large.get() : inPlace; }

    alignas(8) uint8_t inPlace[1024];
    std::unique_ptr<uint8_t[]> large;
    PACL dacl = nullptr;
    bool isProtected = false;
};

// A new file that nobody else may open until it is closed; encrypted when
// the photo is (a file takes its folder's state otherwise).
HANDLE CreateNewFile(const std::wstring& path, bool mayChangeRules, DWORD photoAttributes)
{
    const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE | (mayChangeRules ? WRITE_DAC : 0);
    const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | (photoAttributes & FILE_ATTRIBUTE_ENCRYPTED);
    return CreateFileW(path.c_str(), access, 0, nullptr, CREATE_NEW, attributes | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Marks the file to be deleted when its last handle goes, or clears that.
bool SetDeletion(HANDLE file, bool remove)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformation(file, FileDispositionInfo, &disposition, sizeof(disposition));
}

// Whether the file system of an open file keeps access rules (NTFS, ReFS,
// most shares) or has none to keep (FAT, exFAT).
bool KeepsAccessRules(HANDLE file)
{
    DWORD flags = 0;
    return !GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
           (flags & FILE_PERSISTENT_ACLS) != 0;
}

// Read in one call into a buffer that holds almost every file's rules
// (GetSecurityInfo asks twice: for the size, then for the rules).
bool ReadAccessRules(HANDLE file, AccessRules* rules)
{
    DWORD needed = 0;
    if (!GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, rules->Descriptor(), sizeof(rules->inPlace),
                                 &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= sizeof(rules->inPlace))
            return false;
        rules->large.reset(new (std::nothrow) uint8_t[needed]);
        if (!rules->large || !GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, rules->Descriptor(),
                                                      needed, &needed))
            return false;
    }
    BOOL present = FALSE, defaulted = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorDacl(rules->Descriptor(), &present, &rules->dacl, &defaulted) ||
        !GetSecurityDescriptorControl(rules->Descriptor(), &control, &revision))
        return false;
    if (!present)
        rules->dacl = nullptr;
    rules->isProtected = (control & SE_DACL_PROTECTED) != 0;
    return true;
}

bool SameAccessRules(const AccessRules& a, const AccessRules& b)
{
    if (a.isProtected != b.isProtected || (a.dacl == nullptr) != (b.dacl == nullptr))
        return false;
    return a.dacl == nullptr ||
           (a.dacl->AclSize == b.dacl->AclSize && std::memcmp(a.dacl, b.dacl, a.dacl->AclSize) == 0);
}

// The FILE_RENAME_INFO that renames a file to target (a native path) and
// its size in *size; null for no target or without memory.
std::unique_ptr<uint8_t[]> RenameInfoFor(const std::wstring& target, bool replace, DWORD* size)
{
    if (target.empty())
        return nullptr;
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    *size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + nameBytes);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[*size]());
    if (!buffer)
        return nullptr;
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, target.c_str(), nameBytes);
    return buffer;
}

}  // namespace

PhotoReplacement::~PhotoReplacement()
{
    Discard();
}

HRESULT PhotoReplacement::Begin(const wchar_t* photoPath, HANDLE photo)
{
    Discard();
    m_createsFile = false;
    m_photo = photo;
    m_photoPath = FullPathOf(photoPath);
    HRESULT hr = m_photoPath.empty() ? E_FAIL : S_OK;
    if (SUCCEEDED(hr) && (!GetFileInformationByHandleEx(photo, FileBasicInfo, &m_photoInfo, sizeof(m_photoInfo)) ||
                          !ReadFileStamp(photo, &m_photoStamp)))
        hr = E_FAIL;
    // Nobody else may open the new file: a recovery running in another
    // window cannot take it for a leftover, and nothing reads it half done.
    if (SUCCEEDED(hr))
        hr = CreateMarkedFile(true, m_photoInfo.FileAttributes);
    if (SUCCEEDED(hr))
        hr = MatchPhotoAttributes();
    if (SUCCEEDED(hr))
        hr = CopyAccessRules(photo);
    if (FAILED(hr))
        Discard();
    return hr;
}

HRESULT PhotoReplacement::CreateMarkedFile(bool mayChangeRules, DWORD photoAttributes)
{
    for (unsigned attempt = 0; !m_file.IsValid(); ++attempt) {
        m_path = ReplacementPathFor(m_photoPath, attempt);
        if (m_path.empty())
            return E_FAIL;
        m_file.Reset(CreateNewFile(m_path, mayChangeRules, photoAttributes));
        // A share may refuse a creator the right to set access rules; the
        // new file is made without it, and a photo whose rules differ from
        // those it gets is then not replaced.
        if (mayChangeRules && !m_file.IsValid() && GetLastError() == ERROR_ACCESS_DENIED)
            m_file.Reset(CreateNewFile(m_path, false, photoAttributes));
        const DWORD error = m_file.IsValid() ? ERROR_SUCCESS : GetLastError();
        if (!m_file.IsValid() && ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ||
                                  attempt + 1 == kNameAttempts)) {
            m_path.clear();
            return E_FAIL;
        }
    }
    // A writer killed from now on leaves nothing: the system deletes the
    // file when its handle goes. Where the mark cannot be set, a leftover is
    // dealt with by the next write in the folder.
    SetDeletion(m_file.Get(), true);
    return ReadFileStamp(m_file.Get(), &m_fileStamp) ? S_OK : E_FAIL;
}

// An encrypted photo is never replaced by a plain file: where the new file
// could not be made encrypted (no encryption on this volume or for this
// user), the photo is not written. Compression follows the photo's; where
// it cannot be set, the photo's bytes are still the same.
HRESULT PhotoReplacement::MatchPhotoAttributes()
{
    FILE_BASIC_INFO made = {};
    if (!GetFileInformationByHandleEx(m_file.Get(), FileBasicInfo, &made, sizeof(made)))
        return E_FAIL;
    if ((m_photoInfo.FileAttributes & FILE_ATTRIBUTE_ENCRYPTED) && !(made.FileAttributes & FILE_ATTRIBUTE_ENCRYPTED))
        return E_FAIL;
    const bool compressed = (m_photoInfo.FileAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0;
    if (compressed != ((made.FileAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0)) {
        USHORT format = compressed ? COMPRESSION_FORMAT_DEFAULT : COMPRESSION_FORMAT_NONE;
        DWORD returned = 0;
        DeviceIoControl(m_file.Get(), FSCTL_SET_COMPRESSION, &format, sizeof(format), nullptr, 0, &returned, nullptr);
    }
    return S_OK;
}

// A new file takes the access rules that its folder passes on, which are
// the photo's own unless somebody set others on the photo: those are copied,
// and a photo whose rules cannot be carried over is not replaced (its
// replacement could be open to people the photo was closed to). The owner
// becomes the user who writes, as with any program that saves a file anew.
HRESULT PhotoReplacement::CopyAccessRules(HANDLE photo)
{
    AccessRules photoRules, newRules;
    // A file system without access rules (FAT, exFAT) has none to copy.
    // Elsewhere, rules that cannot be read may be narrower than those the
    // folder passes on: the photo is not replaced.
    if (!ReadAccessRules(photo, &photoRules))
        return KeepsAccessRules(photo) ? E_FAIL : S_OK;
    if (ReadAccessRules(m_file.Get(), &newRules) && SameAccessRules(photoRules, newRules))
        return S_OK;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (photoRules.isProtected
                                                                       ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return SetSecurityInfo(m_file.Get(), SE_FILE_OBJECT, what, nullptr, nullptr, photoRules.dacl, nullptr) ==
                   ERROR_SUCCESS
               ? S_OK
               : E_FAIL;
}

HRESULT PhotoReplacement::Append(const uint8_t* data, uint32_t count)
{
    if (!m_file.IsValid() || !WriteAt(m_file.Get(), data, m_written, count))
        return E_FAIL;
    m_written += count;
    return S_OK;
}

HRESULT PhotoReplacement::AppendFromPhoto(uint64_t offset, uint64_t count, uint8_t* buffer, uint32_t bufferSize)
{
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && count > 0) {
        uint32_t n = count < bufferSize ? static_cast<uint32_t>(count) : bufferSize;
        // Each read but the first and the last starts and ends on a multiple
        // of kCopyAlignment: the system serves whole pages of its cache (and
        // whole clusters from the disk) instead of splitting each one
        // between two reads.
        const uint32_t past = static_cast<uint32_t>((offset + n) % kCopyAlignment);
        if (n < count && past < n)
            n -= past;
        uint32_t got = 0;
        hr = ReadAt(m_photo, buffer, offset, n, &got) && got == n ? Append(buffer, n) : E_FAIL;
        offset += n;
        count -= n;
    }
    return hr;
}

HRESULT PhotoReplacement::Commit(KernelHandle& photo)
{
    HRESULT hr = m_file.IsValid() && photo.Get() == m_photo ? S_OK : E_FAIL;
    if (SUCCEEDED(hr)) {
        FILE_BASIC_INFO info = {};
        info.CreationTime = m_photoInfo.CreationTime;
        info.FileAttributes = (m_photoInfo.FileAttributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        if (!SetFileInformation(m_file.Get(), FileBasicInfo, &info, sizeof(info)))
            hr = E_FAIL;
    }
    // The new photo is on the disk before its name is: a power loss after
    // the rename finds it whole.
    if (SUCCEEDED(hr) && !FlushFile(m_file.Get()))
        hr = E_FAIL;
    // Windows replaces no file that is open, not even by the replacer.
    photo.Reset();
    m_photo = nullptr;
    if (FAILED(hr)) {
        Discard();
        return hr;
    }
    hr = m_createsFile ? RenameToNewName() : RenameOverPhoto();
    if (FAILED(hr)) {
        DiscardByName();
        return hr;
    }
    // The rename is on the disk too before the photo counts as written.
    // Should this flush fail, the photo's name already holds the new photo,
    // whole and flushed, and the rename cannot be taken back; but a power
    // loss now could still bring back the old photo, and the caller must
    // not claim more than that.
    hr = FlushFile(m_file.Get()) ? S_OK : VZ_E_RENAME_NOT_FLUSHED;
    ReadFileStamp(m_file.Get(), &m_newStamp);
    m_file.Reset();
    m_path.clear();
    return hr;
}

HRESULT PhotoReplacement::RenameOverPhoto()
{
    const std::wstring target = NativePath(m_photoPath);
    DWORD size = 0;
    std::unique_ptr<uint8_t[]> buffer = RenameInfoFor(target, true, &size);
    if (!buffer)
        return target.empty() ? E_FAIL : E_OUTOFMEMORY;
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    // Renamed by its own handle: the new file stays closed to everybody else
    // until it is the photo.
    for (unsigned attempt = 0;; ++attempt) {
        // The photo was closed for the rename: another program may have
        // written it, replaced it or removed it since. Its work is never
        // overwritten with a photo made from the bytes it replaced.
        // Its size and times are asked for by name, without a handle: the
        // moment between that question and the rename stays as short as
        // the one between closing the photo and the rename would be.
        // Another file put under the photo's name has a change time of its
        // own (a rename or a link sets it).
        FileStamp now;
        if (!ReadFileStateAt(target, &now) || !IsSameState(now, m_photoStamp)) {
            // Unless that change was this rename, reported as failed but
            // done all the same.
            return attempt > 0 && LocateNewFile() == Place::Photo ? S_OK : VZ_E_PHOTO_CHANGED;
        }
        // Complete and on the disk: the file is kept should the writer die
        // from now on, and recovery finds it whole. Cleared at the last
        // moment, so that hardly any writer is killed in between.
        if (!SetDeletion(m_file.Get(), false))
            return E_FAIL;
        if (SetFileInformation(m_file.Get(), FileRenameInfo, info, size))
            return S_OK;
        const DWORD error = GetLastError();
        // A rename can be done and still reported as failed (a share's
        // reply lost, a filter failing the call after it ran): then the
        // handle is the photo now, and the write has succeeded.
        const Place place = LocateNewFile();
        if (place == Place::Photo)
            return S_OK;
        if (place != Place::Replacement || attempt + 1 == kRenameAttempts ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return E_FAIL;
        // Still the new file, under its own name: marked again while the
        // rename waits.
        SetDeletion(m_file.Get(), true);
        Sleep(kFirstRenamePause << attempt);
    }
}

PhotoReplacement::Place PhotoReplacement::LocateNewFile() const
{
    FileStamp atName;
    if (ReadFileStampAt(m_photoPath, &atName) && IsSameFile(atName, m_fileStamp))
        return Place::Photo;
    if (ReadFileStampAt(m_path, &atName) && IsSameFile(atName, m_fileStamp))
        return Place::Replacement;
    return Place::Unknown;
}

void PhotoReplacement::DiscardByName()
{
    // Deleting through the handle would delete the photo, should the rename
    // have happened after all. What the replacement's name holds is never
    // the photo.
    if (m_file.IsValid()) {
        m_file.Reset();
        DeleteFileW(m_path.c_str());
    }
    m_path.clear();
    m_written = 0;
}

void PhotoReplacement::Discard()
{
    if (m_file.IsValid()) {
        const bool marked = SetDeletion(m_file.Get(), true);
        m_file.Reset();
        if (!marked)
            DeleteFileW(m_path.c_str());
    }
    m_path.clear();
    m_written = 0;
}

HRESULT PhotoReplacement::BeginNew(const wchar_t* path)
{
    Discard();
    m_createsFile = true;
    m_photo = nullptr;
    m_photoInfo = FILE_BASIC_INFO();
    m_photoStamp = FileStamp();
    m_photoPath = FullPathOf(path);
    HRESULT hr = m_photoPath.empty() ? E_FAIL : S_OK;
    if (SUCCEEDED(hr))
        hr = CreateMarkedFile(false, 0);
    if (FAILED(hr))
        Discard();
    return hr;
}

// The rename of a new file to its name, which replaces nothing: a file
// that another program put under that name meanwhile stays.
HRESULT PhotoReplacement::RenameToNewName()
{
    const std::wstring target = NativePath(m_photoPath);
    DWORD size = 0;
    std::unique_ptr<uint8_t[]> buffer = RenameInfoFor(target, false, &size);
    if (!buffer)
        return target.empty() ? E_FAIL : E_OUTOFMEMORY;
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    if (!SetDeletion(m_file.Get(), false))
        return E_FAIL;
    if (SetFileInformation(m_file.Get(), FileRenameInfo, info, size))
        return S_OK;
    const DWORD error = GetLastError();
    // Done all the same, though reported as failed (see RenameOverPhoto).
    const Place place = LocateNewFile();
    if (place == Place::Photo)
        return S_OK;
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? VZ_E_PHOTO_CHANGED : E_FAIL;
}
