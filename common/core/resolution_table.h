// The resolution table of the model database: lookups by code and by dpi.
#pragma once

#include "common/core/modeldb.h"

#include <cstdint>

namespace vexl {

// ---- the resolution table ------------------------------------------------------------------

// The first row with the code; null for code 0 or none.
const ResolutionEntry* FindResolutionEntry(std::uint16_t code);
// The code of the first row with both values; 0 when either is 0 or no row has them.
std::uint16_t FindResolutionCode(std::uint16_t xDpi, std::uint16_t yDpi);
// The code of the first row with the x dpi; 0 when none or xDpi is 0.
std::uint16_t FindResolutionCodeByDpi(std::uint16_t xDpi);
// The code of the first row after the row of afterCode with the x dpi; 0
// when afterCode has no row or no later row has it. Starting from
// FindResolutionCodeByDpi, this walks every code of a resolution in turn.
std::uint16_t FindNextResolutionCode(std::uint16_t xDpi, std::uint16_t afterCode);

}  // namespace vexl
