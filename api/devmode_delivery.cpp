#include "api/devmode_delivery.h"

#include "api/frame.h"
#include "api/item_helpers.h"
#include "api/job_control.h"
#include "api/versions.h"
#include "common/core/appservices.h"
#include "common/core/caller_devmode.h"
#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/printer_facts.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/capabilities.h"
#include "common/model/constraints.h"
#include "common/model/resolution.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_config.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "common/storage/preset_install.h"
#include "platform/spooler_driver.h"
#include "platform/printui.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace vexl::api {

namespace {

// The job-control values a request loads: user code, owner, document,
// passwords and the authentication data.
constexpr std::uint32_t kDevmodeJobControlMask = 0x389F;
// The UI flag that a request clears with the UI-mode state.
constexpr std::uint32_t kUiModeChangeUiFlag = 0x4000000;
// The machine whose engine has the resolution limits, and its memory sizes.
constexpr std::uint32_t kLimitedEngineMachine = 130;
constexpr std::uint32_t kBaseMemory = 32;
constexpr std::uint32_t kBaseMemoryWithUnit = 160;
constexpr std::uint32_t kFallbackResolution = 600;
constexpr std::uint32_t kFallbackResolutionBoth = 3;
constexpr std::uint32_t kHighResolutionBoth = 4;
// User macros of the quality-list slots, and the one stored in slot 128.
constexpr std::uint32_t kFirstListMacro = 32;
constexpr std::uint32_t kLastListMacro = 39;
constexpr std::uint32_t kSlot128Macro = 160;
constexpr int kQualitySlot128 = 128;
// The 9x private header: field offsets in the private part.
constexpr std::size_t k9xSignature = 0;
constexpr std::size_t k9xSignatureWord = 4;
constexpr std::size_t k9xSecondSignature = 8;
constexpr std::size_t k9xSecondWord = 12;
constexpr std::size_t k9xIniName = 16;
constexpr std::size_t k9xVersion1 = 32;
constexpr std::size_t k9xVersion2 = 48;
constexpr std::size_t k9xTextField = 16;
constexpr std::size_t k9xZeroFields = 64;
constexpr std::size_t k9xHeaderEnd = 137;
constexpr std::uint16_t kSpecVersion9x = 0x400;

DEVMODEW* StoreDevmodeOf(DriverContext* instance)
{
    return reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance));
}

std::uint32_t ItemValue(DriverContext* instance, std::uint16_t item)
{
    return GetItemValue(instance, item);
}

void SetCurrentChapterSlot(DriverContext* instance)
{
    if (instance->workArea && instance->workArea->apiRecord) instance->workArea->apiRecord->chapterIndex = 0;
}

// The item to its model default option.
void ResetToModelDefault(DriverContext* instance, std::uint16_t item)
{
    if (SettingItemDescriptor* descriptor = FindItem(instance, item))
        WriteItemOption(instance, descriptor, GetUiDefaultValue(item, instance));
}

// The refreshes a request asks for beside its work: the bidirectional
// configuration (requests 1 and 2), print notification (API 10 on) and
// the installed presets (API 11 on).
void RunRefreshSteps(DriverContext* instance, std::uint32_t flags, bool withBidi)
{
    if (withBidi && (flags & kDevmodeBidiRefresh)) {
        if (IsBidiIniFlagSet(instance)) LoadBidiIniSettings(instance);
        QueryBidiConfigNow(instance);
    }
    const int version = GetApiVersionInForce();
    if ((flags & kDevmodeNotificationRefresh) && version >= 10) ReadPrintNotificationSupport(instance, 1);
    if ((flags & kDevmodePresetRefresh) && version >= 11) RefreshInstalledPresets(instance);
}

