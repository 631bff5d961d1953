#include "kml/kml_preview.h"

#include <windows.h>

#include <memory>
#include <new>

#include "replacement/file_access.h"
#include "support/owners.h"

namespace {

const uint32_t kCopyBlock = 1024 * 1024;

HRESULT CopyBytes(HANDLE from, uint32_t offset, uint32_t length, HANDLE to)
{
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[length < kCopyBlock ? length : kCopyBlock]);
    if (!block)
        return E_OUTOFMEMORY;
    for (uint32_t done = 0; done < length;) {
        const uint32_t count = length - done < kCopyBlock ? length - done : kCopyBlock;
        uint32_t got = 0;
        if (!ReadAt(from, block.get(), static_cast<uint64_t>(offset) + done, count, &got) || got != count ||
            !WriteAt(to, block.get(), done, count))
            return E_FAIL;
        done += count;
    }
    return S_OK;
}

}  // namespace

HRESULT CopyRawPreview(const wchar_t* rawPath, const RawPhoto& raw, const wchar_t* destination)
{
    if (!rawPath || !destination || !raw.previewIsJpeg || raw.previewLength == 0 ||
        raw.previewLength > kMaxPreviewBytes)
        return E_FAIL;
    KernelHandle from(CreateFileW(rawPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!from.IsValid())
        return E_FAIL;
    HRESULT hr = E_FAIL;
    {
        KernelHandle to(CreateFileW(destination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!to.IsValid())
            return E_FAIL;
        hr = CopyBytes(from.Get(), raw.previewOffset, raw.previewLength, to.Get());
    }
    if (FAILED(hr))
        DeleteFileW(destination);
    return hr;
}
