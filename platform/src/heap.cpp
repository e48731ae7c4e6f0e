// The process heap. Every block is a malloc block (so the sanitizers watch
// it) with a small header in front that keeps the requested size and a tag;
// the address handed out stays aligned to 16 bytes. GlobalAlloc, LocalAlloc
// and HeapAlloc share the one heap, and any of the free functions takes a
// block of any of them.
#include "platform/kernel.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::uint64_t kBlockTag = 0x4B4F4C4250414548;  // "HEAPBLOK"
constexpr std::uint64_t kFreedTag = 0x4445455246504145;

// No single block larger than this: far beyond what a driver asks for, and
// below the sanitizer's own limit, so a wild size fails the same way in
// every build.
constexpr SIZE_T kLargestBlock = SIZE_T(1) << 40;

struct alignas(16) BlockHeader {
    std::uint64_t bytes;
    std::uint64_t tag;
};
static_assert(sizeof(BlockHeader) == 16);

// A distinct, non-null value for the one heap of the process.
HANDLE const kProcessHeap = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x50484541));

void* AllocateBlock(SIZE_T bytes, bool zeroed)
{
    if (bytes > kLargestBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const SIZE_T total = sizeof(BlockHeader) + bytes;
    void* raw = zeroed ? std::calloc(1, total) : std::malloc(total);
    if (!raw) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    header->tag = kBlockTag;
    return header + 1;
}

// The header of a block this heap gave out, or null for anything else.
BlockHeader* HeaderOf(void* memory)
{
    if (!memory || reinterpret_cast<std::uintptr_t>(memory) % alignof(BlockHeader) != 0) return nullptr;
    auto* header = static_cast<BlockHeader*>(memory) - 1;
    return header->tag == kBlockTag ? header : nullptr;
}

bool FreeBlock(void* memory)
{
    BlockHeader* header = HeaderOf(memory);
    if (!header) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    header->tag = kFreedTag;
    std::free(header);
    return true;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    return AllocateBlock(bytes, (flags & GMEM_ZEROINIT) != 0);
}

// NULL when the block is freed (or was NULL); the block itself when it is not one of the heap's.
HGLOBAL GlobalFree(HGLOBAL memory)
{
    if (!memory) return nullptr;
    return FreeBlock(memory) ? nullptr : memory;
}

SIZE_T GlobalSize(HGLOBAL memory)
{
    const BlockHeader* header = HeaderOf(memory);
    if (!header) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<SIZE_T>(header->bytes);
}

LPVOID GlobalLock(HGLOBAL memory)
{
    if (!HeaderOf(memory)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return memory;
}

BOOL GlobalUnlock(HGLOBAL memory)
{
    SetLastError(HeaderOf(memory) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
    return FALSE;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    return AllocateBlock(bytes, (flags & LMEM_ZEROINIT) != 0);
}

HLOCAL LocalFree(HLOCAL memory)
{
    if (!memory) return nullptr;
    return FreeBlock(memory) ? nullptr : memory;
}

HANDLE GetProcessHeap()
{
    return kProcessHeap;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    if (heap != kProcessHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return AllocateBlock(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory)
{
    if (heap != kProcessHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!memory) return TRUE;
    return FreeBlock(memory) ? TRUE : FALSE;
}
