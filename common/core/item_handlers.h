// Default and validation rules of the private items that the model does not
// judge. Most private items are checked against the compiled model; the
// items without a UI symbol get their default and a small rule from the
// static handler table instead.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Modes of the handler walk.
inline constexpr int kHandlerModeDefaults = 1;    // the rules write their defaults
inline constexpr int kHandlerModeAfterMerge = 2;  // acceptable values stay

// A rule: (item, current value, descriptor or NULL, default, mode, context)
// -> 1 when the value stays, 0 when the rule wrote (or wrote nothing, for
// the watermark id). Writes are plain stores: no change mark, no events.
using ItemHandler = int (*)(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* descriptor,
                            std::uint32_t defaultValue, int mode, DriverContext* context);

struct ItemHandlerRecord {
    std::uint32_t item;
    ItemHandler handler;  // NULL: the item has no rule
    std::uint32_t defaultValue;
};

// The table covers the private items 35 to 615, one record each, in order.
inline constexpr std::uint16_t kFirstHandlerItem = 35;
inline constexpr std::uint16_t kLastHandlerItem = 615;
inline constexpr int kItemHandlerCount = kLastHandlerItem - kFirstHandlerItem + 1;
static_assert(kItemHandlerCount == 581);

const ItemHandlerRecord* GetItemHandlerTable();
// The record of an item of the table's range, else NULL.
const ItemHandlerRecord* FindItemHandler(std::uint16_t item);

// Walks the private items: each is checked against the model
// (ValidateItemOrReset), and only an item without a UI symbol runs its rule.
void ApplyItemHandlers(DriverContext* context, int mode);

// 1 when the value is the machine family code of the compiled-in record.
BOOL IsCurrentMachineId(std::uint32_t value);

// The N-up kind of an rdmNUPType value (0 for none); out, when given, gets 2
// for value 3 and 1 for every other value.
std::uint32_t GetNupKindOfType(std::uint32_t nupType, std::int32_t* out);

}  // namespace vexl
