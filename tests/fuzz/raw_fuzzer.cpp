// The raw readers under libFuzzer: every input is read as each format of
// the table (the content decides which reader accepts it). What a reader
// reports must lie inside the input: a preview it names, a frame it read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "raw/raw_photo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t count = 0;
    const RawFormat* table = RawFormatTable(&count);
    MemoryByteSource source(data, size);
    for (size_t i = 0; i < count; ++i) {
        RawPhoto photo;
        HRESULT hr = ReadRawPhoto(source, table[i], &photo);
        if (hr != S_OK && hr != E_FAIL)
            std::abort();
        if (static_cast<uint64_t>(photo.previewOffset) + photo.previewLength > size)
            std::abort();
        if (hr != S_OK && (photo.frameWidth || photo.previewLength || photo.hasPosition || photo.dateTimeOriginal[0]))
            std::abort();
        if (std::strlen(photo.dateTimeOriginal) >= sizeof photo.dateTimeOriginal ||
            std::strlen(photo.offsetTimeOriginal) >= sizeof photo.offsetTimeOriginal)
            std::abort();
        if (photo.hasPosition && (photo.latitude > 1.5708 || photo.latitude < -1.5708 ||
                                  photo.longitude > 3.1416 || photo.longitude < -3.1416))
            std::abort();
    }
    return 0;
}
