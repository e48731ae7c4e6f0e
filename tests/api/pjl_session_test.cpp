// PJL lines applied to an exclusive handle on the package's printer: the
// values recorded, the full text, the change text against the base text,
// the rebuilt base, value lists, value texts and watermark blocks.
#include "api/exclusive.h"
#include "api/pjl_session.h"
#include "api/pjl_values.h"
#include "common/core/items.h"
#include "common/model/pjl_table.h"
#include "common/storage/ini_lists.h"
#include "support/integration_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace vexl::api {
namespace {

using test::kDescriptionFile;
using test::kPackageFolder;

constexpr const char* kPrinter = "Office [2nd floor]";
constexpr const char* kBase = "@PJL SET APLPAGESIZE = A4 \r\n"
                              "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
                              "@PJL SET PAPER = A4 \r\n"
                              "@PJL SET TRAY = TRAY1 \r\n";

std::string ReadPackageDescription()
{
    std::ifstream file(kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The package's printer, whose description writes its copies as a line of
// the system's form and gives the scale a range of four numbers only.
class PjlSessionTest : public test::MachineTest {
protected:
    void SetUp() override
    {
        test::InstallDriverPrinter();
        std::string description = ReadPackageDescription();
        description = Replaced(description, "*OptionCommand: { \"@PJL SET COPIES=\" \"<0D0A>\" }",
                               "*OptionCommand: { \"@PJL SET COPIES = \" \" <0D0A>\" }");
        machine::WriteFile(kDescriptionFile, description);
        handle_ = OpenExclusiveSession(kPrinter);
        ASSERT_NE(handle_, nullptr);
        session_ = FindExclusiveSession(handle_);
        ASSERT_NE(session_, nullptr);
    }
    void TearDown() override
    {
        CloseExclusiveSession(handle_);
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
    }

    ExclusiveSession& session() { return *session_; }
    DriverContext* context() { return session_->context; }
    const PjlVariable& Row(const char* name)
    {
        const PjlVariable* row =
            FindPjlVariable(name, kPjlAccessCommand | kPjlAccessPrinterOption | kPjlAccessPrinterValue);
        EXPECT_NE(row, nullptr) << name;
        return *row;
    }
    std::uint32_t Recorded(std::uint32_t item) { return session_->values[item - 1]; }
    bool Held(std::uint32_t item) { return session_->setFlags[item - 1] != 0; }
    void Apply(const char* name, const char* value, PjlApplyMode mode = PjlApplyMode::kInitial)
    {
        ApplyPjlVariable(session(), Row(name), value, mode);
    }
    std::string Change() { return session_->changeText.value_or("<none>"); }
    std::string Base() { return session_->baseText.value_or("<none>"); }

    void* handle_ = nullptr;
    ExclusiveSession* session_ = nullptr;
};

// A list of zero-terminated words as one string with '|' between them.
std::string Words(const std::string& list)
{
    if (list.empty()) return "<empty>";
    EXPECT_EQ(list.back(), '\0');
    EXPECT_EQ(list[list.size() - 2], '\0');
    std::string words;
    for (char c : std::string_view(list).substr(0, list.size() - 2)) words += c == '\0' ? '|' : c;
    return words;
}

TEST_F(PjlSessionTest, AWordStoresItsOptionWithItsSideSettings)
{
    // CUSTOM stands for 393 whether or not the multi-purpose tray is there.
    Apply("PAPER", "CUSTOM");
    EXPECT_EQ(Recorded(rdmOutPaperSize), 393u);
    SetItemValue(context(), rdmSourceOptionTypeMulti, 1);
    Apply("PAPER", "A3");
    Apply("PAPER", "CUSTOM");
    EXPECT_EQ(Recorded(rdmOutPaperSize), 393u);

    Apply("NUP", "4IN1P2");
    EXPECT_EQ(Recorded(rdmNUPType), 37u);
    EXPECT_EQ(Recorded(rdmNUPPOSTKind), 2u);
    EXPECT_EQ(Recorded(rdmFuncSelectNup), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmNUPType), 37u);
    // OFF leaves the N-up type as it is and turns N-up off.
    Apply("NUP", "OFF");
    EXPECT_EQ(Recorded(rdmNUPType), 37u);
    EXPECT_EQ(Recorded(rdmFuncSelectNup), 0u);

    // Unknown words and alias-only words change nothing.
    Apply("TRAY", "TRAY9");
    Apply("OUTBIN", "MANUAL");
    EXPECT_FALSE(Held(dmDefaultSource));
    EXPECT_FALSE(Held(rdmOutputTrayID));
}

TEST_F(PjlSessionTest, TheFullTextWritesRecordedValuesInItemOrder)
{
    RecordPjlValue(session(), rdmOutPaperSize, 385, PjlApplyMode::kInitial);
    RecordPjlValue(session(), rdmSortType, 1, PjlApplyMode::kInitial);
    RecordPjlValue(session(), rdmFuncSelectSort, 0, PjlApplyMode::kInitial);
    RecordPjlValue(session(), dmCopies, 3, PjlApplyMode::kInitial);
    // rdmFuncSelectSort is written through COLLATE, once, and sorting off
    // wins over the recorded sort type.
    EXPECT_EQ(BuildPjlFullText(session()), "@PJL SET COPIES = 3 \r\n"
                                           "@PJL SET PAPER = CUSTOM \r\n"
                                           "@PJL SET COLLATE = OFF \r\n");
    RecordPjlValue(session(), rdmFuncSelectSort, 1, PjlApplyMode::kInitial);
    EXPECT_EQ(BuildPjlFullText(session()), "@PJL SET COPIES = 3 \r\n"
                                           "@PJL SET PAPER = CUSTOM \r\n"
                                           "@PJL SET COLLATE = SORT \r\n");
    // A value no option carries writes no line.
    RecordPjlValue(session(), dmDefaultSource, 999, PjlApplyMode::kInitial);
    EXPECT_EQ(BuildPjlFullText(session()).find("TRAY"), std::string::npos);
}

TEST_F(PjlSessionTest, ABaseTextNeedsItsRequiredVariables)
{
    EXPECT_EQ(SetPjlCommandBase(session(), nullptr), -2);
    EXPECT_EQ(SetPjlCommandBase(session(), ""), -2);
    EXPECT_EQ(SetPjlCommandBase(session(), "@PJL SET APLPAGESIZE = A4 \r\n@PJL SET PAPER = A4 \r\n"
                                           "@PJL SET TRAY = TRAY1 \r\n"),
              -2);
    EXPECT_FALSE(session().baseText);
    EXPECT_FALSE(Held(dmPaperSize));  // the handle was reset
    // A malformed line stops the text; what came before it stays applied.
    EXPECT_EQ(SetPjlCommandBase(session(), "@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY=TRAY1\r\n"), -1);
    EXPECT_FALSE(session().baseText);
    EXPECT_EQ(Recorded(dmPaperSize), 8u);
    EXPECT_EQ(SetPjlCommandBase(session(), (std::string(kBase) + "\r\n").c_str()), -1);
}

TEST_F(PjlSessionTest, TheBaseIsRebuiltWithTheValuesTaken)
{
    const std::string base = std::string(kBase) + "@PJL SET JOBNAME = X \r\n"
                                                  "@PJL SET PAPER = A3 \r\n"
                                                  "@PJL SET COPIES = 2 \r\n";
    const int result = SetPjlCommandBase(session(), base.c_str());
    ASSERT_GE(result, 0);
    // The later PAPER line wins; the change compares with the first one.
    EXPECT_EQ(Recorded(rdmOutPaperSize), 8u);
    EXPECT_NE(Change().find("@PJL SET PAPER = A3 \r\n"), std::string::npos) << Change();
    EXPECT_EQ(result, 1);
    // The unknown JOBNAME is dropped, both PAPER lines carry the value taken.
    EXPECT_EQ(Base(), "@PJL SET APLPAGESIZE = A4 \r\n"
                      "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
                      "@PJL SET PAPER = A3 \r\n"
                      "@PJL SET TRAY = TRAY1 \r\n"
                      "@PJL SET PAPER = A3 \r\n"
                      "@PJL SET COPIES = 2 \r\n");
}

TEST_F(PjlSessionTest, AnUpdateOfAVariableTheBaseDidNotSetChangesNothing)
{
    ASSERT_GE(SetPjlCommandBase(session(), kBase), 0);
    const std::string base = Base();
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET NUP = 2IN1P1 \r\n"), 0);
    EXPECT_FALSE(Held(rdmNUPType));
    EXPECT_EQ(Base(), base);
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET UNKNOWN = 1 \r\n"), 0);
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET TRAY=TRAY1\r\n"), -1);
}

TEST_F(PjlSessionTest, AnUpdateTheModelTakesLeavesNoChangeText)
{
    ASSERT_GE(SetPjlCommandBase(session(), kBase), 0);
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET APLPAGELAYOUT = LANDSCAPE \r\n"), 0) << Change();
    EXPECT_FALSE(session().changeText);
    EXPECT_NE(Base().find("@PJL SET APLPAGELAYOUT = LANDSCAPE \r\n"), std::string::npos) << Base();
}

// The source resolution leads; the output resolution follows it.
constexpr const char* kResolutionBase = "@PJL SET APLPAGESIZE = A3 \r\n"
                                        "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
                                        "@PJL SET PAPER = A3 \r\n"
                                        "@PJL SET TRAY = TRAY1 \r\n"
                                        "@PJL SET SRCRESOLUTIONW = 600 \r\n"
                                        "@PJL SET DSTRESOLUTIONW = 600 \r\n";

TEST_F(PjlSessionTest, AnUpdateBringsTheLinesItChangesToo)
{
    ASSERT_EQ(SetPjlCommandBase(session(), kResolutionBase), 0) << Change();
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET SRCRESOLUTIONW = 1200 \r\n"), 1);
    EXPECT_EQ(Change(), "@PJL SET DSTRESOLUTIONW = 1200 \r\n");
    EXPECT_NE(Base().find("@PJL SET SRCRESOLUTIONW = 1200 \r\n@PJL SET DSTRESOLUTIONW = 1200 \r\n"), std::string::npos)
        << Base();
    // Asking for what the model already derived changes nothing more.
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET DSTRESOLUTIONW = 1200 \r\n"), 0);
    EXPECT_FALSE(session().changeText);
}

TEST_F(PjlSessionTest, ARefusedUpdateComesBackWithTheValueKept)
{
    ASSERT_EQ(SetPjlCommandBase(session(), kResolutionBase), 0) << Change();
    EXPECT_EQ(UpdatePjlCommand(session(), "@PJL SET DSTRESOLUTIONW = 1200 \r\n"), 1);
    EXPECT_EQ(Change(), "@PJL SET DSTRESOLUTIONW = 600 \r\n");
    EXPECT_NE(Base().find("@PJL SET DSTRESOLUTIONW = 600 \r\n"), std::string::npos) << Base();
}

TEST_F(PjlSessionTest, ValueListsOfOwnAndModelVariables)
{
    ASSERT_GE(SetPjlCommandBase(session(), kBase), 0);
    EXPECT_EQ(Words(ListPjlCommandValues(session(), Row("NUP"), false)),
              "2IN1P1|2IN1P2|4IN1P1|4IN1P2|4IN1P3|4IN1P4|9IN1P1|9IN1P2|9IN1P3|9IN1P4|"
              "16IN1P1|16IN1P2|16IN1P3|16IN1P4|OFF");
    // OUTBIN's only option is an alias.
    EXPECT_EQ(Words(ListPjlCommandValues(session(), Row("OUTBIN"), false)), "<empty>");
    EXPECT_EQ(Words(ListPjlPrinterOptions(context(), Row("OUTBIN"))), "<empty>");
    // The ten CUSTOM options are offered with the multi-purpose tray.
    EXPECT_EQ(Words(ListPjlPrinterOptions(context(), Row("PAPER"))),
              "SAME|A3|A4|A5|JISB4|LEDGER|LETTER|LEGAL|FGL|FOLIO");
    SetItemValue(context(), rdmSourceOptionTypeMulti, 1);
    EXPECT_EQ(Words(ListPjlPrinterOptions(context(), Row("PAPER"))),
              "SAME|A3|A4|A5|JISB4|LEDGER|LETTER|LEGAL|FGL|FOLIO|"
              "CUSTOM|CUSTOM|CUSTOM|CUSTOM|CUSTOM|CUSTOM|CUSTOM|CUSTOM|CUSTOM|CUSTOM");
    // Copies: minimum, maximum and the sixth number of the range.
    EXPECT_EQ(Words(ListPjlCommandValues(session(), Row("COPIES"), false)), "1|999|0");
}

TEST_F(PjlSessionTest, ACheckedListKeepsTheDeviceModeAndTheHandle)
{
    ASSERT_GE(SetPjlCommandBase(session(), kBase), 0);
    const std::vector<std::uint8_t> devmode = test::DevmodeBytes(context());
    const auto flags = session().setFlags;
    const auto values = session().values;
    const std::string checked = ListPjlCommandValues(session(), Row("APLPAGELAYOUT"), true);
    EXPECT_NE(Words(checked).find("PORTRAIT"), std::string::npos) << Words(checked);
    EXPECT_EQ(test::DevmodeBytes(context()), devmode);
    EXPECT_EQ(session().setFlags, flags);
    EXPECT_EQ(session().values, values);
}

TEST_F(PjlSessionTest, NumericTextsScaleWithoutDividingByZero)
{
    // The scale's range has four numbers only: no seventh or eighth number.
    const BlockOffset scale = FindUiEntryForVariable(context(), dmScale, 0);
    ASSERT_NE(scale, 0u);
    EXPECT_EQ(FormatPjlValue(context(), dmScale, scale, PjlValueFormat::kNumeric, 150), "150");
    EXPECT_EQ(ParsePjlValue(context(), dmScale, scale, PjlValueFormat::kNumeric, "150"), 150u);
    EXPECT_EQ(ParsePjlValue(context(), dmScale, scale, PjlValueFormat::kNumeric, "15x"), std::nullopt);
    EXPECT_EQ(ParsePjlValue(context(), dmScale, scale, PjlValueFormat::kNumeric, "99999999999"), 0x7FFFFFFFu);
    // An entry that is not numeric writes "0"; an enumeration its invocation.
    const BlockOffset orientation = FindUiEntryForVariable(context(), dmOrientation, 0);
    EXPECT_EQ(FormatPjlValue(context(), dmOrientation, orientation, PjlValueFormat::kNumeric, 1), "0");
    const std::string portrait = FormatPjlValue(context(), dmOrientation, orientation, PjlValueFormat::kEnumeration,
                                                GetItemOption(context(), dmOrientation));
    EXPECT_EQ(portrait, "@PJL SET ORIENTATION=PORTRAIT\r\n");
    EXPECT_EQ(ParsePjlValue(context(), dmOrientation, orientation, PjlValueFormat::kEnumeration, portrait),
              GetItemOption(context(), dmOrientation));
    EXPECT_EQ(ParsePjlValue(context(), dmOrientation, orientation, PjlValueFormat::kEnumeration, "nothing"), 0u);
}

TEST_F(PjlSessionTest, WatermarkListsHoldOneBlockPerStampOfTheKind)
{
    EXPECT_EQ(BuildWatermarkList(context(), 0), "");
    // Two text stamps and an image stamp in the printer's settings.
    const std::uint32_t kinds[] = {1, 2, 1};
    for (int slot = 0; slot < 3; ++slot) {
        SetItemValue(context(), rdmWmKind, kinds[slot]);
        SaveStampSlot(context(), slot);
    }
    ASSERT_TRUE(SetStampCount(context(), 3));
    SetItemValue(context(), rdmWmKind, 0);
    const std::vector<std::uint8_t> devmode = test::DevmodeBytes(context());
    // Without watermark entries in the description only the literal line
    // is written.
    const std::string block = "@PJL SET WMKORDER = PAPER \r\n";
    EXPECT_EQ(BuildWatermarkList(context(), 0), block + '\0' + block + '\0' + '\0');
    EXPECT_EQ(BuildWatermarkList(context(), 7), block + '\0' + '\0');
    EXPECT_EQ(test::DevmodeBytes(context()), devmode);
}

}  // namespace
}  // namespace vexl::api
