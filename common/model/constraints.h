// Constraint evaluation over the context's compiled model: whether an option
// is offered (J1) or refused (J2), which alert fires, and the transactions
// that a change drags along.
#pragma once

#include "common/core/context.h"
#include "common/model/ui_lookup.h"

#include <cstdint>

namespace vexl {

// The first Exclusive record with the symbol key, or 0.
BlockOffset FindExclusiveRecord(std::uint16_t symbolKey, DriverContext* context);
// The first rule of the record's Item list for the option, or 0.
BlockOffset FindOptionRule(DriverContext* context, BlockOffset record, std::uint16_t optionId);
// The Exclusive record of the item's UI entry, or 0.
BlockOffset GetItemExclusiveRecord(std::uint16_t itemId, DriverContext* context);

// Option id 0 asks for the record's own judges. Without record, or without
// a rule for the option, an option is offered and not refused; the strict
// form counts it as not offered.
std::uint32_t EvaluateOptionUnavailable(BlockOffset record, std::uint16_t optionId, DriverContext* context);
std::uint32_t EvaluateOptionUnavailableStrict(BlockOffset record, std::uint16_t optionId, DriverContext* context);
std::uint32_t EvaluateOptionRestricted(BlockOffset record, std::uint16_t optionId, DriverContext* context);

// The same on a UI entry's Exclusive record.
std::uint32_t IsUiOptionUnavailable(BlockOffset entry, std::uint16_t optionId, DriverContext* context);
std::uint32_t IsUiOptionRestricted(BlockOffset entry, std::uint16_t optionId, DriverContext* context);
// -1 when no Exclusive record has the key.
int IsKeyOptionUnavailable(std::uint16_t symbolKey, std::uint16_t optionId, DriverContext* context);
int IsKeyOptionRestricted(std::uint16_t symbolKey, std::uint16_t optionId, DriverContext* context);
// -1 when the item's UI entry has no Exclusive record.
int IsItemOptionUnavailableStrict(std::uint16_t itemId, std::uint16_t optionId, DriverContext* context);

// The message key of the first alert whose judge holds; 0 when none fires.
std::uint16_t FindFiringAlert(BlockOffset alertList, DriverContext* context);
std::uint16_t GetUiAlertMessage(BlockOffset entry, DriverContext* context);

// Runs the actions of every entry whose judge holds; a page action ends the
// run and its page id is the answer; else 0.
std::uint16_t RunTransactList(BlockOffset transactList, DriverContext* context);
std::uint16_t RunUiTransacts(BlockOffset entry, DriverContext* context);
std::uint16_t RunKeyTransacts(std::uint16_t symbolKey, std::uint32_t unused, DriverContext* context);

}  // namespace vexl
