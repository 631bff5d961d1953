#include "replacement/file_access.h"

#include <winternl.h>

#include <cstring>
#include <new>

namespace {

const FileCalls kSystemFileCalls = {ReadFile, WriteFile, FlushFileBuffers, SetFileInformationByHandle, FindFirstFileW};
const FileCalls* g_fileCalls = &kSystemFileCalls;

// The reads and writes go through the file pointer rather than an OVERLAPPED
// position: on a synchronous handle both mean the same, but Wine signals the
// file object after every positioned call, a round trip to its server that
// costs more than the call itself.
bool SeekTo(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return offset <= static_cast<uint64_t>(INT64_MAX) && SetFilePointerEx(file, distance, nullptr, FILE_BEGIN);
}

typedef LONG(NTAPI* QueryInformationFile)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, FILE_INFORMATION_CLASS);

// The system's NtQueryInformationFile, found once.
QueryInformationFile FindQueryInformationFile()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<QueryInformationFile>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")))
                 : nullptr;
}

// The file's number on its volume (the file reference number that
// GetFileInformationByHandle gives as nFileIndexHigh and nFileIndexLow).
// Asked for alone: GetFileInformationByHandle and FileIdInfo also ask for
// the volume's serial number, a round trip to Wine's server of several
// hundred microseconds, which FileInternalInformation does not make.
bool ReadFileId(HANDLE file, uint64_t* id)
{
    static const QueryInformationFile query = FindQueryInformationFile();
    if (query) {
        IO_STATUS_BLOCK status = {};
        LARGE_INTEGER internal = {};
        if (query(file, &status, &internal, sizeof(internal), FileInternalInformation) >= 0) {
            *id = static_cast<uint64_t>(internal.QuadPart);
            return true;
        }
    }
    BY_HANDLE_FILE_INFORMATION identity;
    if (!GetFileInformationByHandle(file, &identity))
        return false;
    *id = (static_cast<uint64_t>(identity.nFileIndexHigh) << 32) | identity.nFileIndexLow;
    return true;
}

typedef LONG(NTAPI* QueryFullAttributesFile)(OBJECT_ATTRIBUTES*, void*);

// What NtQueryFullAttributesFile gives (FILE_NETWORK_OPEN_INFORMATION).
struct NetworkOpenInformation {
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    LARGE_INTEGER allocationSize;
    LARGE_INTEGER endOfFile;
    ULONG fileAttributes;
};

QueryFullAttributesFile FindQueryFullAttributesFile()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<QueryFullAttributesFile>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryFullAttributesFile")))
                 : nullptr;
}

}  // namespace

const FileCalls* UseFileCalls(const FileCalls* calls)
{
    const FileCalls* previous = g_fileCalls;
    g_fileCalls = calls != nullptr ? calls : &kSystemFileCalls;
    return previous;
}

bool ReadAt(HANDLE file, uint8_t* buffer, uint64_t offset, uint32_t count, uint32_t* got)
{
    uint64_t pointer = kUnknownFilePointer;
    return ReadAt(file, buffer, offset, count, got, &pointer);
}

bool ReadAt(HANDLE file, uint8_t* buffer, uint64_t offset, uint32_t count, uint32_t* got, uint64_t* pointer)
{
    *got = 0;
    if (count == 0)
        return true;
    const bool there = *pointer == offset;
    *pointer = kUnknownFilePointer;
    DWORD read = 0;
    if ((!there && !SeekTo(file, offset)) || !g_fileCalls->readFile(file, buffer, count, &read, nullptr) ||
        read == 0)
        return false;
    *got = read;
    *pointer = offset + read;
    return true;
}

bool WriteAt(HANDLE file, const uint8_t* buffer, uint64_t offset, uint32_t count)
{
    if (count == 0)
        return true;
    DWORD written = 0;
    return SeekTo(file, offset) && g_fileCalls->writeFile(file, buffer, count, &written, nullptr) && written == count;
}

bool FlushFile(HANDLE file)
{
    return g_fileCalls->flushFileBuffers(file) != FALSE;
}

