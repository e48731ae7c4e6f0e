#include "common/model/capabilities.h"

#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/model/resolution.h"
#include "common/model/ui_lookup.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace vexl {

using namespace model;

namespace {

constexpr std::int32_t kCustomNameChars = 64;

// ---- walking the options of an entry -----------------------------------------------------------

// The entry a list walks, read once.
struct ListEntry {
    const CompiledModel* model = nullptr;
    BlockOffset offset = 0;
    UiEntryRecord record{};
    int count = 0;
};

// The entry at offset when it is of the kind and has options.
bool OpenListEntry(DriverContext* context, BlockOffset offset, std::uint16_t kind, ListEntry* out)
{
    if (context == nullptr || context->compiledModel == nullptr || offset == 0) return false;
    out->model = context->compiledModel;
    out->offset = offset;
    out->record = ReadUiEntry(out->model, offset);
    if (UiKind(out->record.type) != kind || out->record.options == 0) return false;
    out->count = 0;
    for (BlockOffset at = out->record.options; at != 0; at = ReadUiOption(out->model, at, out->record.type).next)
        ++out->count;
    return out->count > 0;
}

// How a walk treats the options.
struct WalkRule {
    bool listAll = false;     // unavailable options are listed too
    bool needsValue = false;  // the option's constant is needed (its value is written)
};

// The options of the entry that the rule lists, in order: visit(option,
// value, index) for each (value is the constant's value, or the option id
// when the rule does not need one). The number listed, or -1 when a needed
// constant is missing or nothing is listed.
template <typename Visit>
std::int32_t WalkOptions(DriverContext* context, const ListEntry& entry, WalkRule rule, Visit visit)
{
    std::int32_t listed = 0;
    BlockOffset at = entry.record.options;
    for (int i = 0; i < entry.count && at != 0; ++i) {
        const UiOptionRecord option = ReadUiOption(entry.model, at, entry.record.type);
        at = option.next;
        std::uint32_t value = option.optionId;
        if (rule.needsValue) {
            const ConstantEntry* constant =
                FindConstantByOption(static_cast<std::int16_t>(entry.record.itemId), option.optionId);
            if (constant == nullptr || constant->flag == 0) return kNoCapabilityList;
            value = constant->value;
        }
        if (!rule.listAll && IsUiOptionUnavailable(entry.offset, option.optionId, context)) continue;
        visit(option, value, listed);
        ++listed;
    }
    return listed > 0 ? listed : kNoCapabilityList;
}

// The value of an option's constant, when it has one.
bool FindOptionValue(std::uint16_t itemId, std::uint16_t optionId, std::uint32_t* value)
{
    const ConstantEntry* constant = FindConstantByOption(static_cast<std::int16_t>(itemId), optionId);
    if (constant == nullptr) return false;
    *value = constant->value;
    return true;
}

// ---- trays ----------------------------------------------------------------------------------------

bool OpenTrayEntry(DriverContext* context, ListEntry* entry)
{
    return OpenListEntry(context, FindUiEntry(dmDefaultSource, context), kUiPickSlot, entry);
}

// A module may widen the tray lists to every option.
bool ListsAllTrays(DriverContext* context)
{
    TrayListEvent event{0};
    NotifySettingsModules(context, kModuleEventTrayList, &event);
    return event.value != 0;
}

// ---- papers ---------------------------------------------------------------------------------------

// dmPaperSize: its PickPage entry, available options only; any other item:
// its PickOne entry, every option.
bool OpenPaperEntry(DriverContext* context, std::uint16_t itemId, ListEntry* entry, WalkRule* rule)
{
    if (itemId == dmPaperSize) {
        rule->listAll = false;
        return OpenListEntry(context, FindUiEntry(dmPaperSize, context), kUiPickPage, entry);
    }
    rule->listAll = true;
    return OpenListEntry(context, LookupUiEntry(itemId, context), kUiPickOne, entry);
}

bool IsCustomSizePaper(std::uint32_t paper)
{
    return paper >= kFirstFreeSizeSlotPaper && paper <= kLastFreeSizeSlotPaper;
}

const PaperSizeRow* PaperRow(DriverContext* context, int row)
{
    if (context->workArea == nullptr || row < 0 || row >= kPaperTableRows) return nullptr;
    return &context->workArea->paperTable[row];
}

// The UI string of the id, completed, into a slot of chars characters.
void LoadSlotString(DriverContext* context, std::uint32_t stringId, WCHAR* slot, std::uint32_t chars)
{
    const int size = static_cast<int>(std::min<std::uint32_t>(chars, INT_MAX));
    GetItemServices().loadUiString(context, stringId, slot, size);
}

// A custom size's display name: the ANSI name of its row (64 bytes, not
// necessarily terminated), in no more characters than the slot has.
void CopyCustomSizeName(DriverContext* context, std::uint32_t paper, WCHAR* slot, std::uint32_t chars)
{
    const PaperSizeRow* row = PaperRow(context, static_cast<int>(paper - kFirstFreeSizeSlotPaper));
    if (row == nullptr) return;
    char name[kCustomNameChars + 1] = {};
    std::memcpy(name, row->displayName, kCustomNameChars);
    AnsiToWide(slot, name, static_cast<int>(std::min<std::uint32_t>(chars, kCustomNameChars)));
}

std::int32_t TenthMmOfDots(std::uint32_t dots)
{
    return static_cast<std::int32_t>(DotsToUnits(kUnitTenthMm, dots, kGeometryDpi));
}

// The size of a custom size or of the free size from its row of the paper
// table, the free size first brought there from its items.
POINT CachedPaperSize(DriverContext* context, std::uint32_t paper)
{
    const int row =
        paper == kUserDefinedPaper ? kUserDefinedPaperRow : static_cast<int>(paper - kFirstFreeSizeSlotPaper);
    services::LoadAllFreeSizeSlotsOnce(context);
    if (paper == kUserDefinedPaper) services::CachePrintFreeSize(context, row);
    const PaperSizeRow* cached = PaperRow(context, row);
    if (cached == nullptr) return POINT{0, 0};
    return POINT{TenthMmOfDots(cached->width), TenthMmOfDots(cached->length)};
}

// The PageMMValue size of the paper entry's option that stands for the
// paper value; {0, 0} when it has none.
POINT PaperEntrySize(DriverContext* context, std::uint32_t paper)
{
    ListEntry papers;
    if (!OpenListEntry(context, FindUiEntry(dmPaperSize, context), kUiPickPage, &papers)) return POINT{0, 0};
    const std::uint32_t optionId = OptionFromStoredValue(context, FindItem(context, dmPaperSize), paper);
    for (BlockOffset at = papers.record.options; at != 0;) {
        const UiOptionRecord option = ReadUiOption(papers.model, at, papers.record.type);
        if (option.optionId == optionId) return POINT{option.width, option.length};
        at = option.next;
    }
    return POINT{0, 0};
}

// ---- resolutions ------------------------------------------------------------------------------------

// A resolution entry is usable when it is PickOne with options, or Numeric
// while rdmDstResolutionW holds a value.
enum class ResolutionSource { kNone, kPickOne, kNumeric };

ResolutionSource ClassifyResolutionEntry(DriverContext* context, BlockOffset offset)
{
    if (offset == 0) return ResolutionSource::kNone;
    const UiEntryRecord record = ReadContextUiEntry(context, offset);
    const std::uint16_t kind = UiKind(record.type);
    if (kind == kUiPickOne && record.options != 0) return ResolutionSource::kPickOne;
    if (kind == kUiNumeric && GetItemValue(context, rdmDstResolutionW) != 0) return ResolutionSource::kNumeric;
    return ResolutionSource::kNone;
}

// One resolution into the list: a 32-bit entry in code mode, a pair else.
void PutResolution(std::int32_t* out, std::int32_t index, std::uint16_t mode, std::int32_t x, std::int32_t y)
{
    if (out == nullptr) return;
    if (mode == kResolutionCodes) {
        out[index] = x;
    } else {
        out[2 * index] = x;
        out[2 * index + 1] = y;
    }
}

// The one-entry answer of a single dpi.
std::int32_t ListSingleResolution(std::int32_t* out, std::uint16_t mode, std::uint32_t dpi)
{
    PutResolution(out, 0, mode, static_cast<std::int32_t>(dpi), static_cast<std::int32_t>(dpi));
    return 1;
}

// rdmDstResolutionW as a PickOne of dpi values.
std::int32_t ListDpiOptions(DriverContext* context, const ListEntry& entry, bool listAll, std::int32_t* out,
                            std::uint16_t mode)
{
    const WalkRule rule{listAll, true};
    return WalkOptions(context, entry, rule, [&](const UiOptionRecord&, std::uint32_t value, std::int32_t index) {
        const auto dpi = static_cast<std::uint16_t>(value);
        if (mode == kResolutionCodes) {
            PutResolution(out, index, mode, FindResolutionCode(dpi, dpi), 0);
        } else {
            PutResolution(out, index, mode, static_cast<std::int32_t>(value), static_cast<std::int32_t>(value));
        }
    });
}

// rdmDstResolutionBoth as a PickOne of resolution codes. In pair mode only
// the square resolutions are listed, each once where the option before it
// had the same one. -1 when a code has no row of the resolution table.
std::int32_t ListCodeOptions(DriverContext* context, const ListEntry& entry, bool listAll, std::int32_t* out,
                             std::uint16_t mode)
{
    const WalkRule rule{listAll, true};
    std::int32_t written = 0;
    bool badCode = false;
    std::int32_t lastX = -1;
    std::int32_t lastY = -1;
    const std::int32_t listed =
        WalkOptions(context, entry, rule, [&](const UiOptionRecord&, std::uint32_t value, std::int32_t) {
            const ResolutionEntry* row =
                value <= 0xFFFF ? FindResolutionEntry(static_cast<std::uint16_t>(value)) : nullptr;
            if (row == nullptr) {
                badCode = true;
                return;
            }
            if (mode == kResolutionCodes) {
                PutResolution(out, written++, mode, static_cast<std::int32_t>(value), 0);
                return;
            }
            if (row->xDpi != row->yDpi) return;
            if (row->xDpi != lastX && row->yDpi != lastY) PutResolution(out, written++, mode, row->xDpi, row->yDpi);
            lastX = row->xDpi;
            lastY = row->yDpi;
        });
    if (listed < 0 || badCode || written == 0) return kNoCapabilityList;
    return written;
}

// The resolution source and its answer; -1 when none is usable.
std::int32_t ListModelResolutions(DriverContext* context, std::int32_t* out, std::uint16_t mode)
{
    ResolutionListEvent event{nullptr};
    NotifySettingsModules(context, kModuleEventResolutionList, &event);
    const bool listAll = event.pointer != nullptr;

    BlockOffset source = LookupUiEntry(rdmDstResolutionW, context);
    ResolutionSource kind = ClassifyResolutionEntry(context, source);
    bool codes = false;
    if (kind == ResolutionSource::kNumeric) {
        source = LookupUiEntry(rdmDstResolutionBoth, context);
        kind = ClassifyResolutionEntry(context, source);
        codes = true;
    }
    if (kind == ResolutionSource::kNumeric) {
        return ListSingleResolution(out, mode, GetItemValue(context, rdmDstResolutionW));
    }
    ListEntry entry;
    if (kind != ResolutionSource::kPickOne || !OpenListEntry(context, source, kUiPickOne, &entry)) {
        return kNoCapabilityList;
    }
    return codes ? ListCodeOptions(context, entry, listAll, out, mode)
                 : ListDpiOptions(context, entry, listAll, out, mode);
}

// ---- ranges -------------------------------------------------------------------------------------------

// The minimum and maximum of the item's Numeric entry.
bool ReadNumericLimits(DriverContext* context, std::uint16_t itemId, std::int32_t* minimum, std::int32_t* maximum)
{
    if (context == nullptr || context->compiledModel == nullptr) return false;
    const BlockOffset offset = LookupUiEntry(itemId, context);
    if (offset == 0) return false;
    const UiEntryRecord record = ReadContextUiEntry(context, offset);
    if (UiKind(record.type) != kUiNumeric || record.options == 0) return false;
    const NumericRecord range = ReadNumericRecord(context->compiledModel, record.options);
    *minimum = range.minimum;
    *maximum = range.maximum;
    return true;
}

// Two items' ranges into the outputs asked for; an item is read only when
// one of its outputs is.
int GetPairOfRanges(DriverContext* context, std::uint16_t first, std::uint16_t second, std::int32_t* firstMin,
                    std::int32_t* firstMax, std::int32_t* secondMin, std::int32_t* secondMax)
{
    if (!firstMin && !firstMax && !secondMin && !secondMax) return 0;
    std::int32_t low = 0;
    std::int32_t high = 0;
    if (firstMin || firstMax) {
        if (!ReadNumericLimits(context, first, &low, &high)) return 0;
        if (firstMin) *firstMin = low;
        if (firstMax) *firstMax = high;
    }
    if (secondMin || secondMax) {
        if (!ReadNumericLimits(context, second, &low, &high)) return 0;
        if (secondMin) *secondMin = low;
        if (secondMax) *secondMax = high;
    }
    return 1;
}

// ---- extents ----------------------------------------------------------------------------------------------

const ModelRecord* RecordOf(DriverContext* context)
{
    return context ? context->modelRecord : GetModelDatabase()->modelRecord;
}

// A value in 0.1 mm kept within the custom-size limits of the item, taken
// in 0.1 mm as well.
std::int32_t ClampToFreeSizeLimits(DriverContext* context, std::uint16_t itemId, std::int32_t value)
{
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (!GetFreeSizeLimitsIn(context, itemId, kUnitTenthMm, &minimum, &maximum)) return value;
    if (value < minimum) return minimum;
    if (value > maximum) return maximum;
    return value;
}

// The smallest or largest paper in 0.1 mm: {width, length}.
POINT ModelPaperExtent(DriverContext* context, bool maximum)
{
    const ModelRecord* record = RecordOf(context);
    if (record == nullptr) return POINT{0, 0};
    const std::uint32_t widthDots = maximum ? record->freeSizeMaxWidth : record->freeSizeMinWidth;
    const std::uint32_t lengthDots = maximum ? record->freeSizeMaxLength : record->freeSizeMinLength;
    return POINT{ClampToFreeSizeLimits(context, wdmFreeSizeWidth, TenthMmOfDots(widthDots)),
                 ClampToFreeSizeLimits(context, wdmFreeSizeLength, TenthMmOfDots(lengthDots))};
}

}  // namespace

