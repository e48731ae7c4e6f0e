#include "common/model/judges.h"
#include "common/model/reader.h"

#include "fixture_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::model {
namespace {

// Shorthands for expected code: items of the fixture (KSD_A item 7, KSD_B
// item 8, KSD_SW item 58), constants and operators.
JudgeOp I(std::uint16_t item)
{
    return {kJudgeItem, item};
}
JudgeOp C(std::uint16_t value)
{
    return {kJudgeConstant, value};
}
JudgeOp Op(std::uint16_t op)
{
    return {kJudgeOperator, op};
}
const JudgeOp End = Op(kJudgeEndCode);
constexpr std::uint16_t Eq = 1, And = 3, Or = 4, Not = 5;

class Judges : public ::testing::Test {
protected:
    std::unique_ptr<CompileState> Parse(const std::string& text)
    {
        auto state = ParseDescriptionText(text, names_);
        EXPECT_TRUE(state);
        return state;
    }

    test::FixtureNames names_ = test::SmallModelNames();
};

TEST_F(Judges, CompileStrictlyLeftToRight)
{
    struct Case {
        const char* expression;
        std::vector<JudgeOp> code;  // empty: the line is refused
    };
    const Case cases[] = {
        {"KSD_A && (KSD_B)", {I(7), I(8), Op(And), End}},
        {"(KSD_A) && (KSD_B)", {I(7), I(8), Op(And), End}},
        {"(KSD_A == 1) || KSD_B == 2", {I(7), C(1), Op(Eq), I(8), Op(Or), C(2), Op(Eq), End}},
        {"KSD_A == A3 && KSD_SW == 1", {I(7), C(3), Op(Eq), I(58), Op(And), C(1), Op(Eq), End}},
        // '!' takes one value, as its evaluator does.
        {"! KSD_SW", {I(58), Op(Not), End}},
        {"(! KSD_SW)", {I(58), Op(Not), End}},
        {"KSD_A && (! KSD_SW)", {I(7), I(58), Op(Not), Op(And), End}},
        {"KSD_A && ! KSD_SW", {}},  // reads as A && SW !: && lacks a value
        {"KSD_A &&! KSD_SW", {}},   // "&&!" is no operator: two values remain
        {"KSD_A == Mystery", {}},
        {"KSD_A == 1)", {}},
        {"KSD_A KSD_B", {}},
        {"65546 == 10", {C(10), C(10), Op(Eq), End}},  // constants are 16 bits
    };
    for (const Case& c : cases) {
        auto state = Parse(std::string("*Judge 1: ") + c.expression + "\n");
        if (c.code.empty()) {
            EXPECT_TRUE(state->judges.empty()) << c.expression;
        } else {
            ASSERT_EQ(state->judges.size(), 1u) << c.expression;
            EXPECT_EQ(state->judges[0].code, c.code) << c.expression;
            EXPECT_EQ(state->judges[0].CodeLength(), static_cast<std::int32_t>(4 * c.code.size()));
        }
    }
}

TEST_F(Judges, OperandDepthStaysBelow128)
{
    // n constants pile up before the n - 1 operators reduce them.
    const auto judge = [](int n) {
        std::string text = "*Judge 1:";
        for (int i = 0; i < n; ++i) text += " 1";
        for (int i = 1; i < n; ++i) text += " ==";
        return text + "\n";
    };
    EXPECT_EQ(Parse(judge(127))->judges.size(), 1u);
    EXPECT_EQ(Parse(judge(128))->judges.size(), 0u);
}

TEST_F(Judges, NamesMustBeDefinedBeforeUse)
{
    auto state = Parse("*Judge 1=SwOn: KSD_SW == 1\n"
                       "*Judge 2: KSD_A == A3 && SwOn\n"
                       "*Judge 3: KSD_A == A2 && Later\n"
                       "*Judge 4=Later: KSD_B == B2\n"
                       "*Judge 0=Zero: KSD_B == B1\n"
                       "*Judge 5=Refused: KSD_B ==\n"
                       "*Judge 6: Zero\n");
    ASSERT_EQ(state->judges.size(), 3u);
    EXPECT_EQ(state->judges[1].number, 2);
    EXPECT_EQ(state->judges[1].code, (std::vector<JudgeOp>{I(7), C(3), Op(Eq), I(58), C(1), Op(Eq), Op(And), End}));
    EXPECT_EQ(state->judges[2].number, 4);
    EXPECT_EQ(FindSymbolicName(*state, "Refused", kJudgeNames), 5);  // refused lines keep their name
    EXPECT_EQ(FindSymbolicName(*state, "Zero", kJudgeNames), 0);
}

TEST_F(Judges, ReferenceWords)
{
    EXPECT_EQ(ParseReference("Judge12"), 0x1000Cu);
    EXPECT_EQ(ParseReference("Item3"), 0x20003u);
    EXPECT_EQ(ParseReference("AlertAction2"), 0x60002u);
    EXPECT_EQ(ParseReference("Alert2"), 0x50002u);
    EXPECT_EQ(ParseReference("NULL"), 0u);
    EXPECT_EQ(ParseReference("Judgement"), 0x10000u);
    EXPECT_EQ(ParseReference("SwOn"), kRefSymbolicName);
}

TEST_F(Judges, RecordLinesReadEntriesByFields)
{
    auto state =
        Parse("*Judge 1=SwOn: KSD_SW == 1\n"
              "*Judge 2=BIs2: KSD_B == B2\n"
              "*Item 1=RulesA: { {A2 SwOn NULL NULL} {A3 NULL BIs2 Judge9} }\n"
              "*Item 2: { A2 SwOn NULL NULL A3 NULL BIs2 Judge9 }\n"
              "*Action 1=SetB: { {KSD_B B2} {KSD_A Default} {KSD_SW 1} {Nowhere Nothing} }\n"
              "*Action 2: { {KSD_IDD_FINISH 0} {KSD_B B1} }\n"
              "*Transact 1=OnSw: { {SwOn SetB} {Judge2 Action2} {SwOn Transact1} }\n"
              "*AlertAction 1=Ok: { {IDOKBUTTON OnSw KSD_IDD_FINISH KSD_IDC_PAPER} }\n"
              "*Alert 1: { {SwOn KSD_DuplexOnMessage MB_ICONEXCLAMATION MB_OKCANCEL AlertAtOnce Ok}\n"
              "  {Judge2 KSD_NoMessage MB_ICONWHATEVER MB_YESNO AlertDialog AlertAction7} }\n"
              "*Item 0: { {A1 NULL NULL NULL} }\n"
              "*Action 3: KSD_B B1\n"
              "*OpenUI *KSD_A: PickOne\n*KSD_A A1: \"\"\n*KSD_A A2: \"\"\n*DefaultKSD_A: A2\n*CloseUI: *KSD_A\n"
              "*Action 4: { {KSD_A Default} }\n");
    ASSERT_EQ(state->items.size(), 2u);
    for (const ItemRecord& item : state->items) {
        ASSERT_EQ(item.entries.size(), 2u);
        EXPECT_EQ(item.entries[0].optionId, 2);
        EXPECT_EQ(item.entries[0].j1, 1u);
        EXPECT_EQ(item.entries[0].j2, 0u);
        EXPECT_EQ(item.entries[1].optionId, 3);
        EXPECT_EQ(item.entries[1].j2, 2u);
        EXPECT_EQ(item.entries[1].j3, 0x10009u);
    }
    EXPECT_EQ(FindSymbolicName(*state, "RulesA", kItemNames), 1);

    ASSERT_EQ(state->actions.size(), 3u);  // Action 3 has no braces to close
    const auto& set = state->actions[0].entries;
    ASSERT_EQ(set.size(), 4u);
    EXPECT_EQ(set[0].target, 8);
    EXPECT_EQ(set[0].value, 12u);
    EXPECT_EQ(set[1].value, 0u);  // the entry of KSD_A comes later
    EXPECT_EQ(set[2].value, 1u);
    EXPECT_EQ(set[3].target, 0);
    EXPECT_EQ(state->actions[1].entries[0].target, 1004);
    EXPECT_EQ(state->actions[1].entries[0].kind, kActionPage);
    EXPECT_EQ(state->actions[2].entries[0].value, 2u);  // now the default of KSD_A

    const auto& transact = state->transacts[0].entries;
    EXPECT_EQ(transact[0].judge, 1u);
    EXPECT_EQ(transact[0].actions, 1u);
    EXPECT_EQ(transact[1].judge, 0x10002u);
    EXPECT_EQ(transact[1].actions, 0x30002u);
    EXPECT_EQ(transact[2].actions, 0u);  // a reference of another kind

    const AlertActionEntry& ok = state->alertActions[0].entries[0];
    EXPECT_EQ(ok.symbolKey, 1);
    EXPECT_EQ(ok.transacts, 1u);
    EXPECT_EQ(ok.pageId, 1004);
    EXPECT_EQ(ok.controlId, 2017);

    const auto& alerts = state->alerts[0].entries;
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].messageKey, 242);
    EXPECT_EQ(alerts[0].icon, 0x30);
    EXPECT_EQ(alerts[0].buttons, 1);
    EXPECT_EQ(alerts[0].timing, 0);
    EXPECT_EQ(alerts[0].alertActions, 1u);
    EXPECT_EQ(alerts[1].messageKey, 0);
    EXPECT_EQ(alerts[1].icon, 0xFFFF);
    EXPECT_EQ(alerts[1].buttons, 4);
    EXPECT_EQ(alerts[1].timing, 3);
    EXPECT_EQ(alerts[1].alertActions, 0x60007u);
}

