// Moving a camera's MakerNote (tag 0x927C) to a new place in the TIFF data.
// The engine carries the note as bytes, but most cameras write it as a TIFF
// directory whose out-of-line values are found through offsets counted from
// the start of the TIFF data; when the note moves, those offsets must move
// with it. Notes that carry their own TIFF header or count from their own
// start (Nikon's third kind, Fujifilm's, Olympus' newer kind) move as they
// are, and so does anything not recognised beyond doubt.
//
// A note parsed from a photo is not moved at all: it is written back at the
// offset where it stood, together with every block of the TIFF data it
// points to (previews, values past its end), so that every offset in it,
// understood or not, still names the same bytes. FindMakerNoteExtent tells
// which blocks those are. A parsed note that cannot keep its place (one
// that starts inside the TIFF header) leaves its tree unwritable.
// RelocateMakerNote moves a note's own offsets with it, for a note that a
// caller places anew.
#pragma once
#include <cstddef>
#include <cstdint>

#include "tiff/tiff_types.h"

// The blocks of TIFF data that keep their offsets with a maker note: the
// note's own bytes and what its directories point to, sorted, none
// overlapping or touching another.
struct MakerNoteExtent {
    static const size_t kMaxBlocks = 8;
    size_t count = 0;
    uint32_t start[kMaxBlocks] = {};
    uint32_t size[kMaxBlocks] = {};
};

// The extent of the note of noteSize bytes at noteOffset of tiff. The
// note's layout is taken from its header (see the table in the .cpp): where
// its directory starts, where its offsets count from, which entries lead to
// sub-directories and which pairs or arrays name a preview. A block may
// run past the end of the TIFF data, up to kMaxSegmentTiffSize: that part
// is kept as zeros. Blocks reaching into the TIFF header or past that size
// are left out; where more blocks are found than kMaxBlocks, neighbours
// merge. A note that is no directory at all keeps only its own bytes.
void FindMakerNoteExtent(const TiffBytes& tiff, uint32_t noteOffset, uint32_t noteSize, MakerNoteExtent* extent);

// What RelocateMakerNote did.
struct MakerNoteMove {
    // True when the note was taken for a directory counting from the TIFF
    // data and its offsets were rewritten (also for a move of zero bytes).
    bool relocated = false;
    // Offsets rewritten (entry values, sub-directory links, a trailing
    // TIFF-style footer).
    uint32_t offsetsMoved = 0;
    // Offsets left as found because their values lie in the TIFF data
    // outside the note's own bytes: moving the note cannot keep them.
    uint32_t offsetsLeft = 0;
};

// note: a copy of the MakerNote value, size bytes, in the block's byte
// order, which stood at sourceOffset of TIFF data of sourceTiffSize bytes
// and is about to be written at targetOffset. Rewrites, inside note only,
// the offsets of a recognised maker directory (and of its sub-directories)
// by the distance moved. Anything it cannot recognise, or whose offsets do
// not all lie inside the original TIFF data, stays byte for byte.
MakerNoteMove RelocateMakerNote(uint8_t* note, size_t size, bool bigEndian, size_t sourceOffset,
                                size_t sourceTiffSize, size_t targetOffset);
