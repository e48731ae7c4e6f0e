// The printer's bidirectional configuration: what the printer reported of
// its trays, options and versions, kept in printer data and the settings
// INI, and brought into a context when it is created.
#pragma once

#include "platform/win32.h"

namespace vexl {

struct DriverContext;

// Brings the stored per-printer settings into a new context's store: every
// stored item of printer data and the settings INI, and the font lists.
// Always 1.
BOOL ApplyStoredBidiConfig(DriverContext* context);

}  // namespace vexl
