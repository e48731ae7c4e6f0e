// The device description by mode, colour process and colour: GDIINFO and
// DEVINFO fields, the halftone pattern sizes, the character sets and the
// default font and palette.
#include "graphics/device_info.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace vexl::test {
namespace {

// A Pdev of the settings given, without a context.
struct PdevSettings {
    SHORT rasterMode = 0;
    SHORT colorProcess = 2;
    DWORD color = 2;
    SHORT hiddenFunc30 = 0;
    WORD resolution = 600;
};

class DeviceInfoTest : public ::testing::Test {
protected:
    explicit DeviceInfoTest(UINT codePage = 1252) : machine_(ProfileWithCodePage(codePage)) {}
    void TearDown() override
    {
        if (pdev_ && pdev_->palette) EngDeletePalette(pdev_->palette);
        if (pdev_) DestroyPdevPool(pdev_->pool);
    }

    static machine::Profile ProfileWithCodePage(UINT codePage)
    {
        machine::Profile profile;
        profile.ansiCodePage = codePage;
        return profile;
    }

    Pdev* MakePdev(const PdevSettings& s)
    {
        if (pdev_ && pdev_->palette) EngDeletePalette(pdev_->palette);
        if (pdev_) DestroyPdevPool(pdev_->pool);
        pdev_ = std::make_unique<Pdev>();
        pdev_->pool = CreatePdevPool();
        pdev_->rasterMode = s.rasterMode;
        pdev_->colorProcess = s.colorProcess;
        pdev_->color = s.color;
        pdev_->hiddenFunc30 = s.hiddenFunc30;
        pdev_->resolution = s.resolution;
        pdev_->emfSpoolOutput = 1;
        pdev_->paper.printableWidthDots = 4800;
        pdev_->paper.printableLengthDots = 6600;
        pdev_->paper.printableWidthTenthMm = 2032;
        pdev_->paper.printableLengthTenthMm = 2794;
        pdev_->paper.physicalWidthDots = 4960;
        pdev_->paper.physicalLengthDots = 7016;
        pdev_->paper.xOffset = 80;
        pdev_->paper.yOffset = 100;
        return pdev_.get();
    }