void RunModelDefaults(DriverContext* instance, std::uint32_t flags)
{
    SetApiLastError(instance, kApiErrorNone);
    const bool locked = IsFeatureClassOn(instance, 2, 0) && IsDefaultLocked(instance);
    if (locked) {
        RefreshDefaultSection(instance);
    } else {
        SetModelDefaults(instance);
        PrepareApiDevmodeHeader(instance);
        ResetApiDevmodeState(instance, flags);
        FreeFontListItems(instance);
        ApplyStoredBidiConfig(instance);
    }
    RunRefreshSteps(instance, flags, true);
    if (locked) return;
    LoadStoredItems(instance->printer, 1, instance);
    LoadJobControlValues(instance, kDevmodeJobControlMask);
    SetLocaleItems(instance);
    if (instance->modelRecord && instance->modelRecord->machineSubCode == 1 && instance->workArea)
        SetItemValue(instance, dmPaperSize, instance->workArea->localeValues[0]);
    RemergeKeepingRestricted(instance, nullptr);
}

// The store replaced by a new one built from the printer's stored settings.
// The new store is made first: when it cannot be, the old one stays.
bool RunRebuild(DriverContext* instance, std::uint32_t flags)
{
    SettingsStore* rebuilt = CreateDefaultDevmode(instance, 0);
    if (rebuilt == nullptr) return false;
    SetApiLastError(instance, kApiErrorNone);
    FreeFontListItems(instance);
    FreeIfNotNull(instance->store);
    instance->store = rebuilt;
    ApplyStoredBidiConfig(instance);
    ResetApiDevmodeState(instance, flags);
    RunRefreshSteps(instance, flags, true);
    ResetShiftDefaults(instance);
    if (ItemValue(instance, rdmFuncSelectMargin) == 0) ResetMarginItems(instance);
    LoadJobControlValues(instance, kDevmodeJobControlMask);
    SetTerminalServerFlag(instance, IsTerminalServer(instance->printer) ? 1 : 0);
    SetAdminFlag(instance, IsUserAdministrator() ? 1 : 0);
    RemergeKeepingRestricted(instance, nullptr);
    return true;
}

void RunRederive(DriverContext* instance, std::uint32_t flags)
{
    ResetApiDevmodeState(instance, flags);
    RunRefreshSteps(instance, flags, false);
    if (GetResolutionEntryKind(instance) == 1) RunResolutionBothTransacts(instance);
    if (NeedsResolutionFallback(instance)) {
        SetItemValue(instance, rdmDstResolutionW, kFallbackResolution);
        SetItemValue(instance, rdmDstResolutionH, kFallbackResolution);
        SetItemValue(instance, rdmDstResolutionBoth, kFallbackResolutionBoth);
        SyncDevmodeAfterLoad(StoreDevmodeOf(instance), instance, 3);
    }
    RemergeKeepingRestricted(instance, nullptr);
    if (ItemValue(instance, rdmUseUserMacro) == 1 && ItemValue(instance, rdmUserPrintMacro) == kSlot128Macro)
        SaveQualityListSlot(instance, kQualitySlot128);
}

// The request acted on: the first of 1, 2 and 4 in the word, else 0.
std::uint32_t ActedRequest(std::uint32_t flags)
{
    for (std::uint32_t request : {kDevmodeModelDefaults, kDevmodeRebuild, kDevmodeRederive}) {
        if (flags & request) return request;
    }
    return 0;
}

// The printer interface library checks the printer first on Windows 9x.
void AskFieldsOn9x(DriverContext* instance)
{
    if (!IsWin9x() || instance->workArea == nullptr) return;
    DeviceCapabilitiesW(instance->workArea->printerName, nullptr, DC_FIELDS, nullptr, nullptr);
}

// A width and length the public DEVMODE flags in place of a paper size.
struct PublicPaperSize {
    bool flagged;
    std::uint16_t width;
    std::uint16_t length;
};

void KeepPaperSize(DEVMODEW* devmode, std::uint16_t width, std::uint16_t length)
{
    SetDevmodeFields(devmode, (GetDevmodeFields(devmode) | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~DM_PAPERSIZE);
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperWidth), width);
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperLength), length);
}

PublicPaperSize TakeFlaggedPaperSize(DriverContext* instance)
{
    const DEVMODEW* devmode = StoreDevmodeOf(instance);
    const std::uint32_t fields = GetDevmodeFields(devmode);
    const std::uint16_t width = GetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperWidth));
    const std::uint16_t length = GetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperLength));
    const bool flagged =
        (fields & DM_PAPERLENGTH) && (fields & DM_PAPERWIDTH) && !(fields & DM_PAPERSIZE) && width != 0 && length != 0;
    return {flagged, width, length};
}

