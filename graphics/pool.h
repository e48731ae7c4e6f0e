// The Pdev's private memory pool. Every allocation of one device object
// (the Pdev itself, its DEVMODE copy, the job name, stream blocks, glyph
// cache entries, font tables) is a block of its pool, so that disabling the
// Pdev frees them all at once. Blocks come from the process heap as fixed
// memory that is not zero-filled: whoever needs zeros writes them.
//
// A block is found again in constant time: the blocks form a doubly linked
// chain and the pool keeps a set of its payload addresses, so freeing one
// block never walks the chain, and an address that is no payload of the
// pool is ignored without touching the memory around it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexl {

struct PdevPool;

// A new, empty pool, or null when memory runs out.
PdevPool* CreatePdevPool();

// A block of `bytes` bytes (not zero-filled), or null when memory runs out
// or the pool's limit would be passed.
void* PdevPoolAlloc(PdevPool* pool, std::size_t bytes);

// Frees the one block whose payload `payload` is; anything else is ignored.
void PdevPoolFree(PdevPool* pool, void* payload);

// Frees every block, newest first, then the pool itself.
void DestroyPdevPool(PdevPool* pool);

// Payload bytes the pool holds now, and the most it has held at once.
std::size_t PdevPoolBytesInUse(const PdevPool* pool);
std::size_t PdevPoolHighWater(const PdevPool* pool);

// Test seams: a limit of payload bytes beyond which allocations fail (0:
// none), and a byte that fills every new block so that a writer that
// forgets to zero a reserved byte is caught (-1: the heap's own contents).
void SetPdevPoolLimit(PdevPool* pool, std::size_t bytes);
void SetPdevPoolFill(PdevPool* pool, int fillByte);

}  // namespace vexl
