// The capability handlers. Every answer is computed from the instance's
// context: the compiled model's entries and constraints, the PJL option
// table, the settings INI's lists of presets, stamps and quality lists, and
// the option bits of the model INI. Handlers that list under changed items
// put every item back before they answer.
#include "api/capabilities.h"

#include "api/handler_rows.h"
#include "api/item_helpers.h"
#include "api/load_share.h"
#include "api/option_tests.h"
#include "api/versions.h"
#include "common/core/devmode_public.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/modeldb.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/capabilities.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vexl::api {

namespace {

// ---- the tests of the catalogue -------------------------------------------------------------------

// Avail(X): X has a UI entry whose option 0 is not unavailable; strict adds
// the restriction test.
constexpr std::uint32_t kTestUnavailable = 1;
constexpr std::uint32_t kTestRestricted = 2;

bool IsAvailable(DriverContext* instance, std::uint16_t itemId)
{
    return IsItemAvailable(instance, itemId, 0, kTestUnavailable) != 0;
}

bool IsAvailableStrict(DriverContext* instance, std::uint16_t itemId)
{
    return IsItemAvailable(instance, itemId, 0, kTestUnavailable | kTestRestricted) != 0;
}

bool Has(DriverContext* instance, std::uint16_t itemId)
{
    return HasUiEntry(instance, 0, itemId) != 0;
}

int AsAnswer(bool value)
{
    return value ? 1 : 0;
}

// The control of a page, both named by their symbols, passes the
// page-control test of the settings interface.
bool IsNamedControlAllowed(DriverContext* instance, const char* pageName, const char* controlName, std::uint32_t flags)
{
    PageDesc* page = FindPageByName(instance, pageName);
    if (page == nullptr) return false;
    const PageItem* control = FindPageItemByName(instance, page, controlName);
    if (control == nullptr) return false;
    return IsControlOptionAllowed(instance, static_cast<std::int16_t>(page->pageId),
                                  static_cast<std::int16_t>(control->controlId), flags) != 0;
}

// The answer of another capability, asked directly.
int AnswerOf(DriverContext* instance, std::uint32_t id)
{
    return RunCapabilityHandler(instance, id, nullptr);
}

bool Answers(DriverContext* instance, std::uint32_t id)
{
    return AnswerOf(instance, id) > 0;
}

// ---- the model's lists ------------------------------------------------------------------------------

// ListItemOptionValues of the item as a value list: -1 when it has none.
int CollectItemValues(DriverContext* instance, std::uint16_t itemId, ValueList* values)
{
    values->clear();
    const std::int32_t count = ListItemOptionValues(instance, nullptr, itemId);
    if (count <= 0) return count < 0 ? -1 : 0;
    std::vector<std::int32_t> listed(static_cast<std::size_t>(count));
    if (ListItemOptionValues(instance, listed.data(), itemId) != count) return -1;
    for (std::int32_t value : listed) values->push_back(static_cast<std::uint32_t>(value));
    return count;
}

// ListPickOneValues of the item as a value list.
int CollectPickOneValues(DriverContext* instance, std::uint16_t itemId, ValueList* values)
{
    values->clear();
    const std::int32_t count = ListPickOneValues(instance, nullptr, itemId);
    if (count <= 0) return count < 0 ? -1 : 0;
    std::vector<std::int32_t> listed(static_cast<std::size_t>(count));
    if (ListPickOneValues(instance, listed.data(), itemId) != count) return -1;
    for (std::int32_t value : listed) values->push_back(static_cast<std::uint32_t>(value));
    return count;
}

// A made list into the caller's buffer; a list that could not be made
// answers its own answer (-1 or 0).
int DeliverCollected(const CapabilityBuffer& out, int collected, const ValueList& values)
{
    return collected > 0 ? DeliverValues(out, values) : collected;
}

// The minimum and maximum of the item's Numeric entry.
bool ReadNumericLimits(DriverContext* instance, std::uint16_t itemId, std::int32_t* minimum, std::int32_t* maximum)
{
    if (instance == nullptr || instance->compiledModel == nullptr) return false;
    const BlockOffset entry = LookupUiEntry(itemId, instance);
    if (entry == 0) return false;
    const model::UiEntryRecord record = ReadContextUiEntry(instance, entry);
    if (model::UiKind(record.type) != model::kUiNumeric || record.options == 0) return false;
    const model::NumericRecord range = model::ReadNumericRecord(instance->compiledModel, record.options);
    *minimum = range.minimum;
    *maximum = range.maximum;
    return true;
}

// The maximum length of the item's String entry; 0 without one.
int ReadStringMaxLength(DriverContext* instance, std::uint16_t itemId)
{
    if (instance == nullptr || instance->compiledModel == nullptr) return 0;
    const BlockOffset entry = LookupUiEntry(itemId, instance);
    if (entry == 0) return 0;
    const model::UiEntryRecord record = ReadContextUiEntry(instance, entry);
    if (model::UiKind(record.type) != model::kUiString || record.options == 0) return 0;
    return model::ReadStringRecord(instance->compiledModel, record.options).maxLength;
}

// A length in 1,200-dpi dots as 0.1 mm; a negative length keeps its sign.
int DotsAsTenthMm(std::int32_t dots)
{
    const std::uint32_t magnitude = dots < 0 ? 0u - static_cast<std::uint32_t>(dots) : static_cast<std::uint32_t>(dots);
    const auto units = static_cast<std::int32_t>(DotsToUnits(kUnitTenthMm, magnitude, kGeometryDpi));
    return dots < 0 ? -units : units;
}

// A packed pair: (high << 16) | low, and with a buffer the two as i16, low first.
int DeliverPackedPair(const CapabilityBuffer& out, std::uint16_t low, std::uint16_t high)
{
    if (out.data != nullptr) {
        auto* bytes = static_cast<std::uint8_t*>(out.data);
        WriteLe16(bytes, low);
        WriteLe16(bytes + 2, high);
    }
    return static_cast<int>((static_cast<std::uint32_t>(high) << 16) | low);
}

// ---- items changed while a list is made -----------------------------------------------------------

// rdmAdjustMode held at 0 while a colour list is made, 1 again afterwards.
class AdjustModeOff {
public:
    explicit AdjustModeOff(DriverContext* instance) : instance_(instance)
    {
        wasOn_ = GetItemValue(instance_, rdmAdjustMode) == 1;
        if (wasOn_) SetItemValue(instance_, rdmAdjustMode, 0);
    }
    ~AdjustModeOff()
    {
        if (wasOn_) SetItemValue(instance_, rdmAdjustMode, 1);
    }
    AdjustModeOff(const AdjustModeOff&) = delete;
    AdjustModeOff& operator=(const AdjustModeOff&) = delete;

private:
    DriverContext* instance_;
    bool wasOn_ = false;
};

// The whole settings store copied now and put back at the end. The items
// that hold the store's own heap lists keep the addresses they have then.
class StoreCopy {
public:
    explicit StoreCopy(DriverContext* instance) : instance_(instance)
    {
        const std::uint8_t* store = GetStoreBytes(instance_);
        if (store != nullptr) bytes_.assign(store, store + GetSettingsStoreSize());
    }
    ~StoreCopy()
    {
        std::uint8_t* store = GetStoreBytes(instance_);
        if (store == nullptr || bytes_.empty()) return;
        for (std::uint16_t id : kHeapAddressItems) {
            const SettingItemDescriptor* item = FindItem(instance_, id);
            const std::uint8_t* address = GetItemAddress(instance_, item);
            if (address == nullptr) continue;
            const auto offset = static_cast<std::size_t>(address - store);
            const std::size_t length = ItemLength(*item);
            if (offset + length <= bytes_.size()) std::memcpy(bytes_.data() + offset, address, length);
        }
        std::memcpy(store, bytes_.data(), bytes_.size());
    }
    StoreCopy(const StoreCopy&) = delete;
    StoreCopy& operator=(const StoreCopy&) = delete;

private:
    DriverContext* instance_;
    std::vector<std::uint8_t> bytes_;
};

// Settings slots loaded inside a snapshot that is popped with restore.
class SettingsSnapshot {
public:
    explicit SettingsSnapshot(DriverContext* instance) : instance_(instance) { PushSettingsSnapshot(instance_); }
    ~SettingsSnapshot() { PopSettingsSnapshot(instance_, TRUE); }
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

private:
    DriverContext* instance_;
};

// ---- counts of the settings INI ------------------------------------------------------------------------

// The INI's counts are taken within the slots that exist: presets 0 to 15;
// stamps and quality lists below the interface's own slots 256 and 128.
constexpr int kQualityListOwnSlot = 128;

int BoundCount(int count, int limit)
{
    return std::clamp(count, 0, limit);
}

int PresetCount(DriverContext* instance)
{
    return BoundCount(GetPresetCount(instance), kPresetSlotCount);
}

int StampCount(DriverContext* instance)
{
    return BoundCount(GetStampCount(instance), kWorkingStampSlot);
}

int QualityListCount(DriverContext* instance)
{
    return BoundCount(GetQualityListCount(instance), kQualityListOwnSlot);
}

// A text item as an ANSI name slot, cut so that its terminator fits.
void CopyItemName(DriverContext* instance, std::uint16_t itemId, char* slot, std::uint32_t slotBytes)
{
    WCHAR text[kPathNameSlot + 1] = {};
    GetItemString(instance, FindItem(instance, itemId), text, std::size(text));
    CopyNameCut(text, slot, slotBytes);
}

// ================================ the handlers ================================================

int AnswerOne(DriverContext*, std::uint32_t, const CapabilityBuffer&)
{
    return 1;
}

// ---- tests of single items ------------------------------------------------------------------------------

enum class ItemTest { kHas, kAvail, kAvailStrict };

struct ItemTestRow {
    std::uint32_t id;
    ItemTest test;
    std::uint16_t itemId;
};

constexpr ItemTestRow kItemTests[] = {
    {31, ItemTest::kAvail, rdmFuncSelectWaterMark},
    {42, ItemTest::kHas, rdmExtOutputDirection},
    {43, ItemTest::kAvail, rdmExtOutputOrderly},
    {44, ItemTest::kHas, rdmExtOutputWhitePaper},
    {46, ItemTest::kHas, rdmUserID},
    {48, ItemTest::kHas, rdmExtOutputPaperRotation},
    {52, ItemTest::kAvail, rdmActionStored},
    {53, ItemTest::kAvail, rdmActionOverlay},
    {55, ItemTest::kHas, rdmPlaneUseCMYKCyan},
    {60, ItemTest::kHas, rdmAdjustMode},
    {62, ItemTest::kHas, rdmBrightness},
    {63, ItemTest::kHas, rdmContrast},
    {64, ItemTest::kHas, rdmSaturation},
    {65, ItemTest::kHas, rdmColorBalanceR},
    {69, ItemTest::kHas, rdmExtOutput2A4Fit},
    {70, ItemTest::kHas, rdmQualityFuncColorRevision},
    {71, ItemTest::kHas, rdmHFFuncSelectDate},
    {72, ItemTest::kHas, rdmExtOutputEMFSpool},
    {73, ItemTest::kHas, rdmImagePrint},
    {78, ItemTest::kAvail, wdmWMFuncSelectOrder},
    {79, ItemTest::kAvail, rdmHFFuncSelectOrder},
    {80, ItemTest::kAvailStrict, rdmFunc2SelectJobComplete},
    {81, ItemTest::kAvailStrict, rdmFunc2SelectJobErr},
    {84, ItemTest::kAvail, rdmFuncSelectCopyProtect},
    {87, ItemTest::kAvail, rdmPreviewPrint},
    {88, ItemTest::kAvail, rdmExtOutput2OrientationManualTray},
    {94, ItemTest::kAvail, rdmExtOutputIndexRotation},
    {96, ItemTest::kAvail, rdmFuncSelectBack},
    {97, ItemTest::kAvail, rdmFuncSelectReverseCover},
    {99, ItemTest::kAvail, rdmFuncSelectChapter},
    {101, ItemTest::kAvail, rdmNupLayout},
    {102, ItemTest::kAvail, rdmBookLayout},
    {108, ItemTest::kAvail, rdmFunc2SelectEdgeCorner},
    {111, ItemTest::kAvail, rdmFuncSelectCrops},
    {112, ItemTest::kAvail, rdmCreepMarginInside},
    {117, ItemTest::kAvail, rdmExtOutput2PaperFace},
    {119, ItemTest::kAvail, rdmExtOutput2NearStandard},
    {120, ItemTest::kAvail, rdmPrnFuncReduceFont},
    {121, ItemTest::kAvail, rdmActionPause},
    {122, ItemTest::kAvail, rdmActionSave},
    {123, ItemTest::kAvail, rdmActionPrintAndSave},
    {257, ItemTest::kHas, rdmAdjustObject},
    {270, ItemTest::kHas, rdmUseUserMacro},
    {273, ItemTest::kHas, rdmQualityFuncEcoColor},
    {280, ItemTest::kHas, rdmExtOutputprinterSide},
};

int AnswerItemTest(DriverContext* instance, std::uint32_t id, const CapabilityBuffer&)
{
    for (const ItemTestRow& row : kItemTests) {
        if (row.id != id) continue;
        switch (row.test) {
        case ItemTest::kHas:
            return AsAnswer(Has(instance, row.itemId));
        case ItemTest::kAvail:
            return AsAnswer(IsAvailable(instance, row.itemId));
        case ItemTest::kAvailStrict:
            return AsAnswer(IsAvailableStrict(instance, row.itemId));
        }
    }
    return 0;
}

// ---- allowed values of the PJL table ------------------------------------------------------------------------

struct AllowedRow {
    std::uint32_t id;
    std::uint16_t itemId;
};

constexpr AllowedRow kAllowedLists[] = {
    {2, dmDefaultSource}, {4, rdmMediaType},   {6, rdmOutputTrayID}, {15, rdmOutPaperSize},
    {39, rdmSortType},    {40, rdmStapleType}, {41, rdmPunchType},
};

std::uint16_t AllowedItemOf(std::uint32_t id)
{
    for (const AllowedRow& row : kAllowedLists) {
        if (row.id == id) return row.itemId;
    }
    return 0;
}

int AnswerAllowedValues(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    ValueList values;
    return DeliverCollected(out, CollectAllowedValues(instance, AllowedItemOf(id), &values), values);
}

// ---- names of the allowed values ------------------------------------------------------------------------------

std::int32_t ListTrayValues(DriverContext* instance, std::uint16_t* out, std::uint16_t)
{
    return ListTrayIds(instance, out, 0);
}

std::int32_t ListTrayNameSlots(DriverContext* instance, WCHAR* out, std::uint32_t slotChars, std::uint16_t)
{
    return ListTrayNames(instance, out, slotChars, 0);
}

std::int32_t ListOptionValueWords(DriverContext* instance, std::uint16_t* out, std::uint16_t itemId)
{
    return ListOptionValues(instance, reinterpret_cast<std::int16_t*>(out), itemId);
}

std::int32_t ListOptionNameSlots(DriverContext* instance, WCHAR* out, std::uint32_t slotChars, std::uint16_t itemId)
{
    return ListOptionNames(instance, out, static_cast<int>(slotChars), itemId);
}

struct AllowedNamesRow {
    std::uint32_t id;
    std::uint16_t itemId;
    std::uint32_t slotBytes;
    ModelValueLister values;
    ModelNameLister names;
};

constexpr AllowedNamesRow kAllowedNames[] = {
    {3, dmDefaultSource, kShortNameSlot, ListTrayValues, ListTrayNameSlots},
    {5, rdmMediaType, kNameSlot, ListOptionValueWords, ListOptionNameSlots},
    {7, rdmOutputTrayID, kNameSlot, ListOptionValueWords, ListOptionNameSlots},
    {16, rdmOutPaperSize, kNameSlot, ListPaperIds, ListPaperNames},
    {127, rdmMediaType, kPathNameSlot, ListOptionValueWords, ListOptionNameSlots},
};

int AnswerAllowedNames(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    const auto row = std::find_if(std::begin(kAllowedNames), std::end(kAllowedNames),
                                  [id](const AllowedNamesRow& r) { return r.id == id; });
    if (row == std::end(kAllowedNames)) return 0;
    NameList names(row->slotBytes);
    if (CollectAllowedValueNames(instance, row->itemId, row->values, row->names, &names) <= 0) return -1;
    return DeliverNames(out, names);
}

// ---- papers, resolutions and copies ------------------------------------------------------------------------------

std::int32_t ListDocumentPaperIds(DriverContext* instance, std::uint16_t* out, std::uint16_t)
{
    return ListPaperIds(instance, out, dmPaperSize);
}

std::int32_t ListDocumentPaperNames(DriverContext* instance, WCHAR* out, std::uint32_t slotChars, std::uint16_t)
{
    return ListPaperNames(instance, out, slotChars, dmPaperSize);
}

int AnswerPaperIds(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList values;
    return DeliverCollected(out, CollectModelValues(instance, dmPaperSize, ListDocumentPaperIds, &values), values);
}

int AnswerPaperNames(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    NameList names(kNameSlot);
    const int count = CollectModelNames(instance, dmPaperSize, ListDocumentPaperNames, &names);
    return count > 0 ? DeliverNames(out, names) : count;
}

int AnswerPaperSizes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    const std::int32_t count = ListPaperSizes(instance, nullptr, dmPaperSize);
    if (count <= 0) return count;
    std::vector<POINT> points(static_cast<std::size_t>(count));
    if (ListPaperSizes(instance, points.data(), dmPaperSize) != count) return -1;
    SizeList sizes;
    for (const POINT& point : points) {
        sizes.push_back(PaperExtent{static_cast<std::int32_t>(point.x), static_cast<std::int32_t>(point.y)});
    }
    return DeliverSizes(out, sizes);
}