bool SetFileInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* information, DWORD size)
{
    return g_fileCalls->setFileInformationByHandle(file, kind, information, size) != FALSE;
}

HANDLE ListFolder(const wchar_t* pattern, WIN32_FIND_DATAW* found)
{
    return g_fileCalls->findFirstFileW(pattern, found);
}

bool ReadFileStamp(HANDLE file, FileStamp* stamp)
{
    *stamp = FileStamp();
    FILE_BASIC_INFO times;
    FILE_STANDARD_INFO standard;
    uint64_t id = 0;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &times, sizeof(times)) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof(standard)) || !ReadFileId(file, &id))
        return false;
    stamp->id = id;
    stamp->hasId = true;
    stamp->size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    stamp->lastWrite = times.LastWriteTime.QuadPart;
    stamp->change = times.ChangeTime.QuadPart;
    stamp->known = true;
    return true;
}

bool ReadFileStampAt(const std::wstring& path, FileStamp* stamp)
{
    *stamp = FileStamp();
    KernelHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.IsValid() && ReadFileStamp(file.Get(), stamp);
}

bool ReadFileStateAt(const std::wstring& nativePath, FileStamp* stamp)
{
    *stamp = FileStamp();
    static const QueryFullAttributesFile query = FindQueryFullAttributesFile();
    const size_t bytes = nativePath.size() * sizeof(wchar_t);
    if (!query || bytes == 0 || bytes > 0xFFFE)
        return false;
    UNICODE_STRING name;
    name.Buffer = const_cast<wchar_t*>(nativePath.c_str());
    name.Length = static_cast<USHORT>(bytes);
    name.MaximumLength = static_cast<USHORT>(bytes);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    NetworkOpenInformation information = {};
    if (query(&attributes, &information) < 0 || (information.fileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    stamp->size = static_cast<uint64_t>(information.endOfFile.QuadPart);
    stamp->lastWrite = information.lastWriteTime.QuadPart;
    stamp->change = information.changeTime.QuadPart;
    stamp->known = true;
    return true;
}

bool FileByteSource::ReadAt(uint32_t offset, uint8_t* buffer, uint32_t count, uint32_t* got)
{
    *got = 0;
    if (count == 0)
        return true;
    if (offset >= m_size)
        return false;
    const uint64_t end = static_cast<uint64_t>(offset) + count;
    const bool cached = m_cache && offset >= m_cacheOffset &&
                        (end <= static_cast<uint64_t>(m_cacheOffset) + m_cacheLength ||
                         static_cast<uint64_t>(m_cacheOffset) + m_cacheLength >= m_size);
    if (!cached && count <= kCacheSize) {
        if (!m_cache) {
            m_ownCache = TakeReadBlock();
            m_cache = m_ownCache.get();
        }
        uint32_t read = 0;
        if (m_cache && ::ReadAt(m_file, m_cache, offset, kCacheSize, &read, &m_pointer)) {
            m_cacheOffset = offset;
            m_cacheLength = read;
        } else {
            m_cacheLength = 0;
            return ::ReadAt(m_file, buffer, offset, count, got, &m_pointer);
        }
    } else if (!cached) {
        return ::ReadAt(m_file, buffer, offset, count, got, &m_pointer);
    }
    const uint32_t available = m_cacheOffset + m_cacheLength - offset;
    if (available == 0)
        return false;
    *got = count < available ? count : available;
    std::memcpy(buffer, m_cache + (offset - m_cacheOffset), *got);
    return true;
}

const uint8_t* FileByteSource::Cached(uint32_t offset, uint32_t count) const
{
    if (!m_cache || offset < m_cacheOffset)
        return nullptr;
    const uint64_t end = static_cast<uint64_t>(offset) + count;
    if (end > static_cast<uint64_t>(m_cacheOffset) + m_cacheLength)
        return nullptr;
    return m_cache + (offset - m_cacheOffset);
}

bool GetFileSize32(HANDLE file, uint32_t* size)
{
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length) || length.QuadPart < 0 || length.QuadPart > UINT32_MAX)
        return false;
    *size = static_cast<uint32_t>(length.QuadPart);
    return true;
}
