// The judge evaluator: compiled judge code run over a context's settings on
// the context's judge stack. Item references to the computed condition
// items (723 to 914), the settings modules' judges (1259 to 1418) and the
// core judges (1419 to 1450) are answered by their own computations.
#pragma once

#include "common/core/context.h"
#include "common/model/compiled_model.h"

#include <cstdint>

namespace vexl {

inline constexpr int kJudgeStackSize = 256;  // u32 values, 1,024 bytes

// The computations that other parts of the library provide; the wiring of
// the library installs ComputeFinishingJudge for the finishing judges and
// leaves the module judges unset. Unset hooks answer 0.
struct JudgeHooks {
    std::uint32_t (*computeFinishingJudge)(DriverContext* context, std::uint16_t itemId);
    std::uint32_t (*evaluateModuleJudge)(DriverContext* context, std::uint16_t itemId);
};
const JudgeHooks& GetJudgeHooks();
void SetJudgeHooks(const JudgeHooks& hooks);

// The value of the judge code at the offset of the context's model; 0 for
// offset 0. Comparisons are unsigned; every evaluation leaves the stack
// index as it found it.
std::uint32_t EvaluateJudge(model::BlockOffset code, DriverContext* context);

// The judge items 1419 to 1450.
std::uint32_t EvaluateCoreJudge(DriverContext* context, std::uint16_t judgeItemId);

// The context's judge stack: 0, or -1 when it cannot be allocated.
int AllocJudgeStack(DriverContext* context);
void FreeJudgeStack(DriverContext* context);

}  // namespace vexl
