// The values and option words that a setting may take now, in the terms of
// the PJL variable table: the options whose conditions hold on the current
// settings, narrowed by the administrator locks.
#pragma once

#include "common/core/context.h"
#include "common/model/pjl_table.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// When the lock bit is set, the item may only take the locked value.
struct LockPreference {
    std::uint16_t item;
    std::uint16_t lockBitItem;
    std::uint16_t lockedValueItem;
    std::uint16_t reserved;
};
const LockPreference* GetLockPreferenceTable();
int GetLockPreferenceCount();

// The option's condition holds, and the N-up lock lets it stand.
BOOL IsOptionAllowedNow(DriverContext* context, const PjlVariable& row, const PjlOption& option);

// The stored values the item may take now. Answers 0 when done or when
// there is nothing to report (count 0), 1 when values is null or capacity is
// below count (count set), -1 when memory runs out.
int ListAllowedItemValues(DriverContext* context, std::uint16_t itemId, std::uint32_t capacity, std::uint32_t* values,
                          std::int32_t* count);
// The same, leaving out neutral options when skipNeutral is set.
int ListAllowedItemValuesEx(DriverContext* context, std::uint16_t itemId, std::uint32_t capacity, std::uint32_t* values,
                            std::int32_t* count, BOOL skipNeutral);

// The option words the item may take now: each zero-terminated, then one
// more terminator. Answers as above, with needed the bytes of the whole list.
int ListPjlOptionWords(DriverContext* context, std::uint16_t itemId, std::uint32_t size, char* buffer,
                       std::uint32_t* needed);

}  // namespace vexl
