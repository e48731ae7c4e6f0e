// Paper, scale and resolution synchronisation.
#include "common/storage/ini_lists.h"
#include "common/core/paper_sync.h"

#include "common/core/devmode_public.h"
#include "devmode_fakes.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

TEST(PaperIds, SlotsAndTests)
{
    struct Case {
        std::uint32_t paper;
        int row;
        bool freeSize;
    };
    const Case cases[] = {{0, -1, false}, {9, -1, false},   {256, 10, true}, {383, -1, false}, {384, 0, true},
                          {393, 9, true}, {394, -1, false}, {448, 11, true}, {1024, -1, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetFreeSizeSlotRow(c.paper), c.row) << c.paper;
        EXPECT_EQ(IsFreeSizeSlotPaper(c.paper) != 0, c.row >= 0) << c.paper;
        EXPECT_EQ(IsFreeSizePaper(c.paper) != 0, c.freeSize) << c.paper;
    }
    EXPECT_TRUE(IsOutputSameAsSource(1024));
    EXPECT_FALSE(IsOutputSameAsSource(9));
    EXPECT_EQ(RescaleFrom1200(14030, 600), 7015u);
    EXPECT_EQ(RescaleFrom1200(14030, 0), 0u);
}

class PaperSync : public DevmodeTest {
protected:
    void SetUp() override
    {
        DevmodeTest::SetUp();
        ResetPublicFieldsToModel(store(), context());
        PaperSizeRow& slot = ctx_.work()->paperTable[2];
        slot.width = 9920;                                // 210 mm
        slot.length = 14030;                              // 297 mm
        RaiseUiFlags(context(), kUiFlagFreeSizesLoaded);  // the rows above are the context's cached sizes
        SetItemValue(context(), rdmDstResolutionW, 600);
        SetItemValue(context(), rdmDstResolutionH, 600);
    }
    std::uint32_t Get(std::uint16_t item) { return GetItemValue(context(), item); }
};

TEST_F(PaperSync, CustomSizeSourcePaperWithoutGeometryHasNoMargins)
{
    SetItemValue(context(), rdmFuncSelectFreeShortOver, 1);
    StoreItemValue(context(), ctx_.item(rdmSrcXOffset), 77);
    EXPECT_EQ(SetSourcePaper(386, dmPaperSize, context(), store()), 1);
    EXPECT_EQ(Get(rdmSrcPaperLengthDot), 7015u);
    EXPECT_EQ(Get(rdmSrcPaperWidthDot), 4960u);
    EXPECT_EQ(Get(rdmSrcPaperPrnLengthDot), 7015u);
    EXPECT_EQ(Get(rdmSrcPaperPrnWidthDot), 4960u);
    EXPECT_EQ(Get(rdmSrcXOffset), 0u);
    EXPECT_EQ(Get(rdmSrcYOffset), 0u);
    EXPECT_EQ(Get(rdmFuncSelectFreeShortOver), 0u);
    EXPECT_EQ(Field16(80), 2970);
    EXPECT_EQ(Field16(82), 2100);
    EXPECT_EQ(Field32(72) & 0xE, 0xEu);
}

TEST_F(PaperSync, LandscapeExchangesTheDotsButNotThePublicSize)
{
    SetDevmodeField16(store(), offsetof(DEVMODEW, dmOrientation), 2);
    SetSourcePaperOriented(386, dmPaperSize, context(), store());
    EXPECT_EQ(Get(rdmSrcPaperLengthDot), 4960u);
    EXPECT_EQ(Get(rdmSrcPaperWidthDot), 7015u);
    EXPECT_EQ(Field16(80), 2970);
    EXPECT_EQ(Field16(82), 2100);
}

