// The copy of the driver's DEVMODE into a caller's buffer.
#pragma once

#include "platform/win32.h"

namespace vexl::ui {

// The driver's DEVMODE into out: whole without callerIn, else in the layout
// of the smaller of the two sizes. 1 done, 0 nothing copied, -1 without out.
int CopyDevmodeToCaller(const DEVMODEW* driver, const DEVMODEW* callerIn, DEVMODEW* out);

}  // namespace vexl::ui
