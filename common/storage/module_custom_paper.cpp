// The custom paper module.
#include "common/storage/module_custom_paper.h"

#include "common/core/context.h"
#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/units.h"
#include "common/model/ui_lookup.h"
#include "common/storage/ini_lists.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace vexl {
namespace {

constexpr int kCustomSlots = 10;

constexpr std::uint16_t kInchLengthControls[] = {2682, 2683, 2684};
constexpr std::uint16_t kInchWidthControls[] = {2689, 2690, 2691};
constexpr std::uint16_t kSecondLengthControls[] = {2685, 2686, 2687};
constexpr std::uint16_t kSecondWidthControls[] = {2692, 2693, 2694};
constexpr std::uint16_t kFlaggedControls[] = {2220, 2224, 2392, 2394, 2398, 2400, 2682, 2683, 2684, 2689, 2690, 2691};
constexpr std::uint32_t kUnusableControlFlags = 0x3;

constexpr PaperLimitRow kNoLimits[] = {{0, 0, 0, {}}};
// The model database keeps no per-model tables: the list is empty and the
// default table has no rows.
constexpr PaperLimitSet kModelLimitSets[] = {{0, nullptr}};

PaperLimitTableGetter g_limitTableGetter = nullptr;

template <std::size_t N> bool Lists(const std::uint16_t (&ids)[N], const PageItem* control)
{
    return control != nullptr && std::find(std::begin(ids), std::end(ids), control->controlId) != std::end(ids);
}

DEVMODEW* DevmodeOf(void* param)
{
    return param ? *static_cast<DEVMODEW**>(param) : nullptr;
}

// Whether the inch events act: the custom size is shown in inches and the
// input dialog edits the paper size.
bool InchEventsApply(DriverContext* context)
{
    return IsCustomPaperInAltUnit(context) && GetItemValue(context, wdmInputFreeSizeType) == 1;
}

// The inch item that one of the first control groups shows, or 0.
std::uint16_t InchItemOf(const PageItem* control)
{
    if (Lists(kInchLengthControls, control)) return rdmPaperINCHLength;
    if (Lists(kInchWidthControls, control)) return rdmPaperINCHWidth;
    return 0;
}

std::uint16_t SecondInchItemOf(const PageItem* control)
{
    if (Lists(kSecondLengthControls, control)) return rdmPaperINCHLength;
    if (Lists(kSecondWidthControls, control)) return rdmPaperINCHWidth;
    return 0;
}

void SetIfChanged(DriverContext* context, std::uint16_t itemId, std::uint32_t value)
{
    if (GetItemValue(context, itemId) != value) SetItemValue(context, itemId, value);
}

// A candidate display size moved into a control's display limits; the
// numeric entry's own range (in model terms) decides whether a bound applies.
std::int32_t ClampToControl(DriverContext* context, const PageItem* control, std::uint16_t sizeItem)
{
    std::int32_t value = GetItemDisplaySize(context, sizeItem, 0);
    const auto model = static_cast<std::int64_t>(GetItemValue(context, sizeItem));
    std::int32_t displayMin = 0;
    std::int32_t displayMax = 0;
    GetControlDisplayLimits(context, control, &displayMin, &displayMax);
    std::int32_t entryMin = 0;
    std::int32_t entryMax = 0;
    const model::BlockOffset entry =
        control->item ? services::LookupUiEntry(control->item->id, context) : model::BlockOffset{0};
    const bool hasRange = entry != 0 && services::GetUiNumericRange(entry, context, &entryMin, &entryMax);
    if (hasRange && displayMax < value && entryMax >= model) value = displayMax;
    if (hasRange && displayMin > value && entryMin <= model) value = displayMin;
    return value;
}

// Event 47: the custom-size slots again from their cached rows, then the
// paper synchronisation that the changed control asks for.
void HandleEntryChanged(DriverContext* context, const EntryChangedEvent* event)
{
    if (event == nullptr || event->page == nullptr) return;
    if (event->page->pageId == kCustomSizeDialogPage && context->workArea && context->workArea->applyInProgress) {
        for (int row = 0; row < kCustomSlots; ++row) CopyCachedRowToSlotItems(context, row);
    }
    if (event->entry == 0 || context->pageTable == nullptr) return;
    const std::uint16_t key = ReadContextUiEntry(context, event->entry).symbolKey;
    for (int p = 0; p < context->pageTable->count; ++p) {
        const PageItem* control = FindPageItemByKey(context, &context->pageTable->pages[p], key);
        if (control == nullptr) continue;
        if (control->controlId == 2017) SyncPaperAfterChange(context, kSyncCustomSourcePaper);
        if (control->controlId == 2023 || control->controlId == 2053)
            SyncPaperAfterChange(context, kSyncCustomOutputPaper);
        return;
    }
}

// Moves a dot count outwards to a whole display unit.
std::int32_t RoundOutwards(std::uint32_t kind, std::int32_t dots, bool minimum)
{
    if (dots < 0) return dots;
    const std::uint32_t units = DotsToUnits(kind, static_cast<std::uint32_t>(dots), kGeometryDpi);
    if (UnitsToDots(kind, units, kGeometryDpi) == static_cast<std::uint32_t>(dots)) return dots;
    const std::uint32_t moved = minimum ? (units > 0 ? units - 1 : 0) : units + 1;
    return static_cast<std::int32_t>(UnitsToDots(kind, moved, kGeometryDpi));
}

}  // namespace