int AnswerPaperExtentPacked(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    POINTS extent{};
    if (id == 13) {
        GetMaxExtentPacked(instance, &extent);
    } else {
        GetMinExtentPacked(instance, &extent);
    }
    return DeliverPackedPair(out, static_cast<std::uint16_t>(extent.x), static_cast<std::uint16_t>(extent.y));
}

int AnswerPaperExtentPair(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    std::int32_t extent[2] = {};
    const int answer = id == 124 ? GetMaxExtentPair(instance, extent) : GetMinExtentPair(instance, extent);
    if (out.data != nullptr) {
        auto* bytes = static_cast<std::uint8_t*>(out.data);
        WriteLe32(bytes, static_cast<std::uint32_t>(extent[0]));
        WriteLe32(bytes + 4, static_cast<std::uint32_t>(extent[1]));
    }
    return answer;
}

int AnswerMaxCopies(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return GetMaxCopies(instance);
}

int AnswerResolutionCodes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    const std::int32_t count = ListResolutionCodes(instance, nullptr);
    if (count <= 0) return count;
    std::vector<std::int32_t> codes(static_cast<std::size_t>(count));
    if (ListResolutionCodes(instance, codes.data()) != count) return -1;
    const ValueList values(codes.begin(), codes.end());
    return DeliverValues(out, values);
}

