// The computed condition items 723 to 914: whether the output paper can be
// stapled, punched and finished by the installed finisher, at which
// positions, fed from which tray and in which direction; whether a paper is
// in a tray; whether inserted sheets come from a tray with the same paper;
// whether a free size is wide enough; whether the resolution must be capped.
// Every value is worked out afresh from the current settings.
#pragma once

#include "common/core/context.h"
#include "common/core/item_layout.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

inline constexpr std::uint16_t kFirstFinishingJudge = kFinishingJudgeItems.first;
inline constexpr std::uint16_t kLastFinishingJudge = kFinishingJudgeItems.last;

// The value of a computed condition item: 0 or 1 (judge 841 passes on the
// non-zero answer of NeedsRegionPaperFit); 0 for an identifier without a
// computation.
std::uint32_t ComputeFinishingJudge(DriverContext* context, std::uint16_t itemId);

// Edge codes of GetFinishingEdgeCode.
inline constexpr std::uint16_t kEdgeNotFinished = 0;
inline constexpr std::uint16_t kEdgeFirst = 1;
inline constexpr std::uint16_t kEdgeSecond = 2;
inline constexpr std::uint16_t kEdgeNone = 3;  // a setting without an edge, or staple off

// The edge of the current punch or staple setting on the output paper, for
// the first finisher group installed; 0 without a finisher or when the
// finisher cannot take the paper.
std::uint16_t GetFinishingEdgeCode(DriverContext* context);
BOOL IsFinishingEdgeCode1(DriverContext* context);
BOOL IsFinishingEdgeCode2(DriverContext* context);

// Whether the job's paper source (tray 1 for the automatic source) holds the
// same paper, the same way round, as the one tray of the insert source that
// the item names; 0 when the insert source names no single tray.
BOOL IsInsertSourceSamePaper(DriverContext* context, std::uint16_t insertSourceItem);

}  // namespace vexl
