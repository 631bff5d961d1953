// The blocks that photos are read into and copied through, handed on from
// one photo to the next. Commands read and write photo after photo, each
// through an engine object of its own; a block allocated and freed for each
// one costs more than the photo's whole read under Wine, whose heap serves
// blocks of these sizes from the system (a mapping made and removed each
// time). A few blocks given back are kept for the next taker, shared by all
// threads; the rest are freed.
#pragma once
#include <cstdint>
#include <memory>

// A read block: FileByteSource::kCacheSize bytes.
struct ReadBlockReturn {
    void operator()(uint8_t* block) const;
};
using ReadBlock = std::unique_ptr<uint8_t[], ReadBlockReturn>;

// A copy block: kCopyBlockSize bytes, through which a photo's unchanged
// bytes are copied into its replacement.
const uint32_t kCopyBlockSize = 1024 * 1024;
struct CopyBlockReturn {
    void operator()(uint8_t* block) const;
};
using CopyBlock = std::unique_ptr<uint8_t[], CopyBlockReturn>;

// A block, kept or new (its bytes are whatever its last user left); null
// without memory.
ReadBlock TakeReadBlock();
CopyBlock TakeCopyBlock();
