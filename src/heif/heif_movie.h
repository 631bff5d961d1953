// What a HEIF file holds besides its items that points into the file: the
// movie box of an image sequence (its chunk offsets, stco and co64, point
// into the media data) and a file appended at the end (a phone's motion
// photo keeps its video there and finds it by counting back from the end).
// A rewrite that moves the data behind meta keeps both true: the chunk
// offsets move with the data, and the appended file stays the file's end.
#pragma once
#include <cstddef>
#include <cstdint>

#include "tiff/byte_access.h"
#include "jpeg/jpeg_scan.h"
#include "support/platform.h"

// A movie box larger than this is refused (a few hundred frames take some
// KiB).
const uint32_t kHeifMaxMovieSize = 16 * 1024 * 1024;

struct HeifMovie {
    uint32_t start = 0;  // where moov lies in the file (box.size 0: none)
    OwnedBytes box;      // the whole moov box
    uint32_t maxTrackId = 0;
};

// Reads the file's own moov among the top-level boxes (up to a second ftyp:
// the start of a file appended to it). S_OK, with movie->box empty when
// there is none; E_FAIL when the file holds offsets the engine cannot keep
// true: a second moov, a movie in fragments (moof, mvex, sidx, mfra),
// auxiliary sample offsets (saio), item locations inside the movie, a moov
// beyond kHeifMaxMovieSize or one that cannot be read; E_OUTOFMEMORY.
HRESULT ReadHeifMovie(JpegByteSource& source, HeifMovie* movie);

// Adds shift to every chunk offset of the moov box (size bytes) that lies
// at or behind metaEnd; false when an offset lies inside meta
// ([metaStart, metaEnd)) or the new one does not fit its field.
bool ShiftChunkOffsets(uint8_t* box, size_t size, uint32_t metaStart, uint32_t metaEnd, int64_t shift);

// True when every chunk offset of the moov box lies before fileSize.
bool ChunkOffsetsInside(const uint8_t* box, size_t size, uint32_t fileSize);
