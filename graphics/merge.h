// The DEVMODE merge the graphics library runs at DrvEnablePDEV and
// DrvStartDoc.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Merges a caller's DEVMODE (or, with null, the context's own) into the
// context by the flags; FALSE only when memory runs out.
BOOL MergeDevmodeSettings(DriverContext* context, const DEVMODEW* devmode, std::uint32_t flags);

}  // namespace vexl
