// The bands of raster mode: white bands sent as image records as the engine
// renders them, the last one ending the page, and a band that is lost.
#include "common/core/item_ids.h"
#include "graphics/document.h"
#include "print_job.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <cstdio>
#include <string>

namespace vexl::test {
namespace {

// The decoder's content hash of pixel data: 32-bit FNV-1a in hex.
std::string ContentHash(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08X", hash);
    return text;
}

// Raster mode through a whole job as the engine runs it.
class BandingTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
    }
    std::vector<std::uint8_t> JobBytes(DWORD jobId) const
    {
        return ReadHostFileBytes(machine_.host(u"C:\\standin\\spool\\job-" + std::u16string(1, u'0' + jobId) + u".bin"));
    }
};

// The engine drives the bands of the package's A4 page at 600 dpi, in
// monochrome: white 1-bit bands as image records, the last one ending the page.
TEST_F(BandingTest, TheEngineRendersAnA4PageInBandsThatTheLastOneEnds)
{
    machine::InstallFile(VEXL_TZ16E100_FILE, std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    host::JobOptions options;
    options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
    options.printerName = kPrinterName;
    options.jobId = 5;
    options.devmode = DevmodeWith({{rdmImagePrint, 1}, {rdmColorProcess, 1}});
    auto* devmode = reinterpret_cast<DEVMODEW*>(options.devmode.data());
    devmode->dmColor = 1;
    devmode->dmFields |= DM_COLOR;
    const host::JobReport report = host::PrintJob(options, {host::Page{}});
    ASSERT_TRUE(report.completed) << report.failure;
    EXPECT_TRUE(report.rasterMode);
    int bands = 0;
    for (const host::HookCall& call : report.calls) {
        EXPECT_NE(call.hook, "DrvSendPage");  // the driver ends a banded page itself
        if (call.hook == "DrvNextBand") ++bands;
    }

    const dump::DecodeResult decoded = dump::DecodeJobStream(JobBytes(5));
    ASSERT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
    EXPECT_EQ(decoded.summary.pages, 1u);
    // The page's printable size, from its page-begin record.
    const std::size_t at = decoded.listing.find("page-begin");
    ASSERT_NE(at, std::string::npos);
    LONG width = 0, height = 0;
    ASSERT_EQ(
        std::sscanf(decoded.listing.c_str() + at, "page-begin length=16 width=%d page-length=%d", &width, &height), 2);
    const LONG band = BandHeight(width, height);
    EXPECT_EQ(bands, (height + band - 1) / band);
    EXPECT_EQ(decoded.summary.records.at(0x20), static_cast<std::uint64_t>(bands));
    for (int k = 0; k < bands; ++k) {
        const std::string rect = "format=1-bit raster rect=(0," + std::to_string(band * k) + "," +
                                 std::to_string(width) + "," + std::to_string(band * (k + 1)) + ")";
        EXPECT_NE(decoded.listing.find(rect), std::string::npos) << rect;
    }
}

TEST_F(BandingTest, BandsCountOffThePageAndAnUntouchedBandIsWhite)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    pdev->rasterMode = 1;
    pdev->colorProcess = 1;
    pdev->color = 1;
    struct Case {
        LONG height;
        int bands;
    } cases[] = {{1024, 2}, {300, 1}, {7016, 14}};
    for (const Case& c : cases) {
        pdev->pageWidth = 4960;
        pdev->pageHeight = c.height;
        SURFOBJ* so = EnableSurface(pdev);
        ASSERT_NE(so, nullptr);
        const DWORD jobId = static_cast<DWORD>(c.bands % 10);
        ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Bands"), jobId));
        ASSERT_TRUE(DrvStartPage(so));
        POINTL origin{7, 7};
        ASSERT_TRUE(DrvStartBanding(so, &origin));
        EXPECT_EQ(origin.x, 0);
        EXPECT_EQ(origin.y, 0);
        int bands = 0;
        while (origin.x != -1 && bands < 100) {
            EXPECT_EQ(origin.y, 512 * bands);
            ASSERT_TRUE(DrvNextBand(so, &origin));
            ++bands;
        }
        EXPECT_EQ(bands, c.bands);
        EXPECT_EQ(origin.y, -1);
        EXPECT_EQ(pdev->bandCount, c.bands);
        EXPECT_EQ(pdev->flags & kPdevPageOpen, 0u);  // the last band sent the page
        EXPECT_EQ(static_cast<const BYTE*>(so->pvBits)[0], 0xFF);
        ASSERT_TRUE(DrvEndDoc(so, 0));
        DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
        const dump::DecodeResult decoded = dump::DecodeJobStream(JobBytes(jobId));
        ASSERT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
        EXPECT_EQ(decoded.summary.pages, 1u);
        EXPECT_EQ(decoded.summary.records.at(0x20), static_cast<std::uint64_t>(c.bands));
        for (int k = 0; k < c.bands; ++k) {
            const LONG bottom = c.bands == 1 ? c.height : 512 * (k + 1);
            const std::string rect =
                "format=1-bit raster rect=(0," + std::to_string(512 * k) + ",4960," + std::to_string(bottom) + ")";
            EXPECT_NE(decoded.listing.find(rect), std::string::npos) << rect;
        }
        // An untouched band is white.
        const std::vector<std::uint8_t> white(static_cast<std::size_t>(620) * std::min<LONG>(c.height, 512), 0xFF);
        EXPECT_NE(decoded.listing.find("data-hash=" + ContentHash(white)), std::string::npos);
    }
}

// A band that cannot reach the display list is not reported as printed.
TEST_F(BandingTest, ALostBandFailsThePage)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    pdev->rasterMode = 1;
    pdev->pageWidth = 4960;
    pdev->pageHeight = 1024;
    SURFOBJ* so = EnableSurface(pdev);
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Bands"), 4));
    ASSERT_TRUE(DrvStartPage(so));
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(so, &origin));
    SetPdevPoolLimit(pdev->pool, PdevPoolBytesInUse(pdev->pool) + 64 * 1024);
    EXPECT_FALSE(DrvNextBand(so, &origin));
    EXPECT_EQ(pdev->flags & kPdevOutputFailed, kPdevOutputFailed);
    SetPdevPoolLimit(pdev->pool, 0);
    DrvEndDoc(so, 0);
}

}  // namespace
}  // namespace vexl::test
