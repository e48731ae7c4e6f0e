// The value side of the option-node and control-value helpers: the setting
// behind a control read and written by control id, the filled
// authentication fields, the administrator lock word, and the names and
// paths the interface library keeps per printer. The window side (state of
// bound controls, lookup by window) is in ui/services/controls.h.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The text of the setting bound to control id on any page of the context:
// GetControlItemText copies it into text (size characters) and answers its
// length; SetControlItemText stores text and answers the item's address.
// 0 / NULL without such a control.
int GetControlItemText(DriverContext* context, std::uint16_t controlId, WCHAR* text, int size);
std::uint8_t* SetControlItemText(DriverContext* context, std::uint16_t controlId, const WCHAR* text);

// Authentication fields that are filled, among the mask: 1 user name, 2
// password, 4 network key (in the secure mode only); 0 while the printer's
// authentication mode is off.
inline constexpr std::uint16_t kAuthUserName = 1;
inline constexpr std::uint16_t kAuthPassword = 2;
inline constexpr std::uint16_t kAuthNetworkKey = 4;
std::uint16_t GetFilledAuthenticationFields(DriverContext* context, std::uint16_t mask);
// The value of rdmLockInfoLockInfo.
std::uint32_t GetLockInfo(DriverContext* context);

}  // namespace vexl::ui
