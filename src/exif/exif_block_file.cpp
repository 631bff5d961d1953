// ExifBlock on a file: Open reads the photo, WriteToFile writes the photo
// with the new segment anew and puts it in the old one's place (a HEIF
// file's in exif_block_heif_file.cpp).
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "exif/exif_block.h"
#include "replacement/file_access.h"
#include "heif/heif_scan.h"
#include "replacement/photo_replacement.h"
#include "replacement/replacement_name.h"
#include "replacement/replacement_recovery.h"
#include "replacement/write_results.h"
#include "support/file_extension.h"
#include "support/shortcut.h"

namespace {

// Opened for writing and replacing although only read: a photo the user
// may not write, or not delete (which a rename over it does), is refused
// before anything is made. Nobody else may open it until its replacement
// has taken its place.
HANDLE OpenPhotoForWriting(const wchar_t* path)
{
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

ExifBlock::TransferBuffer::TransferBuffer(uint8_t* readBlock, uint32_t fileSize)
    : m_data(readBlock), m_size(FileByteSource::kCacheSize)
{
    // Copied in large blocks (each call is a round trip to the file
    // system); a photo that the read block holds whole is copied through
    // it, as is any photo when there is no memory for a copy block.
    if (fileSize > m_size) {
        m_own = TakeCopyBlock();
        if (m_own) {
            m_data = m_own.get();
            m_size = kCopyBlockSize;
        }
    }
}

void ExifBlock::Open(const wchar_t* path)
{
    OpenFile(path, false);
}

void ExifBlock::OpenForWriting(const wchar_t* path)
{
    OpenFile(path, true);
}

void ExifBlock::ReleaseHeldFile()
{
    if (m_heldFile) {
        CloseHandle(m_heldFile);
        m_heldFile = nullptr;
    }
}

void ExifBlock::OpenFile(const wchar_t* path, bool forWriting)
{
    Reset();
    if (!path)
        return;
    // A shortcut stands for its target. A path that would have to be cut to
    // fit the buffer is refused (empty): it could name another file.
    if (FAILED(ResolveShortcut(path, m_path, static_cast<int>(kPathCapacity), nullptr, FALSE)) || !m_path[0]) {
        m_path[0] = 0;
        return;
    }
    KernelHandle file(forWriting ? OpenPhotoForWriting(m_path) : INVALID_HANDLE_VALUE);
    const bool held = file.IsValid();
    if (!held)
        file.Reset(CreateFileW(m_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    // The stamp holds the size: one question to the file system fewer.
    if (!file.IsValid() || !ReadFileStamp(file.Get(), &m_readStamp) || m_readStamp.size > UINT32_MAX)
        return;
    const uint32_t size = static_cast<uint32_t>(m_readStamp.size);
    if (!m_readBlock)
        m_readBlock = TakeReadBlock();
    FileByteSource source(file.Get(), size, m_readBlock.get());
    source.StartAtFileStart();
    // The name says which container the photo must be: HEIF data under a
    // JPEG name is no photo, as JPEG data under a HEIF name is none.
    if (IsHeifExtension(FindExtension(m_path))) {
        if (IsHeifFile(source))
            OpenHeif(source);
    } else {
        OpenJpeg(source);
    }
    if (held && IsPhoto())
        m_heldFile = file.Release();
}

void ExifBlock::OpenJpeg(FileByteSource& source)
{
    ExifSegmentScan scan;
    LocateExifSegment(source, &scan);
    // The segment is parsed where the large read put it, unless the scan
    // went on beyond that read; then it is read on its own.
    const uint8_t* segment = scan.success ? source.Cached(scan.offset, scan.size) : nullptr;
    std::unique_ptr<uint8_t[]> ownSegment;
    if (scan.success && !segment) {
        ownSegment.reset(new (std::nothrow) uint8_t[scan.size]);
        uint32_t got = 0;
        if (ownSegment && (!source.ReadAt(scan.offset, ownSegment.get(), scan.size, &got) || got != scan.size))
            ownSegment.reset();
        segment = ownSegment.get();
    }
    TakeScan(scan, segment);
}

HRESULT ExifBlock::WriteToFile(ReplacementRecovery* recovery)
{
    if (!IsPhoto() || !m_path[0])
        return E_FAIL;
    // The handle that OpenForWriting kept (nobody could change the photo
    // since it was read), or the photo opened anew for writing and
    // replacing.
    KernelHandle file(m_heldFile ? m_heldFile : OpenPhotoForWriting(m_path));
    m_heldFile = nullptr;
    if (!file.IsValid())
        return E_FAIL;
    // The photo keeps the name it has on the disk, whatever the caller
    // spelled (another case, a short name, a link to it).
    const std::wstring photoPath = PathOnDisk(file.Get(), m_path);
    if (photoPath.empty())
        return E_FAIL;
    // What a writer that was killed left in this folder, before this one
    // adds its own.
    if (recovery)
        recovery->RecoverOnce(FolderOfPath(photoPath));
    else
        RecoverReplacements(FolderOfPath(photoPath));

    // Another program may have written the photo since Open read it: the
    // new photo would be made from bytes that are gone.
    FileStamp now;
    if (!ReadFileStamp(file.Get(), &now) || !IsSameState(now, m_readStamp))
        return VZ_E_PHOTO_CHANGED;
    uint32_t fileSize = 0;
    HRESULT hr = GetFileSize32(file.Get(), &fileSize) ? S_OK : E_FAIL;
    if (SUCCEEDED(hr) && !m_readBlock) {
        m_readBlock = TakeReadBlock();
        if (!m_readBlock)
            hr = E_OUTOFMEMORY;
    }

    if (SUCCEEDED(hr) && m_isHeif)
        return WriteHeifFile(photoPath.c_str(), file, fileSize);

    // The file was closed after Open: it must still hold the segment that
    // Open parsed (or none, when Open found none).
    ExifSegmentScan rescan;
    if (SUCCEEDED(hr)) {
        FileByteSource source(file.Get(), fileSize, m_readBlock.get());
        LocateExifSegment(source, &rescan);
        hr = CheckRescan(rescan);
    }
    if (SUCCEEDED(hr) && !m_root)
        return S_FALSE;  // no tree, no segment: nothing to write

    OwnedBytes segment;
    if (SUCCEEDED(hr)) {
        segment = BuildExifSegment();
        if (!segment.data)
            hr = E_FAIL;
    }
    const uint64_t start = rescan.offset;
    const uint64_t tail = start + rescan.size;
    if (SUCCEEDED(hr) && static_cast<uint64_t>(fileSize) - rescan.size + segment.size > UINT32_MAX)
        hr = E_FAIL;

    // The new photo: the bytes before the old segment, the new segment, the
    // bytes after the old one.
    TransferBuffer transfer(m_readBlock.get(), fileSize);
    PhotoReplacement replacement;
    if (SUCCEEDED(hr))
        hr = replacement.Begin(photoPath.c_str(), file.Get());
    if (SUCCEEDED(hr))
        hr = replacement.AppendFromPhoto(0, start, transfer.Data(), transfer.Size());
    if (SUCCEEDED(hr))
        hr = replacement.Append(segment.data.get(), static_cast<uint32_t>(segment.size));
    if (SUCCEEDED(hr))
        hr = replacement.AppendFromPhoto(tail, fileSize - tail, transfer.Data(), transfer.Size());
    if (SUCCEEDED(hr))
        hr = CommitReplacement(replacement, file);
    if (SUCCEEDED(hr) || hr == VZ_E_RENAME_NOT_FLUSHED) {
        // The file now holds the new segment: a second write replaces it.
        m_parsedOffset = static_cast<uint32_t>(start);
        m_parsedSize = static_cast<uint32_t>(segment.size);
    }
    return hr;
}

HRESULT ExifBlock::CommitReplacement(PhotoReplacement& replacement, KernelHandle& file)
{
    const HRESULT hr = replacement.Commit(file);
    // The photo's name now holds what this block wrote: a second write of
    // the block compares with that.
    if (SUCCEEDED(hr) || hr == VZ_E_RENAME_NOT_FLUSHED)
        m_readStamp = replacement.NewStamp();
    return hr;
}
