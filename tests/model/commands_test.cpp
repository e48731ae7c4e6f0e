#include "common/model/commands.h"
#include "common/model/reader.h"

#include "fixture_names.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::model {
namespace {

class Commands : public ::testing::Test {
protected:
    std::unique_ptr<CompileState> Parse(const std::string& text)
    {
        auto state = ParseDescriptionText(text, names_);
        EXPECT_TRUE(state);
        return state;
    }

    test::FixtureNames names_ = test::SmallModelNames();
};

TEST_F(Commands, CommandStringsDecodeEscapesAndStopAtNul)
{
    auto state = Parse("*CommandString 5: \"@PJL SET DENSITY=50%%<0D0A>\"\n"
                       "*CommandString 5: \"second\"\n"
                       "*CommandString 6: \"ab<00>cd\"\n"
                       "*CommandString 7: raw text%\n"  // unquoted: raw text; the final '%' escapes nothing
                       "*CommandString 8: \"\"\n"
                       "*CommandString 9:\n");
    ASSERT_EQ(state->commandStrings.size(), 4u);
    EXPECT_EQ(FindCommandString(*state, 5)->bytes, "@PJL SET DENSITY=50%\r\n");
    EXPECT_EQ(FindCommandString(*state, 65536 + 5)->bytes, "@PJL SET DENSITY=50%\r\n");
    EXPECT_EQ(FindCommandString(*state, 6)->bytes, "ab");
    EXPECT_EQ(FindCommandString(*state, 6)->Length(), 3);
    EXPECT_EQ(FindCommandString(*state, 7)->bytes, "raw text");
    EXPECT_EQ(FindCommandString(*state, 8), nullptr);
}

TEST_F(Commands, GroupsNestCommandsWithElseAndElseIf)
{
    auto state = Parse(
        "*Judge 1=SwOn: KSD_SW == 1\n"
        "*Judge 2=BIs2: KSD_B == B2\n"
        "*CommandGroup: JobStart {\n"
        "  Type : StringType 1\n"
        "  Type : GroupType KSD_A 3\n"
        "  Type : GroupType KSD_B\n"
        "  Type : FontType\n"
        "  Command : SwOn { Type : StringType 2 } Else { Type : StringType 3 }\n"
        "  Command : BIs2 { Type : StringType 4 } ElseIf : Judge1 { Type : StringType 5 } Else { Type : FontType }\n"
        "  Command : Unknown { Type : StringType 6 } Else { Type : StringType 7 }\n"
        "  Command : SwOn Type : StringType 8\n"
        "  Type : StringType 9\n"
        "}\n"
        "*CommandGroup: PageEnd { Type : Bogus 1 }\n"
        "*CommandGroup: Nowhere { Type : StringType 1 }\n"
        "*CommandGroup: DocReset { Type: StringType 1 Type : StringType 2 }\n");
    const CommandBlock* job = state->header.groups[kJobStart].get();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->judge, 0);
    const auto& nodes = job->thenList;
    ASSERT_EQ(nodes.size(), 7u);
    EXPECT_EQ(nodes[0].kind, kNodeStringType);
    EXPECT_EQ(nodes[0].stringNumber, 1);
    EXPECT_EQ(nodes[1].kind, kNodeGroupType);
    EXPECT_EQ(nodes[1].symbolKey, 501);
    EXPECT_EQ(nodes[1].format, 3);
    EXPECT_EQ(nodes[2].symbolKey, 502);
    EXPECT_EQ(nodes[2].format, 0);
    EXPECT_EQ(nodes[3].kind, kNodeFontType);

    const CommandBlock& ifElse = *nodes[4].block;
    EXPECT_EQ(ifElse.judge, 1);
    EXPECT_EQ(ifElse.thenList[0].stringNumber, 2);
    EXPECT_EQ(ifElse.elseList[0].stringNumber, 3);

    const CommandBlock& chain = *nodes[5].block;  // ElseIf: one Command node with its own Else
    EXPECT_EQ(chain.judge, 2);
    ASSERT_EQ(chain.elseList.size(), 1u);
    const CommandBlock& inner = *chain.elseList[0].block;
    EXPECT_EQ(inner.judge, 1);
    EXPECT_EQ(inner.thenList[0].stringNumber, 5);
    EXPECT_EQ(inner.elseList[0].kind, kNodeFontType);

    // An unknown judge name cannot have an Else part: the Else is no statement
    // and ends the group's list there... so the statement after it is lost.
    const CommandBlock& unknown = *nodes[6].block;
    EXPECT_EQ(unknown.judge, 0);
    EXPECT_TRUE(unknown.elseList.empty());

    EXPECT_EQ(state->header.groups[kPageEnd], nullptr);  // nothing known in it
    const CommandBlock* reset = state->header.groups[kDocReset].get();
    ASSERT_TRUE(reset);  // "Type:" glued: its statement reads on to the next colon
    ASSERT_EQ(reset->thenList.size(), 1u);
    EXPECT_EQ(reset->thenList[0].stringNumber, 2);
}

TEST_F(Commands, FontListsAndSubstitutions)
{
    auto state = Parse("*DeviceFonts: IDList { {\"Courier\" 1} {\"A Font Name Of Exactly Forty Characters!\" 2}\n"
                       "  {3} {\"Symbol\" 4} }\n"
                       "*FontCartridge: IDList {{\"Barcode\" 101} {\"OCR\" 102}}\n"
                       "*FontCartridge: IDList { }\n"
                       "*OpenUI *KSD_FONT: FontTbl\n"
                       "*KSD_FONT F1: \"\"\n*KSD_FONT F2: \"\"\n"
                       "*TTFS t F2: IDList { {\"Arial\" \"Helvetica\"} {\"Times New Roman\" \"Times\"} {\"Lonely\"} }\n"
                       "*CloseUI: *KSD_FONT\n");
    const auto& fonts = state->header.deviceFonts;
    ASSERT_EQ(fonts.size(), 2u);  // the third entry has no name: reading ends there
    EXPECT_EQ(fonts[0].name, "Courier");
    EXPECT_EQ(fonts[0].fontId, 1);
    EXPECT_EQ(fonts[1].name.size(), 40u);
    EXPECT_EQ(fonts[1].fontId, 2);

    const auto& cartridges = state->header.fontCartridges;  // an empty list replaces nothing
    ASSERT_EQ(cartridges.size(), 2u);
    EXPECT_EQ(cartridges[1].name, "OCR");
    EXPECT_EQ(cartridges[1].fontId, 102);

    const UiOptionList& options = *state->uiEntries[0]->options;
    EXPECT_TRUE(options[0].faceNames.empty());
    EXPECT_EQ(options[1].faceNames, (std::vector<std::string>{"Arial", "Times New Roman"}));
    EXPECT_EQ(options[1].deviceFontNames, (std::vector<std::string>{"Helvetica", "Times"}));
}

}  // namespace
}  // namespace vexl::model
