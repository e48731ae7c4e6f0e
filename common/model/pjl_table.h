// Lookups in the PJL variable table of the model database, and the
// evaluator of its setting conditions.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>
#include <string_view>

namespace vexl {

// The first row with the name (case-sensitive) whose access has a bit of the mask.
const PjlVariable* FindPjlVariable(std::string_view name, std::uint32_t accessMask);
// The first row of the item whose access has a bit of the mask.
const PjlVariable* FindPjlVariableByItem(std::uint32_t item, std::uint32_t accessMask);

// The condition on the context's current values; an empty (NULL) condition holds.
BOOL EvaluateSettingCondition(DriverContext* context, const SettingCondition* condition);
// The condition on what the model can support: installed-option items read
// as the model's support items; other nodes are left out.
BOOL EvaluateSupportCondition(DriverContext* context, const SettingCondition* condition);

}  // namespace vexl
