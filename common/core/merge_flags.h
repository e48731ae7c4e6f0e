// The flags of a DEVMODE merge. A merge records its flags in the context's
// work area, where they stay until the next merge: the merge itself and every
// later validation of the store read them. Each bit has one name here, and
// its comment gives every effect it has anywhere in the library.
#pragma once

#include <cstdint>

namespace vexl {

// A merge from a DEVMODE (the caller's, or the context's own). With neither
// this bit nor kMergeFromSheet a merge does nothing and succeeds.
inline constexpr std::uint32_t kMergeFromCaller = 0x8;

// A merge for a settings sheet: it counts as a merge like kMergeFromCaller.
// With kMergePrompt, the resolution check of the validation reads the
// resolution of the user's quality macro list (rdmUseUserMacro 1, macro 32
// to 39 or 160).
inline constexpr std::uint32_t kMergeFromSheet = 0x2000000;

// wdmCtrlWorkPrompt := 1 (else 0, unless kMergeNoReload); after the merge the
// DEVMODE is re-synchronised as after a load; with kMergeFromSheet the
// validation reads the quality macro list's resolution (above).
inline constexpr std::uint32_t kMergePrompt = 0x4;

// The stored print-method lock of the context is not restored after the
// private part came in: the merged value stands.
inline constexpr std::uint32_t kMergeNoPrintMethodLock = 0x10000;

// The image-form job override may apply (wdmImageFormJob set: no scaling,
// output paper as the source, no fit to A4); with build feature
// kFeatureFitUserSize a user size is fitted to a standard paper.
inline constexpr std::uint32_t kMergeImageFormJob = 0x20000;

// Values the validation finds unavailable are kept instead of repaired; the
// user quality macro is loaded with its set name.
inline constexpr std::uint32_t kMergeKeepExcluded = 0x80000;

// The job-complete and job-error support bits of the context survive.
inline constexpr std::uint32_t kMergeKeepSupportBits = 0x400000;

// wdmCtrlWorkPrompt is left alone, the class-1 stored items are not
// reloaded, and the resolution is kept (no paper-size cap, no resolution
// items from dmPrintQuality).
inline constexpr std::uint32_t kMergeNoReload = 0x10000000;

// After the merge the DEVMODE is re-synchronised as after a load; the
// validation clamps an out-of-range scale instead of resetting the item.
inline constexpr std::uint32_t kMergeResyncAfter = 0x40000000;

// Any of these: printer-side locks are applied (connections only) and the
// class-1 stored items are reloaded.
inline constexpr std::uint32_t kMergeApplyLocksMask = 0x0C220004;
// Any of these: the transactions of every item run.
inline constexpr std::uint32_t kMergeTransactsMask = 0x1D220004;
// Any of these: the authentication plug-in step (build feature 8 only).
inline constexpr std::uint32_t kMergeAuthPluginMask = 0x1023000C;
// Any of these: UIControl plug-in detection (build feature 10 only).
inline constexpr std::uint32_t kMergeUiControlMask = 0x10220004;

}  // namespace vexl
