// Resolutions of the model: lookups in the resolution table by code and by
// dpi, and the cap that keeps a page that is too large in dots from being
// printed above 600 dpi.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "common/core/resolution_table.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// ---- the resolution cap ----------------------------------------------------------------------

// Page sizes in dots that the printer takes above 600 dpi.
inline constexpr std::uint32_t kPageDotLimit = 30709;        // below this
inline constexpr std::uint32_t kLargePageDotLimit = 32124;   // up to this
inline constexpr std::uint32_t kScaledPageDotLimit = 30708;  // up to this
inline constexpr std::uint16_t kCappedResolution = 600;

// Modes of ComputeResolutionCap.
inline constexpr std::uint16_t kCapForSize = 0;   // the DEVMODE validation and the settings interface
inline constexpr std::uint16_t kCapForJudge = 1;  // the judge of the destination resolution

// 0 for no cap, else the dpi that the resolution must not exceed. A
// non-zero destination works on rdmDstResolutionW, zero on dmPrintQuality.
// The derived resolution items and the dot sizes of the source and output
// paper are recomputed first; with the resolution lock on, the resolution
// item is set to the locked resolution.
std::uint16_t ComputeResolutionCap(DriverContext* context, std::uint16_t destination, std::uint16_t mode);
std::uint16_t GetResolutionCapForSize(DriverContext* context, std::uint16_t destination);
std::uint16_t GetDestinationResolutionCap(DriverContext* context, std::uint16_t destination);

// rdmDstPaperWidthDot and rdmDstPaperLengthDot both below 30709.
BOOL IsDstPageWithinDotLimit(DriverContext* context);
// Both at most 32124.
BOOL IsDstPageWithinLargeDotLimit(DriverContext* context);
// rdmSrcPaperWidthDot and rdmSrcPaperLengthDot both at most 32124.
BOOL IsSrcPageWithinLargeDotLimit(DriverContext* context);
// The source page as scaling or poster N-up enlarges it, at most 30708 dots
// each way.
BOOL IsScaledSrcPageWithinDotLimit(DriverContext* context);

}  // namespace vexl