const PaperLimitRow* FindModelPaperLimitTable(DriverContext* context)
{
    if (g_limitTableGetter) return g_limitTableGetter(context);
    const ModelRecord* record = context ? context->modelRecord : nullptr;
    const WCHAR* driver = context && context->workArea ? context->workArea->driverName : nullptr;
    if (record && driver && driver[0]) {
        const ModelNameEntry* entry = FindModelNameEntry(context, driver);
        if (entry && record->modelNames && record->modelNames->entries) {
            const auto position = static_cast<std::uint32_t>(entry - record->modelNames->entries);
            for (const PaperLimitSet& set : kModelLimitSets) {
                if (set.rows && position < 32 && (set.modelMask & (1u << position))) return set.rows;
            }
        }
    }
    return kNoLimits;
}

void SetPaperLimitTableGetter(PaperLimitTableGetter getter)
{
    g_limitTableGetter = getter;
}

BOOL GetTrayPaperLimits(DriverContext* context, std::uint32_t tray, std::uint32_t orientation, std::int32_t* outMin,
                        std::int32_t* outMax, BOOL length)
{
    if (outMin) *outMin = 0;
    if (outMax) *outMax = 0;
    const PaperLimitRow* rows = FindModelPaperLimitTable(context);
    for (const PaperLimitRow* row = rows; row && row->tray != 0; ++row) {
        if (row->tray != tray || row->orientation != orientation) continue;
        if (row->platform != kPaperLimitAnyPlatform && row->platform != kPaperLimitNtPlatform) continue;
        const bool metric = IsMetricUnit(context) != FALSE;
        const std::size_t first = (metric ? 0 : 4) + (length ? 0 : 2);
        const std::uint32_t kind = metric ? kUnitTenthMm : kUnitHundredthInch;
        if (outMin) *outMin = RoundOutwards(kind, row->limits[first], true);
        if (outMax) *outMax = RoundOutwards(kind, row->limits[first + 1], false);
        return TRUE;
    }
    return FALSE;
}

BOOL GetFreeSizeControlLimits(DriverContext* context, const PageItem* control, std::int32_t* outMin,
                              std::int32_t* outMax)
{
    if (context == nullptr || control == nullptr) return FALSE;
    const int kind = GetFreeSizeControlLimitKind(control->controlId);
    std::uint32_t tray = 0;
    std::uint32_t orientation = 0;
    if (kind == 0 || !GetFreeSizePageTray(context, &tray, &orientation)) return FALSE;
    return GetTrayPaperLimits(context, tray, orientation, outMin, outMax, kind == kFreeSizeLengthLimit ? TRUE : FALSE);
}

PageItem* FindFreeSizeControl(DriverContext* context, PageDesc* page, BOOL length)
{
    if (page == nullptr) return nullptr;
    for (std::uint16_t id : length ? kInchLengthControls : kInchWidthControls) {
        PageItem* control = FindPageControl(context, page, static_cast<std::int16_t>(id));
        if (control && (control->flags & kUnusableControlFlags) == 0) return control;
    }
    return nullptr;
}

