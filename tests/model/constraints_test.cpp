// Constraint evaluation over compiled descriptions: judges, options not
// offered and refused, alerts, transactions, and the entry lookups.
#include "common/core/items.h"
#include "common/model/constraints.h"

#include "compiled_fixture.h"

#include <gtest/gtest.h>

namespace vexl::model {
namespace {

// KSD_A is item 7 (options 1-3), KSD_B item 8 (11, 12), KSD_SW item 58.
constexpr std::string_view kSmallModel =
    "*FileVersion: 7.60\n"
    "*OpenUI *KSD_A: PickOne\n*KSD_A A1: \"a1\"\n*KSD_A A2: \"a2\"\n*KSD_A A3: \"a3\"\n"
    "*DefaultKSD_A: A1\n*CloseUI: *KSD_A\n"
    "*OpenUI *KSD_B: PickOne\n*KSD_B B1: \"b1\"\n*KSD_B B2: \"b2\"\n*DefaultKSD_B: B1\n*CloseUI: *KSD_B\n"
    "*OpenUI *KSD_SW: Boolean\n*KSD_SW True: \"on\"\n*KSD_SW False: \"off\"\n*DefaultKSD_SW: False\n"
    "*CloseUI: *KSD_SW\n"
    "*OpenUI *KSD_FREEW: Numeric\n*NumericValue: \"0 5 1 10\"\n*CloseUI: *KSD_FREEW\n"
    "*Judge 1=SwOn: KSD_SW == 1\n"
    "*Judge 2=BIs2: KSD_B == B2\n"
    "*Judge 3: KSD_A == A3 && SwOn\n"
    "*Judge 4=NotFree: KSD_INPUTFREE == 0\n"
    "*Item 1=RulesA: { {A2 SwOn NULL NULL} {A3 NULL BIs2 NULL} }\n"
    "*Action 1: { {KSD_B B2} }\n"
    "*Action 2: { {KSD_IDD_FINISH 0} {KSD_B B1} }\n"
    "*Transact 1: { {SwOn Action1} {SwOn Action2} }\n"
    "*AlertAction 1: { {IDOKBUTTON Transact1 NULL NULL} }\n"
    "*Alert 1: { {Judge3 KSD_DuplexOnMessage MB_ICONEXCLAMATION MB_OKCANCEL AlertAtOnce AlertAction1} }\n"
    "*Exclusive: { {KSD_A NULL NULL RulesA Alert1 Transact1 NULL NULL}\n"
    "  {KSD_B NULL SwOn NULL NULL NULL NULL NULL}\n"
    "  {KSD_FREEW NotFree NULL NULL NULL NULL NULL NULL} }\n";

test::FixtureNames SmallNames()
{
    test::FixtureNames names = test::SmallModelNames();
    names.symbols["KSD_FREEW"] = {rdmPaperFreeSizeWidth, 510};
    names.symbols["KSD_INPUTFREE"] = {wdmInputFreeSizeType, 511};
    return names;
}

class Constraints : public test::CompiledContextTest {
protected:
    void SetUp() override
    {
        CompiledContextTest::SetUp();
        UseDescription(kSmallModel, names_);
        Set(7, 1);
        Set(8, 11);
        Set(58, 0);
    }
    void Set(std::uint16_t item, std::uint32_t option)
    {
        SetItemOption(context(), item, option);
        ASSERT_EQ(GetItemOption(context(), item), option) << item;
    }
    BlockOffset EntryA() { return FindUiEntry(7, context()); }