// ---- lists ------------------------------------------------------------------------------------------------

std::int32_t ListTrayIds(DriverContext* context, std::uint16_t* out, std::uint32_t /*ignored*/)
{
    ListEntry entry;
    if (!OpenTrayEntry(context, &entry)) return kNoCapabilityList;
    const WalkRule rule{ListsAllTrays(context), true};
    return WalkOptions(context, entry, rule, [out](const UiOptionRecord&, std::uint32_t value, std::int32_t index) {
        if (out) out[index] = static_cast<std::uint16_t>(value);
    });
}

std::int32_t ListTrayNames(DriverContext* context, WCHAR* out, std::uint32_t nameChars, std::uint32_t /*ignored*/)
{
    ListEntry entry;
    if (!OpenTrayEntry(context, &entry)) return kNoCapabilityList;
    const WalkRule rule{ListsAllTrays(context), false};
    return WalkOptions(context, entry, rule, [&](const UiOptionRecord& option, std::uint32_t, std::int32_t index) {
        if (out == nullptr || nameChars == 0) return;
        WCHAR* slot = out + static_cast<std::size_t>(index) * nameChars;
        std::fill(slot, slot + nameChars, WCHAR{0});
        LoadSlotString(context, option.optionId, slot, nameChars);
    });
}

std::int32_t ListPaperIds(DriverContext* context, std::uint16_t* out, std::uint16_t itemId)
{
    ListEntry entry;
    WalkRule rule;
    if (!OpenPaperEntry(context, itemId, &entry, &rule)) return kNoCapabilityList;
    rule.needsValue = true;
    return WalkOptions(context, entry, rule, [out](const UiOptionRecord&, std::uint32_t value, std::int32_t index) {
        if (out) out[index] = static_cast<std::uint16_t>(value);
    });
}

