// What the DEVMODE code asks of the rest of the settings library: the UI
// entries and constraints of the compiled model, module events and
// snapshots, units and languages, resolution codes and caps, paper
// geometry, custom-size slots, quality lists and stamps, and the stored
// per-printer settings.
//
// Every such question goes through one entry of the service table below.
// Each entry starts as the answer its owner gives when it has nothing to
// say (no UI entry, no cap, no slot, no list, no stored DEVMODE); a test may
// put a fake in place, and each entry is pointed at its owner's function as
// that function comes in. The wrappers carry the owners' own names, inside
// namespace services so that they never collide with them.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// A UI entry of the compiled model, as the model's lookups hand it out.
// The DEVMODE code never looks inside it.
using UiEntryRef = const void*;

// UI type words (flags included in the raw word).
inline constexpr std::uint16_t kUiTypePickOne = 0x0001;
inline constexpr std::uint16_t kUiTypePickMany = 0x0002;
inline constexpr std::uint16_t kUiTypeBoolean = 0x0004;
inline constexpr std::uint16_t kUiTypeNumeric = 0x0008;
inline constexpr std::uint16_t kUiTypeString = 0x0010;
inline constexpr std::uint16_t kUiTypePickPage = 0x0101;
inline constexpr std::uint16_t kUiTypePickSlot = 0x0201;
inline constexpr std::uint16_t kUiTypeIdentityFlag = 0x1000;
inline constexpr std::uint16_t kUiTypeUnknownFlag = 0x2000;

// A printable rectangle and a paper size of a paper option, in dots.
struct PageRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};
struct PaperExtent {
    std::int32_t width;
    std::int32_t length;
};

struct DevmodeServices {
    // ---- UI entries, constraints and transactions of the compiled model ----
    UiEntryRef (*lookupUiEntry)(std::uint16_t item, DriverContext* context);
    std::uint16_t (*getUiRawType)(UiEntryRef entry);
    BOOL (*hasUiOptionList)(UiEntryRef entry);
    BOOL (*hasUiOption)(UiEntryRef entry, std::uint16_t option);
    BOOL (*getUiNumericRange)(UiEntryRef entry, std::int32_t* minimum, std::int32_t* maximum);
    std::uint32_t (*isUiOptionUnavailable)(UiEntryRef entry, std::uint16_t option, DriverContext* context);
    std::uint32_t (*isUiOptionRestricted)(UiEntryRef entry, std::uint16_t option, DriverContext* context);
    std::uint32_t (*getUiDefaultValue)(std::uint16_t item, DriverContext* context);
    std::uint16_t (*runUiTransacts)(UiEntryRef entry, DriverContext* context);
    std::uint16_t (*runKeyTransacts)(std::uint16_t symbolKey, std::uint32_t unused, DriverContext* context);

    // ---- settings modules and snapshots ----
    int (*notifySettingsModules)(DriverContext* context, std::uint32_t event, void* param);
    int (*sendSettingsModuleCommand)(DriverContext* context, std::uint32_t command, void* param);
    BOOL (*pushSettingsSnapshot)(DriverContext* context);
    BOOL (*popSettingsSnapshot)(DriverContext* context);

    // ---- languages ----
    std::uint16_t (*getInstalledLanguageId)(DriverContext* context);

    // ---- resolution ----
    std::uint32_t (*getResolutionCapForSize)(DriverContext* context);
    std::uint32_t (*findResolutionCodeByDpi)(DriverContext* context, std::uint32_t dpi);
    std::uint32_t (*findNextResolutionCode)(DriverContext* context, std::uint32_t code, std::uint32_t dpi);

    // ---- paper geometry ----
    BOOL (*getPageGeometry)(DriverContext* context, std::uint16_t option, PageRect* rect, PaperExtent* size);
    BOOL (*getPaperOptionSize)(DriverContext* context, std::uint16_t option, PaperExtent* size);
    BOOL (*getOutputPaperSize)(DriverContext* context, PaperExtent* size);
    std::uint32_t (*findPaperBySize)(DriverContext* context, std::uint32_t width, std::uint32_t length);

    // ---- lists in the settings INI: custom sizes, quality lists, stamps ----
    void (*loadAllFreeSizeSlotsOnce)(DriverContext* context);
    void (*cachePrintFreeSize)(DriverContext* context, int slot);
    void (*selectSrcFreeSizeSlot)(DriverContext* context, int slot);
    void (*selectFreeSizeSlot)(DriverContext* context, int slot);
    BOOL (*loadQualityListSlot)(DriverContext* context, int slot);
    void (*loadUserQualityMacro)(DriverContext* context, BOOL withSetName);
    void (*reloadSelectedStamp)(DriverContext* context);
    const WCHAR* (*getUiFontName)(DriverContext* context);