    test::FixtureNames names_ = SmallNames();
};

TEST_F(Constraints, OptionsNotOfferedAndRefusedFollowTheSettings)
{
    EXPECT_EQ(IsKeyOptionUnavailable(501, 2, context()), 0);
    EXPECT_EQ(IsKeyOptionRestricted(501, 3, context()), 0);
    EXPECT_EQ(IsKeyOptionRestricted(502, 0, context()), 0);
    Set(58, 1);
    Set(8, 12);
    EXPECT_EQ(IsKeyOptionUnavailable(501, 2, context()), 1);  // A2 while the switch is on
    EXPECT_EQ(IsUiOptionUnavailable(EntryA(), 3, context()), 0u);
    EXPECT_EQ(IsUiOptionRestricted(EntryA(), 3, context()), 1u);   // A3 refused while B is B2
    EXPECT_EQ(IsKeyOptionRestricted(502, 0, context()), 1);        // B as a whole
    EXPECT_EQ(IsUiOptionUnavailable(EntryA(), 1, context()), 0u);  // A1 has no rule

    // Strict: an option without a rule, or an item without a record, is not offered.
    EXPECT_EQ(IsItemOptionUnavailableStrict(7, 1, context()), 1);
    EXPECT_EQ(IsItemOptionUnavailableStrict(7, 2, context()), 1);
    Set(58, 0);
    EXPECT_EQ(IsItemOptionUnavailableStrict(7, 2, context()), 0);
    EXPECT_EQ(IsItemOptionUnavailableStrict(58, 1, context()), -1);
    EXPECT_EQ(IsKeyOptionUnavailable(503, 1, context()), -1);
    EXPECT_EQ(EvaluateOptionUnavailableStrict(0, 1, context()), 1u);
}

TEST_F(Constraints, AnAlertFiresOnlyWhileItsJudgeHolds)
{
    EXPECT_EQ(GetUiAlertMessage(EntryA(), context()), 0);
    Set(7, 3);
    EXPECT_EQ(GetUiAlertMessage(EntryA(), context()), 0);
    Set(58, 1);
    EXPECT_EQ(GetUiAlertMessage(EntryA(), context()), 242);
    EXPECT_EQ(GetUiAlertMessage(FindUiEntry(8, context()), context()), 0);
}

TEST_F(Constraints, TransactionsSetDependentSettingsUntilAPageAction)
{
    EXPECT_EQ(RunUiTransacts(EntryA(), context()), 0);
    EXPECT_EQ(GetItemOption(context(), 8), 11u);
    Set(58, 1);
    // Action 1 sets B to B2; Action 2 opens the finishing page before its B1.
    EXPECT_EQ(RunUiTransacts(EntryA(), context()), 1004);
    EXPECT_EQ(GetItemOption(context(), 8), 12u);
    EXPECT_EQ(RunKeyTransacts(501, 0, context()), 1004);
    EXPECT_EQ(RunKeyTransacts(503, 0, context()), 0);
}

TEST_F(Constraints, EntryQueries)
{
    EXPECT_EQ(FindUiEntry(0, context()), 0u);
    EXPECT_EQ(CountUiOptions(7, context()), 3);
    EXPECT_EQ(CountUiOptions(58, context()), 0);
    EXPECT_EQ(CountUiOptions(12, context()), -1);
    EXPECT_EQ(GetUiDefaultValue(8, context()), 11u);
    EXPECT_EQ(GetUiDefaultValue(58, context()), 0u);
    EXPECT_EQ(GetUiDefaultValue(rdmPaperFreeSizeWidth, context()), 5u);
    EXPECT_EQ(GetUiType(7, context()), kUiPickOne);
    std::int16_t defaultIndex = -1;
    EXPECT_EQ(GetUiOptionList(8, context(), &defaultIndex),
              ReadContextUiEntry(context(), FindUiEntry(8, context())).options);
    EXPECT_EQ(defaultIndex, 0);
    EXPECT_NE(FindUiOption(context(), EntryA(), 3), 0u);
    EXPECT_EQ(FindUiOption(context(), EntryA(), 4), 0u);

    // B is refused as a whole while the switch is on, and has no other entry.
    Set(58, 1);
    EXPECT_EQ(FindAvailableUiEntry(8, context(), kAvailableCheckUnavailable), FindUiEntry(8, context()));
    EXPECT_EQ(FindAvailableUiEntry(8, context(), kAvailableCheckRestricted), 0u);
}

TEST_F(Constraints, TheFreeSizeEntryIsLookedUpWithTheFreeSizeInputOn)
{
    for (std::uint32_t input : {0u, 2u}) {
        SetItemValue(context(), wdmInputFreeSizeType, input);
        EXPECT_EQ(FindAvailableUiEntry(rdmPaperFreeSizeWidth, context(), kAvailableCheckUnavailable),
                  input == 0 ? 0u : FindUiEntry(rdmPaperFreeSizeWidth, context()));
        EXPECT_NE(LookupUiEntry(rdmPaperFreeSizeWidth, context()), 0u);
        EXPECT_EQ(GetItemValue(context(), wdmInputFreeSizeType), input);
    }
}

// Judges, one per option of an Item list, read through IsKeyOptionUnavailable.
class JudgeValues : public test::CompiledContextTest {};

TEST_F(JudgeValues, ValuesOfJudgesOverTheSettings)
{
    test::FixtureNames names = SmallNames();
    struct Case {
        const char* judge;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"KSD_NUM > 1", 1},  // 0xFFFFFFFF > 1, unsigned
        {"KSD_NUM < 1", 0},
        {"KSD_NUM >= KSD_NUM", 1},  // the same setting read once, pushed twice
        {"KSD_A == A2 && KSD_SW == 0", 1},
        {"KSD_A == A2 && KSD_SW == 1", 0},
        {"(KSD_A == A2) || (KSD_B == B2)", 1},  // both sides taken
        {"(KSD_A == A1) || (KSD_B == B2)", 0},
        {"KSD_B != B2 || KSD_A <= 1", 1},  // left to right: ((B != B2) || A) <= 1
        {"KSD_STR == 5", 1},               // a text counts by its length
        {"KSD_FAR == 0", 0},               // no such item: the judge ends with 0
        {"KSD_A == 2 && KSD_FAR == 0", 0},
    };
    std::string text = "*FileVersion: 7.60\n*OpenUI *KSD_A: PickOne\n*KSD_A A1: \"a\"\n*CloseUI: *KSD_A\n";
    std::string rules;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "J" + std::to_string(i + 1);
        names.constants[name] = static_cast<std::uint16_t>(100 + i);
        text += "*Judge " + std::to_string(i + 1) + ": " + cases[i].judge + "\n";
        rules += " {" + name + " Judge" + std::to_string(i + 1) + " NULL NULL}";
    }
    text += "*Item 1: {" + rules + " }\n*Exclusive: { {KSD_A NULL NULL Item1 NULL NULL NULL NULL} }\n";
    UseDescription(text, names);

