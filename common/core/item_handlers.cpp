// The handler table of the private items and its walk.
#include "common/core/item_handlers.h"

#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/paper_sync.h"

#include <array>

namespace vexl {
namespace {

// Every rule writes through a plain store: no change mark, no events.
void WriteDefault(DriverContext* context, SettingItemDescriptor* descriptor, std::uint32_t value) {
    if (descriptor != nullptr) StoreItemValue(context, descriptor, value);
}

bool KeepsInMode2(int mode, bool acceptable) { return mode == kHandlerModeAfterMerge && acceptable; }

int KeepOr(int mode, bool acceptable, DriverContext* context, SettingItemDescriptor* descriptor,
           std::uint32_t replacement) {
    if (KeepsInMode2(mode, acceptable)) return 1;
    WriteDefault(context, descriptor, replacement);
    return 0;
}

bool InRange(std::uint32_t value, std::int32_t low, std::int32_t high) {
    std::int32_t v = static_cast<std::int32_t>(value);
    return v >= low && v <= high;
}

const ModelRecord* RecordOf(DriverContext* context) {
    return context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
}

// ---- the rules ----------------------------------------------------------------------------

int WriteItemDefault(std::uint16_t, std::uint32_t, SettingItemDescriptor* d, std::uint32_t def, int,
                     DriverContext* c) {
    WriteDefault(c, d, def);
    return 0;
}

int WriteSwitchDefault(std::uint16_t item, std::uint32_t, SettingItemDescriptor* d, std::uint32_t def, int,
                       DriverContext* c) {
    WriteDefault(c, d, item == rdmVEXLVer ? RecordOf(c)->handlerDefault16 : def);
    return 0;
}

int KeepAllowedOrDefault(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def,
                         int mode, DriverContext* c) {
    return KeepOr(mode, IsItemValueAllowed(item, value), c, d, def);
}

// The ModelRecord's display-unit default for rdmDspUnit, its print-area
// default for rdmExtPrintArea.
int KeepAllowedOrModelDefault(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t,
                              int mode, DriverContext* c) {
    const ModelRecord* record = RecordOf(c);
    std::uint32_t def = item == rdmDspUnit ? record->handlerDefaults[2] : record->handlerDefaults[3];
    return KeepOr(mode, IsItemValueAllowed(item, value), c, d, def);
}

int KeepResolutionOrDefault(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t,
                            int mode, DriverContext* c) {
    if (KeepsInMode2(mode, IsItemValueAllowed(item, value))) return 1;
    std::uint32_t quality = GetItemValue(c, dmPrintQuality);
    WriteDefault(c, d, IsValidPrintQuality(quality, c) ? quality : RecordOf(c)->defaultResolution);
    return 0;
}

int KeepMachineIdOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t, int mode,
                           DriverContext* c) {
    return KeepOr(mode, IsCurrentMachineId(value), c, d, RecordOf(c)->machineFamily);
}

int KeepPresetSlotOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def,
                            int mode, DriverContext* c) {
    return KeepOr(mode, value < 128 || (value & 0xFF) == 0xFF, c, d, def);
}

int KeepOutputPaperOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def,
                             int mode, DriverContext* c) {
    return KeepOr(mode, IsPlausiblePaperSize(value, c) || value == kOutputPaperSameAsSource, c, d, def);
}

int KeepOutputTray(std::uint16_t, std::uint32_t, SettingItemDescriptor* d, std::uint32_t def, int mode,
                   DriverContext* c) {
    return KeepOr(mode, true, c, d, def);
}

int KeepScaleOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                       DriverContext* c) {
    return KeepOr(mode, InRange(value, 20, 400), c, d, def);
}

// At most 50 mm at the current output resolution.
int KeepMarginOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                        DriverContext* c) {
    std::uint32_t limit = services::UnitsToDots(services::kUnitTenthMm, 500, GetItemValue(c, rdmDstResolutionW));
    return KeepOr(mode, value <= limit, c, d, def);
}

int KeepFontPointOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def,
                           int mode, DriverContext* c) {
    return KeepOr(mode, InRange(value, 6, 100), c, d, def);
}

int KeepInputTrayOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def,
                           int mode, DriverContext* c) {
    return KeepOr(mode, IsPlausibleDefaultSource(value, c), c, d, def);
}

int KeepAdjustmentOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def,
                            int mode, DriverContext* c) {
    return KeepOr(mode, InRange(value, -50, 50), c, d, def);
}

int KeepLanguageOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t, int mode,
                          DriverContext* c) {
    bool known = value <= 0xFFFF && services::IsKnownLanguageId(static_cast<std::uint16_t>(value));
    return KeepOr(mode, known, c, d, RecordOf(c)->handlerDefaults[0]);
}

int KeepDisplayLanguageOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t,
                                 int mode, DriverContext* c) {
    bool known = value <= 0xFFFF && services::IsKnownLanguageId(static_cast<std::uint16_t>(value));
    return KeepOr(mode, known, c, d, RecordOf(c)->handlerDefaults[1]);
}

int KeepGammaOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                       DriverContext* c) {
    return KeepOr(mode, InRange(value, 1, 9), c, d, def);
}

int KeepCycleOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                       DriverContext* c) {
    return KeepOr(mode, InRange(value, 1, 99), c, d, def);
}

int IgnoreWatermarkId(std::uint16_t, std::uint32_t, SettingItemDescriptor*, std::uint32_t, int, DriverContext*) {
    return 0;
}

int KeepAlways(std::uint16_t, std::uint32_t, SettingItemDescriptor*, std::uint32_t, int, DriverContext*) {
    return 1;
}

