// The handler table of the private items and its walk in both modes.
#include "common/core/item_handlers.h"

#include "common/core/devmode_public.h"
#include "devmode_fakes.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

TEST(ItemHandlerTable, OneRecordPerPrivateItemInOrder)
{
    const ItemHandlerRecord* table = GetItemHandlerTable();
    int withRule = 0;
    for (int i = 0; i < kItemHandlerCount; ++i) {
        EXPECT_EQ(table[i].item, static_cast<std::uint32_t>(kFirstHandlerItem + i));
        if (table[i].handler) ++withRule;
    }
    EXPECT_EQ(withRule, 153);
    EXPECT_EQ(FindItemHandler(34), nullptr);
    EXPECT_EQ(FindItemHandler(616), nullptr);
    EXPECT_EQ(FindItemHandler(rdmPaperFitType)->defaultValue, 1027u);
    EXPECT_EQ(FindItemHandler(rdmSrcPaperLengthDot)->handler, nullptr);
}

TEST(ItemHandlerTable, NupKindOfType)
{
    struct Case {
        std::uint32_t type;
        std::uint32_t kind;
        std::int32_t out;
    };
    const Case cases[] = {{1, 1, 1},     {2, 1, 1},    {3, 1, 2},    {33, 2, 1},   {38, 2, 1},   {65, 3, 1},
                          {102, 4, 1},   {129, 11, 1}, {130, 11, 1}, {161, 10, 1}, {164, 10, 1}, {32769, 9, 1},
                          {32771, 9, 1}, {0, 0, 1},    {4, 0, 1},    {165, 0, 1},  {32772, 0, 1}};
    for (const Case& c : cases) {
        std::int32_t out = -7;
        EXPECT_EQ(GetNupKindOfType(c.type, &out), c.kind) << c.type;
        EXPECT_EQ(out, c.out) << c.type;
    }
    EXPECT_EQ(GetNupKindOfType(3, nullptr), 1u);
}

TEST(ItemHandlerTable, CurrentMachineIdIsTheFamilyCode)
{
    EXPECT_TRUE(IsCurrentMachineId(0x8C));
    EXPECT_FALSE(IsCurrentMachineId(0x8D));
    EXPECT_FALSE(IsCurrentMachineId(0));
}

class ItemHandlerWalk : public DevmodeTest {
protected:
    void RequireNoUiSymbol(std::uint16_t item)
    {
        ASSERT_NE(ctx_.item(item), nullptr) << item;
        ASSERT_EQ(ctx_.item(item)->symbolKey, 0) << item << " carries a UI symbol; its rule would never run";
    }
    void Put(std::uint16_t item, std::uint32_t value) { StoreItemValue(context(), ctx_.item(item), value); }
    std::uint32_t Get(std::uint16_t item) { return GetItemValue(context(), item); }
};

TEST_F(ItemHandlerWalk, AfterAMergeAcceptableValuesStayAndOthersAreReplaced)
{
    struct Case {
        std::uint16_t item;
        std::uint32_t before;
        std::uint32_t after;
    };
    const Case cases[] = {
        {rdmGammaC, 12, 5},
        {rdmGammaM, 7, 7},
        {rdmBackCoverInputTray, 0, 7},
        {rdmBackCoverInputTray, 3, 3},
        {rdmCopyProtectFontPoint, 40, 100},  // written whatever it held
        {rdmHFFontPoint, 5, 10},
        {rdmHFFontPoint, 100, 100},
        {rdmMachineID, 0x12, 0x8C},
        {rdmPunchType, 9, 0},
        {rdmPunchType, 33, 33},
        {rdmFuncSelectPunch, 1, 0},  // a switch without a UI symbol is reset by every merge
        {rdmBackCoverType, 3, 3},
        {rdmBackCoverType, 9, 0},
    };
    for (const Case& c : cases) RequireNoUiSymbol(c.item);
    for (const Case& c : cases) {
        Put(c.item, c.before);
        ApplyItemHandlers(context(), kHandlerModeAfterMerge);
        EXPECT_EQ(Get(c.item), c.after) << "item " << c.item << " from " << static_cast<std::int32_t>(c.before);
    }
}

