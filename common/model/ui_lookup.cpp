#include "common/model/ui_lookup.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/model/constraints.h"
#include "common/model/ui_entries.h"

namespace vexl {

using namespace model;

namespace {

const CompiledModel* ModelOf(const DriverContext* context)
{
    return context ? context->compiledModel : nullptr;
}

bool IsValueRecordKind(std::uint16_t type)
{
    const std::uint16_t kind = UiKind(type);
    return kind == kUiBoolean || kind == kUiNumeric || kind == kUiString;
}

// Types whose low byte is 1 have a default index into their options.
bool HasDefaultOption(std::uint16_t type)
{
    return (type & 0xFF) == 1;
}

// The first entry of the UI list that answers the test.
template <typename Test> BlockOffset FindInUiList(const CompiledModel* model, Test test)
{
    for (BlockOffset at = GetFirstUiEntry(model); at != 0;) {
        const UiEntryRecord entry = ReadUiEntry(model, at);
        if (test(entry)) return at;
        at = entry.next;
    }
    return 0;
}

// The selected judges of the entry as a whole are all false.
bool IsEntryAvailable(DriverContext* context, BlockOffset entry, std::uint32_t flags)
{
    const BlockOffset record = ReadUiEntry(ModelOf(context), entry).exclusive;
    if ((flags & kAvailableCheckUnavailable) && EvaluateOptionUnavailable(record, 0, context)) return false;
    if ((flags & kAvailableCheckRestricted) && EvaluateOptionRestricted(record, 0, context)) return false;
    return true;
}

}  // namespace

BlockOffset FindUiEntry(std::uint16_t itemId, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    if (itemId == 0 || !model) return 0;
    if (SlotOffset(itemId)) return GetSlotEntry(model, itemId);
    return FindInUiList(model, [itemId](const UiEntryRecord& e) { return e.itemId == itemId; });
}

BlockOffset LookupUiEntry(std::uint16_t itemId, DriverContext* context)
{
    if (itemId != rdmPaperFreeSizeWidth && itemId != rdmPaperFreeSizeLength) return FindUiEntry(itemId, context);
    // The free size entries are chosen as they stand while the free size
    // input is on; the input setting keeps its value.
    const std::uint32_t inputType = GetItemValue(context, wdmInputFreeSizeType);
    SetItemValue(context, wdmInputFreeSizeType, 1);
    const BlockOffset entry = FindAvailableUiEntry(itemId, context, kAvailableCheckUnavailable);
    SetItemValue(context, wdmInputFreeSizeType, inputType);
    return entry;
}

BlockOffset FindAvailableUiEntry(std::uint16_t itemId, DriverContext* context, std::uint32_t flags)
{
    const BlockOffset entry = FindUiEntry(itemId, context);
    if (!entry) return 0;
    flags &= kAvailableCheckUnavailable | kAvailableCheckRestricted;
    if (flags == 0 || IsEntryAvailable(context, entry, flags)) return entry;
    const CompiledModel* model = ModelOf(context);
    for (BlockOffset at = GetFirstUiEntry(model); at != 0;) {
        const UiEntryRecord e = ReadUiEntry(model, at);
        if (e.itemId == itemId && e.variant == 0 && IsEntryAvailable(context, at, flags)) return at;
        at = e.next;
    }
    return 0;
}

BlockOffset FindUiEntryByKey(std::uint16_t symbolKey, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    if (!model) return 0;
    return FindInUiList(model, [symbolKey](const UiEntryRecord& e) { return e.symbolKey == symbolKey; });
}

BlockOffset GetUiEntryByKey(std::uint16_t symbolKey, DriverContext* context)
{
    return FindUiEntryByKey(symbolKey, context);
}

BlockOffset GetUiEntryOfItemIndex(DriverContext* context, int position)
{
    if (!context || !context->itemTable || position < 0 || position >= context->itemTable->count) return 0;
    return LookupUiEntry(context->itemTable->items[position].id, context);
}

UiEntryRecord ReadContextUiEntry(DriverContext* context, BlockOffset entry)
{
    return ReadUiEntry(ModelOf(context), entry);
}

std::uint16_t GetUiType(std::uint16_t itemId, DriverContext* context)
{
    return UiKind(GetUiRawType(itemId, context));
}

std::uint16_t GetUiRawType(std::uint16_t itemId, DriverContext* context)
{
    const BlockOffset entry = FindUiEntry(itemId, context);
    return entry ? ReadUiEntry(ModelOf(context), entry).type : 0;
}

std::uint32_t GetUiDefaultValue(std::uint16_t itemId, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    const BlockOffset at = FindUiEntry(itemId, context);
    if (!at) return 0;
    const UiEntryRecord entry = ReadUiEntry(model, at);
    if (!entry.options) return 0;
    if (HasDefaultOption(entry.type)) {
        BlockOffset option = entry.options;
        for (int i = 0; option != 0 && i < entry.defaultIndex; ++i)
            option = ReadUiOption(model, option, entry.type).next;
        return (option && entry.defaultIndex >= 0) ? ReadUiOption(model, option, entry.type).optionId : 0;
    }
    switch (UiKind(entry.type)) {
    case kUiBoolean:
        return static_cast<std::uint32_t>(ReadBooleanRecord(model, entry.options).defaultValue);
    case kUiNumeric:
        return static_cast<std::uint32_t>(ReadNumericRecord(model, entry.options).defaultValue);
    case kUiString:
        return ReadStringRecord(model, entry.options).defaultOption;
    default:
        return 0;
    }
}

BlockOffset GetUiOptionList(std::uint16_t itemId, DriverContext* context, std::int16_t* defaultIndex)
{
    const BlockOffset at = FindUiEntry(itemId, context);
    if (!at) return 0;
    const UiEntryRecord entry = ReadUiEntry(ModelOf(context), at);
    if (defaultIndex && HasDefaultIndex(entry.type)) *defaultIndex = entry.defaultIndex;
    return entry.options;
}

int CountUiOptions(std::uint16_t itemId, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    const BlockOffset at = FindUiEntry(itemId, context);
    if (!at) return -1;
    const UiEntryRecord entry = ReadUiEntry(model, at);
    if (IsValueRecordKind(entry.type)) return 0;
    int count = 0;
    for (BlockOffset option = entry.options; option != 0; option = ReadUiOption(model, option, entry.type).next)
        ++count;
    return count;
}

BlockOffset FindUiOption(DriverContext* context, BlockOffset entryOffset, std::uint16_t optionId)
{
    const CompiledModel* model = ModelOf(context);
    const UiEntryRecord entry = ReadUiEntry(model, entryOffset);
    if (!entryOffset || IsValueRecordKind(entry.type)) return 0;
    for (BlockOffset option = entry.options; option != 0;) {
        const UiOptionRecord record = ReadUiOption(model, option, entry.type);
        if (record.optionId == optionId) return option;
        option = record.next;
    }
    return 0;
}

std::u16string GetUiResourceLibraryName(DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    return model ? ReadBlockWideText(model, ReadBlock32(model, kHeaderUiResDllName)) : std::u16string();
}

}  // namespace vexl
