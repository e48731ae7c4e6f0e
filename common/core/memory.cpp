#include "common/core/memory.h"

#include "platform/kernel.h"

#include <cstring>

namespace vexl {

void* AllocZeroed(std::uint32_t bytes)
{
    void* block = GlobalAlloc(GMEM_ZEROINIT, bytes);
    if (block) std::memset(block, 0, bytes);
    return block;
}

void FreeIfNotNull(void* block)
{
    if (block) GlobalFree(block);
}

}  // namespace vexl
