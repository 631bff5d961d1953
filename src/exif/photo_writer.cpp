#include "exif/photo_writer.h"

#include "exif/exif_block.h"

HRESULT WritePositionToPhoto(const wchar_t* path, const GeoPosition& position, ReplacementRecovery* recovery)
{
    ExifBlock block;
    block.OpenForWriting(path);
    HRESULT hr = S_OK;
    if (position.known)
        hr = block.StorePosition(position.latitude, position.longitude, position.altitude, position.heading);
    else
        block.RemovePosition();
    // Only a completely stored position is written.
    if (SUCCEEDED(hr))
        hr = block.WriteToFile(recovery);
    return hr;
}
