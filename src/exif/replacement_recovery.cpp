#include "exif/replacement_recovery.h"

#include <windows.h>

#include "exif/file_access.h"
#include "exif/heif_scan.h"
#include "exif/jpeg_scan.h"
#include "exif/replacement_name.h"
#include "support/owners.h"

namespace {

// A JPEG photo that ends where its image ends: markers that lead to a frame
// and, as its last two bytes, the end-of-image marker. A file cut short
// while it was written ends elsewhere: inside the image data a 0xFF byte is
// never followed by 0xD9. A HEIF photo whose boxes reach its end.
bool HoldsCompletePhoto(const std::wstring& path)
{
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 4 || size.QuadPart > UINT32_MAX)
        return false;
    FileByteSource source(file.Get(), static_cast<uint32_t>(size.QuadPart));
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

void Recover(const std::wstring& folder, const std::wstring& name)
{
    std::wstring photoName;
    if (!PhotoNameOfReplacement(name, &photoName))
        return;
    const std::wstring replacement = ExtendedLengthPath(folder + name);
    const std::wstring photo = ExtendedLengthPath(folder + photoName);
    if (GetFileAttributesW(photo.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // Fails while a writer holds it: it is shared with nobody.
        DeleteFileW(replacement.c_str());
        return;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND || !HoldsCompletePhoto(replacement))
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
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW(ExtendedLengthPath(folder + L"*.~vz*.tmp").c_str(), &found));
    if (!find.IsValid())
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            Recover(folder, found.cFileName);
    } while (FindNextFileW(find.Get(), &found));
}