int HandOut(DriverContext* instance, DEVMODEW* out)
{
    const std::uint32_t size = GetDevmodeSize();
    if (out != nullptr) std::memcpy(out, GetStoreBytes(instance), size);
    return static_cast<int>(size);
}

void WriteAnsiField(std::uint8_t* field, std::size_t size, const WCHAR* text)
{
    std::memset(field, 0, size);
    if (text == nullptr || text[0] == 0) return;
    char converted[k9xTextField] = {};
    const int written = WideCharToMultiByte(CP_ACP, 0, text, -1, converted, static_cast<int>(size), nullptr, nullptr);
    // A text that does not fit is cut, and the field keeps its terminator.
    const std::size_t length = written > 0 ? strnlen(converted, size - 1) : 0;
    std::memcpy(field, converted, length);
}

}  // namespace

// ---- the requests ---------------------------------------------------------------------------------

int GetInstanceDevmode(DriverContext* instance, std::uint32_t flags, DEVMODEW* out)
{
    if (instance == nullptr) return -1;
    InstancePrinter printer(instance);
    if (!printer.IsOpen()) {
        SetApiLastError(instance, kApiErrorFailure);
        return -1;
    }
    const std::uint32_t request = ActedRequest(flags);
    if (request == 0) {
        SetApiLastError(instance, kApiErrorUnknownRequest);
        return -1;
    }
    AskFieldsOn9x(instance);
    const std::uint32_t uiMode = ItemValue(instance, rdmUIModeChange);
    SetCurrentChapterSlot(instance);
    if (request == kDevmodeModelDefaults) {
        RunModelDefaults(instance, flags);
    } else if (request == kDevmodeRebuild) {
        if (!RunRebuild(instance, flags)) {
            SetApiLastError(instance, kApiErrorFailure);
            return -1;
        }
    } else {
        RunRederive(instance, flags);
    }
    SetItemValue(instance, rdmUIModeChange, uiMode);
    return HandOut(instance, out);
}

int GetInstanceDevmodeEx(DriverContext* instance, std::uint32_t flags, DEVMODEW* out, const DEVMODEW* in)
{
    if (flags & (kDevmodeModelDefaults | kDevmodeRebuild | kDevmodeRederive))
        return GetInstanceDevmode(instance, flags, out);
    if (instance == nullptr) return -1;
    InstancePrinter printer(instance);
    if (!printer.IsOpen()) {
        SetApiLastError(instance, kApiErrorFailure);
        return -1;
    }
    if (flags != kDevmodeMergeCaller) {
        SetApiLastError(instance, kApiErrorUnknownRequest);
        return -1;
    }
    std::vector<std::uint8_t> caller(GetDevmodeSize(), 0);
    if (in == nullptr || !TakeCallerDevmode(in, caller.data())) {
        SetApiLastError(instance, kApiErrorNoInput);
        return -1;
    }
    AskFieldsOn9x(instance);
    SetCurrentChapterSlot(instance);
    if (!RemergeKeepingRestricted(instance, reinterpret_cast<const DEVMODEW*>(caller.data()))) {
        SetApiLastError(instance, kApiErrorFailure);
        return -1;
    }
    const std::uint32_t uiMode = ItemValue(instance, rdmUIModeChange);
    // The paper sync of the steps below derives the public paper fields from
    // the paper item again; a custom size the caller flagged is put back
    // after the last merge, as the first one kept it.
    const PublicPaperSize kept = TakeFlaggedPaperSize(instance);
    ResetApiDevmodeState(instance, kDevmodeMergeCaller);
    ResetShiftDefaults(instance);
    if (ItemValue(instance, rdmFuncSelectMargin) == 0) ResetMarginItems(instance);
    LoadJobControlValues(instance, kDevmodeJobControlMask);
    RemergeKeepingRestricted(instance, nullptr);
    if (kept.flagged) KeepPaperSize(StoreDevmodeOf(instance), kept.width, kept.length);
    SetItemValue(instance, rdmUIModeChange, uiMode);
    return HandOut(instance, out);
}

