// The settings library put together: what process attach and detach do.
#pragma once

#include "platform/win32.h"

namespace vexl::api {

// The common library's attach and detach; other reasons do nothing.
BOOL HandleProcessNotification(DWORD reason);

}  // namespace vexl::api
