// DEVMODE creation, merge and version upgrade: a new store from the
// printer's stored default DEVMODE or from the model's defaults, a caller's
// DEVMODE merged into the store under flags that name the caller, and older
// private parts brought up to the current version by the description's
// conversion script.
#pragma once

#include "common/core/context.h"
#include "common/core/merge_flags.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Version states of a private part.
inline constexpr int kVersionStateNone = -1;
inline constexpr int kVersionStateCurrent = 0;  // taken as it stands
inline constexpr int kVersionStateUpgrade = 1;  // converted by the script
inline constexpr int kVersionStateForeign = 2;  // not convertible: discarded

inline constexpr std::uint32_t kPrivateVersionFieldOffset = 137;  // from the private part's start

SettingsStore* CreateDefaultDevmode(DriverContext* context, std::uint16_t mode);

// Where the DEVMODE merges of the library differ. The common merge records
// the companion functions and applies printer-side locks only off Windows
// 9x; the settings merge of the driver libraries does neither, and runs the
// plug-in steps of the storage layer.
struct MergeVariant {
    bool locksOffWin9xOnly;
    bool recordsCompanionFunctions;
    // The authentication plug-in step (null: the plug-in counts as absent)
    // and the UIControl plug-in detection (null: none).
    void (*authPluginStep)(DriverContext* context);
    void (*uiControlStep)(DriverContext* context);
    // The job-ticket step of the printer interface library (null: none). It
    // sees the caller's DEVMODE and a zeroed block of the driver's DEVMODE
    // size; TRUE when it wrote the caller's DEVMODE with its ticket applied
    // into the block, which the merge then takes in place of the caller's.
    // The caller's DEVMODE is never written.
    BOOL (*ticketStep)(DriverContext* context, const DEVMODEW* caller, DEVMODEW* ticketed);
};
inline constexpr MergeVariant kCommonDevmodeMerge = {true, true, nullptr, nullptr, nullptr};

// The merge: the caller's DEVMODE (or, with null, the context's own) into
// the store by the flags (merge_flags.h). 0 only when the scratch DEVMODE
// cannot be allocated; the store is then unchanged.
int RunDevmodeMerge(DriverContext* context, const DEVMODEW* caller, std::uint32_t flags, const MergeVariant& variant);
int MergeDevmode(DriverContext* context, const DEVMODEW* caller, std::uint32_t flags);

void SetModelDefaults(DriverContext* context);
// Every item to its model default; items an administrator lock keeps are
// skipped unless keepLockedItems is FALSE.
void SetItemDefaultsFromModel(DriverContext* context, BOOL keepLockedItems = TRUE);
void ResetArea3ItemsToModel(DriverContext* context);
void SetDriverVersionItem(DriverContext* context);
void InitPrivateRuntimeFlags(DriverContext* context);
void LoadPrinterDefaultDevmode(DriverContext* context);

int GetDevmodeVersionState(const DEVMODEW* devmode);
int CompareDevmodeVersion(std::uint32_t stored, std::uint32_t current);
int UpgradePrivateDevmode(const DEVMODEW* source, DriverContext* context);
int RunDevmodeConvertScript(std::uint32_t fromVersion, std::uint32_t toVersion, DriverContext* context);

// Key "DefaultRst" of the printer's section of the settings INI into out
// (260 characters); 1 when it is not empty. Read only when the settings INI
// path has a drive letter.
BOOL GetDefaultSettingsFileName(WCHAR* out, DriverContext* context);

}  // namespace vexl
