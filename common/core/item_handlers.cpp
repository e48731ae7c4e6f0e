// The handler table of the private items and its walk.
#include "common/core/item_handlers.h"

#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/item_rules.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/paper_sync.h"
#include "common/core/units.h"

#include <array>

namespace vexl {
namespace {

// Every rule writes through a plain store: no change mark, no events.
void WriteDefault(DriverContext* context, SettingItemDescriptor* descriptor, std::uint32_t value)
{
    if (descriptor != nullptr) StoreItemValue(context, descriptor, value);
}

bool KeepsInMode2(int mode, bool acceptable)
{
    return mode == kHandlerModeAfterMerge && acceptable;
}

int KeepOr(int mode, bool acceptable, DriverContext* context, SettingItemDescriptor* descriptor,
           std::uint32_t replacement)
{
    if (KeepsInMode2(mode, acceptable)) return 1;
    WriteDefault(context, descriptor, replacement);
    return 0;
}

bool InRange(std::uint32_t value, std::int32_t low, std::int32_t high)
{
    std::int32_t v = static_cast<std::int32_t>(value);
    return v >= low && v <= high;
}

const ModelRecord* RecordOf(DriverContext* context)
{
    return context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
}

// ---- the rules ----------------------------------------------------------------------------

int WriteItemDefault(std::uint16_t, std::uint32_t, SettingItemDescriptor* d, std::uint32_t def, int, DriverContext* c)
{
    WriteDefault(c, d, def);
    return 0;
}

int WriteSwitchDefault(std::uint16_t item, std::uint32_t, SettingItemDescriptor* d, std::uint32_t def, int,
                       DriverContext* c)
{
    WriteDefault(c, d, item == rdmVEXLVer ? RecordOf(c)->handlerDefault16 : def);
    return 0;
}

int KeepAllowedOrDefault(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                         DriverContext* c)
{
    return KeepOr(mode, IsItemValueAllowed(item, value), c, d, def);
}

// The ModelRecord's display-unit default for rdmDspUnit, its print-area
// default for rdmExtPrintArea.
int KeepAllowedOrModelDefault(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t,
                              int mode, DriverContext* c)
{
    const ModelRecord* record = RecordOf(c);
    std::uint32_t def = item == rdmDspUnit ? record->handlerDefaults[2] : record->handlerDefaults[3];
    return KeepOr(mode, IsItemValueAllowed(item, value), c, d, def);
}

int KeepResolutionOrDefault(std::uint16_t item, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t, int mode,
                            DriverContext* c)
{
    if (KeepsInMode2(mode, IsItemValueAllowed(item, value))) return 1;
    std::uint32_t quality = GetItemValue(c, dmPrintQuality);
    WriteDefault(c, d, IsValidPrintQuality(quality, c) ? quality : RecordOf(c)->defaultResolution);
    return 0;
}

int KeepMachineIdOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t, int mode,
                           DriverContext* c)
{
    return KeepOr(mode, IsCurrentMachineId(value), c, d, RecordOf(c)->machineFamily);
}

int KeepPresetSlotOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                            DriverContext* c)
{
    return KeepOr(mode, value < 128 || (value & 0xFF) == 0xFF, c, d, def);
}

int KeepOutputPaperOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                             DriverContext* c)
{
    // The output paper's own list holds the job ticket's output papers (267-269)
    // that no source paper has.
    return KeepOr(mode,
                  IsPlausiblePaperSize(value, c) || value == kOutputPaperSameAsSource ||
                      IsItemValueAllowed(rdmOutPaperSize, value),
                  c, d, def);
}

int KeepOutputTray(std::uint16_t, std::uint32_t, SettingItemDescriptor* d, std::uint32_t def, int mode,
                   DriverContext* c)
{
    return KeepOr(mode, true, c, d, def);
}

int KeepScaleOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                       DriverContext* c)
{
    return KeepOr(mode, InRange(value, 20, 400), c, d, def);
}

// At most 50 mm at the current output resolution.
int KeepMarginOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                        DriverContext* c)
{
    std::uint32_t limit = UnitsToDots(kUnitTenthMm, 500, GetItemValue(c, rdmDstResolutionW));
    return KeepOr(mode, value <= limit, c, d, def);
}

int KeepFontPointOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                           DriverContext* c)
{
    return KeepOr(mode, InRange(value, 6, 100), c, d, def);
}

int KeepInputTrayOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                           DriverContext* c)
{
    return KeepOr(mode, IsPlausibleDefaultSource(value, c), c, d, def);
}

int KeepAdjustmentOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                            DriverContext* c)
{
    return KeepOr(mode, InRange(value, -50, 50), c, d, def);
}

int KeepLanguageOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t, int mode,
                          DriverContext* c)
{
    bool known = value <= 0xFFFF && IsKnownLanguageId(static_cast<std::uint16_t>(value));
    return KeepOr(mode, known, c, d, RecordOf(c)->handlerDefaults[0]);
}

int KeepDisplayLanguageOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t, int mode,
                                 DriverContext* c)
{
    bool known = value <= 0xFFFF && IsKnownLanguageId(static_cast<std::uint16_t>(value));
    return KeepOr(mode, known, c, d, RecordOf(c)->handlerDefaults[1]);
}

int KeepGammaOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                       DriverContext* c)
{
    return KeepOr(mode, InRange(value, 1, 9), c, d, def);
}

int KeepCycleOrDefault(std::uint16_t, std::uint32_t value, SettingItemDescriptor* d, std::uint32_t def, int mode,
                       DriverContext* c)
{
    return KeepOr(mode, InRange(value, 1, 99), c, d, def);
}

