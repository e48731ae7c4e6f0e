// Every block of the system comes zero-filled from the process heap and
// goes back to it here.
#pragma once

#include <cstdint>

namespace vexl {

// A zero-filled block of the process heap, or null when memory runs out.
void* AllocZeroed(std::uint32_t bytes);

// Returns a block to the process heap when the pointer is not null.
void FreeIfNotNull(void* block);

}  // namespace vexl
