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

// Event records of the module.
inline constexpr std::uint32_t kModuleEventRefreshDevice = 17;
inline constexpr std::uint32_t kModuleEventCommitColorChanges = 34;
inline constexpr std::uint32_t kModuleEventClearColorChanges = 35;
inline constexpr std::uint32_t kModuleEventPageControls = 66;
inline constexpr std::uint32_t kModuleEventControlCreated = 67;
struct RefreshDeviceRecord {  // event 17
    PageDesc* page;
    std::int32_t result;
};
struct PageEventRecord {  // events 34 and 35
    PageDesc* page;
};
struct PageControlRecord {  // event 66
    PageDesc* page;
    PageItem* control;
};
struct ControlEventRecord {  // event 67
    PageItem* control;
};

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
