// The printer-data values of the interface library that its entry points
// read: the administrator lock bytes, single settings under their item
// names, and the help file name.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The lock bytes "rdmLock000InfoBit" (for setting 10418) and
// "rdmLock001InfoBit" (for 10426); FALSE and 0 for another setting or when
// the value cannot be read.
inline constexpr std::uint16_t kLockBitsDefaultItem = 10418;
inline constexpr std::uint16_t kLockBitsColorItem = 10426;
BOOL ReadLockBits(HANDLE printer, std::uint8_t* out, std::uint16_t itemId);

// One setting read from or written to printer data under its item name (in
// place of its usual value name); FALSE for a setting without a name.
BOOL LoadSettingFromPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item);
BOOL StoreSettingToPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item);

// Printer data "HelpFileName" into out (size characters); FALSE when absent.
BOOL ReadHelpFileNameValue(HANDLE printer, WCHAR* out, int size);

}  // namespace vexl::ui
