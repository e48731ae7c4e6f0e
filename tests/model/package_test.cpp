// The model description of the driver package, compiled whole.
#include "common/model/commands.h"
#include "common/model/judges.h"
#include "common/model/reader.h"
#include "common/model/ui_entries.h"

#include "description_lines.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vexl::model {
namespace {

const std::filesystem::path kPackage = std::filesystem::path(VEXL_SOURCE_DIR) / "package";

class PackageDescription : public vexl::test::MachineTest {
protected:
    void SetUp() override { machine::InstallFile(kPackage / "TZ16E1MD.VXD", u"C:\\drivers\\TZ16E1MD.VXD"); }

    const DescriptionNames& names_ = ModelDatabaseNames();
    const UiEntry* Entry(const CompileState& state, std::string_view symbol, std::uint16_t variant = 0)
    {
        std::optional<SymbolRef> ref = names_.FindSymbol(symbol);
        EXPECT_TRUE(ref) << symbol;
        return ref ? FindOpenUiEntryVariant(ref->key, variant, state) : nullptr;
    }
};

TEST_F(PackageDescription, EveryLineIsTaken)
{
    CompileState state(names_);
    const int lines = test::ExpectEveryDescriptionLineTaken(u"C:\\drivers\\TZ16E1MD.VXD", state);
    EXPECT_GT(lines, 280);
}

TEST_F(PackageDescription, CompilesIntoItsEntriesConstraintsAndCommands)
{
    std::unique_ptr<CompileState> state = ParseDescriptionFile(u"C:\\drivers\\TZ16E1MD.VXD", names_);
    ASSERT_TRUE(state);
    EXPECT_EQ(std::u16string(state->header.fileVersion), u"7.60");
    EXPECT_EQ(state->header.uiResDllName, u"TZ16E1US.DLL");
    EXPECT_GE(state->uiEntries.size(), 35u);
    EXPECT_FALSE(state->openKeyword);

    // Papers: every option has its size and a portrait and a landscape case.
    const UiEntry* paper = Entry(*state, "KSD_dmPaperSize");
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper->type, kUiPickPage);
    EXPECT_EQ(GetModelDefaultOption(8, *state), 9u);
    ASSERT_EQ(paper->options->size(), 9u);
    for (const UiOption& option : *paper->options) {
        EXPECT_TRUE(option.invocation) << option.optionId;
        EXPECT_GT(option.width, 0) << option.optionId;
        ASSERT_GE(option.pageValues.size(), 2u) << option.optionId;
        EXPECT_EQ(option.pageValues[0].orientationKey, 1);
        EXPECT_EQ(option.pageValues[1].orientationKey, 2);
        EXPECT_EQ(option.pageValues[0].paperWidth, option.pageValues[1].paperLength);
    }
    const UiOption& a4 = *FindOptionById(9, paper->options);
    EXPECT_EQ(a4.width, 2100);
    EXPECT_EQ(a4.pageValues[0].paperWidth, 4961);
    ASSERT_EQ(a4.pageValues.size(), 3u);
    EXPECT_EQ(a4.pageValues[2].conditionValue, 1);

    const UiEntry* source = Entry(*state, "KSD_dmDefaultSource");
    EXPECT_EQ(GetModelDefaultOption(13, *state), 7u);
    EXPECT_EQ(FindOptionById(4, source->options)->papers.size(), 8u);
    EXPECT_TRUE(FindOptionById(7, source->options)->papers.empty());

    // The punch switch and type have no entry: their own item rules keep them.
    for (const auto& entry : state->uiEntries) {
        EXPECT_NE(entry->itemId, 62) << "rdmFuncSelectPunch";
        EXPECT_NE(entry->itemId, 120) << "rdmPunchType";
    }

