#include "common/model/pjl_table.h"

#include "common/core/items.h"

#include <optional>
#include <vector>

namespace vexl {

namespace {

// The node walk of a condition, over values read by the given function:
// an OR group holds when one of its AND terms holds, and the groups that
// kConditionEndGroup separates must all hold.
template <typename ReadValue> bool EvaluateNodes(const SettingCondition* node, ReadValue read)
{
    bool held = true;
    while (node) {
        held = read(*node) == node->value;
        const SettingCondition* stop = node;
        if (held) {
            if (node->connective & kConditionAnd) {
                node = node->next;
                continue;
            }
            // The group holds: go past its end.
            while (stop && (stop->connective == kConditionOr || (stop->connective & kConditionAnd))) stop = stop->next;
            if (!stop) return true;
        } else {
            // This AND term fails: go to the next alternative of the group.
            while (stop && (stop->connective & kConditionAnd)) stop = stop->next;
            if (!stop || stop->connective != kConditionOr) return false;
        }
        node = stop->next;
    }
    return held;
}

// The model's support item of an installed-option item.
std::optional<std::uint32_t> SupportItemOf(std::uint32_t item)
{
    struct Range {
        std::uint32_t first, last, support;
    };
    constexpr Range kRanges[] = {
        {10014, 10045, 244}, {10046, 10077, 276}, {10078, 10109, 308}, {10290, 10321, 412}, {10322, 10353, 479},
    };
    for (const Range& r : kRanges) {
        if (item >= r.first && item <= r.last) return r.support + (item - r.first);
    }
    return std::nullopt;
}

template <typename Test> const PjlVariable* FindRow(Test test)
{
    const PjlVariableTable* table = GetPjlVariableTable();
    if (!table) return nullptr;
    for (std::int16_t i = 0; i < table->count; ++i) {
        if (test(table->rows[i])) return &table->rows[i];
    }
    return nullptr;
}

}  // namespace

const PjlVariable* FindPjlVariable(std::string_view name, std::uint32_t accessMask)
{
    return FindRow([&](const PjlVariable& row) { return row.name == name && (row.access & accessMask); });
}

const PjlVariable* FindPjlVariableByItem(std::uint32_t item, std::uint32_t accessMask)
{
    return FindRow([&](const PjlVariable& row) { return row.item == item && (row.access & accessMask); });
}

BOOL EvaluateSettingCondition(DriverContext* context, const SettingCondition* condition)
{
    return EvaluateNodes(condition, [context](const SettingCondition& node) {
        return GetItemValue(context, static_cast<std::uint16_t>(node.item));
    });
}

BOOL EvaluateSupportCondition(DriverContext* context, const SettingCondition* condition)
{
    // The nodes of supported items, relinked in their order.
    std::vector<SettingCondition> translated;
    for (const SettingCondition* node = condition; node; node = node->next) {
        if (std::optional<std::uint32_t> support = SupportItemOf(node->item))
            translated.push_back({nullptr, node->connective, *support, node->value});
    }
    for (std::size_t i = 0; i + 1 < translated.size(); ++i) translated[i].next = &translated[i + 1];
    return EvaluateSettingCondition(context, translated.empty() ? nullptr : translated.data());
}

}  // namespace vexl
