#include "replacement/replacement_recovery.h"

#include <windows.h>

#include <new>

#include "replacement/file_access.h"
#include "heif/heif_scan.h"
#include "jpeg/jpeg_scan.h"
#include "replacement/replacement_name.h"
#include "support/owners.h"

namespace {

// FAT keeps times to two seconds.
const int64_t kTimeSlack = 2 * 10000000LL;

int64_t TimeOf(const FILETIME& time)
{
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// The moment this system last started, in FILETIME units.
int64_t SystemStart()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return TimeOf(now) - static_cast<int64_t>(GetTickCount64()) * 10000;
}

bool FolderLastWrite(const std::wstring& folder, int64_t* time)
{
    KernelHandle handle(CreateFileW(ExtendedLengthPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME written;
    if (!handle.IsValid() || !GetFileTime(handle.Get(), nullptr, nullptr, &written))
        return false;
    *time = TimeOf(written);
    return true;
}

// Whether a leftover holds a whole photo: the one check of completeness for
// every container. A JPEG photo ends where its image ends: markers that
// lead to a frame and, as its last two bytes, the end-of-image marker (a
// file cut short while it was written ends elsewhere: inside the image data
// a 0xFF byte is never followed by 0xD9). A HEIF photo's boxes reach its end.
bool HoldsCompletePhoto(const std::wstring& path)
{
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 4 || size.QuadPart > UINT32_MAX)
        return false;
    FileByteSource source(file.Get(), static_cast<uint32_t>(size.QuadPart));
    source.StartAtFileStart();
    ExifSegmentScan scan;
    LocateExifSegment(source, &scan);
    if (!scan.isJpeg)
        return IsCompleteHeifFile(source);
    uint8_t end[2] = {};
    uint32_t got = 0;
    return scan.isJpeg && !scan.failed && scan.frameWidth > 0 &&
           ReadAt(file.Get(), end, static_cast<uint64_t>(size.QuadPart) - 2, 2, &got) && got == 2 &&
           end[0] == 0xFF && end[1] == 0xD9;
}

struct Leftover {
    std::wstring name;
    int64_t lastWrite;
};

// folderWritten: the folder's last-write time before this recovery did
// anything in it (negative: not known).
void Recover(const std::wstring& folder, const Leftover& leftover, int64_t folderWritten)
{
    std::wstring photoName;
    if (!PhotoNameOfReplacement(leftover.name, &photoName))
        return;
    const std::wstring replacement = ExtendedLengthPath(folder + leftover.name);
    const std::wstring photo = ExtendedLengthPath(folder + photoName);
    if (GetFileAttributesW(photo.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // Fails while a writer holds it: it is shared with nobody.
        DeleteFileW(replacement.c_str());
        return;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND || leftover.lastWrite >= SystemStart() || folderWritten < 0 ||
        folderWritten > leftover.lastWrite + kTimeSlack || !HoldsCompletePhoto(replacement))
        return;
    // Never over a photo that has come back meanwhile. The replacement was
    // made hidden; the photo it stands for is shown again.
    if (MoveFileExW(replacement.c_str(), photo.c_str(), 0)) {
        const DWORD attributes = GetFileAttributesW(photo.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN))
            SetFileAttributesW(photo.c_str(), attributes & ~FILE_ATTRIBUTE_HIDDEN);
    }
}

}  // namespace

void RecoverReplacements(const std::wstring& folder)
{
    // Listed first and dealt with afterwards: the folder's time must be the
    // one from before this recovery deleted or renamed anything.
    std::vector<Leftover> leftovers;
    try {
        WIN32_FIND_DATAW found;
        FindHandle find(ListFolder(ExtendedLengthPath(folder + L"*.~vz*.tmp").c_str(), &found));
        if (!find.IsValid())
            return;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                leftovers.push_back(Leftover{found.cFileName, TimeOf(found.ftLastWriteTime)});
        } while (FindNextFileW(find.Get(), &found));
    } catch (const std::bad_alloc&) {
        return;  // the next write in the folder tries again
    }
    int64_t folderWritten = -1;
    if (!leftovers.empty() && !FolderLastWrite(folder, &folderWritten))
        folderWritten = -1;
    for (const Leftover& leftover : leftovers)
        Recover(folder, leftover, folderWritten);
}

void ReplacementRecovery::RecoverOnce(const std::wstring& folder)
{
    AcquireSRWLockExclusive(&m_lock);
    bool done = false;
    for (const std::wstring& recovered : m_recovered) {
        if (CompareStringOrdinal(recovered.c_str(), static_cast<int>(recovered.size()), folder.c_str(),
                                 static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL) {
            done = true;
            break;
        }
    }
    if (!done) {
        RecoverReplacements(folder);
        try {
            m_recovered.push_back(folder);
        } catch (const std::bad_alloc&) {
            // Recovered again for the next photo of the folder: slower, not wrong.
        }
    }
    ReleaseSRWLockExclusive(&m_lock);
}