void ClampInchPaperToLimits(DriverContext* context)
{
    PageDesc* page = FindPage(context, kPaperSizePage);
    PageItem* lengthControl = FindFreeSizeControl(context, page, TRUE);
    PageItem* widthControl = FindFreeSizeControl(context, page, FALSE);
    if (lengthControl == nullptr || widthControl == nullptr) return;
    const std::int32_t length = ClampToControl(context, lengthControl, rdmPaperFreeSizeLength);
    const std::int32_t width = ClampToControl(context, widthControl, rdmPaperFreeSizeWidth);
    SetIfChanged(context, rdmPaperINCHLength, static_cast<std::uint32_t>(std::max(length, 0)));
    SetIfChanged(context, rdmPaperINCHWidth, static_cast<std::uint32_t>(std::max(width, 0)));
}

int CustomPaperModuleCommand(DriverContext*, std::uint16_t, void*)
{
    return 0;
}

int CustomPaperModuleEvent(DriverContext* context, std::uint32_t event, void* param, void*)
{
    switch (event) {
    case kModuleEventPaperLimits: {
        auto* limits = static_cast<ControlLimitsEvent*>(param);
        std::int32_t minimum = 0;
        std::int32_t maximum = 0;
        if (limits && GetFreeSizeControlLimits(context, limits->control, &minimum, &maximum)) {
            limits->minimum = minimum;
            limits->maximum = maximum;
            limits->found = 1;
        }
        return 1;
    }
    case kModuleEventPaperEntryChanged:
        HandleEntryChanged(context, static_cast<EntryChangedEvent*>(param));
        return 1;
    case kModuleEventPaperSizeControl: {
        auto* flag = static_cast<ControlFlagEvent*>(param);
        if (flag && Lists(kFlaggedControls, flag->control)) flag->flag = 1;
        return 1;
    }
    case kModuleEventPaperGetLength:
    case kModuleEventPaperGetWidth:
    case kModuleEventPaperSetValue:
    case kModuleEventPaperSetDots:
    case kModuleEventPaperSetDotsAgain:
    case kModuleEventPaperClamp:
    case kModuleEventPaperSetSecondValue:
    case kModuleEventPaperFromDevmode:
    case kModuleEventPaperToDevmode:
        break;
    default:
        return 0;
    }
    if (!InchEventsApply(context)) return 1;
    auto* value = static_cast<ControlValueEvent*>(param);
    switch (event) {
    case kModuleEventPaperGetLength:
    case kModuleEventPaperGetWidth:
        if (value && InchItemOf(value->control))
            value->value = static_cast<std::int32_t>(GetItemValue(context, InchItemOf(value->control)));
        return 1;
    case kModuleEventPaperSetValue:
        if (value && InchItemOf(value->control))
            SetItemValue(context, InchItemOf(value->control), static_cast<std::uint32_t>(value->value));
        return 1;
    case kModuleEventPaperSetDots:
    case kModuleEventPaperSetDotsAgain:
        if (value && InchItemOf(value->control))
            SetItemValue(context, InchItemOf(value->control),
                         static_cast<std::uint32_t>(GetItemDisplaySize(context, 0, value->value)));
        return 1;
    case kModuleEventPaperClamp:
        ClampInchPaperToLimits(context);
        return 1;
    case kModuleEventPaperSetSecondValue:
        if (value && SecondInchItemOf(value->control))
            SetItemValue(context, SecondInchItemOf(value->control), static_cast<std::uint32_t>(value->value));
        return 1;
    case kModuleEventPaperFromDevmode:
        if (DEVMODEW* devmode = DevmodeOf(param)) {
            SetItemValue(context, rdmPaperINCHLength,
                         TenthsMmToHundredthsInch(static_cast<std::uint16_t>(devmode->dmPaperLength)));
            SetItemValue(context, rdmPaperINCHWidth,
                         TenthsMmToHundredthsInch(static_cast<std::uint16_t>(devmode->dmPaperWidth)));
        }
        return 1;
    case kModuleEventPaperToDevmode: {
        auto* block = static_cast<FreeSizePaperEventBlock*>(param);
        if (block && block->devmode) {
            block->devmode->dmPaperLength =
                static_cast<std::int16_t>(HundredthsInchToTenthsMm(GetItemValue(context, rdmPaperINCHLength)));
            block->devmode->dmPaperWidth =
                static_cast<std::int16_t>(HundredthsInchToTenthsMm(GetItemValue(context, rdmPaperINCHWidth)));
            block->handled = 1;
        }
        return 1;
    }
    default:
        return 1;
    }
}

}  // namespace vexl
