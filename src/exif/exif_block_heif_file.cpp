// WriteToFile for a HEIF file: the planned pieces (heif_rewrite.h) written
// into the photo's replacement, ranges of the photo copied from it, and the
// replacement put in the photo's place, as for a JPEG file.
#include <windows.h>

#include <memory>
#include <new>

#include "exif/exif_block.h"
#include "replacement/file_access.h"
#include "heif/heif_rewrite.h"
#include "replacement/photo_replacement.h"
#include "replacement/write_results.h"

HRESULT ExifBlock::WriteHeifFile(const wchar_t* photoPath, KernelHandle& file, uint32_t fileSize)
{
    // The file was closed after Open: it must still hold the Exif item that
    // Open parsed (or none, when Open found none).
    std::unique_ptr<HeifRewrite> plan(new (std::nothrow) HeifRewrite);
    HRESULT hr = plan ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        FileByteSource source(file.Get(), fileSize, m_readBlock.get());
        hr = PlanHeifWrite(source, plan.get());
    }
    if (hr != S_OK)
        return hr;  // S_FALSE: nothing to write
    TransferBuffer transfer(m_readBlock.get(), fileSize);
    PhotoReplacement replacement;
    hr = replacement.Begin(photoPath, file.Get());
    for (uint32_t i = 0; SUCCEEDED(hr) && i < plan->pieceCount; ++i) {
        const HeifPiece& piece = plan->pieces[i];
        hr = piece.bytes ? replacement.Append(piece.bytes, piece.length)
                         : replacement.AppendFromPhoto(piece.fileOffset, piece.length, transfer.Data(), transfer.Size());
    }
    if (SUCCEEDED(hr))
        hr = CommitReplacement(replacement, file);
    if (SUCCEEDED(hr) || hr == VZ_E_RENAME_NOT_FLUSHED) {
        // The file now holds the new item: a second write replaces it.
        m_parsedOffset = plan->exifOffset;
        m_parsedSize = plan->exifLength;
    }
    return hr;
}
