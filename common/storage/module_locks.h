// The settings-lock module (row 8 of the module table): the administrator's
// locked values mirrored into the lock work items, the queries that reset
// one item to its administrator default, and the locked values written into
// every stored preset and quality list, so that loading one cannot undo a
// lock. A file keeps the value it had before a lock under the item's name
// with "Lock" appended, and gets it back when the lock goes.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;

inline constexpr std::uint16_t kFirstLockQuery = 10000;
inline constexpr std::uint16_t kLastLockQuery = 11976;
inline constexpr const WCHAR* kLockKeySuffix = u"Lock";

void CopyLockValuesToLockItems(DriverContext* context);
// The query's item takes its administrator default; FALSE when no item
// answers to the query.
BOOL ResetItemToDefaultByQuery(DriverContext* context, std::uint16_t query);
// The item that a lock query names, or 0.
std::uint16_t FindItemOfLockQuery(std::uint16_t query);

// One item of one file: with the lock on, the file's value is saved under
// its "Lock" key (once) and replaced by current; with the lock off, the
// saved value comes back and the "Lock" key goes. A file without the item
// is left alone. FALSE when the file has no value for the item.
BOOL ApplyLockToFile(DriverContext* context, const WCHAR* file, std::uint16_t itemId, BOOL locked);

void WriteLockedValuesToPresets(DriverContext* context);
void WriteLockedResolutionToPresets(DriverContext* context);

int LockModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);
int LockModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

}  // namespace vexl