TEST_F(Judges, ExclusiveLinesKeepFileOrder)
{
    auto state = Parse("*Judge 1=SwOn: KSD_SW == 1\n"
                       "*Item 1=RulesA: { {A2 SwOn NULL NULL} }\n"
                       "*Exclusive: { {KSD_A NULL NULL RulesA Alert1 Transact1 NULL NULL}\n"
                       "              {KSD_B SwOn Judge4 NULL NULL NULL Transact2 SwOn} }\n"
                       "*Exclusive: { {KSD_SW NULL NULL Item2 NULL NULL NULL NULL} }\n");
    ASSERT_EQ(state->exclusives.size(), 3u);
    const ExclusiveRecord& a = state->exclusives[0];
    EXPECT_EQ(a.symbolKey, 501);
    EXPECT_EQ(a.items, 1u);
    EXPECT_EQ(a.alerts, 0x50001u);
    EXPECT_EQ(a.transact1, 0x40001u);
    const ExclusiveRecord& b = state->exclusives[1];
    EXPECT_EQ(b.symbolKey, 502);
    EXPECT_EQ(b.j1, 1u);
    EXPECT_EQ(b.j2, 0x10004u);
    EXPECT_EQ(b.transact2, 0x40002u);
    EXPECT_EQ(b.j3, 1u);
    EXPECT_EQ(state->exclusives[2].symbolKey, 503);
    EXPECT_EQ(state->exclusives[2].items, 0x20002u);
}

}  // namespace
}  // namespace vexl::model