TEST_F(PaperSync, OutputSameAsCustomSourceCopiesTheSourceGeometry)
{
    SetItemValue(context(), dmPaperSize, 386);
    SetSourcePaper(386, dmPaperSize, context(), store());
    EXPECT_EQ(SetOutputPaper(1024, rdmOutPaperSize, context(), store()), 1);
    for (std::uint16_t i = 0; i < 6; ++i) {
        EXPECT_EQ(Get(static_cast<std::uint16_t>(rdmDstPaperLengthDot + i)),
                  Get(static_cast<std::uint16_t>(rdmSrcPaperLengthDot + i)));
    }
    EXPECT_EQ(Get(rdmDstPaperLengthDot), 7015u);
}

TEST_F(PaperSync, AStandardPaperWithoutGeometryChangesNothing)
{
    StoreItemValue(context(), ctx_.item(rdmSrcPaperLengthDot), 123);
    SetSourcePaper(9, dmPaperSize, context(), store());
    EXPECT_EQ(Get(rdmSrcPaperLengthDot), 123u);
    EXPECT_EQ(Get(rdmFuncSelectFreeShortOver), 0u);
}

TEST_F(PaperSync, DuplexFollowsTheDuplexType)
{
    struct Case {
        std::uint32_t on;
        std::uint32_t type;
        std::uint16_t orientation;
        std::uint16_t duplex;
    };
    const Case cases[] = {{0, 17, 1, 1}, {1, 0, 1, 1}, {1, 17, 1, 3}, {1, 17, 2, 2}, {1, 3, 1, 2}, {1, 3, 2, 3}};
    for (const Case& c : cases) {
        SetItemValue(context(), rdmFuncSelectDuplex, c.on);
        SetItemValue(context(), rdmDuplexType, c.type);
        SetDevmodeField16(store(), offsetof(DEVMODEW, dmOrientation), c.orientation);
        SetDevmodeField16(store(), offsetof(DEVMODEW, dmDuplex), 2);
        SyncPublicDuplex(store(), context());
        EXPECT_EQ(Field16(offsetof(DEVMODEW, dmDuplex)), c.duplex) << c.type << " " << c.orientation;
    }
}

TEST_F(PaperSync, ResolutionBothWays)
{
    SetDevmodeField16(store(), offsetof(DEVMODEW, dmPrintQuality), 1200);
    SyncResolutionFromPrintQuality(store(), context());
    EXPECT_EQ(Get(rdmDstResolutionW), 1200u);
    EXPECT_EQ(Get(rdmDstResolutionH), 1200u);
    EXPECT_EQ(Get(dmYResolution), 1200u);
    SetItemValue(context(), rdmDstResolutionW, 300);
    SyncPrintQualityFromResolution(store(), context());
    EXPECT_EQ(Get(rdmDstResolutionH), 300u);
    EXPECT_EQ(Get(dmPrintQuality), 300u);
    EXPECT_EQ(Get(dmYResolution), 300u);
}

TEST_F(PaperSync, Getters)
{
    // The user quality lists are the macros 32-39.
    const struct {
        std::uint32_t use;
        std::uint32_t macro;
        std::int32_t list;
    } macros[] = {{1, 32, 0}, {1, 39, 7}, {1, 40, -1}, {1, 16, -1}, {1, 160, -1}, {0, 33, -1}};
    for (const auto& m : macros) {
        SetItemValue(context(), rdmUseUserMacro, m.use);
        SetItemValue(context(), rdmUserPrintMacro, m.macro);
        EXPECT_EQ(GetUserMacroIndex(context()), m.list) << m.macro;
    }
    SetItemValue(context(), rdmFuncSelectWaterMark, 0);
    EXPECT_EQ(GetActiveWatermarkId(context()), -1);
    SetItemValue(context(), rdmFuncSelectWaterMark, 1);
    SetItemValue(context(), rdmWmID, 4);
    EXPECT_EQ(GetActiveWatermarkId(context()), 4);
    SetItemValue(context(), dmPaperSize, 390);
    EXPECT_EQ(GetPaperFreeSizeSlot(context()), 6);
    SetItemValue(context(), rdmOutPaperSize, 1024);
    EXPECT_EQ(GetOutputFreeSizeSlot(context()), -1);
}

}  // namespace
}  // namespace vexl::test