    SetItemValue(context(), 11, 0xFFFFFFFF);
    ASSERT_EQ(GetItemOption(context(), 11), 0xFFFFFFFFu);
    SetItemOption(context(), 7, 2);
    SetItemOption(context(), 8, 11);
    SetItemOption(context(), 58, 0);
    ASSERT_TRUE(SetItemString(context(), FindItem(context(), 202), u"hello"));
    ASSERT_EQ(FindItem(context(), 1600), nullptr);

    context()->workArea->judgeStackIndex = 7;  // as inside another evaluation
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(IsKeyOptionUnavailable(501, static_cast<std::uint16_t>(100 + i), context()),
                  static_cast<int>(cases[i].expected))
            << cases[i].judge;
        EXPECT_EQ(context()->workArea->judgeStackIndex, 7) << cases[i].judge;
    }
    // A stack that is nearly full ends the evaluation with 0, never past its end.
    context()->workArea->judgeStackIndex = kJudgeStackSize - 1;
    EXPECT_EQ(IsKeyOptionUnavailable(501, 103, context()), 0);
    EXPECT_EQ(context()->workArea->judgeStackIndex, kJudgeStackSize - 1);
}

TEST_F(JudgeValues, TheCoreJudgeNeedsEveryCondition)
{
    auto set = [&](std::uint16_t item, std::uint32_t value) { SetItemValue(context(), item, value); };
    set(rdmFrontFunc, 0x100);
    set(rdmAPIUseFlag, 0);
    set(rdmJobBinder, 0);
    set(rdmPreviewPrint, 1);
    set(rdmPLInstalled, 1);
    EXPECT_EQ(EvaluateCoreJudge(context(), wdmJudgeHookCore00), 1u);
    EXPECT_EQ(EvaluateCoreJudge(context(), wdmJudgeHookCore00 + 1), 0u);
    set(rdmJobBinder, 1);
    EXPECT_EQ(EvaluateCoreJudge(context(), wdmJudgeHookCore00), 0u);
}

}  // namespace
}  // namespace vexl::model