// ---- lists of the model's PickOne values -----------------------------------------------------------------------

struct ItemListRow {
    std::uint32_t id;
    std::uint16_t itemId;
};

// ListItemOptionValues of the item, as it comes.
constexpr ItemListRow kItemLists[] = {
    {47, rdmExtPrintArea},
};

// ListPickOneValues of the item, as it comes.
constexpr ItemListRow kPickOneLists[] = {
    {266, rdmPrintMacro},
    {268, rdmBalanceMacro},
};

std::uint16_t ListedItemOf(std::span<const ItemListRow> rows, std::uint32_t id)
{
    for (const ItemListRow& row : rows) {
        if (row.id == id) return row.itemId;
    }
    return 0;
}

int AnswerItemList(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    ValueList values;
    return DeliverCollected(out, CollectItemValues(instance, ListedItemOf(kItemLists, id), &values), values);
}

int AnswerPickOneList(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    ValueList values;
    return DeliverCollected(out, CollectPickOneValues(instance, ListedItemOf(kPickOneLists, id), &values), values);
}

// ---- colour ----------------------------------------------------------------------------------------------

int AnswerColorOffered(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (GetItemValue(instance, rdmMachineTypeColor) != 1) return 0;
    return AsAnswer(!IsColorLocked(instance) || GetItemValue(instance, wdmLock008Info) == 2);
}

