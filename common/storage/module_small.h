// The small settings modules: options and settings summary (rows 5 and 7,
// which have nothing to do in the common library) and font substitution
// (row 6), which decides whether the font-substitution control is shown.
#pragma once

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageDesc;
struct PageItem;

int FontSubstModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

}  // namespace vexl