int IgnoreWatermarkId(std::uint16_t, std::uint32_t, SettingItemDescriptor*, std::uint32_t, int, DriverContext*)
{
    return 0;
}

int KeepAlways(std::uint16_t, std::uint32_t, SettingItemDescriptor*, std::uint32_t, int, DriverContext*)
{
    return 1;
}

// ---- the table ------------------------------------------------------------------------------
//
// The rule rows come from the model database (item_rules.tsv); each rule id
// names its handler here. Every other item of 35 to 615 has a record
// without a rule.
struct RuleHandler {
    ItemRule rule;
    ItemHandler handler;
};
constexpr RuleHandler kRuleHandlers[] = {
    {ItemRule::IgnoreWatermarkId, IgnoreWatermarkId},
    {ItemRule::KeepAdjustmentOrDefault, KeepAdjustmentOrDefault},
    {ItemRule::KeepAllowedOrDefault, KeepAllowedOrDefault},
    {ItemRule::KeepAllowedOrModelDefault, KeepAllowedOrModelDefault},
    {ItemRule::KeepAlways, KeepAlways},
    {ItemRule::KeepCycleOrDefault, KeepCycleOrDefault},
    {ItemRule::KeepDisplayLanguageOrDefault, KeepDisplayLanguageOrDefault},
    {ItemRule::KeepFontPointOrDefault, KeepFontPointOrDefault},
    {ItemRule::KeepGammaOrDefault, KeepGammaOrDefault},
    {ItemRule::KeepInputTrayOrDefault, KeepInputTrayOrDefault},
    {ItemRule::KeepLanguageOrDefault, KeepLanguageOrDefault},
    {ItemRule::KeepMachineIdOrDefault, KeepMachineIdOrDefault},
    {ItemRule::KeepMarginOrDefault, KeepMarginOrDefault},
    {ItemRule::KeepOutputPaperOrDefault, KeepOutputPaperOrDefault},
    {ItemRule::KeepOutputTray, KeepOutputTray},
    {ItemRule::KeepPresetSlotOrDefault, KeepPresetSlotOrDefault},
    {ItemRule::KeepResolutionOrDefault, KeepResolutionOrDefault},
    {ItemRule::KeepScaleOrDefault, KeepScaleOrDefault},
    {ItemRule::WriteItemDefault, WriteItemDefault},
    {ItemRule::WriteSwitchDefault, WriteSwitchDefault},
};
static_assert(std::size(kRuleHandlers) == kItemRuleCount, "every rule has a handler");

constexpr bool RuleHandlersFollowTheRuleIds()
{
    for (int i = 0; i < kItemRuleCount; ++i) {
        if (kRuleHandlers[i].rule != static_cast<ItemRule>(i) || kRuleHandlers[i].handler == nullptr) return false;
    }
    return true;
}
static_assert(RuleHandlersFollowTheRuleIds(), "one handler per rule id, in id order");
static_assert(std::size(kItemRuleRows) == 153, "153 private items carry a rule");

constexpr std::array<ItemHandlerRecord, kItemHandlerCount> BuildItemHandlerTable()
{
    std::array<ItemHandlerRecord, kItemHandlerCount> table{};
    for (int i = 0; i < kItemHandlerCount; ++i) {
        table[i] = {static_cast<std::uint32_t>(kFirstHandlerItem + i), nullptr, 0};
    }
    for (const ItemRuleRow& row : kItemRuleRows) {
        table[row.item - kFirstHandlerItem] = {row.item, kRuleHandlers[static_cast<int>(row.rule)].handler,
                                               row.defaultValue};
    }
    return table;
}

constexpr std::array<ItemHandlerRecord, kItemHandlerCount> kItemHandlerTable = BuildItemHandlerTable();

constexpr bool RulesAscendAndStayInRange()
{
    std::uint32_t previous = 0;
    for (const ItemRuleRow& rule : kItemRuleRows) {
        if (rule.item <= previous || rule.item < kFirstHandlerItem || rule.item > kLastHandlerItem) return false;
        previous = rule.item;
    }
    return true;
}
static_assert(RulesAscendAndStayInRange(), "one rule per item, in item order, within 35 to 615");

}  // namespace

const ItemHandlerRecord* GetItemHandlerTable()
{
    return kItemHandlerTable.data();
}

const ItemHandlerRecord* FindItemHandler(std::uint16_t item)
{
    if (item < kFirstHandlerItem || item > kLastHandlerItem) return nullptr;
    return &kItemHandlerTable[item - kFirstHandlerItem];
}

void ApplyItemHandlers(DriverContext* context, int mode)
{
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

BOOL IsCurrentMachineId(std::uint32_t value)
{
    return value == GetModelDatabase()->modelRecord->machineFamily;
}

std::uint32_t GetNupKindOfType(std::uint32_t nupType, std::int32_t* out)
{
    std::uint32_t kind = 0;
    switch (nupType) {
    case 1:
    case 2:
    case 3:
        kind = 1;
        break;
    case 33:
    case 34:
    case 37:
    case 38:
        kind = 2;
        break;
    case 65:
    case 66:
    case 69:
    case 70:
        kind = 3;
        break;
    case 97:
    case 98:
    case 101:
    case 102:
        kind = 4;
        break;
    case 129:
    case 130:
        kind = 11;
        break;
    case 161:
    case 162:
    case 163:
    case 164:
        kind = 10;
        break;
    case 32769:
    case 32770:
    case 32771:
        kind = 9;
        break;
    default:
        break;
    }
    if (out) *out = nupType == 3 ? 2 : 1;
    return kind;
}

}  // namespace vexl
