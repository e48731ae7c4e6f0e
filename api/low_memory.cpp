// Blocks below 2 GB: one anonymous mapping per block. The block ends where
// the mapping's last readable page ends and an inaccessible page follows, so
// a read or write past its end faults instead of touching another block; the
// mapping's start and length are kept in the bytes just in front of the block.
#include "api/low_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace vexl::api {

namespace {

constexpr std::uintptr_t kLowLimit = std::uintptr_t{1} << 31;
constexpr std::size_t kBlockAlignment = 4;  // every record and array holds 32-bit fields

std::atomic<int> gBlocksInUse{0};

// Kept in the bytes just in front of every block.
struct MappingHeader {
    void* base;
    std::size_t length;
};

std::size_t PageSize()
{
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

void* MapLow(std::size_t length)
{
#if defined(MAP_32BIT)
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
#else
    // Without MAP_32BIT, ask for an address low in the space and keep the
    // mapping only when the kernel honoured the hint.
    void* p = mmap(reinterpret_cast<void*>(std::uintptr_t{0x10000000}), length, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
#endif
    if (p == MAP_FAILED) return nullptr;
    if (reinterpret_cast<std::uintptr_t>(p) + length > kLowLimit) {
        munmap(p, length);
        return nullptr;
    }
    return p;
}

}  // namespace

void* LowAlloc(std::size_t bytes)
{
    if (bytes == 0 || bytes > kLowLimit / 2) return nullptr;
    const std::size_t page = PageSize();
    const std::size_t rounded = (bytes + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
    const std::size_t readable = (rounded + sizeof(MappingHeader) + page - 1) / page * page;
    const std::size_t length = readable + page;
    auto* base = static_cast<std::uint8_t*>(MapLow(length));
    if (base == nullptr) return nullptr;
    if (mprotect(base + readable, page, PROT_NONE) != 0) {
        munmap(base, length);
        return nullptr;
    }
    std::uint8_t* block = base + readable - rounded;  // anonymous pages are already zero
    const MappingHeader header{base, length};
    std::memcpy(block - sizeof header, &header, sizeof header);
    gBlocksInUse.fetch_add(1);
    return block;
}

void LowFree(void* block)
{
    if (block == nullptr) return;
    MappingHeader header{};
    std::memcpy(&header, static_cast<std::uint8_t*>(block) - sizeof header, sizeof header);
    munmap(header.base, header.length);
    gBlocksInUse.fetch_sub(1);
}

int LowBlocksInUse()
{
    return gBlocksInUse.load();
}

}  // namespace vexl::api