    // ---- stored per-printer settings ----
    BOOL (*usePrinterDefaultDevmode)(DriverContext* context, std::uint8_t* store);
    void (*applyLockedValues)(DriverContext* context);
    BOOL (*isCompanionFunctionInstalled)(DriverContext* context, std::uint32_t code);
    void (*loadItemsOfClass)(DriverContext* context, std::uint32_t itemClass, std::uint32_t mode);
    void (*loadUserCodeIfProviderOn)(DriverContext* context);
    void (*loadDriverIdFromModelFile)(DriverContext* context);
};

const DevmodeServices& GetDevmodeServices();
void SetDevmodeServices(const DevmodeServices& services);
const DevmodeServices& GetDefaultDevmodeServices();

namespace services {

// ---- UI entries ----------------------------------------------------------------
inline UiEntryRef LookupUiEntry(std::uint16_t item, DriverContext* context) {
    return GetDevmodeServices().lookupUiEntry(item, context);
}
// The type word as stored; 0 without entry.
inline std::uint16_t GetUiRawType(UiEntryRef entry) { return entry ? GetDevmodeServices().getUiRawType(entry) : 0; }
// The type word without the Identity and TypeUnknown flags.
inline std::uint16_t GetUiType(UiEntryRef entry) {
    return static_cast<std::uint16_t>(GetUiRawType(entry) & ~(kUiTypeIdentityFlag | kUiTypeUnknownFlag));
}
inline std::uint16_t GetUiTypeOfItem(std::uint16_t item, DriverContext* context) {
    return GetUiType(LookupUiEntry(item, context));
}
inline BOOL HasUiOptionList(UiEntryRef entry) { return entry ? GetDevmodeServices().hasUiOptionList(entry) : 0; }
inline BOOL HasUiOption(UiEntryRef entry, std::uint16_t option) {
    return entry ? GetDevmodeServices().hasUiOption(entry, option) : 0;
}
inline BOOL GetUiNumericRange(UiEntryRef entry, std::int32_t* minimum, std::int32_t* maximum) {
    return entry ? GetDevmodeServices().getUiNumericRange(entry, minimum, maximum) : 0;
}
inline std::uint32_t IsUiOptionUnavailable(UiEntryRef entry, std::uint16_t option, DriverContext* context) {
    return entry ? GetDevmodeServices().isUiOptionUnavailable(entry, option, context) : 0;
}
inline std::uint32_t IsUiOptionRestricted(UiEntryRef entry, std::uint16_t option, DriverContext* context) {
    return entry ? GetDevmodeServices().isUiOptionRestricted(entry, option, context) : 0;
}
inline std::uint32_t GetUiDefaultValue(std::uint16_t item, DriverContext* context) {
    return GetDevmodeServices().getUiDefaultValue(item, context);
}
inline std::uint16_t RunUiTransacts(UiEntryRef entry, DriverContext* context) {
    return entry ? GetDevmodeServices().runUiTransacts(entry, context) : 0;
}
inline std::uint16_t RunKeyTransacts(std::uint16_t symbolKey, std::uint32_t unused, DriverContext* context) {
    return GetDevmodeServices().runKeyTransacts(symbolKey, unused, context);
}

// ---- settings modules, snapshots and build switches ------------------------------
inline int NotifySettingsModules(DriverContext* context, std::uint32_t event, void* param) {
    return GetDevmodeServices().notifySettingsModules(context, event, param);
}
inline int SendSettingsModuleCommand(DriverContext* context, std::uint32_t command, void* param) {
    return GetDevmodeServices().sendSettingsModuleCommand(context, command, param);
}
inline BOOL PushSettingsSnapshot(DriverContext* context) { return GetDevmodeServices().pushSettingsSnapshot(context); }
inline BOOL PopSettingsSnapshot(DriverContext* context) { return GetDevmodeServices().popSettingsSnapshot(context); }
// Build features of this build: only bit 7 is on.
BOOL IsBuildFeatureOn(std::uint32_t bit);
// Optional behaviour classes: 0 to 5 are on.
BOOL IsFeatureClassOn(std::uint32_t featureClass);

// ---- units, languages and lock tests ------------------------------------------------
inline constexpr std::uint32_t kUnitTenthMm = 1;
inline constexpr std::uint32_t kUnitHundredthInch = 2;
std::uint32_t RescaleDots(std::uint32_t dots, std::uint32_t fromDpi, std::uint32_t toDpi);
std::uint32_t UnitsToDots(std::uint32_t kind, std::uint32_t value, std::uint32_t dpi);
std::uint32_t DotsToUnits(std::uint32_t kind, std::uint32_t dots, std::uint32_t dpi);
// The custom-size limits of wdmFreeSizeWidth or wdmFreeSizeLength in
// display units; 0 for any other item.
BOOL GetFreeSizeLimits(DriverContext* context, std::uint16_t item, std::int32_t* outMin, std::int32_t* outMax);
BOOL IsMetricUnit(DriverContext* context);
BOOL IsKnownLanguageId(std::uint16_t id);
inline std::uint16_t GetInstalledLanguageId(DriverContext* context) {
    return GetDevmodeServices().getInstalledLanguageId(context);
}
BOOL IsTrayLocked(DriverContext* context);
BOOL IsMediaLocked(DriverContext* context);
BOOL IsNupKindLocked(DriverContext* context);
BOOL IsDuplexLocked(DriverContext* context);
BOOL IsPrintTypeLocked(DriverContext* context);
BOOL IsResolutionLocked(DriverContext* context);
BOOL IsColorLocked(DriverContext* context);
// The character-set code of the ANSI code page.
std::uint32_t GetAnsiCharsetCode();
void SetAuthCharsetItems(DriverContext* context, std::uint32_t flags);
inline void LoadDriverIdFromModelFile(DriverContext* context) {
    GetDevmodeServices().loadDriverIdFromModelFile(context);
}

// ---- resolution ------------------------------------------------------------------------
inline std::uint32_t GetResolutionCapForSize(DriverContext* context) {
    return GetDevmodeServices().getResolutionCapForSize(context);
}
inline std::uint32_t FindResolutionCodeByDpi(DriverContext* context, std::uint32_t dpi) {
    return GetDevmodeServices().findResolutionCodeByDpi(context, dpi);
}
inline std::uint32_t FindNextResolutionCode(DriverContext* context, std::uint32_t code, std::uint32_t dpi) {
    return GetDevmodeServices().findNextResolutionCode(context, code, dpi);
}
// The x resolution of a resolution code of the model database; 0 when unknown.
std::uint32_t GetResolutionCodeDpi(std::uint32_t code);

// ---- paper geometry ----------------------------------------------------------------------
inline BOOL GetPageGeometry(DriverContext* context, std::uint16_t option, PageRect* rect, PaperExtent* size) {
    return GetDevmodeServices().getPageGeometry(context, option, rect, size);
}
inline BOOL GetPaperOptionSize(DriverContext* context, std::uint16_t option, PaperExtent* size) {
    return GetDevmodeServices().getPaperOptionSize(context, option, size);
}
inline BOOL GetOutputPaperSize(DriverContext* context, PaperExtent* size) {
    return GetDevmodeServices().getOutputPaperSize(context, size);
}
inline std::uint32_t FindPaperBySize(DriverContext* context, std::uint32_t width, std::uint32_t length) {
    return GetDevmodeServices().findPaperBySize(context, width, length);
}

// ---- lists in the settings INI ---------------------------------------------------------------
inline void LoadAllFreeSizeSlotsOnce(DriverContext* context) { GetDevmodeServices().loadAllFreeSizeSlotsOnce(context); }
inline void CachePrintFreeSize(DriverContext* context, int slot) { GetDevmodeServices().cachePrintFreeSize(context, slot); }
inline void SelectSrcFreeSizeSlot(DriverContext* context, int slot) {
    GetDevmodeServices().selectSrcFreeSizeSlot(context, slot);
}
inline void SelectFreeSizeSlot(DriverContext* context, int slot) { GetDevmodeServices().selectFreeSizeSlot(context, slot); }
inline BOOL LoadQualityListSlot(DriverContext* context, int slot) {
    return GetDevmodeServices().loadQualityListSlot(context, slot);
}
inline void LoadUserQualityMacro(DriverContext* context, BOOL withSetName) {
    GetDevmodeServices().loadUserQualityMacro(context, withSetName);
}
inline void ReloadSelectedStamp(DriverContext* context) { GetDevmodeServices().reloadSelectedStamp(context); }
inline const WCHAR* GetUiFontName(DriverContext* context) { return GetDevmodeServices().getUiFontName(context); }
// Whether a collation choice is offered: the allowed values of rdmSortType
// are more than the single value 0.
BOOL IsCollateSelectable(DriverContext* context);

// ---- stored per-printer settings --------------------------------------------------------------
inline BOOL UsePrinterDefaultDevmode(DriverContext* context, std::uint8_t* store) {
    return GetDevmodeServices().usePrinterDefaultDevmode(context, store);
}
inline void ApplyLockedValues(DriverContext* context) { GetDevmodeServices().applyLockedValues(context); }
inline BOOL IsCompanionFunctionInstalled(DriverContext* context, std::uint32_t code) {
    return GetDevmodeServices().isCompanionFunctionInstalled(context, code);
}
inline void LoadItemsOfClass(DriverContext* context, std::uint32_t itemClass, std::uint32_t mode) {
    GetDevmodeServices().loadItemsOfClass(context, itemClass, mode);
}
inline void LoadUserCodeIfProviderOn(DriverContext* context) { GetDevmodeServices().loadUserCodeIfProviderOn(context); }

}  // namespace services
}  // namespace vexl
