#include "exif/photo_reader.h"

#include <windows.h>

#include <new>

#include "exif/raw_sidecar.h"
#include "replacement/file_access.h"
#include "support/owners.h"
#include "support/shortcut.h"

void PhotoReader::Open(const wchar_t* path)
{
    m_isRaw = false;
    m_raw = RawPhoto();
    m_rawPosition = GeoPosition();
    m_rawSource = PositionSource::None;
    m_block.Open(nullptr);
    m_path[0] = L'\0';
    if (!path)
        return;
    // A shortcut stands for its target; a path that would have to be cut
    // is refused (empty), as the Exif engine refuses it.
    if (FAILED(ResolveShortcut(path, m_path, static_cast<int>(ExifBlock::kPathCapacity), nullptr, FALSE)) ||
        !m_path[0]) {
        m_path[0] = L'\0';
        return;
    }
    const RawFormat* format = FindRawFormat(m_path);
    if (!format) {
        m_block.Open(m_path);
        return;
    }

    // A raw file is only read: its header, never its image data.
    {
        KernelHandle file(CreateFileW(m_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        uint32_t size = 0;
        if (!file.IsValid() || !GetFileSize32(file.Get(), &size))
            return;
        if (!m_readBlock)
            m_readBlock = TakeReadBlock();
        FileByteSource source(file.Get(), size, m_readBlock.get());
        source.StartAtFileStart();
        if (ReadRawPhoto(source, *format, &m_raw) != S_OK)
            return;
    }
    m_isRaw = true;

    // The sidecar's position wins; a sidecar that cannot be read as XMP
    // counts as none here (writing into it is refused with a message).
    SidecarPosition sidecar;
    if (ReadRawSidecarPosition(m_path, &sidecar) == S_OK && sidecar.place.known) {
        m_rawPosition = sidecar.place;
        if (!sidecar.hasAltitude)
            m_rawPosition.altitude = 0.0;
        if (!sidecar.hasHeading)
            m_rawPosition.heading = 0.0;
        m_rawSource = PositionSource::Sidecar;
    } else if (m_raw.hasPosition) {
        m_rawPosition.known = TRUE;
        m_rawPosition.latitude = m_raw.latitude;
        m_rawPosition.longitude = m_raw.longitude;
        m_rawPosition.altitude = m_raw.hasAltitude ? m_raw.altitude : 0.0;
        m_rawSource = PositionSource::RawFile;
    }
}

HRESULT PhotoReader::ReadPosition(GeoPosition* position) const
{
    GeoPosition read;
    HRESULT hr = E_FAIL;
    if (m_isRaw) {
        if (m_rawSource != PositionSource::None) {
            read = m_rawPosition;
            hr = S_OK;
        }
    } else if (SUCCEEDED(m_block.ReadPosition(&read.latitude, &read.longitude, &read.altitude, &read.heading))) {
        // Read into a position of its own: a read that fails halfway (a
        // latitude without a longitude) has set some numbers already.
        read.known = TRUE;
        hr = S_OK;
    }
    if (position)
        *position = SUCCEEDED(hr) ? read : GeoPosition();
    return hr;
}

PositionSource PhotoReader::Source() const
{
    if (m_isRaw)
        return m_rawSource;
    return SUCCEEDED(m_block.ReadPosition(nullptr, nullptr, nullptr, nullptr)) ? PositionSource::Exif
                                                                             : PositionSource::None;
}
