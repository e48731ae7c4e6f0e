// Blocks below 2 GB for records whose exported layout keeps addresses in
// 32-bit fields (the all-capabilities record and its arrays): every address
// handed out fits a u32 and reads as a positive int. Each block is followed
// by an inaccessible page, so an overrun faults at once.
#pragma once

#include <cstddef>

namespace vexl::api {

// A zero-filled block of at least bytes bytes below 2 GB, or NULL when none
// is left (or bytes is 0).
void* LowAlloc(std::size_t bytes);
// Frees a block of LowAlloc; NULL is ignored.
void LowFree(void* block);
// The blocks handed out and not yet freed.
int LowBlocksInUse();

}  // namespace vexl::api
