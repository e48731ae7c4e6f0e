// What the DEVMODE code asks of the rest of the settings library: the UI
// entries and constraints of the compiled model, module events and
// snapshots, languages, custom-size slots, quality lists and stamps, and the
// stored per-printer settings.
//
// Every such question goes through one entry of the service table below.
// Each entry is its owner's function, or an adapter where the DEVMODE code
// asks in another shape.
// A test may put a fake in place. The wrappers carry the
// owners' own names, inside namespace services so that they never collide
// with them. The rest of the settings core asks the same table for the paper
// geometry, the resolution cap, the preset snapshots and the tray limits.
#pragma once

#include "common/core/context.h"
#include "common/core/paper_types.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// A UI entry of the context's compiled model, as the model's lookups hand
// it out: its offset in the model, 0 for none. The DEVMODE code never looks
// inside it.
using UiEntryRef = std::uint32_t;

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

struct DevmodeServices {
    // ---- UI entries, constraints and transactions of the compiled model ----
    UiEntryRef (*lookupUiEntry)(std::uint16_t item, DriverContext* context);
    std::uint16_t (*getUiRawType)(UiEntryRef entry, DriverContext* context);
    BOOL (*hasUiOptionList)(UiEntryRef entry, DriverContext* context);
    BOOL (*hasUiOption)(UiEntryRef entry, std::uint16_t option, DriverContext* context);
    BOOL (*getUiNumericRange)(UiEntryRef entry, DriverContext* context, std::int32_t* minimum, std::int32_t* maximum);
    std::uint32_t (*isUiOptionUnavailable)(UiEntryRef entry, std::uint16_t option, DriverContext* context);
    std::uint32_t (*isUiOptionRestricted)(UiEntryRef entry, std::uint16_t option, DriverContext* context);
    std::uint32_t (*getUiDefaultValue)(std::uint16_t item, DriverContext* context);
    std::uint16_t (*runUiTransacts)(UiEntryRef entry, DriverContext* context);
    std::uint16_t (*runKeyTransacts)(std::uint16_t symbolKey, std::uint32_t unused, DriverContext* context);

    // ---- paper geometry and resolution cap of the compiled model ----
    BOOL (*getPageGeometry)(DriverContext* context, PageRect* printable, PaperExtent* paper, std::uint16_t paperOption);
    BOOL (*getPaperSizeOfOption)(DriverContext* context, PaperExtent* out, std::uint16_t paperOption);
    BOOL (*getOutputPaperSize)(DriverContext* context, PaperExtent* out);
    std::uint16_t (*findPaperBySize)(DriverContext* context, std::int16_t width, std::int16_t length,
                                     std::uint16_t tolerant);
    std::uint16_t (*getResolutionCapForSize)(DriverContext* context, std::uint16_t destination);
    BOOL (*getTrayPaperLimitsFor)(DriverContext* context, std::uint32_t tray, std::uint32_t orientation,
                                  std::int32_t* outMin, std::int32_t* outMax, BOOL length);

    // ---- settings modules and snapshots ----
    void (*notifySettingsModules)(DriverContext* context, std::uint32_t event, void* param);
    void (*sendSettingsModuleCommand)(DriverContext* context, std::uint16_t command);
    void (*pushSettingsSnapshot)(DriverContext* context);
    void (*popSettingsSnapshot)(DriverContext* context, BOOL restore);

    // ---- languages ----
    std::uint16_t (*getInstalledLanguageId)(DriverContext* context);

    // ---- custom sizes of the settings INI: the rows of the paper table ----
    void (*loadAllFreeSizeSlotsOnce)(DriverContext* context);
    // The fixed free size of row 10 or 11 into its row; other rows stay.
    void (*cachePrintFreeSize)(DriverContext* context, int row);
    void (*selectFreeSizeSlot)(DriverContext* context, int row);
    void (*selectSrcFreeSizeSlot)(DriverContext* context, int row);
    void (*loadFreeSizeSlot)(DriverContext* context, int slot);
    void (*loadQualityListSlot)(DriverContext* context, int slot);
    void (*loadUserQualityMacro)(DriverContext* context, BOOL withSetName);
    void (*reloadSelectedStamp)(DriverContext* context);
    BOOL (*isCollateSelectable)(DriverContext* context);
    BOOL (*managePresetSnapshots)(DriverContext* context, const WCHAR* key, int mode);
    // The face name of the UI font into out (32 characters).
    WCHAR* (*getUiFontName)(DriverContext* context, WCHAR* out);