BOOL TakeCallerDevmode(const DEVMODEW* caller, std::uint8_t* out)
{
    const std::uint32_t capacity = GetDevmodeSize();
    std::memset(out, 0, capacity);
    if (caller == nullptr) return FALSE;
    // The header up to dmFields is read first, and only that.
    const CallerDevmode declared(caller);
    const std::size_t publicSize = declared.PublicSize();
    const std::size_t driverExtra = declared.DriverExtra();
    if (publicSize < kMinPublicDevmodeSize || publicSize > kDevmodeSize401 || publicSize > capacity) return FALSE;
    const bool withDriverPart = driverExtra != 0 && driverExtra <= capacity - publicSize;
    std::memcpy(out, declared.Devmode(), publicSize);
    if (withDriverPart) {
        std::memcpy(out + publicSize, declared.DriverPart(), driverExtra);
    } else {
        WriteLe16(out + offsetof(DEVMODEW, dmDriverExtra), 0);
    }
    return TRUE;
}

// ---- rebuild steps ---------------------------------------------------------------------------------

void PrepareApiDevmodeHeader(DriverContext* instance)
{
    DEVMODEW* devmode = StoreDevmodeOf(instance);
    if (devmode == nullptr) return;
    if (IsWin9x()) {
        SetDevmodeField16(devmode, offsetof(DEVMODEW, dmSpecVersion), kSpecVersion9x);
        SetDevmodeFields(devmode, GetDevmodeFields(devmode) | DM_MEDIATYPE);
    }
    SetOsKindItem(instance);
    WriteWin9xPrivateSignature(instance);
    WriteWin9xPrivateNames(instance);
}

void SetOsKindItem(DriverContext* instance)
{
    if (IsWin9x()) {
        if (IsWin98OrMe()) {
            SetOsKindWin98(instance);
        } else {
            SetOsKindWin95(instance);
        }
    } else if (IsNt5OrLater()) {
        SetOsKindNt5(instance);
    } else {
        SetOsKindNt4(instance);
    }
}

void WriteWin9xPrivateSignature(DriverContext* instance)
{
    std::uint8_t* part = IsWin9x() ? GetPrivateDevmode(instance) : nullptr;
    if (part == nullptr) return;
    std::memcpy(part + k9xSignature, "VEXL", 4);
    WriteLe32(part + k9xSignatureWord, 0);
    std::memcpy(part + k9xSecondSignature, "VEXL", 4);
    WriteLe32(part + k9xSecondWord, ReadLe32(part + k9xSignatureWord));
}

void WriteWin9xPrivateNames(DriverContext* instance)
{
    std::uint8_t* part = IsWin9x() ? GetPrivateDevmode(instance) : nullptr;
    if (part == nullptr) return;
    const ModelRecord* record = instance->modelRecord;
    WriteAnsiField(part + k9xIniName, k9xTextField, record ? record->settingsIniName : nullptr);
    WriteAnsiField(part + k9xVersion1, k9xTextField, record ? record->versionText1 : nullptr);
    WriteAnsiField(part + k9xVersion2, k9xTextField, record ? record->versionText2 : nullptr);
    std::memset(part + k9xZeroFields, 0, k9xHeaderEnd - k9xZeroFields);
}

void ResetApiDevmodeState(DriverContext* instance, std::uint32_t flags)
{
    SetItemValue(instance, rdmUIModeChange, 0);
    SetUiModeChangeFlagOff(instance);
    ClearUiFlags(instance, kUiModeChangeUiFlag);
    if (!(flags & kDevmodeRederive)) {
        if (flags & kDevmodeModelDefaults) {
            SetItemValue(instance, rdmUseUserMacro, 0);
            SetItemValue(instance, rdmUserPrintMacro, 0);
        } else if ((flags & kDevmodeRebuild) && GetApiVersionInForce() < 6) {
            KeepUserMacroPlanes(instance);
        }
    }
    UpdateDependentSettings(instance, 1);
}