// ---- the table ------------------------------------------------------------------------------
//
// The items that carry a rule, with the rule's default; every other item of
// 35 to 615 has a record without a rule.
constexpr ItemHandlerRecord kItemRules[] = {
    {rdmMachineID, KeepMachineIdOrDefault, 0},
    {rdmUIModeChange, KeepAllowedOrDefault, 1},
    {rdmPresetNo, KeepPresetSlotOrDefault, 0},
    {rdmDstResolutionW, KeepResolutionOrDefault, 0},
    {rdmDstResolutionH, KeepResolutionOrDefault, 0},
    {rdmOutPaperSize, KeepOutputPaperOrDefault, 1024},
    {rdmOutputTrayID, KeepOutputTray, 0},
    {rdmMediaType, KeepAllowedOrDefault, 1},
    {rdmFuncSelectScale, WriteSwitchDefault, 0},
    {rdmFuncSelectNup, WriteSwitchDefault, 0},
    {rdmFuncSelectPoster, WriteSwitchDefault, 0},
    {rdmFuncSelectDuplex, WriteSwitchDefault, 0},
    {rdmFuncSelectBooklet, WriteSwitchDefault, 0},
    {rdmFuncSelectWaterMark, WriteSwitchDefault, 0},
    {rdmFuncSelectSort, WriteSwitchDefault, 1},
    {rdmFuncSelectPunch, WriteSwitchDefault, 0},
    {rdmFuncSelectStaple, WriteSwitchDefault, 0},
    {rdmFuncSelectMark, WriteSwitchDefault, 0},
    {rdmFuncSelectCover, WriteSwitchDefault, 0},
    {rdmFuncSelectBack, WriteSwitchDefault, 0},
    {rdmFuncSelectMargin, WriteSwitchDefault, 0},
    {rdmFuncSelectTonerSave, WriteSwitchDefault, 0},
    {rdmFuncSelectChapter, WriteSwitchDefault, 0},
    {rdmScaleType, KeepAllowedOrDefault, 2},
    {rdmScaleCentering, KeepAllowedOrDefault, 0},
    {rdmScaleH, KeepScaleOrDefault, 100},
    {rdmScaleV, KeepScaleOrDefault, 100},
    {rdmNUPPOSTKind, KeepAllowedOrDefault, 1},
    {rdmNUPType, KeepAllowedOrDefault, 1},
    {rdmNUPLine, KeepAllowedOrDefault, 1},
    {rdmDuplexType, KeepAllowedOrDefault, 3},
    {rdmShiftDir, KeepAllowedOrDefault, 1},
    {rdmMarginOdd, KeepMarginOrDefault, 0},
    {rdmMarginEven, KeepMarginOrDefault, 0},
    {rdmHFFuncSelectDate, WriteSwitchDefault, 0},
    {rdmHFFuncSelectPage, WriteSwitchDefault, 0},
    {rdmHFFuncSelectString, WriteSwitchDefault, 0},
    {rdmHFFuncSelectOrder, WriteSwitchDefault, 0},
    {rdmHFFuncSelect4, WriteSwitchDefault, 0},
    {rdmHFFuncSelect5, WriteSwitchDefault, 0},
    {rdmHFFuncSelect6, WriteSwitchDefault, 0},
    {rdmHFFuncSelect7, WriteSwitchDefault, 0},
    {rdmHFDatePosi, KeepAllowedOrDefault, 2},
    {rdmHFDateForm, KeepAllowedOrDefault, 4},
    {rdmHFPagePosi, KeepAllowedOrDefault, 6},
    {rdmHFPageForm, KeepAllowedOrDefault, 0},
    {rdmHFStrPosi, KeepAllowedOrDefault, 5},
    {rdmHFStrForm, KeepAllowedOrDefault, 0},
    {rdmHFFontPoint, KeepFontPointOrDefault, 10},
    {rdmWmKind, KeepAllowedOrDefault, 1},
    {rdmWmID, IgnoreWatermarkId, 0},
    {rdmSortType, KeepAllowedOrDefault, 2},
    {rdmPunchType, KeepAllowedOrDefault, 0},
    {rdmStapleType, KeepAllowedOrDefault, 0},
    {rdmMarkPaperType, KeepAllowedOrDefault, 0},
    {rdmMPInputTray, KeepInputTrayOrDefault, 7},
    {rdmCoverType, KeepAllowedOrDefault, 0},
    {rdmCoverInputTray, KeepInputTrayOrDefault, 7},
    {rdmBackCoverType, KeepAllowedOrDefault, 0},
    {rdmBackCoverInputTray, KeepInputTrayOrDefault, 7},
    {rdmAdjustMode, KeepAllowedOrDefault, 0},
    {rdmAdjustObject, KeepAllowedOrDefault, 0},
    {rdmColorMatching, KeepAllowedOrDefault, 0},
    {rdmICMType, KeepAllowedOrDefault, 0},
    {rdmICMIntent, KeepAllowedOrDefault, 1},
    {rdmColorMatchingMode, KeepAllowedOrDefault, 1},
    {rdmColorMode, KeepAllowedOrDefault, 0},
    {rdmCharBlack, KeepAllowedOrDefault, 0},
    {rdmAutoCorrectPhoto, KeepAllowedOrDefault, 0},
    {rdmDitherType, KeepAllowedOrDefault, 257},
    {rdmBrightness, KeepAdjustmentOrDefault, 0},
    {rdmContrast, KeepAdjustmentOrDefault, 0},
    {rdmSaturation, KeepAdjustmentOrDefault, 0},
    {rdmColorBalanceR, KeepAdjustmentOrDefault, 0},
    {rdmColorBalanceG, KeepAdjustmentOrDefault, 0},
    {rdmColorBalanceB, KeepAdjustmentOrDefault, 0},
    {rdmPlaneUseCMYKCyan, WriteSwitchDefault, 1},
    {rdmPlaneUseCMYKMagenta, WriteSwitchDefault, 2},
    {rdmPlaneUseCMYKYellow, WriteSwitchDefault, 4},
    {rdmPlaneUseCMYKBlack, WriteSwitchDefault, 8},
    {rdmLanguageID, KeepLanguageOrDefault, 0},
    {rdmDspLanguageID, KeepDisplayLanguageOrDefault, 0},
    {rdmDspUnit, KeepAllowedOrModelDefault, 0},
    {rdmLocaleID, KeepAlways, 0},
    {rdmExtPrintArea, KeepAllowedOrModelDefault, 0},
    {rdmImagePrint, KeepAllowedOrDefault, 0},
    {rdmColorProcess, KeepAllowedOrDefault, 0},
    {rdmUseUserMacro, KeepAllowedOrDefault, 0},
    {rdmPrintMacro, KeepAllowedOrDefault, 0},
    {rdmBalanceMacro, KeepAllowedOrDefault, 18},
    {rdmUserPrintMacro, KeepAllowedOrDefault, 32},
    {rdmTTFont, KeepAllowedOrDefault, 1},
    {rdmResBorder, KeepAllowedOrDefault, 0},
    {rdmSmoothing, KeepAllowedOrDefault, 1},
    {rdmExtOutputDirection, WriteSwitchDefault, 0},
    {rdmExtOutputOrderly, WriteSwitchDefault, 0},
    {rdmCosmeticLine, KeepAllowedOrDefault, 0},
    {rdmTonerSave, KeepAllowedOrDefault, 0},
    {rdmEmulation, KeepAllowedOrDefault, 255},
    {rdmUserID, KeepAlways, 0},
    {rdmJOBPassword, KeepAlways, 0},
    {rdmPrnMethod, KeepAllowedOrDefault, 0},
    {rdmActionSecurity, WriteSwitchDefault, 1},
    {rdmActionProof, WriteSwitchDefault, 2},
    {rdmActionStored, WriteSwitchDefault, 4},
    {rdmActionStoredPrn, WriteSwitchDefault, 8},
    {rdmActionMarge, WriteSwitchDefault, 16},
    {rdmActionRemote, WriteSwitchDefault, 32},
    {rdmActionOverlay, WriteSwitchDefault, 64},
    {rdmLoadShare, KeepAllowedOrDefault, 0},
    {rdmRemotePrint, KeepAllowedOrDefault, 0},
    {rdmAddressType, KeepAllowedOrDefault, 0},
    {rdmTelNo, KeepAlways, 0},
    {rdmTelLine, KeepAllowedOrDefault, 1},
    {rdmVEXLVer, WriteSwitchDefault, 0},
    {rdmDriverType, KeepAllowedOrDefault, 0},
    {rdmAPIUseFlag, KeepAllowedOrDefault, 0},
    {rdmPassMode, KeepAllowedOrDefault, 0},
    {rdmGammaC, KeepGammaOrDefault, 5},
    {rdmGammaM, KeepGammaOrDefault, 5},
    {rdmGammaY, KeepGammaOrDefault, 5},
    {rdmGammaK, KeepGammaOrDefault, 5},
    {rdmCoverMediaType, KeepAllowedOrDefault, 1},
    {rdmBackCoverMediaType, KeepAllowedOrDefault, 1},
    {rdmMPInputMediaType, KeepAllowedOrDefault, 1},
    {rdmChapterMediaType, KeepAllowedOrDefault, 1},
    {rdmSeparationSheetCycle, KeepCycleOrDefault, 1},
    {rdmSkipCount, WriteItemDefault, 2},
    {rdmPrintSpeed, WriteItemDefault, 3},
    {rdmCopyProtectColor, WriteItemDefault, 0},
    {rdmCopyProtectDensity, WriteItemDefault, 3},
    {rdmCopyProtectFuncSelectSwitchPattern, WriteItemDefault, 0},
    {rdmCopyProtectFuncSelectCopyGuard, WriteItemDefault, 0},
    {rdmCopyProtectFuncSelectMaskPattern, WriteItemDefault, 0},
    {rdmCopyProtectFuncSelectOutline, WriteItemDefault, 0},
    {rdmCopyProtectFuncSelectWhiteBackground, WriteItemDefault, 0},
    {rdmCopyProtectFuncSelectRepeat, WriteItemDefault, 0},
    {rdmCopyProtectFuncSelectReverse, WriteItemDefault, 0},
    {rdmCopyProtectTileMask, WriteItemDefault, 0},
    {rdmCopyProtectPosi, WriteItemDefault, 0},
    {rdmCopyProtectFontStyle, WriteItemDefault, 0},
    {rdmCopyProtectFontPoint, WriteItemDefault, 100},
    {rdmCopyProtectAngle, WriteItemDefault, 0},
    {rdmCopyProtectLinePitch, WriteItemDefault, 0},
    {rdmFunc2SelectJobComplete, WriteItemDefault, 0},
    {rdmFunc2SelectJobErr, WriteItemDefault, 0},
    {rdmSupportFunc2SelectJobComplete, WriteItemDefault, 0},
    {rdmSupportFunc2SelectJobErr, WriteItemDefault, 0},
    {rdmDitherEDType, WriteItemDefault, 0},
    {rdmRotationMode, WriteItemDefault, 1},
    {rdmTonerSaveDensityType, WriteItemDefault, 1},
    {rdmPaperFitType, WriteItemDefault, 1027},
    {rdmSpoolType, WriteItemDefault, 1},
};
static_assert(std::size(kItemRules) == 153, "153 private items carry a rule");