std::int32_t ListPaperNames(DriverContext* context, WCHAR* out, std::uint32_t nameChars, std::uint16_t itemId)
{
    ListEntry entry;
    WalkRule rule;
    if (!OpenPaperEntry(context, itemId, &entry, &rule)) return kNoCapabilityList;
    if (out != nullptr) services::LoadAllFreeSizeSlotsOnce(context);
    return WalkOptions(context, entry, rule, [&](const UiOptionRecord& option, std::uint32_t, std::int32_t index) {
        if (out == nullptr || nameChars == 0) return;
        WCHAR* slot = out + static_cast<std::size_t>(index) * nameChars;
        std::fill(slot, slot + nameChars, WCHAR{0});
        std::uint32_t paper = 0;
        if (FindOptionValue(entry.record.itemId, option.optionId, &paper) && IsCustomSizePaper(paper)) {
            CopyCustomSizeName(context, paper, slot, nameChars);
        } else {
            LoadSlotString(context, option.optionId, slot, nameChars);
        }
    });
}

std::int32_t ListPaperSizes(DriverContext* context, POINT* out, std::uint16_t itemId)
{
    ListEntry entry;
    WalkRule rule;
    if (!OpenPaperEntry(context, itemId, &entry, &rule)) return kNoCapabilityList;
    const bool paperEntry = UiKind(entry.record.type) == kUiPickPage;
    return WalkOptions(context, entry, rule, [&](const UiOptionRecord& option, std::uint32_t, std::int32_t index) {
        if (out == nullptr) return;
        std::uint32_t paper = 0;
        const bool hasValue = FindOptionValue(entry.record.itemId, option.optionId, &paper);
        if (hasValue && (IsCustomSizePaper(paper) || paper == kUserDefinedPaper)) {
            out[index] = CachedPaperSize(context, paper);
        } else if (paperEntry) {
            out[index] = POINT{option.width, option.length};
        } else {
            out[index] = PaperEntrySize(context, hasValue ? paper : option.optionId);
        }
    });
}

