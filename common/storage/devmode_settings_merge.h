// The DEVMODE merge of the driver libraries: the graphics library merges at
// device enable and document start, the printer interface library for every
// one of its callers. It is the common merge without the Windows 9x
// condition on the printer-side locks and without the companion functions,
// with the authentication and UIControl plug-in steps of this layer.
#pragma once

#include "common/core/context.h"
#include "common/core/merge_flags.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// The flags of the callers (each contains kMergeFromCaller or kMergeFromSheet).
inline constexpr std::uint32_t kMergeEnablePdev = kMergeFromCaller | kMergeNoPrintMethodLock;  // 0x10008
inline constexpr std::uint32_t kMergeStartDoc = kMergeFromCaller | kMergeImageFormJob;         // 0x20008
inline constexpr std::uint32_t kMergeDocumentSheetInit = kMergeFromSheet;                      // 0x2000000
inline constexpr std::uint32_t kMergeDocumentSheetKeepSupport = kMergeFromSheet | kMergeKeepSupportBits;
inline constexpr std::uint32_t kMergeDocumentPropertiesNoSheet = 0x22000008;
inline constexpr std::uint32_t kMergeDeviceSheetInit = 0x400000A;
inline constexpr std::uint32_t kMergeDeviceCapabilities = 0x1000008;
inline constexpr std::uint32_t kMergeQueryPrint = 0x8000008;
inline constexpr std::uint32_t kMergeConvertDevmode = 0x4000008;

// Merges the caller's DEVMODE (or, with null, the context's own) into the
// context by the flags. The caller's DEVMODE is never written; the context's
// run-time flags survive. 0 only when the scratch DEVMODE cannot be
// allocated (the store is then unchanged).
BOOL MergeDevmodeSettings(DriverContext* context, const DEVMODEW* caller, std::uint32_t flags);

// The job-ticket step of the merge (see MergeVariant::ticketStep): the
// printer interface library installs its own at process attach; null (the
// start) merges without one.
using JobTicketStep = BOOL (*)(DriverContext* context, const DEVMODEW* caller, DEVMODEW* ticketed);
void SetJobTicketStep(JobTicketStep step);

}  // namespace vexl