// The rules of items that the model's descriptions govern still answer as
// their rule says when they are run.
TEST_F(ItemHandlerWalk, RulesOfDescribedItemsKeepTheirAnswers)
{
    struct Case {
        std::uint16_t item;
        std::uint32_t before;
        std::uint32_t after;
    };
    const Case cases[] = {
        {rdmMPInputTray, 3, 3},
        {rdmSeparationSheetCycle, 100, 1},
        {rdmBrightness, static_cast<std::uint32_t>(-60), 0},
        {rdmContrast, static_cast<std::uint32_t>(-50), static_cast<std::uint32_t>(-50)},
        {rdmScaleType, 3, 3},
        {rdmSortType, 6, 6},
    };
    for (const Case& c : cases) {
        const ItemHandlerRecord* record = FindItemHandler(c.item);
        ASSERT_TRUE(record && record->handler) << c.item;
        Put(c.item, c.before);
        record->handler(c.item, c.before, ctx_.item(c.item), record->defaultValue, kHandlerModeAfterMerge, context());
        EXPECT_EQ(Get(c.item), c.after) << "item " << c.item << " from " << static_cast<std::int32_t>(c.before);
    }
}

TEST_F(ItemHandlerWalk, TheOutputPaperRuleKeepsTheJobTicketsOutputPapers)
{
    const ItemHandlerRecord* record = FindItemHandler(rdmOutPaperSize);
    ASSERT_TRUE(record && record->handler);
    const auto check = [&](std::uint32_t paper) {
        Put(rdmOutPaperSize, paper);
        record->handler(rdmOutPaperSize, paper, ctx_.item(rdmOutPaperSize), record->defaultValue,
                        kHandlerModeAfterMerge, context());
        return Get(rdmOutPaperSize);
    };
    for (std::uint32_t paper : {9u, 267u, 268u, 269u, 1024u}) EXPECT_EQ(check(paper), paper);
    EXPECT_EQ(check(270), 1024u);
}

TEST_F(ItemHandlerWalk, DefaultsModeWritesEveryDefault)
{
    for (std::uint16_t item : {rdmPaperFitType, rdmGammaC, rdmPlaneUseCMYKMagenta, rdmFuncSelectPunch}) {
        RequireNoUiSymbol(item);
    }
    Put(rdmPaperFitType, 3);
    Put(rdmFuncSelectPunch, 1);
    Put(rdmGammaC, 7);  // acceptable, but mode 1 writes the default
    ApplyItemHandlers(context(), kHandlerModeDefaults);
    EXPECT_EQ(Get(rdmPaperFitType), 1027u);
    EXPECT_EQ(Get(rdmFuncSelectPunch), 0u);
    EXPECT_EQ(Get(rdmGammaC), 5u);
    // A one-bit item written with default 2 reads back as 1.
    EXPECT_EQ(Get(rdmPlaneUseCMYKMagenta), 1u);
    EXPECT_EQ(Get(rdmMachineID), 0x8Cu);
}

TEST_F(ItemHandlerWalk, RulesWriteWithoutChangeMarks)
{
    RequireNoUiSymbol(rdmPaperFitType);
    ApplyItemHandlers(context(), kHandlerModeDefaults);
    EXPECT_EQ(ctx_.item(rdmPaperFitType)->stateBits & kItemChangeMarkMask, 0);
    EXPECT_EQ(ctx_.work()->settingsModified, 0u);
}

TEST_F(ItemHandlerWalk, AnItemWithAUiSymbolIsJudgedByTheModelNotByItsRule)
{
    ASSERT_NE(ctx_.item(rdmDstResolutionW)->symbolKey, 0);
    // Without a UI entry the model answers 3 and nothing is written.
    Put(rdmDstResolutionW, 1234);
    ApplyItemHandlers(context(), kHandlerModeDefaults);
    EXPECT_EQ(Get(rdmDstResolutionW), 1234u);
    // With one, a rejected value takes the model default.
    model_.entries[rdmDstResolutionW] = Pick({300, 600});
    model_.defaults[rdmDstResolutionW] = 600;
    ApplyItemHandlers(context(), kHandlerModeAfterMerge);
    EXPECT_EQ(Get(rdmDstResolutionW), 600u);
}

TEST_F(ItemHandlerWalk, MarginsAreLimitedToFiftyMillimetresAtTheOutputResolution)
{
    RequireNoUiSymbol(rdmMarginOdd);
    Put(rdmDstResolutionW, 600);  // judged by the model, which has no entry: it stays
    Put(rdmMarginOdd, 1182);      // 50 mm at 600 dpi is 1,181 dots
    Put(rdmMarginEven, 1181);
    ApplyItemHandlers(context(), kHandlerModeAfterMerge);
    EXPECT_EQ(Get(rdmMarginOdd), 0u);
    EXPECT_EQ(Get(rdmMarginEven), 1181u);
}

}  // namespace
}  // namespace vexl::test