void ResetShiftDefaults(DriverContext* instance)
{
    std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    if (GetShiftMarginRange(instance, &xMin, &xMax, &yMin, &yMax) != 0) return;
    ResetToModelDefault(instance, rdmShiftDir);
    ResetToModelDefault(instance, rdmShiftMarginX);
}

void ResetMarginItems(DriverContext* instance)
{
    ResetToModelDefault(instance, rdmShiftDir);
    for (std::uint16_t item : {rdmShiftMarginX, rdmShiftMarginY, rdmMarginOdd, rdmMarginEven, rdmHFFuncSelectDate,
                               rdmHFFuncSelectPage, rdmHFFuncSelectString, rdmFunc2SelectEdgeCorner, rdmFuncSelectCrops,
                               rdmFuncSelectCropsFirst, rdmCreepMarginInside, rdmCreepMarginOutside}) {
        SetItemValue(instance, item, 0);
    }
}

void KeepUserMacroPlanes(DriverContext* instance)
{
    const std::uint32_t macro = ItemValue(instance, rdmUserPrintMacro);
    if (ItemValue(instance, rdmUseUserMacro) != 1 || macro < kFirstListMacro || macro > kLastListMacro) return;
    constexpr std::uint16_t planes[] = {rdmPlaneUseCMYKCyan, rdmPlaneUseCMYKMagenta, rdmPlaneUseCMYKYellow,
                                        rdmPlaneUseCMYKBlack};
    std::uint32_t values[std::size(planes)] = {};
    PushSettingsSnapshot(instance);
    LoadQualityListSlot(instance, static_cast<int>(macro - kFirstListMacro));
    for (std::size_t i = 0; i < std::size(planes); ++i) values[i] = ItemValue(instance, planes[i]);
    PopSettingsSnapshot(instance, TRUE);
    for (std::size_t i = 0; i < std::size(planes); ++i) SetItemValue(instance, planes[i], values[i]);
}

void RunResolutionBothTransacts(DriverContext* instance)
{
    SetItemValue(instance, wdmCtrlWorkPrompt, 1);
    if (BlockOffset entry = FindItemUiEntry(rdmDstResolutionBoth, instance)) RunUiTransacts(entry, instance);
    SetItemValue(instance, wdmCtrlWorkPrompt, 0);
}

int RemergeKeepingRestricted(DriverContext* instance, const DEVMODEW* devmode)
{
    struct KeptPair {
        std::uint16_t switchItem;
        std::uint16_t valueItem;
        bool kept;
        std::uint32_t value;
    };
    KeptPair pairs[] = {
        {rdmFuncSelectDuplex, rdmDuplexType, false, 0},
        {rdmFuncSelectStaple, rdmStapleType, false, 0},
        {rdmFuncSelectPunch, rdmPunchType, false, 0},
        {rdmFuncSelectFold, rdmFoldType, false, 0},
    };
    auto restricted = [instance](std::uint16_t switchItem) {
        const BlockOffset entry = FindItemUiEntry(switchItem, instance);
        return entry != 0 && IsUiOptionRestricted(entry, 0, instance) == 1;
    };
    for (KeptPair& pair : pairs) {
        if (!restricted(pair.switchItem)) continue;
        pair.kept = true;
        pair.value = ItemValue(instance, pair.valueItem);
    }
    const bool adjusting = ItemValue(instance, rdmAdjustMode) == 1;
    if (adjusting) SetItemValue(instance, rdmAdjustMode, 0);
    const int merged = RemergeDevmode(instance, devmode);
    if (adjusting) SetItemValue(instance, rdmAdjustMode, 1);
    for (const KeptPair& pair : pairs) {
        if (pair.kept && restricted(pair.switchItem)) SetItemValue(instance, pair.valueItem, pair.value);
    }
    SetItemValue(instance, dmCollate, ItemValue(instance, rdmFuncSelectSort) != 0 ? 1 : 0);
    return merged;
}

