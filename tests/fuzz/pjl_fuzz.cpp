// PJL text lines through the PJL option core. Each line "@PJL SET NAME=VALUE"
// (or "NAME=VALUE") sets a setting of a context: NAME a PJL variable or an
// item name, VALUE one of the variable's option words or a number. Then
// every listed variable's allowed values and option words are asked for,
// into buffers too small and of exactly the size answered.
#include "fuzz_support.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/model/pjl_options.h"
#include "common/model/pjl_table.h"
#include "support/model_context.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace vexl;

namespace {

constexpr std::uint32_t kAnyAccess = kPjlAccessCommand | kPjlAccessPrinterOption | kPjlAccessPrinterValue;

const std::map<std::string, std::uint16_t, std::less<>>& ItemsByName()
{
    static const std::map<std::string, std::uint16_t, std::less<>> items = [] {
        std::map<std::string, std::uint16_t, std::less<>> byName;
        const ItemTable* table = GetModelDatabase()->itemTable;
        for (std::int16_t i = 0; i < table->count; ++i) {
            const SettingItemDescriptor& item = table->items[i];
            if (!item.side || !item.side->name) continue;
            std::string name;
            for (const WCHAR* c = item.side->name; *c; ++c) name.push_back(static_cast<char>(*c));
            byName.emplace(name, item.id);
        }
        return byName;
    }();
    return items;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text)
{
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

void ApplyLine(DriverContext* context, std::string_view line)
{
    line = Trim(line);
    constexpr std::string_view kSet = "@PJL SET ";
    if (line.substr(0, kSet.size()) == kSet) line.remove_prefix(kSet.size());
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view name = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (const PjlVariable* row = FindPjlVariable(name, kAnyAccess)) {
        for (std::uint32_t i = 0; row->options && i < row->optionCount; ++i) {
            const PjlOption& option = row->options[i];
            if (option.word != value) continue;
            SetItemValue(context, static_cast<std::uint16_t>(row->item), option.storedValue);
            for (std::uint32_t s = 0; s < option.sideCount; ++s)
                SetItemValue(context, static_cast<std::uint16_t>(option.sides[s].item), option.sides[s].value);
            return;
        }
        if (const auto number = ParseNumber(value))
            SetItemValue(context, static_cast<std::uint16_t>(row->item), *number);
        return;
    }
    const auto item = ItemsByName().find(name);
    const auto number = ParseNumber(value);
    if (item != ItemsByName().end() && number) SetItemValue(context, item->second, *number);
}

[[noreturn]] void Fail(const char* what, std::uint32_t item)
{
    std::fprintf(stderr, "%s (item %u)\n", what, item);
    std::abort();
}

void ListValues(DriverContext* context, std::uint16_t item)
{
    std::int32_t count = 0;
    if (ListAllowedItemValues(context, item, 0, nullptr, &count) < 0 || count <= 0) return;
    std::vector<std::uint32_t> small(static_cast<std::size_t>(count) - 1);
    std::int32_t again = 0;
    if (ListAllowedItemValues(context, item, static_cast<std::uint32_t>(small.size()), small.data(), &again) != 1)
        Fail("a value list too large for its buffer was not refused", item);
    std::vector<std::uint32_t> exact(static_cast<std::size_t>(count));
    if (ListAllowedItemValuesEx(context, item, static_cast<std::uint32_t>(count), exact.data(), &again, TRUE) < 0)
        return;
    if (again > count) Fail("fewer values without the neutral options answered more", item);
}

void ListWords(DriverContext* context, std::uint16_t item)
{
    std::uint32_t needed = 0;
    if (ListPjlOptionWords(context, item, 0, nullptr, &needed) < 0 || needed == 0) return;
    std::vector<char> small(needed - 1);
    std::uint32_t again = 0;
    if (ListPjlOptionWords(context, item, static_cast<std::uint32_t>(small.size()), small.data(), &again) != 1)
        Fail("a word list too large for its buffer was not refused", item);
    std::vector<char> exact(needed);
    if (ListPjlOptionWords(context, item, needed, exact.data(), &again) != 0 || again != needed)
        Fail("a word list did not fit the size it answered", item);
    if (exact[needed - 1] != 0 || (needed > 1 && exact[needed - 2] != 0))
        Fail("a word list does not end with two terminators", item);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    test::ModelContext context;
    DriverContext* ctx = context.get();
    fuzz::InputReader input(data, size);
    while (!input.empty()) ApplyLine(ctx, input.Line());

    const PjlVariableTable* table = GetPjlVariableTable();
    for (std::int16_t i = 0; table && i < table->count; ++i) {
        const PjlVariable& row = table->rows[i];
        EvaluateSettingCondition(ctx, row.listingCondition);
        for (std::uint32_t o = 0; row.options && o < row.optionCount; ++o) {
            IsOptionAllowedNow(ctx, row, row.options[o]);
            EvaluateSupportCondition(ctx, row.options[o].condition);
        }
        ListValues(ctx, static_cast<std::uint16_t>(row.item));
        ListWords(ctx, static_cast<std::uint16_t>(row.item));
    }
    return 0;
}
