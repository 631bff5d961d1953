// ExifBlock on a file: Open reads the photo, WriteToFile puts the new
// segment into it in place.
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "exif/exif_block.h"
#include "exif/file_access.h"
#include "support/shortcut.h"

namespace {

// Size of an open file, when it fits the 32-bit positions of the engine.
bool GetFileSize32(HANDLE file, uint32_t* size)
{
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length) || length.QuadPart < 0 || length.QuadPart > UINT32_MAX)
        return false;
    *size = static_cast<uint32_t>(length.QuadPart);
    return true;
}

// Moves the bytes [from, fileSize) by distance (positive: toward the end),
// in blocks through buffer, in the direction that never overwrites bytes
// not yet read. Stops at the first failing read or write; *written tells
// whether a write had been tried by then.
bool MoveTail(HANDLE file, uint8_t* buffer, uint32_t bufferSize, uint64_t from, uint64_t fileSize, int64_t distance,
              bool* written)
{
    *written = false;
    if (distance > 0) {
        uint64_t remaining = fileSize - from;
        while (remaining > 0) {
            uint32_t n = remaining < bufferSize ? static_cast<uint32_t>(remaining) : bufferSize;
            uint64_t source = from + remaining - n;
            uint32_t got = 0;
            if (!ReadAt(file, buffer, source, n, &got) || got != n)
                return false;
            *written = true;
            if (!WriteAt(file, buffer, source + static_cast<uint64_t>(distance), n))
                return false;
            remaining -= n;
        }
    } else {
        for (uint64_t source = from; source < fileSize;) {
            uint64_t left = fileSize - source;
            uint32_t n = left < bufferSize ? static_cast<uint32_t>(left) : bufferSize;
            uint32_t got = 0;
            if (!ReadAt(file, buffer, source, n, &got) || got != n)
                return false;
            *written = true;
            if (!WriteAt(file, buffer, source - static_cast<uint64_t>(-distance), n))
                return false;
            source += n;
        }
    }
    return true;
}

}  // namespace

void ExifBlock::Open(const wchar_t* path)
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
    KernelHandle file(CreateFileW(m_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    uint32_t size = 0;
    if (!file.IsValid() || !GetFileSize32(file.Get(), &size))
        return;
    if (!m_readBlock)
        m_readBlock.reset(new (std::nothrow) uint8_t[FileByteSource::kCacheSize]);
    FileByteSource source(file.Get(), size, m_readBlock.get());
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

HRESULT ExifBlock::WriteToFile()
{
    if (!m_isJpeg || !m_path[0])
        return E_FAIL;
    // Nobody else may open the photo while it is rewritten.
    KernelHandle file(CreateFileW(m_path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    uint32_t fileSize = 0;
    HRESULT hr = file.IsValid() && GetFileSize32(file.Get(), &fileSize) ? S_OK : E_FAIL;

    // One buffer serves the rescan's large read and then the move of the
    // rest of the file.
    static_assert(kTransferBufferSize <= FileByteSource::kCacheSize, "the read buffer carries the move");
    if (SUCCEEDED(hr) && !m_readBlock) {
        m_readBlock.reset(new (std::nothrow) uint8_t[FileByteSource::kCacheSize]);
        if (!m_readBlock)
            hr = E_FAIL;
    }

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
    const uint64_t newSize = static_cast<uint64_t>(fileSize) - rescan.size + segment.size;
    if (SUCCEEDED(hr) && newSize > UINT32_MAX)
        hr = E_FAIL;
    uint8_t* transfer = m_readBlock.get();

    const int64_t distance = static_cast<int64_t>(segment.size) - static_cast<int64_t>(rescan.size);
    if (SUCCEEDED(hr) && distance > 0) {
        // Grow to the final length first by writing the new end (file
        // systems with sparse files allocate only on writing): a full disk
        // shows here, before any byte has moved, and the old length comes
        // back. The move overwrites the filler.
        std::memset(transfer, 0, kTransferBufferSize);
        bool grown = true;
        for (uint64_t at = fileSize; grown && at < newSize; at += kTransferBufferSize) {
            uint64_t left = newSize - at;
            grown = WriteAt(file.Get(), transfer, at,
                            left < kTransferBufferSize ? static_cast<uint32_t>(left) : kTransferBufferSize);
        }
        if (!grown) {
            SetFileLength(file.Get(), fileSize);
            hr = E_FAIL;
        }
    }
    if (SUCCEEDED(hr) && distance != 0) {
        bool written = false;
        if (!MoveTail(file.Get(), transfer, kTransferBufferSize, tail, fileSize, distance, &written)) {
            // A move that failed before its first write has changed nothing
            // but the length of a growing file: the old length comes back.
            if (!written && distance > 0)
                SetFileLength(file.Get(), fileSize);
            hr = E_FAIL;
        }
    }
    // The segment goes in once the tail is out of its way, and before a
    // shrinking file is cut to its new length: should the cut fail, the
    // photo is whole all the same, followed by stale bytes after its end.
    if (SUCCEEDED(hr) && !WriteAt(file.Get(), segment.data.get(), start, static_cast<uint32_t>(segment.size)))
        hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        // The file now holds the new segment: a second write replaces it.
        m_parsedOffset = static_cast<uint32_t>(start);
        m_parsedSize = static_cast<uint32_t>(segment.size);
    }
    if (SUCCEEDED(hr) && distance < 0 && !SetFileLength(file.Get(), newSize))
        hr = E_FAIL;
    return hr;
}
