#include "api/capability_lists.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/modeldb.h"
#include "common/core/textconv.h"
#include "common/model/capabilities.h"
#include "common/model/pjl_options.h"
#include "common/storage/resources.h"

#include <algorithm>
#include <cstring>

namespace vexl::api {

namespace {


// The largest UI string a name slot takes, in characters.
constexpr std::uint32_t kMaxSlotChars = kPathNameSlot;

// The values the PJL table allows, asked with a capacity that the count of
// a first question gives. -1 when memory runs out, else the count.
int FetchAllowedItemValues(DriverContext* instance, std::uint16_t itemId, ValueList* values)
{
    values->clear();
    std::int32_t count = 0;
    const int counted = ListAllowedItemValues(instance, itemId, 0, nullptr, &count);
    if (counted == -1) return -1;
    if (counted != 1 || count <= 0) return 0;
    values->resize(static_cast<std::size_t>(count));
    std::int32_t filled = 0;
    const int fetched =
        ListAllowedItemValues(instance, itemId, static_cast<std::uint32_t>(values->size()), values->data(), &filled);
    if (fetched != 0 || filled != count) {
        values->clear();
        return -1;
    }
    return count;
}

// The output trays: an extra 0 first, the item's own 0 values dropped, and
// the single entry 0 when fewer than two other trays remain.
void ShapeOutputTrayList(ValueList* values)
{
    ValueList trays{0};
    for (std::uint32_t value : *values) {
        if (value != 0) trays.push_back(value);
    }
    if (trays.size() < 3) trays.assign(1, 0);
    *values = std::move(trays);
}

}  // namespace

// ---- name lists ------------------------------------------------------------------------------------

char* NameList::AddSlot()
{
    bytes.resize(bytes.size() + slotBytes, '\0');
    return Slot(Count() - 1);
}

// ---- delivery ----------------------------------------------------------------------------------------

int DeliverValues(const CapabilityBuffer& out, std::span<const std::uint32_t> values)
{
    if (out.data == nullptr || values.empty()) return static_cast<int>(values.size());
    if (values.size() > out.capacity) return -1;
    auto* bytes = static_cast<std::uint8_t*>(out.data);
    for (std::uint32_t value : values) {
        WriteLe32(bytes, value);
        bytes += 4;
    }
    return static_cast<int>(values.size());
}

int DeliverNames(const CapabilityBuffer& out, const NameList& names)
{
    const std::uint32_t count = names.Count();
    if (out.data != nullptr && count > 0) {
        if (count > out.capacity) return -1;
        std::memcpy(out.data, names.bytes.data(), names.bytes.size());
    }
    return names.conversionFailed ? -1 : static_cast<int>(count);
}

int DeliverSizes(const CapabilityBuffer& out, std::span<const PaperExtent> sizes)
{
    if (out.data == nullptr || sizes.empty()) return static_cast<int>(sizes.size());
    if (sizes.size() > out.capacity) return -1;
    auto* bytes = static_cast<std::uint8_t*>(out.data);
    for (const PaperExtent& size : sizes) {
        WriteLe32(bytes, static_cast<std::uint32_t>(size.width));
        WriteLe32(bytes + 4, static_cast<std::uint32_t>(size.length));
        bytes += 8;
    }
    return static_cast<int>(sizes.size());
}

// ---- text --------------------------------------------------------------------------------------------

BOOL ConvertNameToSlot(const WCHAR* text, char* slot, std::uint32_t slotBytes)
{
    if (slot == nullptr || slotBytes == 0) return FALSE;
    std::memset(slot, 0, slotBytes);
    const WCHAR empty[1] = {0};
    const int converted =
        WideCharToMultiByte(CP_ACP, 0, text ? text : empty, -1, slot, static_cast<int>(slotBytes), nullptr, nullptr);
    slot[slotBytes - 1] = '\0';
    return converted > 0;
}

void CopyNameCut(const WCHAR* text, char* slot, std::uint32_t slotBytes)
{
    if (slot == nullptr || slotBytes == 0) return;
    const WCHAR empty[1] = {0};
    WideToAnsi(slot, text ? text : empty, static_cast<int>(slotBytes));
}

BOOL LoadAnsiUiString(DriverContext* instance, std::uint32_t stringId, char* slot, std::uint32_t slotBytes)
{
    std::vector<WCHAR> text(std::min(slotBytes, kMaxSlotChars) + 1, WCHAR{0});
    LoadUiString(instance, stringId, text.data(), static_cast<int>(text.size()), TRUE);
    return ConvertNameToSlot(text.data(), slot, slotBytes);
}

// ---- allowed values ------------------------------------------------------------------------------------

int CollectAllowedValues(DriverContext* instance, std::uint16_t itemId, ValueList* values)
{
    const int fetched = FetchAllowedItemValues(instance, itemId, values);
    if (fetched <= 0) return fetched;
    if (itemId == rdmOutputTrayID) ShapeOutputTrayList(values);
    return static_cast<int>(values->size());
}

int ListAllowedValueCaps(DriverContext* instance, std::uint32_t* out, std::uint16_t itemId)
{
    ValueList values;
    const int count = CollectAllowedValues(instance, itemId, &values);
    if (count <= 0) return count;
    return DeliverValues(CapabilityBuffer{out}, values);
}

// ---- the model's values and names ------------------------------------------------------------------------

int CollectModelValues(DriverContext* instance, std::uint16_t itemId, ModelValueLister lister, ValueList* values)
{
    values->clear();
    const std::int32_t count = lister(instance, nullptr, itemId);
    if (count <= 0) return count;
    std::vector<std::uint16_t> narrow(static_cast<std::size_t>(count));
    if (lister(instance, narrow.data(), itemId) != count) return -1;
    values->assign(narrow.begin(), narrow.end());
    return count;
}

int ListModelValuesWide(DriverContext* instance, std::uint32_t* out, std::uint16_t itemId, ModelValueLister lister)
{
    if (out == nullptr) return lister(instance, nullptr, itemId);
    ValueList values;
    const int count = CollectModelValues(instance, itemId, lister, &values);
    if (count <= 0) return count;
    return DeliverValues(CapabilityBuffer{out}, values);
}

int CollectModelNames(DriverContext* instance, std::uint16_t itemId, ModelNameLister lister, NameList* list)
{
    list->bytes.clear();
    const std::uint32_t slotChars = list->slotBytes;
    const std::int32_t count = lister(instance, nullptr, slotChars, itemId);
    if (count <= 0) return count;
    std::vector<WCHAR> wide(static_cast<std::size_t>(count) * slotChars, WCHAR{0});
    if (lister(instance, wide.data(), slotChars, itemId) != count) return -1;
    for (std::int32_t i = 0; i < count; ++i) {
        // The lister's slot is not necessarily terminated.
        std::vector<WCHAR> name(wide.begin() + static_cast<std::ptrdiff_t>(i) * slotChars,
                                wide.begin() + static_cast<std::ptrdiff_t>(i + 1) * slotChars);
        name.push_back(0);
        if (!ConvertNameToSlot(name.data(), list->AddSlot(), list->slotBytes)) list->conversionFailed = true;
    }
    return count;
}

int ListModelNamesAnsi(DriverContext* instance, char* out, std::uint32_t slotChars, std::uint16_t itemId,
                       ModelNameLister lister)
{
    NameList names(slotChars);
    const int count = CollectModelNames(instance, itemId, lister, &names);
    if (count <= 0) return count;
    return DeliverNames(CapabilityBuffer{out}, names);
}

// ---- names of the allowed values ----------------------------------------------------------------------------

int CollectAllowedValueNames(DriverContext* instance, std::uint16_t itemId, ModelValueLister values,
                             ModelNameLister names, NameList* list)
{
    list->bytes.clear();
    ValueList allowed;
    if (CollectAllowedValues(instance, itemId, &allowed) <= 0) return -1;
    ValueList modelValues;
    NameList modelNames(list->slotBytes);
    const int valueCount = CollectModelValues(instance, itemId, values, &modelValues);
    const int nameCount = CollectModelNames(instance, itemId, names, &modelNames);
    if (valueCount <= 0 || nameCount <= 0 || valueCount != nameCount) return -1;

    for (std::uint32_t value : allowed) {
        char* slot = list->AddSlot();
        const auto found = std::find(modelValues.begin(), modelValues.end(), value);
        if (found != modelValues.end()) {
            std::memcpy(slot, modelNames.Slot(static_cast<std::uint32_t>(found - modelValues.begin())),
                        list->slotBytes);
        } else if (!LoadAnsiUiString(instance, kUnknownValueNameString, slot, list->slotBytes)) {
            list->conversionFailed = true;
        }
    }
    if (modelNames.conversionFailed) list->conversionFailed = true;
    return static_cast<int>(list->Count());
}

int ListAllowedValueNames(DriverContext* instance, char* out, std::uint16_t itemId, std::uint32_t slotBytes,
                          ModelValueLister values, ModelNameLister names)
{
    NameList list(slotBytes);
    const int count = CollectAllowedValueNames(instance, itemId, values, names, &list);
    if (count <= 0) return -1;
    return DeliverNames(CapabilityBuffer{out}, list);
}

// ---- names through the value map ------------------------------------------------------------------------------

std::uint16_t FindOptionString(std::uint16_t optionId)
{
    for (const OptionStringRow& row : GetOptionStringTable()) {
        if (row.optionId == optionId) return row.stringId;
    }
    return 0;
}

int CollectOptionValueNames(DriverContext* instance, std::uint16_t itemId, std::uint32_t mode, NameList* list)
{
    list->bytes.clear();
    const std::int32_t count = ListPickOneValues(instance, nullptr, itemId);
    if (count <= 0) return -1;
    std::vector<std::int32_t> values(static_cast<std::size_t>(count));
    if (ListPickOneValues(instance, values.data(), itemId) != count) return -1;

    const SettingItemDescriptor* item = FindItem(instance, itemId);
    const ValueMapEntry* map = item && item->side ? item->side->valueMap : nullptr;
    for (std::int32_t value : values) {
        // Every slot starts empty, also the slot of a value without a name.
        char* slot = list->AddSlot();
        for (const ValueMapEntry* row = map; row && row->optionId != 0; ++row) {
            if (row->storedValue != static_cast<std::uint32_t>(value) || row->optionId == kNoOption) continue;
            const std::uint32_t stringId =
                mode == kNamesFromOptionIds ? row->optionId : FindOptionString(row->optionId);
            if (stringId == 0) continue;
            if (!LoadAnsiUiString(instance, stringId, slot, list->slotBytes)) list->conversionFailed = true;
            if (mode == kNamesFromOptionIds) break;
        }
    }
    return count;
}

int ListOptionValueNames(DriverContext* instance, char* out, std::uint16_t itemId, std::uint32_t slotBytes,
                         std::uint32_t mode)
{
    NameList list(slotBytes);
    const int count = CollectOptionValueNames(instance, itemId, mode, &list);
    if (count <= 0) return -1;
    return DeliverNames(CapabilityBuffer{out}, list);
}

}  // namespace vexl::api
