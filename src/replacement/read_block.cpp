#include "replacement/read_block.h"

#include <atomic>
#include <new>

#include "replacement/file_access.h"

namespace {

// Blocks of one size given back and not yet taken again.
template <uint32_t kSize, int kCount>
class KeptBlocks {
public:
    ~KeptBlocks()
    {
        for (std::atomic<uint8_t*>& slot : m_slots)
            delete[] slot.exchange(nullptr);
    }

    uint8_t* Take()
    {
        for (std::atomic<uint8_t*>& slot : m_slots) {
            if (uint8_t* block = slot.exchange(nullptr))
                return block;
        }
        return new (std::nothrow) uint8_t[kSize];
    }

    void GiveBack(uint8_t* block)
    {
        if (!block)
            return;
        for (std::atomic<uint8_t*>& slot : m_slots) {
            uint8_t* empty = nullptr;
            if (slot.compare_exchange_strong(empty, block))
                return;
        }
        delete[] block;
    }

private:
    std::atomic<uint8_t*> m_slots[kCount] = {};
};

// As many as the writers of a batch at work at once. Freed when the module
// goes.
KeptBlocks<FileByteSource::kCacheSize, 4> g_readBlocks;
KeptBlocks<kCopyBlockSize, 4> g_copyBlocks;

}  // namespace

void ReadBlockReturn::operator()(uint8_t* block) const
{
    g_readBlocks.GiveBack(block);
}

void CopyBlockReturn::operator()(uint8_t* block) const
{
    g_copyBlocks.GiveBack(block);
}

ReadBlock TakeReadBlock()
{
    return ReadBlock(g_readBlocks.Take());
}

CopyBlock TakeCopyBlock()
{
    return CopyBlock(g_copyBlocks.Take());
}
