// Names for descriptions under test: small tables of symbols, constants,
// messages, pages and controls, looked up after an optional first source.
#pragma once

#include "common/model/compile_state.h"

#include <map>
#include <string>

namespace vexl::model::test {

class FixtureNames : public DescriptionNames {
public:
    explicit FixtureNames(const DescriptionNames* first = nullptr) : first_(first) {}

    std::map<std::string, SymbolRef, std::less<>> symbols;
    std::map<std::string, std::uint16_t, std::less<>> constants;
    std::map<std::string, std::uint16_t, std::less<>> messages;
    std::map<std::string, std::uint16_t, std::less<>> pages;
    std::map<std::string, std::uint16_t, std::less<>> controls;

    std::optional<SymbolRef> FindSymbol(std::string_view name) const override
    {
        if (first_)
            if (auto found = first_->FindSymbol(name)) return found;
        return Find(symbols, name);
    }
    std::optional<std::uint16_t> FindConstant(std::string_view name) const override
    {
        if (first_)
            if (auto found = first_->FindConstant(name)) return found;
        return Find(constants, name);
    }
    std::optional<std::uint16_t> FindMessage(std::string_view name) const override
    {
        if (first_)
            if (auto found = first_->FindMessage(name)) return found;
        return Find(messages, name);
    }
    std::optional<std::uint16_t> FindPage(std::string_view name) const override
    {
        if (first_)
            if (auto found = first_->FindPage(name)) return found;
        return Find(pages, name);
    }
    std::optional<std::uint16_t> FindPageControl(std::string_view name) const override
    {
        if (first_)
            if (auto found = first_->FindPageControl(name)) return found;
        return Find(controls, name);
    }

private:
    template <typename Map> static std::optional<typename Map::mapped_type> Find(const Map& map, std::string_view name)
    {
        auto it = map.find(name);
        if (it == map.end()) return std::nullopt;
        return it->second;
    }

    const DescriptionNames* first_;
};

// A few settings of a small model: symbols KSD_A (item 7), KSD_B (item 8),
// KSD_SW (item 58), KSD_NUM (item 11), KSD_STR (item 202), KSD_PAGE (item
// 13 as a paper list), KSD_TRAY (item 14), KSD_FONT (item 180), KSD_FAR
// (item 1600, no slot); constants A1..A3 (1..3), B1, B2 (11, 12), P_A4 (9),
// P_LTR (1), T1 (21), T2 (22), RES600 (600), PORTRAIT (1), LANDSCAPE (2),
// F1, F2 (31, 32), S_DEF (40).
inline FixtureNames SmallModelNames()
{
    FixtureNames names;
    names.symbols = {{"KSD_A", {7, 501}},     {"KSD_B", {8, 502}},      {"KSD_SW", {58, 503}},
                     {"KSD_NUM", {11, 504}},  {"KSD_STR", {202, 505}},  {"KSD_PAGE", {13, 506}},
                     {"KSD_TRAY", {14, 507}}, {"KSD_FONT", {180, 508}}, {"KSD_FAR", {1600, 509}},
                     {"IDOKBUTTON", {0, 1}}};
    names.constants = {{"A1", 1},       {"A2", 2},        {"A3", 3},  {"B1", 11}, {"B2", 12},
                       {"P_A4", 9},     {"P_LTR", 1},     {"T1", 21}, {"T2", 22}, {"RES600", 600},
                       {"PORTRAIT", 1}, {"LANDSCAPE", 2}, {"F1", 31}, {"F2", 32}, {"S_DEF", 40}};
    names.messages = {{"KSD_DuplexOnMessage", 242}};
    names.pages = {{"KSD_IDD_FINISH", 1004}};
    names.controls = {{"KSD_IDC_PAPER", 2017}};
    return names;
}

}  // namespace vexl::model::test