constexpr std::array<ItemHandlerRecord, kItemHandlerCount> BuildItemHandlerTable() {
    std::array<ItemHandlerRecord, kItemHandlerCount> table{};
    for (int i = 0; i < kItemHandlerCount; ++i) {
        table[i] = {static_cast<std::uint32_t>(kFirstHandlerItem + i), nullptr, 0};
    }
    for (const ItemHandlerRecord& rule : kItemRules) table[rule.item - kFirstHandlerItem] = rule;
    return table;
}

constexpr std::array<ItemHandlerRecord, kItemHandlerCount> kItemHandlerTable = BuildItemHandlerTable();

constexpr bool RulesAscendAndStayInRange() {
    std::uint32_t previous = 0;
    for (const ItemHandlerRecord& rule : kItemRules) {
        if (rule.item <= previous || rule.item < kFirstHandlerItem || rule.item > kLastHandlerItem) return false;
        previous = rule.item;
    }
    return true;
}
static_assert(RulesAscendAndStayInRange(), "one rule per item, in item order, within 35 to 615");

}  // namespace

const ItemHandlerRecord* GetItemHandlerTable() { return kItemHandlerTable.data(); }

const ItemHandlerRecord* FindItemHandler(std::uint16_t item) {
    if (item < kFirstHandlerItem || item > kLastHandlerItem) return nullptr;
    return &kItemHandlerTable[item - kFirstHandlerItem];
}