std::int32_t ListPickOneValues(DriverContext* context, std::int32_t* out, std::uint16_t itemId)
{
    ListEntry entry;
    if (!OpenListEntry(context, LookupUiEntry(itemId, context), kUiPickOne, &entry)) return kNoCapabilityList;
    const WalkRule rule{false, true};
    return WalkOptions(context, entry, rule, [out](const UiOptionRecord&, std::uint32_t value, std::int32_t index) {
        if (out) out[index] = static_cast<std::int32_t>(value);
    });
}

std::int32_t ListItemOptionValues(DriverContext* context, std::int32_t* out, std::uint16_t itemId)
{
    return ListPickOneValues(context, out, itemId);
}

std::int32_t ListResolutions(DriverContext* context, std::int32_t* out, std::uint16_t mode)
{
    if (context == nullptr) return kNoCapabilityList;
    const std::int32_t listed = ListModelResolutions(context, out, mode);
    if (listed > 0) return listed;
    const ModelRecord* record = RecordOf(context);
    return ListSingleResolution(out, mode, record ? record->defaultResolution : 0);
}

std::int32_t ListResolutionCodes(DriverContext* context, std::int32_t* out)
{
    return ListResolutions(context, out, kResolutionCodes);
}

// ---- single answers -------------------------------------------------------------------------------------

