// Positioned file access for the photo engine (Windows): reads and writes
// at absolute offsets on a synchronous handle, and a JpegByteSource that serves the marker scan from one large read.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include <string>

#include "replacement/file_stamp.h"
#include "replacement/read_block.h"
#include "jpeg/jpeg_scan.h"
#include "support/owners.h"

// The system's file calls behind ReadAt, WriteAt, FlushFile,
// SetFileInformation and ListFolder. Tests put in their own to make one of them fail at a
// chosen moment, which a real disk does rarely and never on demand, and
// benchmarks to measure what a call costs; the product keeps the system's.
struct FileCalls {
    BOOL(WINAPI* readFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* flushFileBuffers)(HANDLE);
    // Renames, and sets times, attributes and the deletion of a file.
    BOOL(WINAPI* setFileInformationByHandle)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    // Lists the names of a folder that match a pattern.
    HANDLE(WINAPI* findFirstFileW)(LPCWSTR, LPWIN32_FIND_DATAW);
};
// Makes calls the ones used from now on (null: the system's again) and
// gives the ones used until now.
const FileCalls* UseFileCalls(const FileCalls* calls);

// Reads count bytes at offset; *got receives the number read (fewer at the
// end of the file). True on success; a count of 0 gives true without a call;
// a read at or beyond the end fails.
bool ReadAt(HANDLE file, uint8_t* buffer, uint64_t offset, uint32_t count, uint32_t* got);
// ReadAt for a caller that keeps the file pointer in *pointer
// (kUnknownFilePointer: not known): no seek where the pointer is at offset
// already, and *pointer follows the read.
const uint64_t kUnknownFilePointer = UINT64_MAX;
bool ReadAt(HANDLE file, uint8_t* buffer, uint64_t offset, uint32_t count, uint32_t* got, uint64_t* pointer);
// Writes count bytes at offset; true only when all were written.
bool WriteAt(HANDLE file, const uint8_t* buffer, uint64_t offset, uint32_t count);
// Makes what was written to the file durable: back from this call, the data
// is on the disk, not only in the system's cache.
bool FlushFile(HANDLE file);
// SetFileInformationByHandle through the file calls.
bool SetFileInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* information, DWORD size);
// The size of an open file, when it fits the 32-bit offsets of the
// container readers; false when it cannot be had or does not fit.
bool GetFileSize32(HANDLE file, uint32_t* size);
// FindFirstFileW through the file calls.
HANDLE ListFolder(const wchar_t* pattern, WIN32_FIND_DATAW* found);

// The stamp of an open file; false (stamp not known) when it cannot be read.
// Costs no round trip to Wine's server once the handle has been used.
bool ReadFileStamp(HANDLE file, FileStamp* stamp);
// The stamp of the file at path, opened for its attributes only (which no
// holder of the file denies); false when there is none or it cannot be read.
bool ReadFileStampAt(const std::wstring& path, FileStamp* stamp);
// The size and times of the file at a native path ("\\??\\C:\\...", as
// NativePath gives it), asked for by name without opening a handle (which
// costs three round trips to Wine's server); the stamp has no file number.
// False when there is no file or it cannot be read.
bool ReadFileStateAt(const std::wstring& nativePath, FileStamp* stamp);

// A source over an open file that reads a large block once and serves the
// 24-byte marker windows and the Exif segment from it: one call instead of
// one per marker.
class FileByteSource : public JpegByteSource {
public:
    // Bytes read in one call: a whole Exif segment and the markers around
    // it fit in the first read of almost every photo.
    static const uint32_t kCacheSize = 66 * 1024;

    // block: kCacheSize bytes for the large read, lent by a caller that
    // reads many files and keeps it between them; null makes the source
    // allocate its own when it first reads.
    FileByteSource(HANDLE file, uint32_t size, uint8_t* block = nullptr)
        : m_file(file), m_size(size), m_cache(block)
    {
    }
    // For a handle just opened, whose file pointer is still at the start:
    // the first read from there needs no seek (a call of its own).
    void StartAtFileStart() { m_pointer = 0; }
    uint32_t Size() const override { return m_size; }
    bool ReadAt(uint32_t offset, uint8_t* buffer, uint32_t count, uint32_t* got) override;
    // The bytes [offset, offset + count) where the large read holds all of
    // them, valid until the next ReadAt; null when it does not.
    const uint8_t* Cached(uint32_t offset, uint32_t count) const;

private:
    HANDLE m_file;
    uint32_t m_size;
    ReadBlock m_ownCache;
    uint8_t* m_cache;
    uint32_t m_cacheOffset = 0;
    uint32_t m_cacheLength = 0;
    uint64_t m_pointer = kUnknownFilePointer;
};
