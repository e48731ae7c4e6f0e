// The job-option module.
#include "common/storage/module_job_options.h"

#include "common/core/devmode_public.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/model/capabilities.h"
#include "common/model/compile_state.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_answer.h"
#include "common/storage/bidi_config.h"
#include "common/storage/ini_lists.h"

namespace vexl {
namespace {

constexpr std::uint16_t kEditPage = kPageEdit;
constexpr std::uint16_t kCopyGuardControls[] = {2928, 2929, 2974};
constexpr std::uint16_t kWatermarkControls[] = {2088, 2089, 2090, 2091, 2092, 2406, 2407};
// State bits 0-1 and the second flag word's bit 1 of a control.
constexpr std::uint16_t kControlStateLow = 0x0003;
constexpr std::uint32_t kControlFlag2Bit1 = 0x0002;

struct ColorChangeItem {
    std::uint8_t flag;
    std::uint16_t item;
};
constexpr ColorChangeItem kColorChangeItems[] = {
    {kColorChangeMode, rdmColorMatchingMode},
    {kColorChangeText, wdmColorMatchingText},
    {kColorChangeLine, wdmColorMatchingLine},
    {kColorChangeImage, wdmColorMatchingImage},
};

bool IsListed(std::uint16_t id, const auto& list)
{
    for (std::uint16_t entry : list)
        if (entry == id) return true;
    return false;
}

// The model default of an item as it is stored: a PickOne entry's default
// option goes through the item's value map.
std::uint32_t ModelDefaultValue(DriverContext* context, SettingItemDescriptor* item)
{
    if (!item) return 0;
    const std::uint32_t option = GetUiDefaultValue(item->id, context);
    const bool mapped = item->side && item->side->valueMap;
    if (mapped && model::UiKind(GetUiRawType(item->id, context)) == model::kUiPickOne)
        return StoredValueFromOption(context, item, option);
    return option;
}

void MarkEditPageControls(DriverContext* context, PageDesc* page, PageItem* control)
{
    if (!page || !control || page->pageId != kEditPage) return;
    const bool copyGuard =
        GetItemValue(context, rdmFunc2SelectUICtrlCopyGuard) != 0 && IsListed(control->controlId, kCopyGuardControls);
    const bool watermark =
        GetItemValue(context, rdmFunc2SelectUICtrlWaterMark) != 0 && IsListed(control->controlId, kWatermarkControls);
    if (copyGuard || watermark) control->state = static_cast<std::uint16_t>((control->state & ~kControlStateLow) | 1);
}

}  // namespace

void SetSeparationCycleFromCopies(DriverContext* context)
{
    const auto copies = static_cast<std::int16_t>(GetItemValue(context, dmCopies));
    if (copies > 0) SetItemValue(context, rdmSeparationSheetCycle, static_cast<std::uint32_t>(copies));
}

BOOL EvaluateSeparationJudge(DriverContext* context, std::uint16_t judgeItemId)
{
    if (judgeItemId != kSeparationJudge) return FALSE;
    const auto copies = static_cast<std::int16_t>(GetItemValue(context, dmCopies));
    const auto cycle = static_cast<std::int16_t>(GetItemValue(context, rdmSeparationSheetCycle));
    return copies < cycle ? TRUE : FALSE;
}

void CommitColorChangesOnOk(DriverContext* context, PageDesc* page)
{
    if (!context || !context->workArea) return;
    const std::uint8_t* changes = context->workArea->colorChangeFlags;
    for (std::size_t i = 0; i < std::size(kColorChangeItems); ++i)
        if (changes[0] & kColorChangeItems[i].flag) SetItemValue(context, kColorChangeItems[i].item, changes[1 + i]);
    NotifySettingsModules(context, kModuleEventProfilesChanged, nullptr);
    const std::int32_t userMacro = GetUserMacroIndex(context);
    if (userMacro != -1) SaveQualityListSlot(context, userMacro);
    PageEventRecord record{page};
    NotifySettingsModules(context, kModuleEventSubDialogCancelled, &record);
}

void ClearColorChangeFlags(DriverContext* context, PageDesc*)
{
    if (context && context->workArea) context->workArea->colorChangeFlags[0] = 0;
}

int JobOptionModuleCommand(DriverContext* context, std::uint16_t command, void*)
{
    if (command != kCommandSeparationCycle) return 0;
    SetSeparationCycleFromCopies(context);
    return 1;
}

int JobOptionModuleEvent(DriverContext* context, std::uint32_t event, void* param, void*)
{
    switch (event) {
    case kModuleEventRefreshDevice: {
        auto* record = static_cast<RefreshDeviceRecord*>(param);
        const BOOL refreshed = RefreshDeviceInfoNow(context, record ? record->page : nullptr);
        if (record) record->result = refreshed;
        return 1;
    }
    case kModuleEventTrayDetailsWanted:
    case kModuleEventSmallStandardPaper:
        if (param) *static_cast<std::uint32_t*>(param) = 1;
        return 1;
    case kModuleEventResolutionList:
        if (param) static_cast<ResolutionListEvent*>(param)->pointer = nullptr;
        return 1;
    case kModuleEventItemDefault:
        if (auto* block = static_cast<ItemDefaultEventBlock*>(param))
            block->value = ModelDefaultValue(context, block->descriptor);
        return 1;
    case kModuleEventSubDialogOk: {
        const auto* record = static_cast<const PageEventRecord*>(param);
        CommitColorChangesOnOk(context, record ? record->page : nullptr);
        return 1;
    }
    case kModuleEventSubDialogCancelled: {
        const auto* record = static_cast<const PageEventRecord*>(param);
        ClearColorChangeFlags(context, record ? record->page : nullptr);
        return 1;
    }
    case kModuleEventPageControls: {
        const auto* record = static_cast<const PageControlRecord*>(param);
        if (record) MarkEditPageControls(context, record->page, record->control);
        return 1;
    }
    case kModuleEventControlCreated: {
        const auto* record = static_cast<const ControlEventRecord*>(param);
        if (record && record->control) record->control->flags2 |= kControlFlag2Bit1;
        return 1;
    }
    default:
        return 0;
    }
}

}  // namespace vexl
