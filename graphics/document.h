// Document and page control, and the spool library through which every
// byte of a job leaves the graphics library.
#pragma once

#include "graphics/pdev.h"
#include "platform/ddi.h"

#include <cstddef>

namespace vexl {

// The spool library's entry points.
using DrvSplStartDocFn = HANDLE (*)(HANDLE printer, DWORD jobId);
using DrvSplJobFn = BOOL (*)(HANDLE job);

// A driver file path longer than this is refused.
inline constexpr std::size_t kMaxDriverPathChars = 240;
// The job name keeps at most this many characters of the document name, so
// that its device text always fits its 16-bit length.
inline constexpr std::size_t kMaxJobNameChars = 16383;

// The JOBNAME line: "@PJL SET JOBNAME = " and the name in double quotes.
inline constexpr char kJobNamePrefix[] = "@PJL SET JOBNAME = \"";
inline constexpr char kJobNameSuffix[] = "\"\r\n";
inline constexpr std::uint32_t kJobNameFrameExtra = 23;

// Builds the spool library's full path into out (260 characters) and makes
// the driver directory part of PATH.
BOOL AppendDriverDirToPath(Pdev* pdev, HANDLE printer, WCHAR* out);

BOOL DrvStartDoc(SURFOBJ* surface, LPWSTR documentName, DWORD jobId);
BOOL DrvStartPage(SURFOBJ* surface);
BOOL DrvSendPage(SURFOBJ* surface);
BOOL DrvEndDoc(SURFOBJ* surface, FLONG flags);

}  // namespace vexl
