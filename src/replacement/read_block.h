// The blocks of FileByteSource::kCacheSize bytes that photos are read into,
// handed on from one photo to the next. Commands read photo after photo,
// each through an engine object of its own; a block allocated and freed for
// each one costs more than the photo's whole read under Wine, whose heap
// serves blocks of this size from the system (a mapping made and removed
// each time). A few blocks given back are kept for the next taker, shared
// by all threads; the rest are freed.
#pragma once
#include <cstdint>
#include <memory>

struct ReadBlockReturn {
    void operator()(uint8_t* block) const;
};
using ReadBlock = std::unique_ptr<uint8_t[], ReadBlockReturn>;

// A block of FileByteSource::kCacheSize bytes, kept or new (its bytes are
// whatever the last reader left); null without memory.
ReadBlock TakeReadBlock();