int RemergeDevmode(DriverContext* instance, const DEVMODEW* devmode)
{
    std::vector<std::uint8_t> own;
    const DEVMODEW* source = devmode;
    std::uint32_t flags = kRemergeCallerFlags;
    if (source == nullptr) {
        const std::uint8_t* bytes = GetStoreBytes(instance);
        if (bytes == nullptr) return 0;
        own.assign(bytes, bytes + GetDevmodeSize());
        source = reinterpret_cast<const DEVMODEW*>(own.data());
        flags = kRemergeOwnFlags;
    }
    const CallerDevmode reader(source);
    const std::uint32_t sourceFields = reader.Fields();
    const std::uint16_t width = reader.Field16(offsetof(DEVMODEW, dmPaperWidth)).value_or(0);
    const std::uint16_t length = reader.Field16(offsetof(DEVMODEW, dmPaperLength)).value_or(0);
    const bool keepSize =
        (sourceFields & DM_PAPERLENGTH) && (sourceFields & DM_PAPERWIDTH) && width != 0 && length != 0;
    const int merged = MergeDevmode(instance, source, flags);
    if (keepSize) KeepPaperSize(StoreDevmodeOf(instance), width, length);
    const SettingControlRef* controls = GetSettingControlTable();
    for (int i = 0; i < GetSettingControlCount(); ++i) {
        if (controls[i].item != rdmMediaType) continue;
        if (BlockOffset entry = FindItemUiEntry(rdmMediaType, instance)) RunUiTransacts(entry, instance);
    }
    return merged;
}

BOOL DuplexTypeHasMargins(std::uint32_t type)
{
    return type >= 1 && type <= 3 ? TRUE : FALSE;
}

BOOL IsPageWithinEngineLimits(DriverContext* instance)
{
    DEVMODEW* devmode = StoreDevmodeOf(instance);
    if (devmode == nullptr) return FALSE;
    const std::uint32_t fields = GetDevmodeFields(devmode);
    SyncPrintQualityFromResolution(devmode, instance);
    if ((fields & DM_PAPERLENGTH) && (fields & DM_PAPERWIDTH)) {
        SetSourcePaperFromPublicSize(devmode, instance);
    } else {
        SetSourcePaper(static_cast<std::uint16_t>(ItemValue(instance, dmPaperSize)), dmPaperSize, instance, devmode);
    }
    SetOutputPaper(static_cast<std::uint16_t>(ItemValue(instance, rdmOutPaperSize)), rdmOutPaperSize, instance,
                   devmode);
    if (GetDevmodeField16(devmode, offsetof(DEVMODEW, dmPrintQuality)) == kFallbackResolution) return TRUE;
    return IsDstPageWithinDotLimit(instance) && IsScaledSrcPageWithinDotLimit(instance) ? TRUE : FALSE;
}

BOOL NeedsResolutionFallback(DriverContext* instance)
{
    if (ItemValue(instance, rdmMachineID) != kLimitedEngineMachine) return FALSE;
    const bool cutterUnit =
        ItemValue(instance, rdmOutOptionSupportCFUnit) != 0 && ItemValue(instance, rdmOutputOptionTypeCFUnit) != 0;
    const std::uint32_t baseMemory = cutterUnit ? kBaseMemoryWithUnit : kBaseMemory;
    if (!IsPageWithinEngineLimits(instance)) return TRUE;
    return HasDuplexUnit(instance) && ItemValue(instance, rdmFuncSelectDuplex) != 0 &&
                   ItemValue(instance, rdmPrinterMemory) == baseMemory &&
                   ItemValue(instance, rdmDstResolutionBoth) == kHighResolutionBoth
               ? TRUE
               : FALSE;
}

void ApplyCustomPaperSize(DriverContext* instance, const void* structure)
{
    DEVMODEW* devmode = StoreDevmodeOf(instance);
    if (devmode == nullptr || structure == nullptr) return;
    const auto* bytes = static_cast<const std::uint8_t*>(structure);
    SetItemValue(instance, dmPaperSize, ReadLe32(bytes + 4));
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperWidth), static_cast<std::uint16_t>(ReadLe32(bytes + 8)));
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperLength), static_cast<std::uint16_t>(ReadLe32(bytes + 12)));
    SetDevmodeFields(devmode, (GetDevmodeFields(devmode) | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~DM_PAPERSIZE);
}

}  // namespace vexl::api
