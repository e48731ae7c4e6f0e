#include "common/core/memory.h"

#include "platform/kernel.h"

namespace vexl {

void* AllocZeroed(std::uint32_t bytes)
{
    // GMEM_ZEROINIT hands the block out zero-filled.
    return GlobalAlloc(GMEM_ZEROINIT, bytes);
}

void FreeIfNotNull(void* block)
{
    if (block) GlobalFree(block);
}

}  // namespace vexl