    // Settings that later code relies on.
    EXPECT_EQ(GetModelDefaultOption(242, *state), 1u);  // rdmDriverType
    EXPECT_EQ(GetModelDefaultOption(12, *state), 1u);   // dmCopies
    EXPECT_EQ(Entry(*state, "KSD_dmCopies")->numeric->maximum, 999);
    EXPECT_EQ(Entry(*state, "KSD_rdmUserID")->text->displayFlags, 0x100);
    EXPECT_EQ(Entry(*state, "KSD_dmDitherType")->type, kUiPickOne | kUiTypeUnknown);
    EXPECT_EQ(Entry(*state, "KSD_rdmImagePrint")->type, kUiPickMany);
    const UiEntry* yResolution = Entry(*state, "KSD_dmYResolution", names_.FindSymbol("KSD_dmPrintQuality")->key);
    ASSERT_TRUE(yResolution);
    EXPECT_EQ(yResolution->options, Entry(*state, "KSD_dmPrintQuality")->options);
    const UiEntry* both = Entry(*state, "KSD_rdmDstResolutionBoth");
    const UiEntry* variant = Entry(*state, "KSD_rdmDstResolutionBoth", 1);
    ASSERT_TRUE(variant);
    EXPECT_EQ(variant->options, both->options);
    EXPECT_EQ(both->defaultIndex, 0);
    EXPECT_EQ(variant->defaultIndex, 1);
    EXPECT_TRUE(variant->commands);
    const UiOption& substitution = *FindOptionById(2, Entry(*state, "KSD_rdmTTFont")->options);
    EXPECT_EQ(substitution.deviceFontNames, (std::vector<std::string>{"Helvetica", "Times", "Courier"}));

    // Constraints.
    EXPECT_EQ(state->judges.size(), 16u);
    const JudgeRecord& staplesOff = *FindJudgeByNumber(*state, 11);
    EXPECT_EQ(staplesOff.code, (std::vector<JudgeOp>{{kJudgeItem, 63},
                                                     {kJudgeConstant, 1},
                                                     {kJudgeOperator, 1},
                                                     {kJudgeOperator, 5},
                                                     {kJudgeOperator, kJudgeEndCode}}));
    EXPECT_EQ(FindJudgeByNumber(*state, 8)->code.size(), 16u);  // two named judges inlined: 7 + 7 + && + end
    EXPECT_EQ(state->items.size(), 4u);
    EXPECT_EQ(state->actions.size(), 6u);
    EXPECT_EQ(state->actions[2].entries[0].kind, kActionPage);
    EXPECT_EQ(state->actions[0].entries[0].value, 1u);  // the default of rdmDuplexType
    EXPECT_EQ(state->transacts.size(), 5u);
    EXPECT_EQ(state->alertActions[0].entries.size(), 2u);
    EXPECT_EQ(state->alerts[0].entries[0].icon, 0x30);
    ASSERT_EQ(state->exclusives.size(), 13u);
    const ExclusiveRecord& convert = state->exclusives[11];
    EXPECT_EQ(convert.symbolKey, names_.FindSymbol("KSD_ConvertDevmode")->key);
    EXPECT_EQ(convert.transact1, 3u);
    const ActionEntry& upgrade = state->actions[4].entries[0];
    EXPECT_EQ(upgrade.target, 1020);
    EXPECT_EQ(upgrade.value, 322u);

    // Chapters: the limits, and the chapter tray that leaves the bypass tray.
    EXPECT_EQ(Entry(*state, "KSD_wdmChapterMax")->numeric->defaultValue, 10);
    EXPECT_EQ(Entry(*state, "KSD_wdmChapterTrayMax")->numeric->defaultValue, 2);
    const UiEntry* chapterTray = Entry(*state, "KSD_wdmChapterTray");
    ASSERT_TRUE(chapterTray);
    ASSERT_EQ(chapterTray->options->size(), 5u);
    EXPECT_TRUE(FindOptionById(13260, chapterTray->options));
    const ExclusiveRecord& chapter = state->exclusives.back();
    EXPECT_EQ(chapter.symbolKey, names_.FindSymbol("KSD_wdmChapterTray")->key);
    EXPECT_EQ(chapter.transact1, 5u);

    // Commands and fonts.
    EXPECT_EQ(state->commandStrings.size(), 13u);
    EXPECT_EQ(FindCommandString(*state, 1)->bytes, "\x1b%-12345X@PJL\r\n");
    EXPECT_EQ(FindCommandString(*state, 2)->bytes, "@PJL JOB NAME=\"VEXL\"\r\n");
    EXPECT_EQ(FindCommandString(*state, 10)->bytes, "\x1b"
                                                    "E");
    for (const auto& group : state->header.groups) EXPECT_TRUE(group);
    const auto& job = state->header.groups[kJobStart]->thenList;
    ASSERT_EQ(job.size(), 17u);
    const CommandBlock& finishing = *job[8].block;
    ASSERT_EQ(finishing.elseList.size(), 1u);
    EXPECT_EQ(finishing.elseList[0].block->elseList[0].stringNumber, 6);
    EXPECT_EQ(state->header.deviceFonts.size(), 5u);
    EXPECT_EQ(state->header.fontCartridges.size(), 2u);
    EXPECT_EQ(state->header.fontCartridges[0].fontId, 101);
}

}  // namespace
}  // namespace vexl::model
