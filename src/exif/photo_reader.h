// PhotoReader: what the commands read from a selected photo of any kind. A
// JPEG or HEIF photo is read through its Exif (ExifBlock); a camera raw file
// through its own header (raw/raw_photo.h) and its XMP sidecars, whose
// position wins over the one the camera stored in the raw file, as darktable
// and digiKam read them. The file is open only while Open runs.
//
// Calling order: create, Open, the reads; Open again for the next photo
// (the read buffers are kept, so a scan over many photos allocates them
// once).
#pragma once
#include <cstdint>
#include <memory>

#include "exif/exif_block.h"
#include "raw/raw_photo.h"
#include "replacement/read_block.h"
#include "support/geo_position.h"

// Where the position that ReadPosition gives comes from.
enum class PositionSource : uint8_t {
    None,     // the photo has none
    Exif,     // the Exif of a JPEG or HEIF photo
    Sidecar,  // the XMP sidecar of a raw file
    RawFile,  // the raw file itself (the camera's GPS); no sidecar has one
};

class PhotoReader {
public:
    PhotoReader() = default;
    PhotoReader(const PhotoReader&) = delete;
    PhotoReader& operator=(const PhotoReader&) = delete;

    // Opens the photo at path (a shortcut is followed to its target). The
    // name decides what the file must hold: a raw extension of the raw
    // format table its raw container, a JPEG or HEIF extension that
    // container. No result: IsPhoto tells whether the content matched.
    void Open(const wchar_t* path);

    // A JPEG, HEIF or raw file whose content matches its name.
    bool IsPhoto() const { return m_isRaw || m_block.IsPhoto(); }
    bool IsRaw() const { return m_isRaw; }
    // The photo's path after shortcut resolution (empty before Open, or
    // when even the path could not be taken).
    const wchar_t* Path() const { return m_path; }

    // The position (radians, metres; altitude and heading 0 where the
    // source has none): S_OK with position->known TRUE, or E_FAIL with
    // *position cleared when the photo has none.
    HRESULT ReadPosition(GeoPosition* position) const;
    // Where ReadPosition's position comes from (None when it has none).
    PositionSource Source() const;

    // The frame size (0 x 0 when the photo gives none).
    uint32_t FrameWidth() const { return m_isRaw ? m_raw.frameWidth : m_block.FrameWidth(); }
    uint32_t FrameHeight() const { return m_isRaw ? m_raw.frameHeight : m_block.FrameHeight(); }

    // The Exif of a JPEG or HEIF photo (not a photo for a raw file).
    const ExifBlock& Block() const { return m_block; }
    // What the raw file's header holds (format null when no raw file).
    const RawPhoto& Raw() const { return m_raw; }

private:
    wchar_t m_path[ExifBlock::kPathCapacity] = L"";
    ExifBlock m_block;
    bool m_isRaw = false;
    RawPhoto m_raw;
    // A raw file's position, read at Open.
    GeoPosition m_rawPosition;
    PositionSource m_rawSource = PositionSource::None;
    ReadBlock m_readBlock;
};
