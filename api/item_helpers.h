// Small operations on setting items that the status engine, the status
// handlers, the DEVMODE delivery and the capability handlers share: the UI
// entry that governs an item, option availability, backups of parts of the
// settings store, the per-object variants of the colour items, trial
// switching, and the value and name lists capability handlers hand out.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "common/model/compiled_model.h"
#include "platform/win32.h"

#include <cstdint>
#include <span>

namespace vexl::api {

using model::BlockOffset;

// ---- UI entries and options -----------------------------------------------------

// The entry bound to the item's setting control when that control's page is
// on the document sheet (sheet mask 0x1 or 0x20) and the page's own judge is
// false; otherwise LookupUiEntry. 0 when none.
BlockOffset FindItemUiEntry(std::uint16_t item, DriverContext* instance);
// Binds the item's setting control (when its page and control exist) to the
// entry of the control's symbol key.
void BindSettingControlEntry(std::uint16_t item, DriverContext* instance);

// Flags of IsItemAvailable.
inline constexpr std::uint32_t kAvailableTestUnavailable = 1;
inline constexpr std::uint32_t kAvailableTestRestricted = 2;
// 0 when the item has no UI entry, or the option is unavailable (flag 1) or
// restricted (flag 2); else 1.
BOOL IsItemAvailable(DriverContext* instance, std::uint16_t item, std::uint16_t option, std::uint32_t flags);
// The first option of a PickOne item whose flagged constant equals value;
// 0 when none, or when an option before it has no constant.
std::uint16_t FindOptionByConstantValue(DriverContext* instance, std::uint16_t item, std::uint32_t value);

// File types of IsUsableFileOfType.
inline constexpr std::uint32_t kUsableFileBitmap = 2;
inline constexpr std::uint32_t kUsableFileOverlay = 3;
// Type 2: an absolute path of a bitmap file (info header size 40 at byte
// 14); type 3: an absolute path of an existing ".rpo" file (any case).
BOOL IsUsableFileOfType(DriverContext* instance, std::uint32_t type, const char* path);

// The 16-bit constants of a PickOne item's options, in option order, to out
// when given; -1 when the item has no entry or options, when an option has
// no flagged constant, or when the count is 0.
int ListOptionValues(DriverContext* instance, std::int16_t* out, std::uint16_t item);
// The names of the item's options (the UI strings of the option ids), each
// cut to stride characters, to out when given; the count, or -1 as above.
int ListOptionNames(DriverContext* instance, WCHAR* out, int stride, std::uint16_t item);

// 0 without entry; 0 for a PickOne entry with options; 1 for a Numeric entry
// while the low 16 bits of rdmDstResolutionW are not 0; else -1.
int GetResolutionEntryKind(DriverContext* instance);

// ---- backups of parts of the store ------------------------------------------------

// A heap copy of the DEVMODE part of the store (GetDevmodeSize bytes), NULL
// when memory runs out. RestoreDevmodePart copies it back when restore is
// not 0 and frees it in every case.
std::uint8_t* SaveDevmodePart(DriverContext* instance);
void RestoreDevmodePart(DriverContext* instance, std::uint8_t* copy, BOOL restore);
// The same for storage area 3.
std::uint8_t* SaveWorkSettings(DriverContext* instance);
void RestoreWorkSettings(DriverContext* instance, std::uint8_t* copy, BOOL restore);

// 1 for statuses 14 and 15 while rdmFuncSelectMargin is not 0.
BOOL NeedsMarginReset(DriverContext* instance, std::uint32_t statusId, const void* structure);
// The margin items reset while rdmFuncSelectMargin is 0.
void ResetMarginsIfOff(DriverContext* instance);

// ---- settings and modes ------------------------------------------------------------

// Command 1: the paper items follow the change; any other command goes to
// the settings modules (901 after a separation-sheet change).
void UpdateDependentSettings(DriverContext* instance, std::uint16_t command);
// Not Windows 9x and the terminal-server flag of the private DEVMODE set.
BOOL IsPerUserMode(DriverContext* instance);
// IsPerUserMode and the administrator flag 0.
BOOL IsPerUserNonAdminMode(DriverContext* instance);
// Stores the item under the one value name "rdmAction" (type code 5, its
// length), as every action status shares one stored value.
BOOL StoreActionItem(DriverContext* instance, SettingItemDescriptor* item, const WCHAR* iniPath);
// rdmUseUserMacro not 0 and rdmUserPrintMacro 160.
BOOL IsUserMacro160Active(DriverContext* instance);

// ---- per-object colour items ------------------------------------------------------

// Object 0 is text, 1 line (graphics), 2 image.
struct AdjustItemRow {
    std::uint16_t item;
    std::uint16_t variants[3];
    std::uint16_t reserved[2];
};
std::span<const AdjustItemRow> AdjustItemTable();  // ended by a row of item 0
// The item itself unless rdmAdjustMode is 1; then its variant for
// rdmAdjustObject.
std::uint16_t GetAdjustTargetItem(DriverContext* instance, std::uint16_t item);
// The item's variant for the object; the item itself without a row or for
// another object.
std::uint16_t RemapAdjustItem(DriverContext* instance, std::uint16_t item, std::uint32_t object);

// ---- constraints --------------------------------------------------------------------

// 1 when the alert that fires for the item (mode 1: with the item first set
// to value) carries a message with the string id; with mode 1 the item gets
// its old value back then. Every other outcome answers 0 and, with mode 1,
// leaves the item at value.
BOOL AlertNamesMessage(DriverContext* instance, std::uint16_t item, std::uint16_t stringId, std::uint32_t value,
                       std::uint32_t mode);
// The stored colour profiles; 0 when the operation fails.
int CountColorProfiles(DriverContext* instance);
// Profile value into the settings, its mode text (cut to capacity
// characters) to out. 1 when it succeeds.
BOOL SelectProfile(DriverContext* instance, std::uint32_t value, WCHAR* out, std::size_t capacity);
// Syncs resolution, source and output paper from the DEVMODE and answers
// whether finishing judge 863 refuses the paper combination.
BOOL IsPaperCombinationRefused(DriverContext* instance);
// 1 when the switch item can be turned on with the value item at value: the
// trial runs on the settings and is undone in every case. A switch that is
// already on answers 1 without a trial.
BOOL TrySwitchOn(DriverContext* instance, std::uint32_t statusId, std::uint16_t switchItem, std::uint16_t valueItem,
                 std::uint32_t value);
// 0 when either is 0; else whether both lie within the custom size limits of
// the API version in force (16-bit pairs of capabilities 13 and 14 below 16,
// 32-bit pairs of 124 and 125 from 16).
BOOL IsCustomSizeInRange(DriverContext* instance, std::uint32_t width, std::uint32_t length);

}  // namespace vexl::api