int AnswerMachineColor(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return static_cast<int>(GetItemValue(instance, rdmMachineTypeColor));
}

int AnswerColorValues(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!Answers(instance, 8)) return 0;
    ValueList values;
    return DeliverCollected(out, CollectAllowedValues(instance, dmColor, &values), values);
}

// Colour mode 255 joins the list when the model INI grants it.
constexpr std::uint32_t kColorModeApiValue = 255;

int AnswerColorModes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList values;
    {
        AdjustModeOff adjustOff(instance);
        if (CollectPickOneValues(instance, rdmColorMode, &values) <= 0) return 0;
    }
    if (HasApiOption(instance, kApiOptionColorMode255)) values.push_back(kColorModeApiValue);
    return DeliverValues(out, values);
}

// The values of the colour profiles follow the matching modes from 200 on.
constexpr std::uint32_t kFirstColorProfileValue = 200;

int AnswerColorMatchingModes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList values;
    {
        AdjustModeOff adjustOff(instance);
        if (CollectPickOneValues(instance, rdmColorMatchingMode, &values) <= 0) return 0;
    }
    const int profiles = std::max(CountColorProfiles(instance), 0);
    for (int i = 0; i < profiles; ++i) values.push_back(kFirstColorProfileValue + static_cast<std::uint32_t>(i));
    return DeliverValues(out, values);
}

// The names of capability 281's values, made under the same rdmAdjustMode
// as the values so that the two lists pair up.
int AnswerColorMatchingNames(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    NameList names(kNameSlot);
    {
        AdjustModeOff adjustOff(instance);
        if (CollectOptionValueNames(instance, rdmColorMatchingMode, kNamesFromOptionIds, &names) <= 0) return -1;
    }
    const int profiles = std::max(CountColorProfiles(instance), 0);
    for (int i = 0; i < profiles; ++i) {
        WCHAR path[MAX_PATH + 1] = {};
        char* slot = names.AddSlot();
        if (SelectProfile(instance, kFirstColorProfileValue + static_cast<std::uint32_t>(i), path, MAX_PATH) &&
            !ConvertNameToSlot(path, slot, names.slotBytes)) {
            names.conversionFailed = true;
        }
    }
    return DeliverNames(out, names);
}

int AnswerMacroNames(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    const std::uint16_t itemId = id == 267 ? rdmPrintMacro : rdmBalanceMacro;
    NameList names(kNameSlot);
    if (CollectOptionValueNames(instance, itemId, kNamesFromOptionStrings, &names) <= 0) return -1;
    return DeliverNames(out, names);
}

// Brightness, contrast, saturation and colour balance: the limits of their
// Numeric entries as 16-bit answers, 0xFFFF without an entry.
struct AdjustLimitRow {
    std::uint32_t id;
    std::uint16_t itemId;
    bool maximum;
};

constexpr AdjustLimitRow kAdjustLimits[] = {
    {258, rdmBrightness, true},    {259, rdmBrightness, false},    {260, rdmContrast, true},
    {261, rdmContrast, false},     {262, rdmSaturation, true},     {263, rdmSaturation, false},
    {264, rdmColorBalanceR, true}, {265, rdmColorBalanceR, false},
};

int AnswerAdjustLimit(DriverContext* instance, std::uint32_t id, const CapabilityBuffer&)
{
    for (const AdjustLimitRow& row : kAdjustLimits) {
        if (row.id != id) continue;
        std::int32_t minimum = 0;
        std::int32_t maximum = 0;
        if (!ReadNumericLimits(instance, row.itemId, &minimum, &maximum)) return 0xFFFF;
        return static_cast<std::uint16_t>(row.maximum ? maximum : minimum);
    }
    return 0;
}

int AnswerColorMatchingOffered(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    const std::uint32_t osKind = GetItemValue(instance, rdmOSKind);
    if (osKind == 0 || osKind == 1) return 0;
    return AsAnswer(Has(instance, rdmColorMatching));
}

int AnswerIcmList(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    if (!Answers(instance, 276)) return 0;
    ValueList values;
    const int collected = CollectPickOneValues(instance, id == 277 ? rdmICMType : rdmICMIntent, &values);
    return collected > 0 ? DeliverValues(out, values) : 0;
}

int AnswerIcmIntentNames(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!Answers(instance, 276)) return 0;
    NameList names(kNameSlot);
    if (CollectOptionValueNames(instance, rdmICMIntent, kNamesFromOptionIds, &names) <= 0) return -1;
    return DeliverNames(out, names);
}

// ---- paper handling and finishing ---------------------------------------------------------------------------

int AnswerLandscape(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return AsAnswer(GetLandscapeAngle(instance) != 0);
}

int AnswerPrintMethods(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    SetItemValue(instance, rdmJBInstalled, IsCompanionFunctionInstalled(2, instance) ? 1 : 0);
    SetItemValue(instance, rdmPLInstalled, IsCompanionFunctionInstalled(8, instance) ? 1 : 0);
    ValueList values;
    return DeliverCollected(out, CollectItemValues(instance, rdmPrnMethod, &values), values);
}

int AnswerScaleOffered(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    ValueList values;
    if (CollectItemValues(instance, rdmScaleType, &values) < 0) return -1;
    return AsAnswer(std::any_of(values.begin(), values.end(), [](std::uint32_t v) { return v >= 1 && v <= 3; }));
}

int AnswerScaleRange(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    std::int16_t minimum[2] = {};
    std::int16_t maximum[2] = {};
    if (!GetScaleRange(instance, minimum, maximum)) return -1;
    const std::int16_t* pair = id == 20 ? maximum : minimum;
    return DeliverPackedPair(out, static_cast<std::uint16_t>(pair[0]), static_cast<std::uint16_t>(pair[1]));
}

int AnswerCover(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return AsAnswer(IsAvailable(instance, rdmFuncSelectCover) && IsCollateSelectable(instance));
}

// The mark tray: more than one input tray other than 7 is allowed.
constexpr std::uint32_t kMarkTray = 7;

int AnswerMark(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (!IsAvailable(instance, rdmFuncSelectMark)) return 0;
    ValueList trays;
    CollectAllowedValues(instance, dmDefaultSource, &trays);
    return AsAnswer(std::count_if(trays.begin(), trays.end(), [](std::uint32_t v) { return v != kMarkTray; }) > 1);
}

int AnswerMarkPapers(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!Answers(instance, 23)) return 0;
    ValueList values;
    if (IsAvailable(instance, rdmMarkPaperType)) {
        const int collected = CollectItemValues(instance, rdmMarkPaperType, &values);
        if (collected < 0) return -1;
        values.push_back(0);
    } else {
        values = {1, 0};
    }
    return DeliverValues(out, values);
}