    TestMachine machine_;
    std::unique_ptr<Pdev> pdev_;
};

class CyrillicDeviceInfoTest : public DeviceInfoTest {
protected:
    CyrillicDeviceInfoTest() : DeviceInfoTest(1251) {}
};

class JapaneseDeviceInfoTest : public DeviceInfoTest {
protected:
    JapaneseDeviceInfoTest() : DeviceInfoTest(932) {}
};

TEST(HalftonePatternSize, FollowsTheSmallerResolution)
{
    struct Case {
        ULONG x, y;
        BOOL reduce;
        ULONG code;
        ULONG cell;
    } cases[] = {
        {150, 150, FALSE, 3, 4},     {180, 600, FALSE, 5, 6},     {400, 400, FALSE, 7, 8},
        {600, 600, FALSE, 7, 8},     {900, 1200, FALSE, 9, 10},   {1200, 1200, FALSE, 11, 12},
        {1800, 2400, FALSE, 13, 14}, {2400, 2400, FALSE, 15, 16}, {600, 600, TRUE, 5, 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HalftonePatternSize(c.x, c.y, c.reduce), c.code) << c.x << "x" << c.y;
        EXPECT_EQ(DitherCellSize(c.code), c.cell) << c.code;
    }
}

TEST(CharsetTable, IsSearchedEitherWay)
{
    CharsetCodePage pair{};
    ASSERT_TRUE(CharsetFromCodePage(932, &pair, kSearchByCodePage));
    EXPECT_EQ(pair.charset, 128);
    ASSERT_TRUE(CharsetFromCodePage(222, &pair, kSearchByCharset));
    EXPECT_EQ(pair.codePage, 874);
    ASSERT_TRUE(CharsetFromCodePage(1252, &pair, kSearchByCodePage));
    EXPECT_EQ(pair.charset, 0);
    EXPECT_FALSE(CharsetFromCodePage(437, &pair, kSearchByCodePage));
    EXPECT_FALSE(CharsetFromCodePage(932, &pair, 3));
}

TEST_F(DeviceInfoTest, DescribesColoursByModeColourProcessAndColour)
{
    struct Case {
        PdevSettings settings;
        ULONG bitsPixel, planes, numColors, numPalReg, htFormat;
        FLONG caps;
        ULONG ditherFormat;
        USHORT dither;
    } cases[] = {
        // Raster mode: monochrome dithers to one bit with a two-colour palette.
        {{1, 1, 1, 0, 600}, 1, 1, 2, 2, HT_FORMAT_1BPP, 0x430 | GCAPS_FORCEDITHER, BMF_1BPP, 8},
        {{1, 1, 2, 0, 600}, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP, 0x430, BMF_24BPP, 0},
        {{1, 2, 2, 0, 1200}, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP, 0x430, BMF_24BPP, 0},
        // Vector mode.
        {{0, 1, 2, 0, 600}, 1, 1, 8, 20, HT_FORMAT_24BPP, 0x1F, BMF_24BPP, 0},
        {{0, 1, 1, 0, 600}, 1, 1, 2, 2, HT_FORMAT_24BPP, 0x1F, BMF_24BPP, 0},
        {{0, 1, 1, 1, 600}, 1, 1, 2, 2, HT_FORMAT_1BPP, 0x1F, BMF_24BPP, 0},
        {{0, 2, 2, 0, 600}, 24, 1, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP, 0x1F, BMF_24BPP, 0},
        {{0, 0, 2, 0, 600}, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP, 0x1F, BMF_24BPP, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "raster " << c.settings.rasterMode << " process " << c.settings.colorProcess
                                        << " colour " << c.settings.color);
        Pdev* pdev = MakePdev(c.settings);
        GDIINFO gdi{};
        FillGdiInfo(pdev, sizeof gdi, &gdi);
        EXPECT_EQ(gdi.cBitsPixel, c.bitsPixel);
        EXPECT_EQ(gdi.cPlanes, c.planes);
        EXPECT_EQ(gdi.ulNumColors, c.numColors);
        EXPECT_EQ(gdi.ulNumPalReg, c.numPalReg);
        EXPECT_EQ(gdi.ulHTOutputFormat, c.htFormat);
        DEVINFO dev{};
        ASSERT_TRUE(FillDevInfo(pdev, sizeof dev, &dev, gdi.ulHTPatternSize));
        EXPECT_EQ(dev.flGraphicsCaps, c.caps);
        EXPECT_EQ(dev.iDitherFormat, c.ditherFormat);
        EXPECT_EQ(dev.cxDither, c.dither);
        EXPECT_EQ(dev.cyDither, c.dither);
        ASSERT_NE(dev.hpalDefault, nullptr);
        EXPECT_EQ(dev.hpalDefault, pdev->palette);
    }
}

TEST_F(DeviceInfoTest, FillsTheGdiInfoSizesAndFixedFields)
{
    Pdev* pdev = MakePdev({});
    std::vector<BYTE> buffer(sizeof(GDIINFO) + 64, 0xAB);
    FillGdiInfo(pdev, static_cast<ULONG>(buffer.size()), reinterpret_cast<GDIINFO*>(buffer.data()));
    // A larger engine buffer receives the record and nothing beyond it.
    for (std::size_t i = sizeof(GDIINFO); i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << i;
    GDIINFO gdi;
    std::memcpy(&gdi, buffer.data(), sizeof gdi);
    EXPECT_EQ(gdi.ulVersion, 0x500u);
    EXPECT_EQ(gdi.ulTechnology, DT_RASPRINTER);
    EXPECT_EQ(static_cast<LONG>(gdi.ulHorzSize), -203200);
    EXPECT_EQ(static_cast<LONG>(gdi.ulVertSize), -279400);
    EXPECT_EQ(gdi.ulHorzRes, 4800u);
    EXPECT_EQ(gdi.ulVertRes, 6600u);
    EXPECT_EQ(pdev->pageWidth, 4800);
    EXPECT_EQ(pdev->pageHeight, 6600);
    EXPECT_EQ(gdi.ulLogPixelsX, 600u);
    EXPECT_EQ(gdi.ulAspectXY, 848u);
    EXPECT_EQ(gdi.flTextCaps, 0x581Fu);
    EXPECT_EQ(gdi.denStyleStep, 24);
    EXPECT_EQ(gdi.ptlPhysOffset.x, 80);
    EXPECT_EQ(gdi.ptlPhysOffset.y, 100);
    EXPECT_EQ(gdi.szlPhysSize.cx, 4960);
    EXPECT_EQ(gdi.szlPhysSize.cy, 7016);
    EXPECT_EQ(gdi.ciDevice.Red.x, 6380);
    EXPECT_EQ(gdi.ciDevice.AlignmentWhite.y, 3290);
    EXPECT_EQ(gdi.ciDevice.MagentaInYellowDye, 10000);
    EXPECT_EQ(gdi.ulPrimaryOrder, PRIMARY_ORDER_CBA);
    EXPECT_EQ(gdi.ulHTPatternSize, HT_PATSIZE_8x8_M);
    EXPECT_EQ(gdi.flHTFlags, HT_FLAG_HAS_BLACK_DYE);

    // Millimetres with the extended print area; a short buffer gets what fits.
    pdev->extPrintArea = 2;
    std::vector<BYTE> shortBuffer(16, 0xAB);
    FillGdiInfo(pdev, 12, reinterpret_cast<GDIINFO*>(shortBuffer.data()));
    DWORD horzSize = 0;
    std::memcpy(&horzSize, shortBuffer.data() + 8, 4);
    EXPECT_EQ(horzSize, 203u);
    EXPECT_EQ(shortBuffer[12], 0xAB);
}

TEST_F(DeviceInfoTest, OffersTheDefaultFontInVectorModeOnly)
{
    struct Case {
        SHORT rasterMode;
        SHORT language;
        DWORD hiddenFunc4;
        bool offered;
    } cases[] = {{0, 0, 1, true}, {1, 0, 1, false}, {0, 1, 1, false}, {0, 0, 0, false}};
    for (const Case& c : cases) {
        Pdev* pdev = MakePdev({c.rasterMode, 2, 2, 0, 600});
        pdev->language = c.language;
        pdev->hiddenFunc4 = c.hiddenFunc4;
        DEVINFO dev{};
        ASSERT_TRUE(FillDevInfo(pdev, sizeof dev, &dev, 7));
        if (!c.offered) {
            EXPECT_EQ(dev.lfDefaultFont.lfHeight, 0);
            EXPECT_EQ(dev.lfAnsiFixFont.lfFaceName[0], 0);
            continue;
        }
        EXPECT_EQ(dev.lfDefaultFont.lfHeight, 87);
        EXPECT_EQ(dev.lfDefaultFont.lfWidth, 43);
        EXPECT_EQ(dev.lfDefaultFont.lfWeight, 400);
        EXPECT_EQ(dev.lfDefaultFont.lfOutPrecision, OUT_STRING_PRECIS);
        EXPECT_EQ(dev.lfDefaultFont.lfClipPrecision, CLIP_STROKE_PRECIS);
        EXPECT_EQ(dev.lfDefaultFont.lfPitchAndFamily, 0x11);
        EXPECT_EQ(std::u16string(dev.lfDefaultFont.lfFaceName), u"\u660E\u671D");
        EXPECT_EQ(dev.lfDefaultFont.lfCharSet, 0);
        EXPECT_EQ(dev.lfAnsiVarFont.lfCharSet, 0);
        EXPECT_EQ(std::memcmp(&dev.lfAnsiVarFont, &dev.lfAnsiFixFont, sizeof(LOGFONTW)), 0);
    }
}

TEST_F(CyrillicDeviceInfoTest, TheDefaultFontTakesTheCharsetOfTheCodePage)
{
    Pdev* pdev = MakePdev({});
    pdev->hiddenFunc4 = 1;
    DEVINFO dev{};
    ASSERT_TRUE(FillDevInfo(pdev, sizeof dev, &dev, 7));
    EXPECT_EQ(dev.lfDefaultFont.lfCharSet, 204);
    EXPECT_EQ(dev.lfAnsiVarFont.lfCharSet, 0);
}

TEST_F(JapaneseDeviceInfoTest, TheDefaultFontTakesTheCharsetOfTheCodePage)
{
    Pdev* pdev = MakePdev({});
    pdev->hiddenFunc4 = 1;
    DEVINFO dev{};
    ASSERT_TRUE(FillDevInfo(pdev, sizeof dev, &dev, 7));
    EXPECT_EQ(dev.lfDefaultFont.lfCharSet, 128);
    EXPECT_EQ(dev.lfAnsiFixFont.lfCharSet, 0);
}

TEST_F(DeviceInfoTest, AShortDevInfoBufferGetsWhatFits)
{
    Pdev* pdev = MakePdev({});
    std::vector<BYTE> buffer(sizeof(DEVINFO), 0xAB);
    ASSERT_TRUE(FillDevInfo(pdev, 4, reinterpret_cast<DEVINFO*>(buffer.data()), 7));
    FLONG caps = 0;
    std::memcpy(&caps, buffer.data(), 4);
    EXPECT_EQ(caps, 0x1Fu);
    for (std::size_t i = 4; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << i;
    EXPECT_NE(pdev->palette, nullptr);
}

TEST_F(DeviceInfoTest, CapabilitiesFollowSpoolingAndColourMatching)
{
    Pdev* pdev = MakePdev({});
    pdev->emfSpoolOutput = 0;
    pdev->colorMatching = 1;
    pdev->icmType = 1;
    DEVINFO dev{};
    ASSERT_TRUE(FillDevInfo(pdev, sizeof dev, &dev, 7));
    EXPECT_EQ(dev.flGraphicsCaps, 0x1Fu | GCAPS_DONTJOURNAL | GCAPS_ICM);
    pdev->icmType = 2;
    ASSERT_TRUE(FillDevInfo(pdev, sizeof dev, &dev, 7));
    EXPECT_EQ(dev.flGraphicsCaps, 0x1Fu | GCAPS_DONTJOURNAL);
}

}  // namespace
}  // namespace vexl::test
