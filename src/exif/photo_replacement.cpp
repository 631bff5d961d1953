#include "exif/photo_replacement.h"

#include <aclapi.h>

#include <cstring>
#include <memory>
#include <new>

#include "exif/file_access.h"
#include "exif/replacement_name.h"

namespace {

// Attempts at a unique name before giving up: another writer of the same
// process and count would have to hold every one of them.
const unsigned kNameAttempts = 16;
// A photo that some program has just opened (a thumbnail, a virus scan) is
// tried again a few times before its replacement gives up.
const unsigned kRenameAttempts = 5;
const DWORD kFirstRenamePause = 20;

// The attributes a photo keeps across its replacement. Archive is set as
// Windows sets it on every change: the photo has changed, and backups must
// see it.
const DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Frees what GetSecurityInfo gives.
class LocalMemory {
public:
    ~LocalMemory() { LocalFree(m_memory); }
    PSECURITY_DESCRIPTOR* Put() { return &m_memory; }
    PSECURITY_DESCRIPTOR Get() const { return m_memory; }

private:
    PSECURITY_DESCRIPTOR m_memory = nullptr;
};

struct AccessRules {
    LocalMemory descriptor;
    PACL dacl = nullptr;
    bool isProtected = false;
};

// A new file that nobody else may open until it is closed.
HANDLE CreateNewFile(const std::wstring& path, bool mayChangeRules)
{
    const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE | (mayChangeRules ? WRITE_DAC : 0);
    return CreateFileW(path.c_str(), access, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN,
                       nullptr);
}

bool ReadAccessRules(HANDLE file, AccessRules* rules)
{
    if (GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &rules->dacl, nullptr,
                        rules->descriptor.Put()) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(rules->descriptor.Get(), &control, &revision))
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

}  // namespace

PhotoReplacement::~PhotoReplacement()
{
    Discard();
}

HRESULT PhotoReplacement::Begin(const wchar_t* photoPath, HANDLE photo)
{
    Discard();
    m_photo = photo;
    m_photoPath = FullPathOf(photoPath);
    HRESULT hr = m_photoPath.empty() ? E_FAIL : S_OK;
    if (SUCCEEDED(hr) && !GetFileInformationByHandleEx(photo, FileBasicInfo, &m_photoInfo, sizeof(m_photoInfo)))
        hr = E_FAIL;
    // Nobody else may open the new file: a recovery running in another
    // window cannot take it for a leftover, and nothing reads it half done.
    for (unsigned attempt = 0; SUCCEEDED(hr) && !m_file.IsValid(); ++attempt) {
        m_path = ReplacementPathFor(m_photoPath, attempt);
        if (m_path.empty()) {
            hr = E_FAIL;
            break;
        }
        m_file.Reset(CreateNewFile(m_path, true));
        // A share may refuse a creator the right to set access rules; the
        // new file is made without it, and a photo whose rules differ from
        // those it gets is then not replaced.
        if (!m_file.IsValid() && GetLastError() == ERROR_ACCESS_DENIED)
            m_file.Reset(CreateNewFile(m_path, false));
        const DWORD error = m_file.IsValid() ? ERROR_SUCCESS : GetLastError();
        if (!m_file.IsValid() && ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ||
                                  attempt + 1 == kNameAttempts)) {
            m_path.clear();
            hr = E_FAIL;
        }
    }
    if (SUCCEEDED(hr))
        hr = CopyAccessRules(photo);
    if (FAILED(hr))
        Discard();
    return hr;
}

// A new file takes the access rules that its folder passes on, which are
// the photo's own unless somebody set others on the photo: those are copied,
// and a photo whose rules cannot be carried over is not replaced (its
// replacement could be open to people the photo was closed to). The owner
// becomes the user who writes, as with any program that saves a file anew.
HRESULT PhotoReplacement::CopyAccessRules(HANDLE photo)
{
    AccessRules photoRules, newRules;
    // A file system without access rules (FAT) has none to copy.
    if (!ReadAccessRules(photo, &photoRules))
        return S_OK;
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
        const uint32_t n = count < bufferSize ? static_cast<uint32_t>(count) : bufferSize;
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
    if (SUCCEEDED(hr))
        hr = RenameOverPhoto();
    if (FAILED(hr)) {
        Discard();
        return hr;
    }
    // The rename is on the disk too before the photo counts as written.
    // Should this flush fail, the photo's name already holds the new photo,
    // whole and flushed: the rename cannot be taken back, and the photo is
    // written (a power loss just now could still bring back the old one).
    FlushFile(m_file.Get());
    m_file.Reset();
    m_path.clear();
    return S_OK;
}

HRESULT PhotoReplacement::RenameOverPhoto()
{
    const std::wstring target = NativePath(m_photoPath);
    if (target.empty())
        return E_FAIL;
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    const size_t size = sizeof(FILE_RENAME_INFO) + nameBytes;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]());
    if (!buffer)
        return E_OUTOFMEMORY;
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, target.c_str(), nameBytes);
    // Renamed by its own handle: the new file stays closed to everybody else
    // until it is the photo.
    for (unsigned attempt = 0;; ++attempt) {
        if (SetFileInformation(m_file.Get(), FileRenameInfo, info, static_cast<DWORD>(size)))
            return S_OK;
        const DWORD error = GetLastError();
        if (attempt + 1 == kRenameAttempts || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return E_FAIL;
        Sleep(kFirstRenamePause << attempt);
    }
}

void PhotoReplacement::Discard()
{
    if (m_file.IsValid()) {
        FILE_DISPOSITION_INFO disposition = {};
        disposition.DeleteFile = TRUE;
        const bool marked = SetFileInformation(m_file.Get(), FileDispositionInfo, &disposition, sizeof(disposition));
        m_file.Reset();
        if (!marked)
            DeleteFileW(m_path.c_str());
    }
    m_path.clear();
    m_written = 0;
}
