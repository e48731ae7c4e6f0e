// The surface of a Pdev in each mode: band bitmaps sized for the page, or a
// device surface with the drawing hooks.
#include "common/core/item_ids.h"

#include "graphics/graphics_fixture.h"

namespace vexl::test {
namespace {

TEST(BandGeometry, HoldsALittleOverThreeHundredKilobytesOfOneBitRows)
{
    struct Case {
        LONG width, height, band;
    } cases[] = {
        {4960, 7016, 512},                     // 620-byte rows
        {4960, 1024, 512},  {4960, 300, 300},  // a page shorter than a band is one band
        {2400, 3000, 1056},                    // 300-byte rows: (307,200 / 300 / 32 + 1) x 32
        {1, 100, 100},
    };
    for (const Case& c : cases) EXPECT_EQ(BandHeight(c.width, c.height), c.band) << c.width << "x" << c.height;
}

TEST(BandGeometry, RowStridesRoundDownToWholeWords)
{
    struct Case {
        LONG width;
        ULONG format;
        LONG stride;
    } cases[] = {
        {4960, BMF_1BPP, 620}, {4961, BMF_1BPP, 624}, {4960, BMF_24BPP, 14880}, {3, BMF_24BPP, 12},
        {5, BMF_4BPP, 4},      {5, BMF_8BPP, 8},      {5, BMF_16BPP, 12},       {5, BMF_32BPP, 20},
    };
    for (const Case& c : cases) EXPECT_EQ(BitmapRowStride(c.width, c.format), c.stride) << c.width << " " << c.format;
}

TEST_F(GraphicsPrinterTest, VectorModeTakesTheDrawingCallsOfADeviceSurface)
{
    struct Case {
        SHORT hiddenFunc5;
        SHORT hiddenFunc30;
        SHORT colorProcess;
        DWORD color;
        FLONG hooks;
        ULONG format;
    } cases[] = {
        {0, 0, 2, 2, 0x24EB, BMF_24BPP},
        {1, 0, 2, 2, 0x4EB, BMF_24BPP},
        {0, 1, 1, 1, 0x24EB, BMF_1BPP},
        {0, 1, 1, 2, 0x24EB, BMF_24BPP},
    };
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    ASSERT_EQ(pdev->rasterMode, 0);
    for (const Case& c : cases) {
        pdev->hiddenFunc5 = c.hiddenFunc5;
        pdev->hiddenFunc30 = c.hiddenFunc30;
        pdev->colorProcess = c.colorProcess;
        pdev->color = c.color;
        SURFOBJ* so = EnableSurface(pdev);
        ASSERT_NE(so, nullptr);
        EXPECT_EQ(so->iType, STYPE_DEVICE);
        EXPECT_EQ(so->dhpdev, reinterpret_cast<DHPDEV>(pdev));
        EXPECT_EQ(so->iBitmapFormat, c.format);
        EXPECT_EQ(so->sizlBitmap.cx, pdev->paper.printableWidthDots);
        EXPECT_EQ(so->sizlBitmap.cy, pdev->paper.printableLengthDots);
        const auto info = engine::DescribeSurface(pdev->surface);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->hooks, c.hooks);
        EXPECT_TRUE(info->associated);
        EXPECT_FALSE(info->banding);
        DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
        EXPECT_EQ(pdev->surface, nullptr);
    }
    EXPECT_EQ(engine::Live().surfaces, 0);
}

TEST_F(GraphicsPrinterTest, RasterModeRendersIntoWhiteBandsOfThePage)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    struct Case {
        SHORT colorProcess;
        DWORD color;
        ULONG format;
    } cases[] = {{1, 1, BMF_1BPP}, {1, 2, BMF_24BPP}, {2, 2, BMF_24BPP}};
    pdev->rasterMode = 1;
    for (const Case& c : cases) {
        pdev->colorProcess = c.colorProcess;
        pdev->color = c.color;
        SURFOBJ* so = EnableSurface(pdev);
        ASSERT_NE(so, nullptr);
        EXPECT_EQ(so->iType, STYPE_BITMAP);
        EXPECT_EQ(so->iBitmapFormat, c.format);
        EXPECT_EQ(so->sizlBitmap.cx, pdev->pageWidth);
        EXPECT_EQ(so->sizlBitmap.cy, BandHeight(pdev->pageWidth, pdev->pageHeight));
        EXPECT_EQ(so->lDelta, BitmapRowStride(pdev->pageWidth, c.format));
        const auto info = engine::DescribeSurface(pdev->surface);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->hooks, 0xBu);
        EXPECT_TRUE(info->banding);
        DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
    }
    // A page of no size gets no surface.
    pdev->pageHeight = 0;
    EXPECT_EQ(DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev)), nullptr);
}

TEST_F(GraphicsPrinterTest, AFailedAssociationLeavesNoSurface)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    const long before = engine::Live().surfaces;
    engine::FailCall(engine::Service::AssociateSurface, 1);
    EXPECT_EQ(DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev)), nullptr);
    engine::ClearFailures();
    EXPECT_EQ(pdev->surface, nullptr);
    EXPECT_EQ(engine::Live().surfaces, before);
    DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
    EXPECT_EQ(engine::Live().surfaces, before);
}

}  // namespace
}  // namespace vexl::test
