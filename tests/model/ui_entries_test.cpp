#include "common/model/reader.h"
#include "common/model/judges.h"

#include "fixture_names.h"

#include <gtest/gtest.h>

#include <utility>

#include <string>
#include <vector>

namespace vexl::model {
namespace {

class UiEntries : public ::testing::Test {
protected:
    std::unique_ptr<CompileState> Parse(const std::string& text)
    {
        state_ = ParseDescriptionText(text, names_);
        EXPECT_TRUE(state_);
        return std::move(state_);
    }

    static std::vector<std::uint16_t> OptionIds(const UiEntry& entry)
    {
        std::vector<std::uint16_t> ids;
        if (entry.options)
            for (const UiOption& option : *entry.options) ids.push_back(option.optionId);
        return ids;
    }

    test::FixtureNames names_ = test::SmallModelNames();
    std::unique_ptr<CompileState> state_;
};

TEST_F(UiEntries, TypeWords)
{
    struct Case {
        const char* value;
        std::uint16_t type;
    };
    const Case cases[] = {
        {"PickOne", 0x0001},
        {"PickMany", 0x0002},
        {"Boolean", 0x0004},
        {"Numeric", 0x0008},
        {"String", 0x0010},
        {"PickPage", 0x0101},
        {"PickSlot", 0x0201},
        {"FontTbl", 0x0401},
        {"PickOne|TypeUnknown", 0x2001},
        {"PickOne | TypeUnknown", 0x2001},
        {"Unheard", 0x0001},
        {"PickPageWithLongName", 0x0001},  // does not fit the 16-byte word field: unknown
    };
    for (const Case& c : cases) {
        auto state = Parse(std::string("*OpenUI *KSD_A: ") + c.value + "\n*CloseUI: *KSD_A\n");
        ASSERT_EQ(state->uiEntries.size(), 1u) << c.value;
        EXPECT_EQ(state->uiEntries[0]->type, c.type) << c.value;
        EXPECT_EQ(state->uiEntries[0]->itemId, 7) << c.value;
        EXPECT_EQ(state->uiEntries[0]->symbolKey, 501) << c.value;
    }
}

TEST_F(UiEntries, OptionsDefaultsAndTheirPositions)
{
    auto state = Parse("*OpenUI *KSD_A: PickOne\n"
                       "*DefaultKSD_A: A3\n"
                       "*KSD_A A1: \"one\"\n"
                       "*KSD_A A1: \"again\"\n"
                       "*KSD_A Unknown: \"x\"\n"
                       "*KSD_A: IDList { A2 {A3 \"three<0D>\"} }\n"
                       "*CloseUI: *KSD_A\n"
                       "*OpenUI *KSD_B: PickOne\n"
                       "*KSD_B B1: \"b1\"\n"
                       "*DefaultKSD_B: A1\n"
                       "*CloseUI: *KSD_B\n");
    const UiEntry& a = *state->uiEntries[0];
    EXPECT_EQ(OptionIds(a), (std::vector<std::uint16_t>{1, 2, 3}));
    EXPECT_EQ((*a.options)[0].invocation, "one");  // the first definition stays
    EXPECT_EQ((*a.options)[1].invocation, std::nullopt);
    EXPECT_EQ((*a.options)[2].invocation, "three\r");
    EXPECT_EQ(a.defaultIndex, 2);
    EXPECT_EQ(state->uiEntries[1]->defaultIndex, 0);  // the default is not one of its options
    EXPECT_FALSE(state->openKeyword);
}

TEST_F(UiEntries, VariantAndIdentityEntriesShareTheFirstEntrysRecords)
{
    auto state = Parse("*OpenUI *KSD_B: Identity *KSD_A\n*CloseUI: *KSD_B\n"  // names an entry declared later
                       "*OpenUI *KSD_A: PickOne\n"
                       "*KSD_A A1: \"1\"\n*KSD_A A2: \"2\"\n*KSD_A A3: \"3\"\n"
                       "*DefaultKSD_A: A3\n"
                       "*CloseUI: *KSD_A\n"
                       "*OpenUI *KSD_A 4: Boolean\n"
                       "*OptionCommand: { \"before\" \"after\" }\n"
                       "*CloseUI: *KSD_A\n"
                       "*OpenUI *KSD_NUM: Identity *KSD_A\n*CloseUI: *KSD_NUM\n");
    ASSERT_EQ(state->uiEntries.size(), 4u);
    const UiEntry& early = *state->uiEntries[0];
    const UiEntry& first = *state->uiEntries[1];
    const UiEntry& variant = *state->uiEntries[2];
    const UiEntry& identity = *state->uiEntries[3];

    EXPECT_EQ(early.type, kUiIdentity);
    EXPECT_EQ(early.options, nullptr);

    EXPECT_EQ(variant.variant, 4);
    EXPECT_EQ(variant.type, kUiPickOne);  // a copy of the first entry, type words ignored
    EXPECT_EQ(variant.options, first.options);
    EXPECT_EQ(variant.defaultIndex, 2);  // inherited position kept: 2 of 3 options
    ASSERT_TRUE(variant.commands);
    EXPECT_EQ(variant.commands->before, "before");
    EXPECT_EQ(variant.commands->after, "after");
    EXPECT_EQ(first.commands, nullptr);

    EXPECT_EQ(identity.variant, 501);
    EXPECT_EQ(identity.type, kUiIdentity | kUiPickOne);
    EXPECT_EQ(identity.options, first.options);
    EXPECT_EQ(identity.defaultIndex, 2);

    // Slots hold ordinary and Identity entries, never variant copies.
    EXPECT_EQ(state->header.slots[UiSlotIndex(7)], &first);
    EXPECT_EQ(state->header.slots[UiSlotIndex(11)], &identity);
    EXPECT_EQ(state->optionLists.size(), 1u);  // one list, owned once
}

TEST_F(UiEntries, OpenUiIsRefusedWhileAnEntryIsOpenOrTheSymbolIsUnknown)
{
    auto state = Parse("*OpenUI *KSD_A: PickOne\n"
                       "*OpenUI *KSD_B: PickOne\n"
                       "*KSD_A A1: \"1\"\n"
                       "*CloseUI *KSD_A\n"  // no colon: not a line, the entry stays open
                       "*KSD_A A2: \"2\"\n"
                       "*CloseUI:\n"
                       "*OpenUI *KSD_NOPE: PickOne\n"
                       "*OpenUI KSD_B: PickOne\n");
    ASSERT_EQ(state->uiEntries.size(), 1u);
    EXPECT_EQ(OptionIds(*state->uiEntries[0]), (std::vector<std::uint16_t>{1, 2}));
}

TEST_F(UiEntries, TheLeadingWordOfANumericValueTakesEitherSign)
{
    const std::pair<const char*, std::uint16_t> cases[] = {{"7", 7}, {"+7", 7}, {"-7", 0xFFF9}, {"x", 0}};
    for (const auto& [word, leading] : cases) {
        auto state = Parse(std::string("*OpenUI *KSD_NUM: Numeric\n*NumericValue: ") + word +
                           " \"0 5 1 10\"\n*CloseUI: *KSD_NUM\n");
        ASSERT_TRUE(state->uiEntries[0]->numeric) << word;
        EXPECT_EQ(state->uiEntries[0]->numeric->leadingValue, leading) << word;
        EXPECT_EQ(state->uiEntries[0]->numeric->maximum, 10) << word;
    }
}

TEST_F(UiEntries, ValueRecordsFollowTheEntrysOwnType)
{
    auto state = Parse("*OpenUI *KSD_SW: Boolean\n"
                       "*KSD_SW True: \"on\"\n*KSD_SW False: \"off\"\n*DefaultKSD_SW: True\n"
                       "*CloseUI: *KSD_SW\n"
                       "*OpenUI *KSD_NUM: Numeric\n"
                       "*KSD_NUM True: \"not a Boolean\"\n"
                       "*NumericValue: 7 \"0 5 1 10 20 21 22 23 24\"\n"
                       "*KSD_NUM False: \"still not\"\n"
                       "*StringValue: 12 ASCII\n"
                       "*CloseUI: *KSD_NUM\n"
                       "*OpenUI *KSD_STR: String\n"
                       "*StringValue: 8 ASCII | Password\n"
                       "*DefaultKSD_STR: S_DEF\n"
                       "*NumericValue: \"1 2 3 4\"\n"
                       "*CloseUI: *KSD_STR\n"
                       "*OpenUI *KSD_B: String\n*StringValue: 8 ASCII| Password\n*CloseUI: *KSD_B\n");
    const UiEntry& sw = *state->uiEntries[0];
    ASSERT_TRUE(sw.boolean);
    EXPECT_EQ(sw.boolean->defaultValue, 1);
    EXPECT_EQ(sw.boolean->trueInvocation, "on");
    EXPECT_EQ(sw.boolean->falseInvocation, "off");

    const UiEntry& num = *state->uiEntries[1];
    EXPECT_EQ(num.boolean, nullptr);
    EXPECT_EQ(num.text, nullptr);
    ASSERT_TRUE(num.numeric);
    EXPECT_EQ(num.numeric->leadingValue, 7);
    EXPECT_EQ(num.numeric->firstValue, 0);
    EXPECT_EQ(num.numeric->defaultValue, 5);
    EXPECT_EQ(num.numeric->minimum, 1);
    EXPECT_EQ(num.numeric->maximum, 10);
    EXPECT_EQ(num.numeric->moreValues, (std::array<std::uint16_t, 4>{20, 21, 22, 23}));

    const UiEntry& str = *state->uiEntries[2];
    EXPECT_EQ(str.numeric, nullptr);
    ASSERT_TRUE(str.text);
    EXPECT_EQ(str.text->maxLength, 8);
    EXPECT_EQ(str.text->characterSet, 0x02);
    EXPECT_EQ(str.text->displayFlags, 0x100);
    EXPECT_EQ(str.text->defaultOption, 40);

    ASSERT_TRUE(state->uiEntries[3]->text);
    EXPECT_EQ(state->uiEntries[3]->text->displayFlags, 0);  // the bar must stand apart from the word

    EXPECT_EQ(GetModelDefaultOption(58, *state), 1u);
    EXPECT_EQ(GetModelDefaultOption(11, *state), 5u);
    EXPECT_EQ(GetModelDefaultOption(202, *state), 40u);
}

TEST_F(UiEntries, PaperAndTrayOptionsCarryGeometryAndPapers)
{
    auto state = Parse("*OpenUI *KSD_PAGE: PickPage\n"
                       "*KSD_PAGE P_A4: \"a4\"\n*KSD_PAGE P_LTR: \"letter\"\n"
                       "*PageMMValue p P_A4: \"2100 2970\"\n"
                       "*PageValue p P_A4: RES600 PORTRAIT \"118 118 4724 6778 4960 7014\"\n"
                       "*PageValue p P_A4: 300 LANDSCAPE KSD_SW True \"1 2\"\n"
                       "*PageValue p P_A4: 600 PORTRAIT\n"
                       "*PageValue p P_A4: 0 PORTRAIT \"1\"\n"
                       "*PageValue p P_A4: 600 Sideways \"1\"\n"
                       "*PageValue p P_A4: 600 PORTRAIT KSD_NOPE True \"1\"\n"
                       "*CloseUI: *KSD_PAGE\n"
                       "*OpenUI *KSD_TRAY: PickSlot\n"
                       "*KSD_TRAY T1: \"t1\"\n*KSD_TRAY T2: \"t2\"\n"
                       "*SlotPaper s T1: { P_A4 P_LTR }\n"
                       "*SlotPaper s T2: { P_A4,P_LTR }\n"
                       "*SlotPaper s T2: { P_A4 Unknown }\n"
                       "*PageMMValue p T1: \"1 2\"\n"  // not a paper list: ignored
                       "*CloseUI: *KSD_TRAY\n");
    const UiOption& a4 = (*state->uiEntries[0]->options)[0];
    EXPECT_EQ(a4.width, 2100);
    EXPECT_EQ(a4.length, 2970);
    ASSERT_EQ(a4.pageValues.size(), 3u);
    const PageValueRecord& first = a4.pageValues[0];
    EXPECT_EQ(first.resolutionKey, 600);
    EXPECT_EQ(first.orientationKey, 1);
    EXPECT_EQ(first.conditionKey, 0);
    EXPECT_EQ(first.xOrigin, 118);
    EXPECT_EQ(first.paperLength, 7014);
    const PageValueRecord& conditioned = a4.pageValues[1];
    EXPECT_EQ(conditioned.resolutionKey, 300);
    EXPECT_EQ(conditioned.orientationKey, 2);
    EXPECT_EQ(conditioned.conditionKey, 503);
    EXPECT_EQ(conditioned.conditionValue, 1);
    EXPECT_EQ(conditioned.yOrigin, 2);
    EXPECT_EQ(conditioned.width, 0);
    const PageValueRecord& keysOnly = a4.pageValues[2];  // no quoted part: kept with its keys
    EXPECT_EQ(keysOnly.resolutionKey, 600);
    EXPECT_EQ(keysOnly.xOrigin, 0);

    const UiOptionList& trays = *state->uiEntries[1]->options;
    EXPECT_EQ(trays[0].papers, (std::vector<std::uint16_t>{9, 1}));
    EXPECT_EQ(trays[1].papers, (std::vector<std::uint16_t>{9, 1}));  // an unknown paper left it unchanged
    EXPECT_EQ(trays[0].width, 0);
}

}  // namespace
}  // namespace vexl::model