std::int32_t GetMaxCopies(DriverContext* context)
{
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (ReadNumericLimits(context, dmCopies, &minimum, &maximum)) return maximum;
    const ModelRecord* record = RecordOf(context);
    return record ? record->maxCopies : 0;
}

std::uint32_t GetLandscapeAngle(DriverContext* context)
{
    const ModelRecord* record = RecordOf(context);
    return record ? record->landscapeRotation : 0;
}

BOOL HasDuplexUnit(DriverContext* context)
{
    return GetItemValue(context, rdmSourceOptionTypeDuplex) != 0;
}

BOOL HasUiEntry(DriverContext* context, std::uint32_t /*ignored*/, std::uint16_t itemId)
{
    if (context == nullptr || context->compiledModel == nullptr) return 0;
    const BlockOffset entry = LookupUiEntry(itemId, context);
    if (entry == 0) return 0;
    return ReadContextUiEntry(context, entry).type != kUiTypeUnknown;
}

void GetModelPaperLimits(DriverContext* context, std::int32_t min[2], std::int32_t max[2])
{
    const ModelRecord* record = RecordOf(context);
    if (min == nullptr || max == nullptr || record == nullptr) return;
    min[0] = static_cast<std::int32_t>(record->freeSizeMinWidth);
    min[1] = static_cast<std::int32_t>(record->freeSizeMinLength);
    max[0] = static_cast<std::int32_t>(record->freeSizeMaxWidth);
    max[1] = static_cast<std::int32_t>(record->freeSizeMaxLength);
}