int AnswerDuplexOffered(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return IsDuplexLocked(instance) ? 1 : AsAnswer(HasDuplexUnit(instance) != 0);
}

// Duplex types with off first: 0 unless duplex is offered; the off value 0
// unless duplex is locked on; then capability 103 the types the PJL table
// allows once duplex is on, capability 104 the model's types as they are.
int AnswerDuplexTypes(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    if (!Answers(instance, 25)) return 0;
    ValueList values;
    if (!IsDuplexLocked(instance)) values.push_back(0);
    ValueList types;
    if (id == 103) {
        StoreCopy keep(instance);
        SetItemValue(instance, rdmFuncSelectDuplex, 1);
        CollectAllowedValues(instance, rdmDuplexType, &types);
    } else {
        CollectItemValues(instance, rdmDuplexType, &types);
    }
    values.insert(values.end(), types.begin(), types.end());
    return DeliverValues(out, values);
}

// The N-up kind whose layouts capability 105 adds.
constexpr std::uint32_t kNupPosterKind = 9;

int AnswerNupTypes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList values;
    if (CollectAllowedValues(instance, rdmNUPType, &values) < 0) return -1;
    const int check = CheckItemValue(rdmNUPPOSTKind, kNupPosterKind, instance);
    if (check != 0 && check != 2 && check != 3) {
        StoreCopy keep(instance);
        SetItemValue(instance, rdmNUPPOSTKind, kNupPosterKind);
        ValueList poster;
        CollectItemValues(instance, rdmNUPType, &poster);
        values.insert(values.end(), poster.begin(), poster.end());
    }
    return DeliverValues(out, values);
}

int AnswerNupTypesByKind(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList kinds;
    if (CollectItemValues(instance, rdmNUPPOSTKind, &kinds) < 0) return -1;
    ValueList values;
    if (!IsNupKindLocked(instance)) values.push_back(0);
    StoreCopy keep(instance);
    for (std::uint32_t kind : kinds) {
        SetItemValue(instance, rdmNUPPOSTKind, kind);
        ValueList types;
        CollectItemValues(instance, rdmNUPType, &types);
        values.insert(values.end(), types.begin(), types.end());
    }
    return DeliverValues(out, values);
}

// Staples and punches: the model's list once the PJL table allows any.
int AnswerFinishingList(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out)
{
    const bool staple = id == 66;
    if (!Answers(instance, staple ? 40 : 41)) return 0;
    ValueList values;
    const int collected = CollectItemValues(instance, staple ? rdmStapleType : rdmPunchType, &values);
    return collected > 0 ? DeliverValues(out, values) : 0;
}

int AnswerEmulations(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (instance->modelRecord != nullptr && instance->modelRecord->machineSubCode == 1) {
        SetApiLastError(instance, kApiErrorMachineSubCode);
        return -1;
    }
    ValueList values;
    return DeliverCollected(out, CollectItemValues(instance, rdmEmulation, &values), values);
}

int AnswerJobBinder(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return AsAnswer(IsCompanionFunctionInstalled(2, instance) != 0);
}

int AnswerHardDisk(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return AsAnswer(GetItemValue(instance, rdmOutputOptionTypeHDD) != 0);
}

int AnswerFoldTypes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList values{0};
    if (GetItemValue(instance, rdmOutputOption3TypeFoldingUnit) != 0) values = {0, 1, 2, 3};
    return DeliverValues(out, values);
}

int AnswerFolding(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (!IsAvailable(instance, rdmFunc2SelectFolding)) return 0;
    return AsAnswer(GetItemValue(instance, rdmOutputOption3TypeFoldingPunch) != 0 ||
                    GetItemValue(instance, rdmOutputOption3TypeFoldingFan) != 0 ||
                    GetItemValue(instance, rdmOutputOption3TypeFoldingFolder) != 0);
}

int AnswerSeparationCycle(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (!IsAvailable(instance, rdmExtOutput2SeparationSheet)) return 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (!ReadNumericLimits(instance, rdmSeparationSheetCycle, &minimum, &maximum)) return -1;
    return static_cast<std::uint16_t>(maximum);
}

int AnswerCoverMedia(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    constexpr std::uint16_t kMediaItems[] = {rdmCoverMediaType, rdmBackCoverMediaType, rdmMPInputMediaType,
                                             rdmChapterMediaType, rdmReverseCoverMediaType};
    return AsAnswer(std::any_of(std::begin(kMediaItems), std::end(kMediaItems),
                                [instance](std::uint16_t item) { return IsAvailable(instance, item); }));
}

int AnswerChapterMax(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (!IsAvailable(instance, rdmFuncSelectChapter)) return 0;
    return static_cast<int>(GetItemValue(instance, wdmChapterMax));
}

int AnswerCornerPositions(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!Answers(instance, 108)) return 0;
    ValueList values;
    return DeliverCollected(out, CollectItemValues(instance, rdmCornerPosi, &values), values);
}

int AnswerMarginOverlap(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (!Answers(instance, 108)) return 0;
    return AsAnswer(IsAvailable(instance, rdmFuncSelectMarginOverlap));
}

// ---- margins ----------------------------------------------------------------------------------------------

using MarginRangeGetter = int (*)(DriverContext*, std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*);

// Which of the getter's four outputs answers: first item's minimum and
// maximum, second item's minimum and maximum.
enum MarginOutput { kFirstMin, kFirstMax, kSecondMin, kSecondMax };

struct MarginRow {
    std::uint32_t id;
    MarginRangeGetter getter;
    MarginOutput output;
};

constexpr MarginRow kMargins[] = {
    {26, GetMarginRange, kFirstMax},        {27, GetMarginRange, kFirstMin},
    {28, GetMarginRange, kSecondMax},       {29, GetMarginRange, kSecondMin},
    {35, GetShiftMarginRange, kFirstMax},   {36, GetShiftMarginRange, kFirstMin},
    {37, GetShiftMarginRange, kSecondMax},  {38, GetShiftMarginRange, kSecondMin},
    {113, GetCreepMarginRange, kFirstMax},  {114, GetCreepMarginRange, kFirstMin},
    {115, GetCreepMarginRange, kSecondMax}, {116, GetCreepMarginRange, kSecondMin},
};

int AnswerMargin(DriverContext* instance, std::uint32_t id, const CapabilityBuffer&)
{
    for (const MarginRow& row : kMargins) {
        if (row.id != id) continue;
        std::array<std::int32_t, 4> outputs{};
        std::array<std::int32_t*, 4> asked{};
        asked[row.output] = &outputs[row.output];
        if (!row.getter(instance, asked[0], asked[1], asked[2], asked[3])) return -1;
        return DotsAsTenthMm(outputs[row.output]);
    }
    return 0;
}