void ApplyItemHandlers(DriverContext* context, int mode) {
    if (context == nullptr) return;
    for (const ItemHandlerRecord& record : kItemHandlerTable) {
        auto item = static_cast<std::uint16_t>(record.item);
        SettingItemDescriptor* descriptor = FindItem(context, item);
        std::uint32_t value = descriptor ? ReadItemValue(context, descriptor) : 0;
        // An item with a UI symbol is the model's to judge; only answer 2
        // (no UI symbol) hands it to its rule.
        if (ValidateItemOrReset(item, value, context) != kCheckNoUiSymbol) continue;
        if (record.handler != nullptr) record.handler(item, value, descriptor, record.defaultValue, mode, context);
    }
}

BOOL IsCurrentMachineId(std::uint32_t value) {
    return value == GetModelDatabase()->modelRecord->machineFamily;
}

std::uint32_t GetNupKindOfType(std::uint32_t nupType, std::int32_t* out) {
    std::uint32_t kind = 0;
    switch (nupType) {
        case 1: case 2: case 3: kind = 1; break;
        case 33: case 34: case 37: case 38: kind = 2; break;
        case 65: case 66: case 69: case 70: kind = 3; break;
        case 97: case 98: case 101: case 102: kind = 4; break;
        case 129: case 130: kind = 11; break;
        case 161: case 162: case 163: case 164: kind = 10; break;
        case 32769: case 32770: case 32771: kind = 9; break;
        default: break;
    }
    if (out) *out = nupType == 3 ? 2 : 1;
    return kind;
}

}  // namespace vexl