std::int32_t GetFreeSizeMinWidth(DriverContext* context)
{
    const ModelRecord* record = RecordOf(context);
    return record ? static_cast<std::int32_t>(record->freeSizeMinWidth) : 0;
}

std::int32_t GetFreeSizeMinLength(DriverContext* context)
{
    const ModelRecord* record = RecordOf(context);
    return record ? static_cast<std::int32_t>(record->freeSizeMinLength) : 0;
}

std::int32_t GetFreeSizeMaxWidth(DriverContext* context)
{
    const ModelRecord* record = RecordOf(context);
    return record ? static_cast<std::int32_t>(record->freeSizeMaxWidth) : 0;
}

std::int32_t GetFreeSizeMaxLength(DriverContext* context)
{
    const ModelRecord* record = RecordOf(context);
    return record ? static_cast<std::int32_t>(record->freeSizeMaxLength) : 0;
}

std::uint32_t GetPaperExtentPacked(DriverContext* context, POINTS* out, std::uint16_t which)
{
    const POINT extent = ModelPaperExtent(context, which != kExtentMinimum);
    const auto width = static_cast<std::uint16_t>(extent.x);
    const auto length = static_cast<std::uint16_t>(extent.y);
    if (out) *out = POINTS{static_cast<SHORT>(width), static_cast<SHORT>(length)};
    return (static_cast<std::uint32_t>(length) << 16) | width;
}

std::uint32_t GetMinExtentPacked(DriverContext* context, POINTS* out)
{
    return GetPaperExtentPacked(context, out, kExtentMinimum);
}

std::uint32_t GetMaxExtentPacked(DriverContext* context, POINTS* out)
{
    return GetPaperExtentPacked(context, out, kExtentMaximum);
}

int GetPaperExtentPair(DriverContext* context, std::int32_t out[2], std::uint16_t maximum)
{
    const POINT extent = ModelPaperExtent(context, maximum != 0);
    if (out) {
        out[0] = extent.x;
        out[1] = extent.y;
    }
    return 1;
}

int GetMinExtentPair(DriverContext* context, std::int32_t out[2])
{
    return GetPaperExtentPair(context, out, 0);
}

int GetMaxExtentPair(DriverContext* context, std::int32_t out[2])
{
    return GetPaperExtentPair(context, out, 1);
}

int GetScaleRange(DriverContext* context, std::int16_t min[2], std::int16_t max[2])
{
    if (min == nullptr && max == nullptr) return 0;
    std::int32_t lowH = 0, highH = 0, lowV = 0, highV = 0;
    if (!ReadNumericLimits(context, rdmScaleH, &lowH, &highH) || !ReadNumericLimits(context, rdmScaleV, &lowV, &highV))
        return 0;
    if (min) {
        min[0] = static_cast<std::int16_t>(lowH);
        min[1] = static_cast<std::int16_t>(lowV);
    }
    if (max) {
        max[0] = static_cast<std::int16_t>(highH);
        max[1] = static_cast<std::int16_t>(highV);
    }
    return 1;
}

int GetMarginRange(DriverContext* context, std::int32_t* oddMin, std::int32_t* oddMax, std::int32_t* evenMin,
                   std::int32_t* evenMax)
{
    return GetPairOfRanges(context, rdmMarginOdd, rdmMarginEven, oddMin, oddMax, evenMin, evenMax);
}

int GetShiftMarginRange(DriverContext* context, std::int32_t* xMin, std::int32_t* xMax, std::int32_t* yMin,
                        std::int32_t* yMax)
{
    return GetPairOfRanges(context, rdmShiftMarginX, rdmShiftMarginY, xMin, xMax, yMin, yMax);
}

int GetCreepMarginRange(DriverContext* context, std::int32_t* insideMin, std::int32_t* insideMax,
                        std::int32_t* outsideMin, std::int32_t* outsideMax)
{
    return GetPairOfRanges(context, rdmCreepMarginInside, rdmCreepMarginOutside, insideMin, insideMax, outsideMin,
                           outsideMax);
}

}  // namespace vexl