int AnswerShiftMarginOffered(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    return AsAnswer(GetShiftMarginRange(instance, &xMin, &xMax, &yMin, &yMax) != 0);
}

// ---- watermarks -----------------------------------------------------------------------------------------------

// Watermark kinds: text, bitmap, overlay, and the model's own kind 128.
constexpr std::uint32_t kWatermarkText = 1;
constexpr std::uint32_t kWatermarkImage = 2;
constexpr std::uint32_t kWatermarkOverlay = 3;
constexpr std::uint32_t kWatermarkModelKind = 128;

int AnswerWatermarkKinds(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!IsAvailable(instance, rdmFuncSelectWaterMark)) return 0;
    ValueList kinds{kWatermarkText, kWatermarkImage};
    if (IsNamedControlAllowed(instance, "KSD_IDD_EDIT", "KSD_IDC_EDIT_BUTTON_OVERLAY", kTestUnavailable)) {
        kinds.push_back(kWatermarkOverlay);
    }
    if (GetApiVersionInForce() >= 3 && HasApiOption(instance, kApiOptionWatermarkKind128)) {
        kinds.push_back(kWatermarkModelKind);
    }
    return DeliverValues(out, kinds);
}

int AnswerWatermarkIds(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!Answers(instance, 31)) return 0;
    ValueList ids{static_cast<std::uint32_t>(kWorkingStampSlot)};
    {
        SettingsSnapshot snapshot(instance);
        const int stamps = StampCount(instance);
        for (int slot = 0; slot < stamps; ++slot) {
            LoadStampSlot(instance, slot);
            ids.push_back(GetItemValue(instance, rdmWmID) + 1);
        }
    }
    return DeliverValues(out, ids);
}

int AnswerWatermarkNames(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    if (!Answers(instance, 31)) return 0;
    NameList names(kNameSlot);
    names.AddSlot();  // the interface's own watermark has no name
    {
        SettingsSnapshot snapshot(instance);
        const int stamps = StampCount(instance);
        for (int slot = 0; slot < stamps; ++slot) {
            LoadStampSlot(instance, slot);
            char* name = names.AddSlot();
            const std::uint32_t kind = GetItemValue(instance, rdmWmKind);
            if (kind == kWatermarkText || kind == kWatermarkModelKind) {
                CopyItemName(instance, wdmWmCharName, name, names.slotBytes);
            } else if (kind == kWatermarkImage || kind == kWatermarkOverlay) {
                CopyItemName(instance, wdmWmImageName, name, names.slotBytes);
            }
        }
    }
    return DeliverNames(out, names);
}

// Two-plane printing of text (1) and image (2) stamps.
int AnswerTwoPlaneStamps(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    constexpr std::uint32_t kStrict = kTestUnavailable | kTestRestricted;
    ValueList kinds;
    if (IsNamedControlAllowed(instance, "KSD_IDD_DIALOG_STAMP_CHAR", "KSD_IDC_STAMP_CHAR_CHOICE_2PLANEPRINT",
                              kStrict)) {
        kinds.push_back(kWatermarkText);
    }
    if (IsNamedControlAllowed(instance, "KSD_IDD_DIALOG_STAMP_IMAGE", "KSD_IDC_STAMP_IMAGE_CHOICE_2PLANEPRINT",
                              kStrict)) {
        kinds.push_back(kWatermarkImage);
    }
    return DeliverValues(out, kinds);
}

// ---- authentication, job passwords ------------------------------------------------------------------------------

// 0 without authentication; 2 when the advanced page offers the secure mode; else 1.
int AuthenticationLevel(DriverContext* instance)
{
    if (!IsAvailable(instance, rdmPrnFuncAuthenticationMode)) return 0;
    PageDesc* page = FindPageByName(instance, "KSD_IDD_ADVANCED");
    if (page != nullptr && IsKeyOptionUnavailable(page->symbolKey, 0, instance) == 0 &&
        IsAvailable(instance, rdmPrnFuncAuthenticationSecureMode)) {
        return 2;
    }
    return 1;
}

int AnswerAuthenticationLevel(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return AuthenticationLevel(instance);
}

int AnswerAuthenticationMode(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (!IsAvailable(instance, rdmPrnFuncAuthenticationMode)) return 0;
    return static_cast<int>(GetItemValue(instance, rdmPrnFuncAuthenticationMode));
}

int AnswerAuthenticationLevels(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    const int level = AuthenticationLevel(instance);
    ValueList levels;
    if (level > 0) levels = {0, 1};
    if (level == 2) levels.push_back(2);
    return DeliverValues(out, levels);
}

struct TextLengthRow {
    std::uint32_t id;
    std::uint16_t itemId;
};

constexpr TextLengthRow kTextLengths[] = {
    {83, rdmJOBPassword},
    {90, wdmAuthenticationUserName},
    {91, wdmAuthenticationPassword},
};

int AnswerTextLength(DriverContext* instance, std::uint32_t id, const CapabilityBuffer&)
{
    for (const TextLengthRow& row : kTextLengths) {
        if (row.id == id) return ReadStringMaxLength(instance, row.itemId);
    }
    return 0;
}

// ---- presets, quality lists, load sharing ------------------------------------------------------------------------

int AnswerPresetNumbers(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList numbers;
    const int presets = PresetCount(instance);
    for (int i = 1; i <= presets; ++i) numbers.push_back(static_cast<std::uint32_t>(i));
    return DeliverValues(out, numbers);
}

// The characters of a preset name as the settings INI holds it.
constexpr int kPresetNameChars = 260;

int AnswerPresetNames(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    NameList names(kNameSlot);
    const int presets = PresetCount(instance);
    const WCHAR* printerSection = GetPrinterSectionName(instance);
    std::u16string section = printerSection ? printerSection : u"";
    SanitizeIniSection(section.data());
    for (int slot = 0; slot < presets; ++slot) {
        WCHAR key[kListKeyChars] = {};
        FormatPresetKey(key, slot, kPresetKeyName);
        WCHAR name[kPresetNameChars + 1] = {};
        ReadIniString(section.c_str(), key, u"", name, kPresetNameChars + 1, GetSettingsIniPath(instance));
        CopyNameCut(name, names.AddSlot(), names.slotBytes);
    }
    return DeliverNames(out, names);
}

// User macros: 160 names the interface's own quality list (slot 128); 32 to
// 32 + n - 1 the quality-list slots 0 to n - 1.
constexpr std::uint32_t kOwnUserMacro = 160;
constexpr std::uint32_t kFirstUserMacro = 32;

