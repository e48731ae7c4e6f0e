// The settings interface's test printer: its description compiles whole,
// and the entries, constraints, transactions and alerts the interface's
// answers rest on are there.
#include "interface_printer.h"
#include "model/description_lines.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/model/compile_state.h"
#include "common/model/constraints.h"
#include "common/model/reader.h"
#include "common/model/ui_lookup.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

using namespace model;

TEST_F(InterfacePrinterTest, EveryDescriptionLineIsTaken)
{
    const std::u16string path = std::u16string(kInterfaceDriverFolder) + u"\\TZ16E1MD.VXD";
    CompileState state(ModelDatabaseNames());
    ExpectEveryDescriptionLineTaken(path.c_str(), state);
    EXPECT_EQ(state.exclusives.empty(), false);
}

TEST_F(InterfacePrinterTest, EntriesTheInterfaceReadsAreCompiled)
{
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    ASSERT_NE(context->compiledModel, nullptr);
    struct Row {
        std::uint16_t item;
        std::uint16_t kind;
    };
    const Row rows[] = {
        {rdmMediaType, kUiPickOne},
        {rdmOutputTrayID, kUiPickOne},
        {rdmPrnMethod, kUiPickOne},
        {rdmScaleType, kUiPickOne},
        {rdmCoverType, kUiPickOne},
        {rdmCoverInputTray, kUiPickOne},
        {rdmMarkPaperType, kUiPickOne},
        {rdmSortType, kUiPickOne},
        {rdmDuplexType, kUiPickOne},
        {rdmNUPType, kUiPickOne},
        {rdmNUPPOSTKind, kUiPickOne},
        {rdmColorMode, kUiPickOne},
        {rdmColorMatchingMode, kUiPickOne},
        {wdmColorModeText, kUiPickOne},
        {rdmPrintMacro, kUiPickOne},
        {rdmBalanceMacro, kUiPickOne},
        {rdmUserPrintMacro, kUiPickOne},
        {rdmLoadShare, kUiPickOne},
        {rdmDstResolutionW, kUiPickOne},
        {rdmPrinterMemory, kUiPickOne},
        {rdmEmulation, kUiPickOne},
        {rdmExtPrintArea, kUiPickOne},
        {rdmShiftDir, kUiPickOne},
        {dmCopies, kUiNumeric},
        {rdmScaleH, kUiNumeric},
        {rdmMarginOdd, kUiNumeric},
        {rdmShiftMarginX, kUiNumeric},
        {rdmCreepMarginInside, kUiNumeric},
        {rdmSeparationSheetCycle, kUiNumeric},
        {rdmBrightness, kUiNumeric},
        {rdmColorBalanceR, kUiNumeric},
        {wdmWmDensity, kUiNumeric},
        {rdmJOBPassword, kUiString},
        {wdmAuthenticationUserName, kUiString},
        {rdmUserCode, kUiString},
        {wdmWmChar, kUiString},
        {wdmWmPage, kUiBoolean},
        {rdmFuncSelectMargin, kUiBoolean},
        {rdmFuncSelectDuplex, kUiBoolean},
    };
    for (const Row& row : rows) {
        EXPECT_NE(FindUiEntry(row.item, context), 0u) << row.item;
        EXPECT_EQ(GetUiType(row.item, context), row.kind) << row.item;
    }
    ReleaseDriverContextDefault(context);
}

TEST_F(InterfacePrinterTest, ConstraintsTransactionsAndAlertsAct)
{
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    const BlockOffset media = FindUiEntry(rdmMediaType, context);
    ASSERT_NE(media, 0u);

    // Transparency is refused while duplex printing is on; thick media is
    // restricted under N-up; thick media restricts the duplex switch. The
    // media options carry ids of their own, reached through the value map.
    const SettingItemDescriptor* mediaItem = FindItem(context, rdmMediaType);
    const auto option = [&](std::uint32_t value) {
        return static_cast<std::uint16_t>(OptionFromStoredValue(context, mediaItem, value));
    };
    SetItemValue(context, rdmFuncSelectDuplex, 0);
    EXPECT_EQ(IsUiOptionUnavailable(media, option(BF_rdmMediaType_2), context), 0u);
    SetItemValue(context, rdmFuncSelectDuplex, 1);
    EXPECT_NE(IsUiOptionUnavailable(media, option(BF_rdmMediaType_2), context), 0u);
    SetItemValue(context, rdmFuncSelectNup, 1);
    EXPECT_NE(IsUiOptionRestricted(media, option(BF_rdmMediaType_272), context), 0u);
    SetItemValue(context, rdmMediaType, 272);
    EXPECT_NE(IsUiOptionRestricted(FindUiEntry(rdmFuncSelectDuplex, context), 0, context), 0u);

    // Choosing transparency moves the output to the second bin.
    SetItemValue(context, rdmMediaType, 2);
    SetItemValue(context, rdmOutputTrayID, 0);
    RunUiTransacts(media, context);
    EXPECT_EQ(GetItemValue(context, rdmOutputTrayID), 1u);

    // Thick media on small paper names the paper-lock message; a proof on
    // free-size paper names the print-method message.
    SetItemValue(context, rdmMediaType, 272);
    SetItemValue(context, dmPaperSize, 11);
    const MessageEntry* lock = FindMessageByKey(nullptr, GetUiAlertMessage(media, context));
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock->stringId, 10205);
    SetItemValue(context, dmPaperSize, 256);
    SetItemValue(context, rdmPrnMethod, 3);
    const MessageEntry* proof =
        FindMessageByKey(nullptr, GetUiAlertMessage(FindUiEntry(rdmPrnMethod, context), context));
    ASSERT_NE(proof, nullptr);
    EXPECT_EQ(proof->stringId, 10075);
    ReleaseDriverContextDefault(context);
}

}  // namespace
}  // namespace vexl::test
