// Where the driver keeps its files.
#pragma once

#include "platform/types.h"

namespace vexl {

// The printer driver's directory with its trailing backslash, written into
// out (MAX_PATH characters): the folder of the driver file, or the system's
// default driver folder when the driver information cannot be read.
WCHAR* GetDriverDirectoryForPrinter(HANDLE printer, WCHAR* out);

}  // namespace vexl
