#include "replacement/read_block.h"

#include <atomic>
#include <new>

#include "replacement/file_access.h"

namespace {

// As many as the writers of a batch that read at once.
const int kKeptBlocks = 4;
std::atomic<uint8_t*> g_kept[kKeptBlocks];

// Frees what is kept when the module goes.
struct KeptBlocksRelease {
    ~KeptBlocksRelease()
    {
        for (std::atomic<uint8_t*>& slot : g_kept)
            delete[] slot.exchange(nullptr);
    }
} g_release;

}  // namespace

void ReadBlockReturn::operator()(uint8_t* block) const
{
    if (!block)
        return;
    for (std::atomic<uint8_t*>& slot : g_kept) {
        uint8_t* empty = nullptr;
        if (slot.compare_exchange_strong(empty, block))
            return;
    }
    delete[] block;
}

ReadBlock TakeReadBlock()
{
    for (std::atomic<uint8_t*>& slot : g_kept) {
        if (uint8_t* block = slot.exchange(nullptr))
            return ReadBlock(block);
    }
    return ReadBlock(new (std::nothrow) uint8_t[FileByteSource::kCacheSize]);
}
