#include "api/pjl_values.h"

#include "api/pjl_lines.h"

#include "common/core/items.h"
#include "common/core/textconv.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <vector>

namespace vexl::api {

namespace {

constexpr std::uint16_t kEmitScaledByResolution = 2;
constexpr std::int64_t kBaseResolution = 1200;

const CompiledModel* ModelOf(DriverContext* context)
{
    return context ? context->compiledModel : nullptr;
}

// The scale of a numeric entry's value in its texts: the seventh (m) and
// eighth (d) numbers of the range, and the output resolution for items
// written at it. Descriptions may give fewer than eight numbers, and the
// resolution may be unset: a missing factor does not scale.
struct NumericScale {
    std::int64_t multiplier;
    std::int64_t divisor;
};

NumericScale ScaleOf(DriverContext* context, std::uint32_t item, const model::NumericRecord& range)
{
    NumericScale scale{range.moreValues[2] != 0 ? range.moreValues[2] : 1,
                       range.moreValues[3] != 0 ? range.moreValues[3] : 1};
    SettingItemDescriptor* descriptor = FindItem(context, static_cast<std::uint16_t>(item));
    if (descriptor && descriptor->emissionKind == kEmitScaledByResolution) {
        const auto resolution = static_cast<std::int16_t>(GetItemValue(context, rdmDstResolutionW));
        scale.multiplier *= resolution > 0 ? resolution : kBaseResolution;
        scale.divisor *= kBaseResolution;
    }
    return scale;
}

// A non-zero value never becomes 0 on the way.
std::int64_t ScaleValue(std::int64_t value, std::int64_t multiplier, std::int64_t divisor)
{
    const std::int64_t scaled = value * multiplier / divisor;
    return scaled == 0 && value != 0 ? 1 : scaled;
}

std::string FormatEnumeration(DriverContext* context, const model::UiEntryRecord& entry, std::uint32_t option)
{
    const CompiledModel* model = ModelOf(context);
    if (!model::IsPickKind(entry.type)) return {};
    for (BlockOffset at = entry.options; at != 0;) {
        const model::UiOptionRecord record = model::ReadUiOption(model, at, entry.type);
        if (record.optionId == option) return std::string(model::ReadBlockText(model, record.invocation));
        at = record.next;
    }
    return {};
}

std::string FormatString(DriverContext* context, std::uint32_t item)
{
    SettingItemDescriptor* descriptor = FindItem(context, static_cast<std::uint16_t>(item));
    if (!descriptor) return {};
    std::vector<WCHAR> wide(ItemLength(*descriptor) + 1, 0);
    if (!GetItemString(context, descriptor, wide.data(), wide.size()) || wide[0] == 0) return {};
    // Each UTF-16 unit takes at most two bytes of a double-byte code page.
    std::vector<char> ansi(2 * wide.size() + 1, 0);
    WideToAnsi(ansi.data(), wide.data(), static_cast<int>(ansi.size()));
    if (ansi[0] == '\0') return {};
    return "\"" + std::string(ansi.data()) + "\"";
}

std::string FormatBoolean(DriverContext* context, const model::UiEntryRecord& entry, std::uint32_t value)
{
    if (model::UiKind(entry.type) != model::kUiBoolean || entry.options == 0) return {};
    const model::BooleanRecord record = model::ReadBooleanRecord(ModelOf(context), entry.options);
    return std::string(
        model::ReadBlockText(ModelOf(context), value != 0 ? record.trueInvocation : record.falseInvocation));
}

std::optional<std::int64_t> ParseDecimal(std::string_view text)
{
    if (text.starts_with('+')) text.remove_prefix(1);
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max();
    return std::clamp(number, kLow, kHigh);
}

PjlValueFormat FormatOfField(std::uint32_t format)
{
    switch (format) {
    case kWatermarkFormatString:
        return PjlValueFormat::kString;
    case kWatermarkFormatBoolean:
        return PjlValueFormat::kBoolean;
    case kWatermarkFormatNumeric:
        return PjlValueFormat::kNumeric;
    default:
        return PjlValueFormat::kEnumeration;
    }
}

}  // namespace

PjlValueFormat PjlFormatOfKind(std::uint32_t kind)
{
    if (kind & kPjlKindNumeric) return PjlValueFormat::kNumeric;
    if (kind & kPjlKindString) return PjlValueFormat::kString;
    return PjlValueFormat::kEnumeration;
}

BlockOffset FindUiEntryForVariable(DriverContext* context, std::uint32_t item, std::uint32_t variant)
{
    const CompiledModel* model = ModelOf(context);
    if (!model || item == 0) return 0;
    BlockOffset first = 0, lastOfVariant = 0;
    for (BlockOffset at = model::GetFirstUiEntry(model); at != 0;) {
        const model::UiEntryRecord entry = model::ReadUiEntry(model, at);
        if (entry.itemId == item) {
            if (first == 0) first = at;
            if (entry.variant == variant) {
                if (entry.commands != 0) return at;
                lastOfVariant = at;
            }
        }
        at = entry.next;
    }
    return lastOfVariant != 0 ? lastOfVariant : first;
}

PjlCommandTexts GetPjlCommandTexts(DriverContext* context, BlockOffset entry)
{
    const CompiledModel* model = ModelOf(context);
    if (!model || entry == 0) return {};
    const model::UiEntryRecord record = model::ReadUiEntry(model, entry);
    if (record.commands == 0) return {};
    const model::CommandPairRecord pair = model::ReadCommandPair(model, record.commands);
    return {model::ReadBlockText(model, pair.before), model::ReadBlockText(model, pair.after)};
}

std::optional<model::NumericRecord> GetPjlNumericRange(DriverContext* context, BlockOffset entry)
{
    const CompiledModel* model = ModelOf(context);
    if (!model || entry == 0) return std::nullopt;
    const model::UiEntryRecord record = model::ReadUiEntry(model, entry);
    if (model::UiKind(record.type) != model::kUiNumeric || record.options == 0) return std::nullopt;
    return model::ReadNumericRecord(model, record.options);
}

std::string FormatPjlValue(DriverContext* context, std::uint32_t item, BlockOffset entry, PjlValueFormat format,
                           std::uint32_t option)
{
    if (!ModelOf(context) || entry == 0) return {};
    const model::UiEntryRecord record = model::ReadUiEntry(ModelOf(context), entry);
    switch (format) {
    case PjlValueFormat::kEnumeration:
        return FormatEnumeration(context, record, option);
    case PjlValueFormat::kNumeric: {
        const std::optional<model::NumericRecord> range = GetPjlNumericRange(context, entry);
        if (!range) return "0";
        const NumericScale scale = ScaleOf(context, item, *range);
        return std::to_string(ScaleValue(static_cast<std::int32_t>(option), scale.multiplier, scale.divisor));
    }
    case PjlValueFormat::kString:
        return FormatString(context, item);
    case PjlValueFormat::kBoolean:
        return FormatBoolean(context, record, option);
    }
    return {};
}

std::optional<std::uint32_t> ParsePjlValue(DriverContext* context, std::uint32_t item, BlockOffset entry,
                                           PjlValueFormat format, std::string_view text)
{
    const CompiledModel* model = ModelOf(context);
    if (!model || entry == 0) return std::nullopt;
    const model::UiEntryRecord record = model::ReadUiEntry(model, entry);
    switch (format) {
    case PjlValueFormat::kEnumeration:
        if (!model::IsPickKind(record.type)) return 0u;
        for (BlockOffset at = record.options; at != 0;) {
            const model::UiOptionRecord option = model::ReadUiOption(model, at, record.type);
            if (option.invocation != 0 && model::ReadBlockText(model, option.invocation) == text)
                return option.optionId;
            at = option.next;
        }
        return 0u;
    case PjlValueFormat::kNumeric: {
        const std::optional<std::int64_t> number = ParseDecimal(text);
        if (!number) return std::nullopt;
        const std::optional<model::NumericRecord> range = GetPjlNumericRange(context, entry);
        if (!range) return static_cast<std::uint32_t>(*number);
        const NumericScale scale = ScaleOf(context, item, *range);
        const std::int64_t value = std::clamp<std::int64_t>(ScaleValue(*number, scale.divisor, scale.multiplier),
                                                            std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max());
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    }
    case PjlValueFormat::kString:
    case PjlValueFormat::kBoolean:
        return std::nullopt;
    }
    return std::nullopt;
}

std::string BuildWatermarkBlock(DriverContext* context, std::uint32_t kind)
{
    std::string block;
    const WatermarkField* fields = GetWatermarkListTable();
    const int count = GetWatermarkListCount();
    for (int i = 0; fields && i < count; ++i) {
        const WatermarkField& field = fields[i];
        if (field.selector != kind && field.selector != kWatermarkAnyKind) continue;
        if (field.format == kWatermarkFormatLiteral) {
            AppendPjlSetLine(block, GetWatermarkListLiteral(0), GetWatermarkListLiteral(1));
            continue;
        }
        const BlockOffset entry = FindUiEntryForVariable(context, field.item, 0);
        if (entry == 0) continue;
        const std::uint32_t value = GetItemOption(context, static_cast<std::uint16_t>(field.item));
        const std::string text = FormatPjlValue(context, field.item, entry, FormatOfField(field.format), value);
        if (text.empty()) continue;
        // The quotes of a quoted value come with the value text, not with
        // the command around it.
        PjlCommandTexts commands = GetPjlCommandTexts(context, entry);
        if (commands.before.ends_with('"')) commands.before.remove_suffix(1);
        if (commands.after.starts_with('"')) commands.after.remove_prefix(1);
        block += commands.before;
        block += text;
        block += commands.after;
        // A switched-off row hides the rows that only matter when it is on
        // (the start and end page of a watermark on the first page only).
        if (field.skipCount != 0 && value == 0) i += static_cast<int>(field.skipCount);
    }
    return block;
}

}  // namespace vexl::api