    // ---- stored per-printer settings ----
    // The printer's stored default DEVMODE over the context's store; TRUE
    // when it is of this model and size.
    BOOL (*usePrinterDefaultDevmode)(DriverContext* context);
    void (*applyLockedValues)(DriverContext* context);
    BOOL (*isCompanionFunctionInstalled)(int function, DriverContext* context);
    void (*loadItemsOfClass)(DriverContext* context, std::int32_t itemClass, std::uint32_t mode);
    BOOL (*loadUserCodeIfProviderOn)(DriverContext* context);
    void (*loadDriverIdFromModelFile)(DriverContext* context);

    // ---- the library's own forms of the default DEVMODE's private fields ----
    // The run-time flag bytes of the private tail and the private header
    // (INI name, version texts, job-ticket block); null: the common forms.
    void (*initPrivateRuntimeFlags)(DriverContext* context);
    void (*initPrivateHeader)(DriverContext* context);

    // ---- common passes a library answers in its own form ----
    // Every item back to its model default (the common pass keeps the items
    // under an administrator lock).
    void (*applyModelDefaults)(DriverContext* context);
    // The chapter default trays back to the fallback tray after a tray
    // report was read.
    void (*resetChapterDefaultTrays)(DriverContext* context);
};

const DevmodeServices& GetDevmodeServices();
void SetDevmodeServices(const DevmodeServices& services);

