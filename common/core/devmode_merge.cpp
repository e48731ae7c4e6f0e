// DEVMODE creation, merge and version upgrade.
#include "common/core/devmode_merge.h"

#include "common/core/appservices.h"
#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/printer.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/units.h"
#include "platform/inifile.h"

#include <cstring>

namespace vexl {
namespace {

// Where the item table's positions of area-3 items begin.
constexpr int kFirstArea3Position = 722;
// The bit of rdmQualityFuncTextBitmapSupport in its word, and of rdmHidden2Func7.
constexpr std::uint16_t kTextBitmapSupportBit = 1u << 13;
constexpr std::uint32_t kHidden2Func7Bit = 1u << 7;

constexpr char kConvertScriptSymbol[] = "KSD_ConvertDevmode";
constexpr WCHAR kDefaultSettingsKey[] = u"DefaultRst";
constexpr int kPathChars = 260;

std::uint8_t* Bytes(DEVMODEW* devmode)
{
    return reinterpret_cast<std::uint8_t*>(devmode);
}
const std::uint8_t* Bytes(const DEVMODEW* devmode)
{
    return reinterpret_cast<const std::uint8_t*>(devmode);
}

DEVMODEW* StoreDevmode(DriverContext* context)
{
    return reinterpret_cast<DEVMODEW*>(GetStoreBytes(context));
}

const ModelRecord* RecordOf(DriverContext* context)
{
    return context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
}

// The private version of a DEVMODE whose header is where it should be.
bool ReadPrivateVersion(const DEVMODEW* devmode, std::uint32_t* version)
{
    if (devmode == nullptr) return false;
    std::uint16_t size = GetDevmodeField16(devmode, offsetof(DEVMODEW, dmSize));
    std::uint16_t extra = GetDevmodeField16(devmode, offsetof(DEVMODEW, dmDriverExtra));
    // The version is read after a public part of any size the system knows
    // (188, 212 and 220 bytes, and the current one) whose driver part covers
    // the field; anything else is not ours to read.
    const bool knownSize = size == 188 || size == 212 || size == 220 || size == GetPublicDevmodeSize();
    if (!knownSize || extra < kPrivateVersionFieldOffset + 4) return false;
    *version = ReadLe32(Bytes(devmode) + size + kPrivateVersionFieldOffset);
    return true;
}

// An item that an administrator lock keeps at its value (class 2).
bool IsKeptByLock(DriverContext* context, std::uint16_t item)
{
    if (!IsFeatureClassOn(context, kFeatureAdminLocks, 0)) return false;
    switch (item) {
    case dmDefaultSource:
        return IsTrayLocked(context);
    case rdmMediaType:
        return IsMediaLocked(context);
    case rdmNUPPOSTKind:
        return IsNupKindLocked(context);
    case rdmFuncSelectDuplex:
        return IsDuplexLocked(context);
    case rdmLockPrnMethod:
        return IsPrintTypeLocked(context);
    case rdmLockDstResolutionBoth:
        return IsResolutionLocked(context);
    case dmColor:
        return IsColorLocked(context);
    default:
        return false;
    }
}

// The context's run-time flags and related bits, which a merge keeps
// whatever DEVMODE comes in.
struct RuntimeFlags {
    std::uint32_t callSrc;
    std::uint32_t osKind;
    std::uint32_t batchInst;
    std::uint32_t printLog;
    std::uint32_t biDirect;
    std::uint32_t noPermission;
    std::uint32_t serverClientMode;
    std::uint32_t propertyType;
    std::uint32_t tse;
    std::uint32_t admin;
    std::uint32_t bidiFunc;
    std::uint8_t lockPrnMethod;
    std::uint32_t frontFunc;
    std::uint32_t supportFunc2;
};

RuntimeFlags SaveRuntimeFlags(const DEVMODEW* store)
{
    RuntimeFlags f{};
    f.callSrc = GetDevmodeDefaultsModeFlag(store);
    f.osKind = GetDevmodeOsKind(store);
    f.batchInst = GetDevmodePackageImportFlag(store);
    f.printLog = GetDevmodeInstallUserCodeFlag(store);
    f.biDirect = GetDevmodeDeviceInfoFlag(store);
    f.noPermission = GetDevmodeNoPermissionFlag(store);
    f.serverClientMode = GetDevmodeConnectionFlag(store);
    f.propertyType = GetDevmodeDeviceSheetFlag(store);
    f.tse = GetDevmodeTerminalServerFlag(store);
    f.admin = GetDevmodeAdminFlag(store);
    f.bidiFunc = GetDevmodeBidiFuncBits(store);
    f.lockPrnMethod = GetDevmodeLockPrnMethod(store);
    f.frontFunc = GetDevmodeFrontFunc(store);
    f.supportFunc2 = GetDevmodeSupportFunc2Bits(store);
    return f;
}

void RestoreRuntimeFlags(DriverContext* context, DEVMODEW* store, const RuntimeFlags& f, std::uint32_t flags)
{
    SetDevmodeDefaultsModeFlag(store, static_cast<std::uint8_t>(f.callSrc));
    SetDevmodeOsKind(store, static_cast<std::uint8_t>(f.osKind));
    SetDevmodePackageImportFlag(store, static_cast<std::uint8_t>(f.batchInst));
    SetDevmodeInstallUserCodeFlag(store, static_cast<std::uint8_t>(f.printLog));
    SetDevmodeDeviceInfoFlag(store, static_cast<std::uint8_t>(f.biDirect));
    SetDevmodeNoPermissionFlag(store, static_cast<std::uint8_t>(f.noPermission));
    SetDevmodeConnectionFlag(store, static_cast<std::uint8_t>(f.serverClientMode));
    SetDevmodeDeviceSheetFlag(store, static_cast<std::uint8_t>(f.propertyType));
    SetDevmodeTerminalServerFlag(store, static_cast<std::uint8_t>(f.tse));
    SetDevmodeAdminFlag(store, static_cast<std::uint8_t>(f.admin));
    SetDevmodeBidiFuncBits(store, static_cast<std::uint8_t>(f.bidiFunc));
    if (IsFeatureClassOn(context, kFeatureAdminLocks, 0) && IsPrintTypeLocked(context) &&
        GetItemValue(context, rdmFunc2SelectPreviewFlag) == 0 && !(flags & kMergeNoPrintMethodLock)) {
        SetDevmodeLockPrnMethod(store, f.lockPrnMethod);
    }
    SetDevmodeFrontFunc(store, f.frontFunc);
    if (flags & kMergeKeepSupportBits) {
        CopyJobCompleteSupportBit(store, f.supportFunc2);
        CopyJobErrorSupportBit(store, f.supportFunc2);
    }
}

// The model's own say on two bits of the private part.
void ApplyModelBits(DriverContext* context, DEVMODEW* store)
{
    std::uint16_t quality = GetDevmodeQualityFuncBits(store);
    if (services::GetUiDefaultValue(rdmQualityFuncTextBitmapSupport, context) != 0) {
        quality = static_cast<std::uint16_t>(quality | kTextBitmapSupportBit);
    } else {
        quality = static_cast<std::uint16_t>(quality & ~kTextBitmapSupportBit);
    }
    SetDevmodeQualityFuncBits(store, quality);
    if (services::GetUiDefaultValue(wdmCustomFunc1, context) != 0) {
        SetDevmodeHidden2FuncBits(store, GetDevmodeHidden2FuncBits(store) | kHidden2Func7Bit);
    }
}

// The state of the scratch after the caller's DEVMODE went into it.
int ScratchState(const DEVMODEW* scratch)
{
    if (IsDevmodeCurrent(scratch)) return kVersionStateCurrent;
    if (IsDevmodeSameModel(scratch)) return GetDevmodeVersionState(scratch);
    return kVersionStateForeign;
}

// The custom-size paper of dmPaperSize made the source free size.
void SelectSourceFreeSize(DriverContext* context)
{
    std::uint32_t paper = GetItemValue(context, dmPaperSize);
    if (!IsFreeSizeSlotPaper(paper)) return;
    services::LoadAllFreeSizeSlotsOnce(context);
    int row = GetFreeSizeSlotRow(paper);
    services::CachePrintFreeSize(context, row);
    services::SelectSrcFreeSizeSlot(context, row);
}

}  // namespace

SettingsStore* CreateDefaultDevmode(DriverContext* context, std::uint16_t mode)
{
    if (context == nullptr) return nullptr;
    auto* store = static_cast<SettingsStore*>(AllocZeroed(GetSettingsStoreSize()));
    if (store == nullptr) return nullptr;
    SettingsStore* previous = context->store;
    context->store = store;

    bool copied = services::UsePrinterDefaultDevmode(context) != 0;
    // Whatever came in, the store addresses its areas with its own bases.
    if (copied) SetStoreAreaOffsets(store->bytes);
    if (copied && mode != 3) {
        ResetArea3ItemsToModel(context);
        if (mode == 1) SyncItemsAfterLoad(StoreDevmode(context), 1, context);
    } else {
        SetModelDefaults(context);
        LoadPrinterDefaultDevmode(context);
    }
    context->store = previous;
    return store;
}

void SetModelDefaults(DriverContext* context)
{
    DEVMODEW* store = StoreDevmode(context);
    if (store == nullptr) return;
    services::ApplyModelDefaults(context);
    SetDriverVersionItem(context);
    SetPublicDefaults(store, 1, context);
    SetPrivateDefaults(store, context);
    services::InitPrivateRuntimeFlags(context);
    std::uint16_t language = services::GetInstalledLanguageId(context);
    SetItemValue(context, rdmLanguageID, language);
    SetItemValue(context, rdmDspLanguageID, language);
}

void SetItemDefaultsFromModel(DriverContext* context, BOOL keepLockedItems)
{
    std::uint8_t* store = GetStoreBytes(context);
    if (store == nullptr || context->itemTable == nullptr) return;
    InitPrivateDevmodeHeader(store, context);
    // The texts among the defaults are read in the installed language, the
    // one the store is given below: with the zeroed store they would be
    // looked for in the library of language 0.
    const std::uint16_t language = services::GetInstalledLanguageId(context);
    SetItemValue(context, rdmLanguageID, language);
    SetItemValue(context, rdmDspLanguageID, language);
    for (int i = 0; i < context->itemTable->count; ++i) {
        SettingItemDescriptor* descriptor = &context->itemTable->items[i];
        std::uint16_t item = descriptor->id;
        if (item == rdmPresetNo) {
            WriteItemOption(context, descriptor, services::GetUiDefaultValue(item, context) - 119);
            continue;
        }
        if (IsValueInNumberedList(2, item)) continue;
        if (keepLockedItems && IsKeptByLock(context, item)) continue;
        SetItemModelValue(context, item, services::GetUiDefaultValue(item, context));
    }
    SetItemValue(context, rdmLanguageID, language);
    SetItemValue(context, rdmDspLanguageID, language);
    WCHAR font[kFaceNameChars] = {};
    if (services::GetUiFontName(context, font)[0] != 0) {
        SetItemString(context, FindItem(context, rdmHFFontName), font);
        SetItemString(context, FindItem(context, rdmCopyProtectFontName), font);
    }
    SetAuthCharsetItems(context, 3);
    services::LoadDriverIdFromModelFile(context);
    SetItemValue(context, rdmCharSet, GetAnsiCharsetCode());
}

void ResetArea3ItemsToModel(DriverContext* context)
{
    if (context == nullptr || context->itemTable == nullptr) return;
    for (int i = kFirstArea3Position; i < context->itemTable->count; ++i) {
        const SettingItemDescriptor& descriptor = context->itemTable->items[i];
        if (ItemArea(descriptor) != kAreaWork) continue;
        SetItemModelValue(context, descriptor.id, services::GetUiDefaultValue(descriptor.id, context));
    }
    SetDriverVersionItem(context);
}

void SetDriverVersionItem(DriverContext* context)
{
    const WCHAR* text = RecordOf(context)->descriptionVersion;
    SetItemString(context, FindItem(context, wdmDriverVersion), text ? text : u"");
}

void InitPrivateRuntimeFlags(DriverContext* context)
{
    if (GetStoreBytes(context) == nullptr) return;
    SetDefaultsModeFlag(context, 1);
    SetOsKind(context, IsNt5OrLater() ? 2 : 1);
    SetTerminalServerFlag(context, IsTerminalServer(context->printer) ? 1 : 0);
    SetAdminFlag(context, IsAdministratorOrUnchecked(context) ? 1 : 0);
    SetPackageImportFlag(context, 1);
    SetInstallUserCodeFlag(context, 0);
    SetDeviceInfoFlag(context, 0);
    SetNoPermissionFlag(context, 0);
    SetUiModeChangeFlag(context, GetItemValue(context, rdmUIModeChange) ? 1 : 0);
    SetBidiEnabledFlag(context, IsPrinterBidiEnabled(context) ? 1 : 0);
    SetConnectionFlag(context, IsPrinterConnection(context) ? 1 : 0);
    SetUserCodeUseFlag(context, GetItemValue(context, rdmLogCodeUse) ? 1 : 0);
    SetDllUserCodeFlag(context, 0);
    SetBindingAppFlag(context, 0);
    SetPreviewAppFlag(context, 0);
    SetDeviceSheetFlag(context, 0);
    SetDllUserCodeFlag2(context, 0);
}

void LoadPrinterDefaultDevmode(DriverContext* context)
{
    std::uint8_t* store = GetStoreBytes(context);
    if (store == nullptr || context->printer == nullptr) return;
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
    if (info == nullptr) return;
    const DEVMODEW* stored = info->pDevMode;
    const DEVMODEW* own = reinterpret_cast<const DEVMODEW*>(store);
    auto field = [](const DEVMODEW* d, std::size_t offset) { return GetDevmodeField16(d, offset); };
    if (stored != nullptr && field(stored, offsetof(DEVMODEW, dmSize)) != 0 &&
        field(stored, offsetof(DEVMODEW, dmSize)) == field(own, offsetof(DEVMODEW, dmSize)) &&
        field(stored, offsetof(DEVMODEW, dmDriverExtra)) == field(own, offsetof(DEVMODEW, dmDriverExtra)) &&
        field(stored, offsetof(DEVMODEW, dmDriverVersion)) == field(own, offsetof(DEVMODEW, dmDriverVersion)) &&
        IsDevmodeCurrent(stored)) {
        std::memcpy(store, stored, GetDevmodeSize());
        SetStoreAreaOffsets(store);
    }
    FreeIfNotNull(info);
}

int GetDevmodeVersionState(const DEVMODEW* devmode)
{
    if (devmode == nullptr) return kVersionStateNone;
    std::uint32_t stored = 0;
    if (!ReadPrivateVersion(devmode, &stored)) return kVersionStateForeign;
    return CompareDevmodeVersion(stored, GetModelDatabase()->modelRecord->privateVersion);
}

int CompareDevmodeVersion(std::uint32_t stored, std::uint32_t current)
{
    std::uint32_t storedMajor = stored / 100;
    std::uint32_t currentMajor = current / 100;
    if (storedMajor < 3 && currentMajor < 3) return kVersionStateForeign;
    if (storedMajor == currentMajor) {
        return stored % 100 < current % 100 ? kVersionStateUpgrade : kVersionStateCurrent;
    }
    return storedMajor > currentMajor ? kVersionStateCurrent : kVersionStateForeign;
}

int UpgradePrivateDevmode(const DEVMODEW* source, DriverContext* context)
{
    std::uint32_t from = 0;
    if (context == nullptr || GetDevmodeVersionState(source) != kVersionStateUpgrade) return 0;
    if (!ReadPrivateVersion(source, &from)) return 0;
    std::uint32_t current = RecordOf(context)->privateVersion;
    int result = RunDevmodeConvertScript(from, current, context);
    // The version is stamped even when no script ran.
    if (std::uint8_t* privatePart = GetPrivateDevmode(context)) {
        WriteLe32(privatePart + kPrivateVersionFieldOffset, current);
    }
    return result;
}

int RunDevmodeConvertScript(std::uint32_t fromVersion, std::uint32_t toVersion, DriverContext* context)
{
    const SymbolEntry* symbol = FindSymbolByName(kConvertScriptSymbol);
    if (symbol == nullptr || symbol->symbolKey == 0) return 0;
    // Each step sees its version; a step may jump ahead by writing it.
    for (std::uint32_t version = fromVersion + 1; version <= toVersion; ++version) {
        SetItemValue(context, wdmConvertVersion, version);
        services::RunKeyTransacts(symbol->symbolKey, 0, context);
        if (GetItemValue(context, wdmConvertVersion) >= toVersion) break;
    }
    return 1;
}

int MergeDevmode(DriverContext* context, const DEVMODEW* caller, std::uint32_t flags)
{
    return RunDevmodeMerge(context, caller, flags, kCommonDevmodeMerge);
}

int RunDevmodeMerge(DriverContext* context, const DEVMODEW* caller, std::uint32_t flags, const MergeVariant& variant)
{
    if (!(flags & (kMergeFromCaller | kMergeFromSheet))) return 1;
    DEVMODEW* store = StoreDevmode(context);
    if (store == nullptr || context->workArea == nullptr) return 0;

    // The flags stay in force for the validation until the next merge.
    context->workArea->mergeFlags = flags;
    if (!(flags & kMergeNoReload)) SetItemValue(context, wdmCtrlWorkPrompt, (flags & kMergePrompt) ? 1 : 0);

    // A scratch copy of the store's DEVMODE.
    const std::uint32_t devmodeSize = GetDevmodeSize();
    const std::uint32_t publicSize = GetPublicDevmodeSize();
    const std::uint32_t privateSize = GetPrivateDevmodeSize();
    auto* scratch = static_cast<DEVMODEW*>(AllocZeroed(devmodeSize));
    if (scratch == nullptr) return 0;

    // A job ticket in the caller's DEVMODE is applied to a copy of it, which
    // then comes in instead.
    DEVMODEW* ticketed = nullptr;
    if (caller != nullptr && variant.ticketStep != nullptr) {
        ticketed = static_cast<DEVMODEW*>(AllocZeroed(devmodeSize));
        if (ticketed != nullptr && variant.ticketStep(context, caller, ticketed)) caller = ticketed;
    }
    std::memcpy(Bytes(scratch), Bytes(store), devmodeSize);

    // The context's run-time flags, saved before any DEVMODE from outside
    // touches the store, so that none comes in with it.
    RuntimeFlags saved = SaveRuntimeFlags(store);

    // The caller's DEVMODE into the scratch, and its private part judged.
    if (caller != nullptr) {
        CopyCallerDevmode(caller, scratch);
        switch (ScratchState(scratch)) {
        case kVersionStateUpgrade:
            std::memcpy(Bytes(store), Bytes(scratch), devmodeSize);
            SetStoreAreaOffsets(Bytes(store));
            UpgradePrivateDevmode(scratch, context);
            std::memcpy(Bytes(scratch), Bytes(store), devmodeSize);
            break;
        case kVersionStateCurrent:
            break;
        default:
            std::memcpy(Bytes(scratch) + publicSize, Bytes(store) + publicSize, privateSize);
            break;
        }
    }
    // The private part into the store, with the context's own flags.
    std::memcpy(Bytes(store) + publicSize, Bytes(scratch) + publicSize, privateSize);
    SetStoreAreaOffsets(Bytes(store));
    RestoreRuntimeFlags(context, store, saved, flags);
    // Bits the model decides.
    ApplyModelBits(context, store);
    // An image-form job prints as it comes.
    if ((flags & kMergeImageFormJob) && GetItemValue(context, wdmImageFormJob) != 0) {
        SetItemValue(context, rdmFuncSelectScale, 0);
        SetItemValue(context, rdmOutPaperSize, kOutputPaperSameAsSource);
        SetItemValue(context, rdmExtOutput2A4Fit, 0);
    }
    // The authentication plug-in (build feature 8 only).
    if (IsBuildFeatureOn(kFeatureAuthPluginStep) && IsFeatureClassOn(context, kFeatureAuthPluginMerge, 0) &&
        (flags & kMergeAuthPluginMask)) {
        if (variant.authPluginStep != nullptr) {
            variant.authPluginStep(context);
        } else {
            context->workArea->authPluginPresent = 0;
            context->workArea->authPluginPathFound = 0;
            SetItemValue(context, rdmFunc2SelectTintBlockUI, 0);
        }
    }
    // Locked values of a print server's connection.
    const bool lockSystem = !variant.locksOffWin9xOnly || !IsWin9x();
    if (IsFeatureClassOn(context, kFeatureAdminLocks, 0) && lockSystem && IsPrinterConnection(context) &&
        (flags & kMergeApplyLocksMask)) {
        services::ApplyLockedValues(context);
        services::NotifySettingsModules(context, kModuleEventLockQualityLists, nullptr);
        services::NotifySettingsModules(context, kModuleEventLockPresets, nullptr);
    }
    // The public fields.
    MergePublicDevmode(store, scratch, context);
    // Companion functions.
    if (variant.recordsCompanionFunctions) {
        SetBindingAppFlag(context, services::IsCompanionFunctionInstalled(2, context) ? 1 : 0);
        SetPreviewAppFlag(context, services::IsCompanionFunctionInstalled(8, context) ? 1 : 0);
    }
    // Stored class-1 items and the user code.
    if (!(flags & kMergeNoReload) && (flags & kMergeApplyLocksMask)) services::LoadItemsOfClass(context, 1, 0);
    services::LoadUserCodeIfProviderOn(context);
    // UIControl plug-ins: build feature 10 only.
    if (variant.uiControlStep != nullptr && IsBuildFeatureOn(kFeatureUiControlStep) &&
        IsFeatureClassOn(context, kFeatureUiControlMerge, 0) && (flags & kMergeUiControlMask)) {
        variant.uiControlStep(context);
    }
    // The private settings follow the public ones.
    SyncItemsAfterPublicMerge(store, scratch, context);
    std::uint32_t flagsCopy = flags;
    services::NotifySettingsModules(context, kModuleEventMergeDone, &flagsCopy);
    SetItemValue(context, wdmUIStart, 0);
    // Transactions of every item.
    if (flags & kMergeTransactsMask) ApplyAllItemTransacts(context);
    // The final re-sync.
    if (context->workArea->mergeFlags & (kMergeResyncAfter | kMergePrompt)) {
        SyncDevmodeAfterLoad(store, context, 2);
    } else {
        SelectSourceFreeSize(context);
        SetOutputPaper(static_cast<std::uint16_t>(GetItemValue(context, rdmOutPaperSize)), rdmOutPaperSize, context,
                       store);
    }
    FreeIfNotNull(scratch);
    FreeIfNotNull(ticketed);
    return 1;
}

BOOL GetDefaultSettingsFileName(WCHAR* out, DriverContext* context)
{
    if (out == nullptr) return 0;
    out[0] = 0;
    if (context == nullptr || context->workArea == nullptr) return 0;
    const WCHAR* path = context->workArea->settingsIniPath;
    if (path[0] == 0 || path[1] != u':') return 0;
    // The printer's section: its name with '[' and ']' made ','.
    WCHAR section[261] = {};
    const WCHAR* name = context->workArea->printerName;
    for (int i = 0; i < 260 && name[i] != 0; ++i) section[i] = (name[i] == u'[' || name[i] == u']') ? u',' : name[i];
    GetPrivateProfileStringW(section, kDefaultSettingsKey, u"", out, kPathChars, path);
    out[kPathChars - 1] = 0;
    return out[0] != 0;
}

}  // namespace vexl