int AnswerUserMacros(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList macros{kOwnUserMacro};
    if (IsMainItemOffered(instance, rdmUserPrintMacro)) {
        SettingsSnapshot snapshot(instance);
        const int lists = QualityListCount(instance);
        for (int slot = 0; slot < lists; ++slot) {
            LoadQualityListSlot(instance, slot);
            macros.push_back(GetItemValue(instance, rdmUserPrintMacro));
        }
    }
    return DeliverValues(out, macros);
}

// The quality-list slot of a user macro; -1 for a value that names none.
int QualityListSlotOf(std::uint32_t macro)
{
    if (macro == kOwnUserMacro) return kQualityListOwnSlot;
    if (macro >= kFirstUserMacro && macro < kFirstUserMacro + kQualityListOwnSlot) {
        return static_cast<int>(macro - kFirstUserMacro);
    }
    return -1;
}

int AnswerUserMacroNames(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    ValueList macros;
    const int count = GetCapabilityValues(instance, 271, &macros);
    if (count <= 0) return count;
    NameList names(kNameSlot);
    SettingsSnapshot snapshot(instance);
    for (std::uint32_t macro : macros) {
        char* name = names.AddSlot();
        const int slot = QualityListSlotOf(macro);
        if (slot < 0) continue;
        LoadQualityListSlot(instance, slot);
        CopyItemName(instance, wdmUserSetName, name, names.slotBytes);
    }
    return DeliverNames(out, names);
}

int AnswerLoadShareCodes(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    const ApiRecord* record = instance->workArea ? instance->workArea->apiRecord : nullptr;
    const std::uint32_t available = record ? record->loadShareAvailable : 0;
    ValueList codes;
    const std::span<const LoadShareRow> rows = LoadShareTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if ((available & (1u << i)) == 0) continue;
        if (std::find(codes.begin(), codes.end(), rows[i].code) == codes.end()) codes.push_back(rows[i].code);
    }
    return DeliverValues(out, codes);
}

// ---- toner save ---------------------------------------------------------------------------------------------

constexpr std::int16_t kPrintQualityPage = kPagePrintquality;
constexpr std::int16_t kUserOthersPage = kPageDialogUserOthers;

int TonerSavePage(DriverContext* instance)
{
    if (IsItemOfferedOnPage(instance, rdmFuncSelectTonerSave, kPrintQualityPage)) return kPrintQualityPage;
    if (IsItemOfferedOnPage(instance, rdmFuncSelectTonerSave, kUserOthersPage)) return kUserOthersPage;
    return 0;
}

int AnswerTonerSavePage(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    switch (TonerSavePage(instance)) {
    case kPrintQualityPage:
        return 1;
    case kUserOthersPage:
        return 2;
    default:
        return 0;
    }
}

int AnswerTonerSaveValues(DriverContext* instance, std::uint32_t, const CapabilityBuffer& out)
{
    const int page = TonerSavePage(instance);
    if (page == 0) return 0;
    ValueList values;
    if (IsItemOfferedOnPage(instance, rdmTonerSave, static_cast<std::int16_t>(page))) {
        return DeliverCollected(out, CollectPickOneValues(instance, rdmTonerSave, &values), values);
    }
    values.push_back(GetItemValue(instance, rdmTonerSave));
    return DeliverValues(out, values);
}

// ---- versions and model options ------------------------------------------------------------------------------

struct VersionAnswerRow {
    std::uint32_t id;
    std::uint32_t firstVersion;
};

constexpr VersionAnswerRow kVersionAnswers[] = {{74, 10}, {95, 13}};

int AnswerFromVersion(DriverContext*, std::uint32_t id, const CapabilityBuffer&)
{
    for (const VersionAnswerRow& row : kVersionAnswers) {
        if (row.id == id) return AsAnswer(GetApiVersionInForce() >= static_cast<int>(row.firstVersion));
    }
    return 0;
}

int AnswerApiOption57(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    return AsAnswer(HasApiOption(instance, kApiOptionCapability57) != 0);
}

int AnswerPageSeparation(DriverContext* instance, std::uint32_t, const CapabilityBuffer&)
{
    if (GetApiVersionInForce() < 15) return 0;
    return AsAnswer(HasApiOption(instance, kApiOptionPageSeparation) != 0);
}

// ================================ the table ================================================

template <BoundedCapabilityHandler Handler> int Unbounded(DriverContext* instance, std::uint32_t id, void* buffer)
{
    return Handler(instance, id, CapabilityBuffer{buffer, kUnboundedEntries});
}

struct CapabilityRow {
    std::uint32_t id;
    BoundedCapabilityHandler bounded;
    CapabilityHandler handler;
};

template <BoundedCapabilityHandler Handler> constexpr CapabilityRow Row(std::uint32_t id)
{
    return CapabilityRow{id, Handler, &Unbounded<Handler>};
}

