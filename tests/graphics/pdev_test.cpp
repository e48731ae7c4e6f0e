// The Pdev over the package's printer: enabling it, the settings it reads
// as the engine sees them, its guards at every hook, and the reset of a
// device context before a document.
#include "common/core/item_ids.h"
#include "graphics/document.h"
#include "graphics/hooks.h"
#include "graphics/surface.h"

#include "graphics/graphics_fixture.h"

#include <functional>

namespace vexl::test {
namespace {

using PdevTest = GraphicsPrinterTest;

TEST_F(PdevTest, EnablesWithoutADevmode)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    EXPECT_TRUE(IsValidPdev(pdev));
    EXPECT_EQ(pdev->leadingGuard, kPdevGuard);
    EXPECT_EQ(pdev->trailingGuard, kPdevGuard);
    EXPECT_EQ(pdev->devmodeCopy, nullptr);
    EXPECT_EQ(pdev->printer, printer_);
    EXPECT_EQ(pdev->engineDevice, engineDevice_);
    EXPECT_EQ(pdev->module, FakeLibraryModule());
    EXPECT_NE(pdev->context, nullptr);
    EXPECT_NE(pdev->clipCache, nullptr);
    EXPECT_EQ(pdev->osVersion.dwOSVersionInfoSize, sizeof(OSVERSIONINFOW));
    EXPECT_EQ(pdev->osVersion.dwMajorVersion, 6u);
    ASSERT_NE(pdev->spoolLibraryName, nullptr);
    EXPECT_EQ(std::u16string(pdev->spoolLibraryName), u"TZ16C123.DLL");
    EXPECT_EQ(gdi_.ulLogPixelsX, pdev->resolution);
    EXPECT_EQ(gdi_.ulHorzRes, static_cast<ULONG>(pdev->paper.printableWidthDots));
    EXPECT_GT(gdi_.ulHorzRes, 0u);
    EXPECT_EQ(dev_.hpalDefault, pdev->palette);
    EXPECT_NE(dev_.hpalDefault, nullptr);
    EXPECT_EQ(dev_.cFonts, 0u);
}

TEST_F(PdevTest, KeepsACopyOfTheDevmodeItWasGiven)
{
    const std::vector<std::uint8_t> devmode = DevmodeWith({});
    Pdev* pdev = Enable(&devmode);
    ASSERT_NE(pdev, nullptr);
    ASSERT_NE(pdev->devmodeCopy, nullptr);
    const std::size_t bytes = std::size_t{pdev->devmodeCopy->dmSize} + pdev->devmodeCopy->dmDriverExtra;
    ASSERT_EQ(bytes, devmode.size());
    EXPECT_EQ(std::memcmp(pdev->devmodeCopy, devmode.data(), bytes), 0);
}

TEST_F(PdevTest, RefusesWhatItCannotUse)
{
    // A DEVMODE too short to hold its own header.
    std::vector<std::uint8_t> devmode = DevmodeWith({});
    reinterpret_cast<DEVMODEW*>(devmode.data())->dmSize = 20;
    SetLastError(0);
    EXPECT_EQ(Enable(&devmode), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // A library that never saw its process attach.
    SetLibraryModule(nullptr);
    EXPECT_EQ(Enable(), nullptr);
}

// Settings as the engine sees them, through the GDIINFO and DEVINFO.
struct SettingsCase {
    const char* name;
    std::vector<ItemSetting> settings;
    ULONG resolution;  // 0: not checked
    FLONG capsMode;    // the graphics capabilities without the spooling and colour bits
    ULONG bitsPixel;   // 0: not checked
};

// The case by its name in test listings, not as the bytes of the record.
void PrintTo(const SettingsCase& c, std::ostream* out)
{
    *out << c.name;
}

class PdevSettingsTest : public GraphicsPrinterTest, public testing::WithParamInterface<SettingsCase> {};

TEST_P(PdevSettingsTest, ShowInTheDeviceDescription)
{
    const SettingsCase& c = GetParam();
    const std::vector<std::uint8_t> devmode = DevmodeWith(c.settings);
    Pdev* pdev = Enable(&devmode);
    ASSERT_NE(pdev, nullptr);
    if (c.resolution) {
        EXPECT_EQ(gdi_.ulLogPixelsX, c.resolution);
        EXPECT_EQ(pdev->resolution, c.resolution);
    }
    EXPECT_EQ(dev_.flGraphicsCaps & 0x43F, c.capsMode);
    if (c.bitsPixel) {
        EXPECT_EQ(gdi_.cBitsPixel, c.bitsPixel);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PdevSettingsTest,
    testing::Values(SettingsCase{"Quality0Is600Dpi", {{dmPrintQuality, 0}}, 600, 0x1F, 0},
                    SettingsCase{"RasterMode", {{rdmImagePrint, 1}}, 0, 0x430, 0},
                    SettingsCase{"TheJobBinderForcesVectorMode", {{rdmImagePrint, 1}, {rdmJobBinder, 1}}, 0, 0x1F, 0},
                    SettingsCase{"ColourProcess2ThroughTheHiddenFunction",
                                 {{rdmImagePrint, 0}, {rdmColorProcess, 0}, {rdmHidden2Func9, 1}},
                                 0,
                                 0x1F,
                                 24}),
    [](const testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

TEST_F(PdevTest, EveryHookRefusesAPdevWithoutItsTrailingGuard)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    pdev->trailingGuard = 0;
    auto* dhpdev = reinterpret_cast<DHPDEV>(pdev);
    SURFOBJ surface{};
    surface.dhpdev = dhpdev;
    SURFOBJ* so = &surface;
    POINTL origin{};
    ULONG_PTR id = 7;
    struct Hook {
        const char* name;
        std::function<LONG_PTR()> call;
        LONG_PTR failure;
    };
    const Hook hooks[] = {
        {"DrvResetPDEV", [&] { return LONG_PTR{DrvResetPDEV(dhpdev, dhpdev)}; }, FALSE},
        {"DrvEnableSurface", [&] { return reinterpret_cast<LONG_PTR>(DrvEnableSurface(dhpdev)); }, 0},
        {"DrvStartDoc", [&] { return LONG_PTR{DrvStartDoc(so, nullptr, 1)}; }, FALSE},
        {"DrvStartPage", [&] { return LONG_PTR{DrvStartPage(so)}; }, FALSE},
        {"DrvSendPage", [&] { return LONG_PTR{DrvSendPage(so)}; }, FALSE},
        {"DrvEndDoc", [&] { return LONG_PTR{DrvEndDoc(so, 0)}; }, FALSE},
        {"DrvStartBanding", [&] { return LONG_PTR{DrvStartBanding(so, &origin)}; }, FALSE},
        {"DrvNextBand", [&] { return LONG_PTR{DrvNextBand(so, &origin)}; }, FALSE},
        {"DrvBitBlt",
         [&] {
             return LONG_PTR{DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, 0xCCCC)};
         },
         FALSE},
        {"DrvStretchBlt",
         [&] {
             return LONG_PTR{
                 DrvStretchBlt(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0)};
         },
         FALSE},
        {"DrvStrokePath",
         [&] { return LONG_PTR{DrvStrokePath(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0)}; }, -1},
        {"DrvFillPath", [&] { return LONG_PTR{DrvFillPath(so, nullptr, nullptr, nullptr, nullptr, 0, 0)}; }, -1},
        {"DrvStrokeAndFillPath",
         [&] {
             return LONG_PTR{
                 DrvStrokeAndFillPath(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0)};
         },
         -1},
        {"DrvRealizeBrush", [&] { return LONG_PTR{DrvRealizeBrush(nullptr, so, nullptr, nullptr, nullptr, 0)}; },
         FALSE},
        {"DrvEscape", [&] { return LONG_PTR{DrvEscape(so, 20, 0, nullptr, 0, nullptr)}; }, 0},
        {"DrvGetGlyphMode", [&] { return LONG_PTR{DrvGetGlyphMode(dhpdev, nullptr)}; }, 0},
        {"DrvDitherColor", [&] { return LONG_PTR{DrvDitherColor(dhpdev, 0, 0, nullptr)}; }, 0},
        {"DrvCopyBits", [&] { return LONG_PTR{DrvCopyBits(so, nullptr, nullptr, nullptr, nullptr, nullptr)}; }, FALSE},
        {"DrvQueryFont", [&] { return reinterpret_cast<LONG_PTR>(DrvQueryFont(dhpdev, 0, 1, &id)); }, 0},
        {"DrvQueryFontData", [&] { return LONG_PTR{DrvQueryFontData(dhpdev, nullptr, 1, 0, nullptr, nullptr, 0)}; },
         -1},
        {"DrvQueryFontTree", [&] { return reinterpret_cast<LONG_PTR>(DrvQueryFontTree(dhpdev, 0, 1, 2, &id)); }, 0},
        {"DrvIcmCreateColorTransform",
         [&] {
             return reinterpret_cast<LONG_PTR>(
                 DrvIcmCreateColorTransform(dhpdev, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0));
         },
         0},
        {"DrvIcmDeleteColorTransform", [&] { return LONG_PTR{DrvIcmDeleteColorTransform(dhpdev, nullptr)}; }, FALSE},
        {"DrvStretchBltROP",
         [&] {
             return LONG_PTR{DrvStretchBltROP(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, 0, nullptr, 0xCCCC)};
         },
         FALSE},
        {"DrvQueryAdvanceWidths",
         [&] { return LONG_PTR{DrvQueryAdvanceWidths(dhpdev, nullptr, 0, nullptr, nullptr, 0)}; }, FALSE},
        {"DrvTextOut",
         [&] {
             return LONG_PTR{DrvTextOut(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0)};
         },
         FALSE},
    };
    for (const Hook& hook : hooks) {
        SetLastError(0);
        EXPECT_EQ(hook.call(), hook.failure) << hook.name;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << hook.name;
    }
    // The void hooks do nothing to it.
    SetLastError(0);
    DrvCompletePDEV(dhpdev, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(pdev->engineDevice, engineDevice_);
    DrvDisableSurface(dhpdev);
    SetLastError(0);
    DrvDisablePDEV(dhpdev);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_NE(pdev->context, nullptr);
    pdev->trailingGuard = kPdevGuard;
}

TEST_F(PdevTest, DrawingHooksFailWithoutDrawingAfterAnOutputFailure)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    SURFOBJ surface{};
    surface.dhpdev = reinterpret_cast<DHPDEV>(pdev);
    EXPECT_EQ(DrvGetGlyphMode(reinterpret_cast<DHPDEV>(pdev), nullptr), FO_GLYPHBITS);
    pdev->flags |= kPdevOutputFailed;
    SetLastError(0);
    EXPECT_FALSE(
        DrvBitBlt(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0xCCCC));
    EXPECT_EQ(GetLastError(), 0u);
}

TEST_F(PdevTest, AResetBeforeTheDocumentCarriesNothing)
{
    Pdev* from = Enable();
    Pdev* to = Enable();
    ASSERT_TRUE(from && to);
    from->pageCount = 3;
    from->jobId = 9;
    EXPECT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(from), reinterpret_cast<DHPDEV>(to)));
    EXPECT_EQ(to->pageCount, 0);
    EXPECT_EQ(to->jobId, 0u);
    EXPECT_EQ(to->flags, 0u);
    EXPECT_EQ(from->flags, 0u);
}

}  // namespace
}  // namespace vexl::test
