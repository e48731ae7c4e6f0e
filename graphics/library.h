// The graphics library put together: what process attach and detach do.
#pragma once

#include "platform/win32.h"

namespace vexl::graphics {

// Attach keeps the module (enabling a device fails without it), runs the
// common library's attach and puts the graphics context steps over the
// defaults it installed: every context of this library is a graphics
// context. Detach runs the common detach. The common answer is returned.
BOOL HandleProcessNotification(HINSTANCE module, DWORD reason);

}  // namespace vexl::graphics