constexpr CapabilityRow kCapabilityRows[] = {
    Row<AnswerOne>(1),
    Row<AnswerAllowedValues>(2),
    Row<AnswerAllowedNames>(3),
    Row<AnswerAllowedValues>(4),
    Row<AnswerAllowedNames>(5),
    Row<AnswerAllowedValues>(6),
    Row<AnswerAllowedNames>(7),
    Row<AnswerColorOffered>(8),
    Row<AnswerLandscape>(9),
    Row<AnswerPaperIds>(10),
    Row<AnswerPaperNames>(11),
    Row<AnswerPaperSizes>(12),
    Row<AnswerPaperExtentPacked>(13),
    Row<AnswerPaperExtentPacked>(14),
    Row<AnswerAllowedValues>(15),
    Row<AnswerAllowedNames>(16),
    Row<AnswerMaxCopies>(17),
    Row<AnswerPrintMethods>(18),
    Row<AnswerScaleOffered>(19),
    Row<AnswerScaleRange>(20),
    Row<AnswerScaleRange>(21),
    Row<AnswerCover>(22),
    Row<AnswerMark>(23),
    Row<AnswerOne>(24),
    Row<AnswerDuplexOffered>(25),
    Row<AnswerMargin>(26),
    Row<AnswerMargin>(27),
    Row<AnswerMargin>(28),
    Row<AnswerMargin>(29),
    Row<AnswerWatermarkKinds>(30),
    Row<AnswerItemTest>(31),
    Row<AnswerWatermarkIds>(32),
    Row<AnswerWatermarkNames>(33),
    Row<AnswerShiftMarginOffered>(34),
    Row<AnswerMargin>(35),
    Row<AnswerMargin>(36),
    Row<AnswerMargin>(37),
    Row<AnswerMargin>(38),
    Row<AnswerAllowedValues>(39),
    Row<AnswerAllowedValues>(40),
    Row<AnswerAllowedValues>(41),
    Row<AnswerItemTest>(42),
    Row<AnswerItemTest>(43),
    Row<AnswerItemTest>(44),
    Row<AnswerEmulations>(45),
    Row<AnswerItemTest>(46),
    Row<AnswerItemList>(47),
    Row<AnswerItemTest>(48),
    Row<AnswerJobBinder>(49),
    Row<AnswerHardDisk>(50),
    Row<AnswerHardDisk>(51),
    Row<AnswerItemTest>(52),
    Row<AnswerItemTest>(53),
    Row<AnswerResolutionCodes>(54),
    Row<AnswerItemTest>(55),
    Row<AnswerMarkPapers>(56),
    Row<AnswerApiOption57>(57),
    Row<AnswerItemTest>(60),
    Row<AnswerColorModes>(61),
    Row<AnswerItemTest>(62),
    Row<AnswerItemTest>(63),
    Row<AnswerItemTest>(64),
    Row<AnswerItemTest>(65),
    Row<AnswerFinishingList>(66),
    Row<AnswerFinishingList>(67),
    Row<AnswerItemTest>(69),
    Row<AnswerItemTest>(70),
    Row<AnswerItemTest>(71),
    Row<AnswerItemTest>(72),
    Row<AnswerItemTest>(73),
    Row<AnswerFromVersion>(74),
    Row<AnswerFoldTypes>(75),
    Row<AnswerSeparationCycle>(76),
    Row<AnswerTwoPlaneStamps>(77),
    Row<AnswerItemTest>(78),
    Row<AnswerItemTest>(79),
    Row<AnswerItemTest>(80),
    Row<AnswerItemTest>(81),
    Row<AnswerAuthenticationLevel>(82),
    Row<AnswerTextLength>(83),
    Row<AnswerItemTest>(84),
    Row<AnswerPresetNumbers>(85),
    Row<AnswerPresetNames>(86),
    Row<AnswerItemTest>(87),
    Row<AnswerItemTest>(88),
    Row<AnswerAuthenticationMode>(89),
    Row<AnswerTextLength>(90),
    Row<AnswerTextLength>(91),
    Row<AnswerAuthenticationLevels>(92),
    Row<AnswerLoadShareCodes>(93),
    Row<AnswerItemTest>(94),
    Row<AnswerFromVersion>(95),
    Row<AnswerItemTest>(96),
    Row<AnswerItemTest>(97),
    Row<AnswerCoverMedia>(98),
    Row<AnswerItemTest>(99),
    Row<AnswerChapterMax>(100),
    Row<AnswerItemTest>(101),
    Row<AnswerItemTest>(102),
    Row<AnswerDuplexTypes>(103),
    Row<AnswerDuplexTypes>(104),
    Row<AnswerNupTypes>(105),
    Row<AnswerNupTypesByKind>(106),
    Row<AnswerColorValues>(107),
    Row<AnswerItemTest>(108),
    Row<AnswerCornerPositions>(109),
    Row<AnswerMarginOverlap>(110),
    Row<AnswerItemTest>(111),
    Row<AnswerItemTest>(112),
    Row<AnswerMargin>(113),
    Row<AnswerMargin>(114),
    Row<AnswerMargin>(115),
    Row<AnswerMargin>(116),
    Row<AnswerItemTest>(117),
    Row<AnswerPageSeparation>(118),
    Row<AnswerItemTest>(119),
    Row<AnswerItemTest>(120),
    Row<AnswerItemTest>(121),
    Row<AnswerItemTest>(122),
    Row<AnswerItemTest>(123),
    Row<AnswerPaperExtentPair>(124),
    Row<AnswerPaperExtentPair>(125),
    Row<AnswerFolding>(126),
    Row<AnswerAllowedNames>(127),
    Row<AnswerItemTest>(257),
    Row<AnswerAdjustLimit>(258),
    Row<AnswerAdjustLimit>(259),
    Row<AnswerAdjustLimit>(260),
    Row<AnswerAdjustLimit>(261),
    Row<AnswerAdjustLimit>(262),
    Row<AnswerAdjustLimit>(263),
    Row<AnswerAdjustLimit>(264),
    Row<AnswerAdjustLimit>(265),
    Row<AnswerPickOneList>(266),
    Row<AnswerMacroNames>(267),
    Row<AnswerPickOneList>(268),
    Row<AnswerMacroNames>(269),
    Row<AnswerItemTest>(270),
    Row<AnswerUserMacros>(271),
    Row<AnswerUserMacroNames>(272),
    Row<AnswerItemTest>(273),
    Row<AnswerTonerSavePage>(274),
    Row<AnswerTonerSaveValues>(275),
    Row<AnswerColorMatchingOffered>(276),
    Row<AnswerIcmList>(277),
    Row<AnswerIcmList>(278),
    Row<AnswerIcmIntentNames>(279),
    Row<AnswerItemTest>(280),
    Row<AnswerColorMatchingModes>(281),
    Row<AnswerColorMatchingNames>(282),
    Row<AnswerMachineColor>(kMachineColorCapability),
};

constexpr auto kBoundedRows = [] {
    std::array<BoundedCapabilityRow, std::size(kCapabilityRows)> rows{};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = {kCapabilityRows[i].id, kCapabilityRows[i].bounded};
    return rows;
}();

constexpr auto kHandlerRows = [] {
    std::array<CapabilityHandlerRow, std::size(kCapabilityRows)> rows{};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = {kCapabilityRows[i].id, kCapabilityRows[i].handler};
    return rows;
}();

const CapabilityRow* FindCapabilityRow(std::uint32_t id)
{
    for (const CapabilityRow& row : kCapabilityRows) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

}  // namespace

std::span<const CapabilityHandlerRow> CapabilityHandlerRows()
{
    return kHandlerRows;
}

std::span<const BoundedCapabilityRow> BoundedCapabilityRows()
{
    return kBoundedRows;
}

int RunCapabilityHandler(DriverContext* instance, std::uint32_t id, void* buffer)
{
    return RunCapabilityHandlerBounded(instance, id, buffer, kUnboundedEntries);
}

int RunCapabilityHandlerBounded(DriverContext* instance, std::uint32_t id, void* buffer, std::uint32_t capacity)
{
    if (instance == nullptr) return -1;
    const CapabilityRow* row = FindCapabilityRow(id);
    if (row == nullptr) return 0;
    return row->bounded(instance, id, CapabilityBuffer{buffer, capacity});
}

int GetCapabilityValues(DriverContext* instance, std::uint32_t id, ValueList* values)
{
    values->clear();
    const int count = RunCapabilityHandler(instance, id, nullptr);
    if (count <= 0) return count;
    values->resize(static_cast<std::size_t>(count));
    const int filled = RunCapabilityHandlerBounded(instance, id, values->data(), static_cast<std::uint32_t>(count));
    if (filled != count) {
        values->clear();
        return -1;
    }
    return count;
}

BOOL IsValueInCapabilityList(DriverContext* instance, std::uint32_t id, std::uint32_t value)
{
    ValueList values;
    if (GetCapabilityValues(instance, id, &values) <= 0) return FALSE;
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace vexl::api
