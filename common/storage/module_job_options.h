// The job-option module (row 9 of the module table): general questions of
// the settings core (device refresh, default values, standard paper), the
// separation-sheet cycle that follows the copies, and the colour-matching
// changes of a sub-dialog, committed on OK or dropped.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageDesc;
struct PageItem;

inline constexpr std::uint16_t kCommandSeparationCycle = 901;
inline constexpr std::uint16_t kSeparationJudge = 1403;

// Bits of the colour-change flags byte (the first of the work area's
// colourChangeFlags; one remembered value byte per item follows).
inline constexpr std::uint8_t kColorChangeMode = 1;
inline constexpr std::uint8_t kColorChangeText = 2;
inline constexpr std::uint8_t kColorChangeLine = 4;
inline constexpr std::uint8_t kColorChangeImage = 8;

void SetSeparationCycleFromCopies(DriverContext* context);
BOOL EvaluateSeparationJudge(DriverContext* context, std::uint16_t judgeItemId);
void CommitColorChangesOnOk(DriverContext* context, PageDesc* page);
void ClearColorChangeFlags(DriverContext* context, PageDesc* page);

int JobOptionModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);
int JobOptionModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

}  // namespace vexl