namespace services {

// ---- UI entries ----------------------------------------------------------------
inline UiEntryRef LookupUiEntry(std::uint16_t item, DriverContext* context)
{
    return GetDevmodeServices().lookupUiEntry(item, context);
}
// The type word as stored; 0 without entry.
inline std::uint16_t GetUiRawType(UiEntryRef entry, DriverContext* context)
{
    return entry ? GetDevmodeServices().getUiRawType(entry, context) : 0;
}
// The type word without the Identity and TypeUnknown flags.
inline std::uint16_t GetUiType(UiEntryRef entry, DriverContext* context)
{
    return static_cast<std::uint16_t>(GetUiRawType(entry, context) & ~(kUiTypeIdentityFlag | kUiTypeUnknownFlag));
}
inline std::uint16_t GetUiTypeOfItem(std::uint16_t item, DriverContext* context)
{
    return GetUiType(LookupUiEntry(item, context), context);
}
inline BOOL HasUiOptionList(UiEntryRef entry, DriverContext* context)
{
    return entry ? GetDevmodeServices().hasUiOptionList(entry, context) : 0;
}
inline BOOL HasUiOption(UiEntryRef entry, std::uint16_t option, DriverContext* context)
{
    return entry ? GetDevmodeServices().hasUiOption(entry, option, context) : 0;
}
inline BOOL GetUiNumericRange(UiEntryRef entry, DriverContext* context, std::int32_t* minimum, std::int32_t* maximum)
{
    return entry ? GetDevmodeServices().getUiNumericRange(entry, context, minimum, maximum) : 0;
}
inline std::uint32_t IsUiOptionUnavailable(UiEntryRef entry, std::uint16_t option, DriverContext* context)
{
    return entry ? GetDevmodeServices().isUiOptionUnavailable(entry, option, context) : 0;
}
inline std::uint32_t IsUiOptionRestricted(UiEntryRef entry, std::uint16_t option, DriverContext* context)
{
    return entry ? GetDevmodeServices().isUiOptionRestricted(entry, option, context) : 0;
}
inline std::uint32_t GetUiDefaultValue(std::uint16_t item, DriverContext* context)
{
    return GetDevmodeServices().getUiDefaultValue(item, context);
}
inline std::uint16_t RunUiTransacts(UiEntryRef entry, DriverContext* context)
{
    return entry ? GetDevmodeServices().runUiTransacts(entry, context) : 0;
}
inline std::uint16_t RunKeyTransacts(std::uint16_t symbolKey, std::uint32_t unused, DriverContext* context)
{
    return GetDevmodeServices().runKeyTransacts(symbolKey, unused, context);
}

// ---- paper geometry and resolution cap ---------------------------------------------
inline BOOL GetPageGeometry(DriverContext* context, PageRect* printable, PaperExtent* paper, std::uint16_t paperOption)
{
    return GetDevmodeServices().getPageGeometry(context, printable, paper, paperOption);
}
inline BOOL GetPaperSizeOfOption(DriverContext* context, PaperExtent* out, std::uint16_t paperOption)
{
    return GetDevmodeServices().getPaperSizeOfOption(context, out, paperOption);
}
inline BOOL GetOutputPaperSize(DriverContext* context, PaperExtent* out)
{
    return GetDevmodeServices().getOutputPaperSize(context, out);
}
inline std::uint16_t FindPaperBySize(DriverContext* context, std::int16_t width, std::int16_t length,
                                     std::uint16_t tolerant)
{
    return GetDevmodeServices().findPaperBySize(context, width, length, tolerant);
}
inline std::uint16_t GetResolutionCapForSize(DriverContext* context, std::uint16_t destination)
{
    return GetDevmodeServices().getResolutionCapForSize(context, destination);
}
inline BOOL GetTrayPaperLimitsFor(DriverContext* context, std::uint32_t tray, std::uint32_t orientation,
                                  std::int32_t* outMin, std::int32_t* outMax, BOOL length)
{
    return GetDevmodeServices().getTrayPaperLimitsFor(context, tray, orientation, outMin, outMax, length);
}

// ---- settings modules and snapshots ------------------------------------------------
inline void NotifySettingsModules(DriverContext* context, std::uint32_t event, void* param)
{
    GetDevmodeServices().notifySettingsModules(context, event, param);
}
inline void SendSettingsModuleCommand(DriverContext* context, std::uint16_t command)
{
    GetDevmodeServices().sendSettingsModuleCommand(context, command);
}
inline void PushSettingsSnapshot(DriverContext* context)
{
    GetDevmodeServices().pushSettingsSnapshot(context);
}
inline void PopSettingsSnapshot(DriverContext* context, BOOL restore)
{
    GetDevmodeServices().popSettingsSnapshot(context, restore);
}

// ---- languages and the model INI ---------------------------------------------------
inline std::uint16_t GetInstalledLanguageId(DriverContext* context)
{
    return GetDevmodeServices().getInstalledLanguageId(context);
}
inline void LoadDriverIdFromModelFile(DriverContext* context)
{
    GetDevmodeServices().loadDriverIdFromModelFile(context);
}
// The library's form of the run-time flags and of the private header, or the
// common one.
void InitPrivateRuntimeFlags(DriverContext* context);
void InitPrivateHeader(DriverContext* context);

// ---- lists in the settings INI ---------------------------------------------------------------
inline void LoadAllFreeSizeSlotsOnce(DriverContext* context)
{
    GetDevmodeServices().loadAllFreeSizeSlotsOnce(context);
}
inline void CachePrintFreeSize(DriverContext* context, int row)
{
    GetDevmodeServices().cachePrintFreeSize(context, row);
}
inline void SelectSrcFreeSizeSlot(DriverContext* context, int row)
{
    GetDevmodeServices().selectSrcFreeSizeSlot(context, row);
}
inline void SelectFreeSizeSlot(DriverContext* context, int row)
{
    GetDevmodeServices().selectFreeSizeSlot(context, row);
}
inline void LoadQualityListSlot(DriverContext* context, int slot)
{
    GetDevmodeServices().loadQualityListSlot(context, slot);
}
inline void LoadUserQualityMacro(DriverContext* context, BOOL withSetName)
{
    GetDevmodeServices().loadUserQualityMacro(context, withSetName);
}
inline void ApplyModelDefaults(DriverContext* context)
{
    GetDevmodeServices().applyModelDefaults(context);
}
inline void ResetChapterDefaultTrays(DriverContext* context)
{
    GetDevmodeServices().resetChapterDefaultTrays(context);
}
inline void ReloadSelectedStamp(DriverContext* context)
{
    GetDevmodeServices().reloadSelectedStamp(context);
}
inline void LoadFreeSizeSlot(DriverContext* context, int slot)
{
    GetDevmodeServices().loadFreeSizeSlot(context, slot);
}
inline BOOL IsCollateSelectable(DriverContext* context)
{
    return GetDevmodeServices().isCollateSelectable(context);
}
inline BOOL ManagePresetSnapshots(DriverContext* context, const WCHAR* key, int mode)
{
    return GetDevmodeServices().managePresetSnapshots(context, key, mode);
}
inline WCHAR* GetUiFontName(DriverContext* context, WCHAR* out)
{
    return GetDevmodeServices().getUiFontName(context, out);
}

// ---- stored per-printer settings --------------------------------------------------------------
inline BOOL UsePrinterDefaultDevmode(DriverContext* context)
{
    return GetDevmodeServices().usePrinterDefaultDevmode(context);
}
inline void ApplyLockedValues(DriverContext* context)
{
    GetDevmodeServices().applyLockedValues(context);
}
inline BOOL IsCompanionFunctionInstalled(int function, DriverContext* context)
{
    return GetDevmodeServices().isCompanionFunctionInstalled(function, context);
}
inline void LoadItemsOfClass(DriverContext* context, std::int32_t itemClass, std::uint32_t mode)
{
    GetDevmodeServices().loadItemsOfClass(context, itemClass, mode);
}
inline BOOL LoadUserCodeIfProviderOn(DriverContext* context)
{
    return GetDevmodeServices().loadUserCodeIfProviderOn(context);
}

}  // namespace services
}  // namespace vexl
