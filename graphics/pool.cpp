#include "graphics/pool.h"

#include "platform/kernel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <unordered_map>
#include <unordered_set>

namespace vexl {

namespace {

// The header in front of every payload: the links of the chain, newest
// first.
struct alignas(16) PoolBlock {
    PoolBlock* newer;
    PoolBlock* older;
    std::size_t bytes;
};

// Freed blocks are kept for the next allocation of the same size, up to
// this many bytes, so that a page's stream blocks are not given back to the
// heap and taken again at every flush. Under the sanitizers every block
// goes back to the heap at once, so that a late use is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSpareLimit = 0;
#else
constexpr std::size_t kSpareLimit = std::size_t(2) << 20;
#endif

void* PayloadOf(PoolBlock* block)
{
    return block + 1;
}
PoolBlock* BlockOf(void* payload)
{
    return static_cast<PoolBlock*>(payload) - 1;
}

}  // namespace

struct PdevPool {
    PoolBlock* newest = nullptr;
    std::unordered_set<void*> payloads;
    std::size_t inUse = 0;
    std::size_t highWater = 0;
    std::size_t limit = 0;
    int fill = -1;
    std::unordered_map<std::size_t, PoolBlock*> spares;  // by payload size, linked through `older`
    std::size_t spareBytes = 0;
};

namespace {

PoolBlock* TakeSpare(PdevPool* pool, std::size_t bytes)
{
    const auto found = pool->spares.find(bytes);
    if (found == pool->spares.end() || !found->second) return nullptr;
    PoolBlock* block = found->second;
    found->second = block->older;
    pool->spareBytes -= bytes;
    return block;
}

void KeepOrFree(PdevPool* pool, PoolBlock* block)
{
    if (pool->spareBytes + block->bytes <= kSpareLimit) {
        try {
            PoolBlock*& spares = pool->spares[block->bytes];
            block->older = spares;
            spares = block;
            pool->spareBytes += block->bytes;
            return;
        } catch (const std::bad_alloc&) {
        }
    }
    HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace

PdevPool* CreatePdevPool()
{
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(PdevPool));
    if (!memory) return nullptr;
    return new (memory) PdevPool();
}

void* PdevPoolAlloc(PdevPool* pool, std::size_t bytes)
{
    if (!pool || bytes > SIZE_MAX - sizeof(PoolBlock)) return nullptr;
    if (pool->limit && bytes > pool->limit - std::min(pool->limit, pool->inUse)) return nullptr;
    PoolBlock* block = TakeSpare(pool, bytes);
    if (!block) block = static_cast<PoolBlock*>(HeapAlloc(GetProcessHeap(), 0, sizeof(PoolBlock) + bytes));
    if (!block) return nullptr;
    void* payload = PayloadOf(block);
    try {
        pool->payloads.insert(payload);
    } catch (const std::bad_alloc&) {
        block->bytes = bytes;
        KeepOrFree(pool, block);
        return nullptr;
    }
    block->bytes = bytes;
    block->newer = nullptr;
    block->older = pool->newest;
    if (pool->newest) pool->newest->newer = block;
    pool->newest = block;
    pool->inUse += bytes;
    if (pool->inUse > pool->highWater) pool->highWater = pool->inUse;
    if (pool->fill >= 0) std::memset(payload, pool->fill, bytes);
    return payload;
}

void PdevPoolFree(PdevPool* pool, void* payload)
{
    if (!pool || !payload || pool->payloads.erase(payload) == 0) return;
    PoolBlock* block = BlockOf(payload);
    if (block->newer)
        block->newer->older = block->older;
    else
        pool->newest = block->older;
    if (block->older) block->older->newer = block->newer;
    pool->inUse -= block->bytes;
    KeepOrFree(pool, block);
}

void DestroyPdevPool(PdevPool* pool)
{
    if (!pool) return;
    for (PoolBlock* block = pool->newest; block;) {
        PoolBlock* older = block->older;
        HeapFree(GetProcessHeap(), 0, block);
        block = older;
    }
    for (auto& [bytes, spare] : pool->spares) {
        while (spare) {
            PoolBlock* older = spare->older;
            HeapFree(GetProcessHeap(), 0, spare);
            spare = older;
        }
    }
    pool->~PdevPool();
    HeapFree(GetProcessHeap(), 0, pool);
}

std::size_t PdevPoolBytesInUse(const PdevPool* pool)
{
    return pool ? pool->inUse : 0;
}
std::size_t PdevPoolHighWater(const PdevPool* pool)
{
    return pool ? pool->highWater : 0;
}

void SetPdevPoolLimit(PdevPool* pool, std::size_t bytes)
{
    if (pool) pool->limit = bytes;
}

void SetPdevPoolFill(PdevPool* pool, int fillByte)
{
    if (pool) pool->fill = fillByte;
}

}  // namespace vexl
