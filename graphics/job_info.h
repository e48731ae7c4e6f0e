// The job information a document starts with.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Brings the context up to date for the job that starts: the DEVMODE copy
// of the Pdev is merged again with the flags. The values of the
// job-control plug-in are not read. Always 1.
int ReadJobInfoAtStartDoc(DriverContext* context, const DEVMODEW* devmodeCopy, std::uint32_t flags, HANDLE printer,
                          DWORD jobId);

// Copies the job strings of one context into another.
void CopyJobStrings(DriverContext* to, DriverContext* from);

}  // namespace vexl
