// The engine host prints the page that uses every drawing call of the
// library through the built graphics library: in vector mode as records
// (images at their size, stretched and mirrored, pattern brushes, clipped
// paths, text under a clip region, text in the printer's Mincho font and in
// a downloaded font), in raster mode as bands that the engine renders. Each
// job is checked by the job stream's decoder, which also re-encodes every
// compressed glyph and compares it byte for byte.
#include "common/core/item_ids.h"
#include "print_job.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> With(const std::vector<std::string>& lines, const std::string& part)
{
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) found.push_back(line);
    return found;
}

std::string Field(const std::string& line, const std::string& name)
{
    const std::size_t at = line.find(" " + name + "=");
    if (at == std::string::npos) return {};
    const std::size_t from = at + name.size() + 2;
    return line.substr(from, line.find(' ', from) - from);
}

// The decoder's content hash (32-bit FNV-1a) of an image's rows reduced to
// 8-bit grey, mirrored left to right when asked, each row zero-padded to
// four bytes.
std::string GreyRowsHash(const host::ImageSpec& image, bool mirrored)
{
    std::uint32_t hash = 2166136261u;
    for (LONG y = 0; y < image.height; ++y) {
        for (LONG x = 0; x < image.width; ++x) {
            const LONG from = mirrored ? image.width - 1 - x : x;
            const host::ColorRef c = image.pixels[static_cast<std::size_t>(y * image.width + from)];
            const std::uint32_t grey = (306u * (c & 0xFF) + 601u * ((c >> 8) & 0xFF) + 117u * ((c >> 16) & 0xFF)) >> 10;
            hash = (hash ^ grey) * 16777619u;
        }
        for (LONG x = image.width; x % 4 != 0; ++x) hash = (hash ^ 0u) * 16777619u;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%08X", hash);
    return text;
}

class EveryCallPageTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        // The Mincho family's name reaches the driver in the Japanese code page.
        machine::Profile profile = machine::LoadProfile();
        profile.ansiCodePage = 932;
        machine::SaveProfile(profile);
        machine::AdvanceTickCount(1000);
        machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
        machine::InstallFile(VEXL_TZ16E100_FILE, std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    }

    // Prints the pages with text as glyph bitmaps, in raster mode when asked.
    dump::DecodeResult Print(DWORD jobId, bool raster, const std::vector<host::Page>& pages,
                             host::JobReport* reportOut = nullptr)
    {
        host::JobOptions options;
        options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
        options.printerName = kPrinterName;
        options.jobId = jobId;
        options.devmode =
            DevmodeWith({{rdmQualityFuncTextBitmap, 1}, {rdmHiddenFunc26, 1}, {rdmImagePrint, raster ? 1u : 0u}});
        const host::JobReport report = host::PrintJob(options, pages);
        EXPECT_TRUE(report.completed) << report.failure;
        EXPECT_EQ(report.rasterMode, raster);
        for (const host::HookCall& call : report.calls) {
            if (call.page == 0 || call.what == "job") continue;
            EXPECT_FALSE(call.punted || call.error || call.unhooked) << call.hook << " " << call.what;
        }
        if (reportOut) *reportOut = report;
        return dump::DecodeJobStream(
            ReadHostFileBytes(machine_.host(u"C:\\standin\\spool\\job-" + std::u16string(1, u'0' + jobId) + u".bin")));
    }
};

TEST_F(EveryCallPageTest, TheVectorPageSendsEveryKindOfRecord)
{
    const dump::DecodeResult result = Print(1, false, host::DemoDocument());
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    ASSERT_EQ(result.summary.pages, 2u);
    const std::vector<std::string> lines = Lines(result.listing);

    // The image at its size, stretched, and mirrored: the mirrored one has the
    // stretched one's size, a positive width and its pixels mirrored.
    const std::vector<std::string> images = With(lines, " image ");
    ASSERT_EQ(images.size(), 3u) << result.listing;
    EXPECT_EQ(Field(images[0], "dest"), "(300,6100,240,160)");
    EXPECT_EQ(Field(images[1], "dest"), "(800,6050,1200,300)");
    EXPECT_EQ(Field(images[2], "dest"), "(2200,6050,1200,300)");
    // The printer prints grey: the rows as they are, stretched by the printer,
    // and mirrored.
    const host::ImageSpec picture = host::RampImage(240, 160);
    for (const std::string& image : images) EXPECT_NE(image.find(" format=8-bit grey "), std::string::npos) << image;
    EXPECT_EQ(Field(images[0], "data-hash"), GreyRowsHash(picture, false));
    EXPECT_EQ(Field(images[1], "data-hash"), GreyRowsHash(picture, false));
    EXPECT_EQ(Field(images[2], "data-hash"), GreyRowsHash(picture, true));

    // Pattern brushes: the hatch and the checker.
    EXPECT_EQ(With(lines, "pattern 1-bit side=32").size(), 2u) << result.listing;
    // The clip region goes out once as a path for the pattern fill, the wave
    // and the text under it; the rectangle clip once.
    EXPECT_EQ(With(lines, "mode=clip").size(), 1u);
    EXPECT_EQ(With(lines, "clip=(").size(), 1u);

    // Text: the Mincho family in the printer's font, its name in the device
    // code; the rest downloaded, each glyph defined once per page.
    const std::vector<std::string> deviceFonts = With(lines, " device-font ");
    ASSERT_EQ(deviceFonts.size(), 1u);
    EXPECT_NE(deviceFonts[0].find(R"(name="\x96\xBE\x92\xA9")"), std::string::npos) << deviceFonts[0];
    EXPECT_EQ(With(lines, " string ").size(), 1u);
    EXPECT_FALSE(With(lines, " download-font ").empty());
    EXPECT_EQ(With(lines, " glyph-run ").size(), 4u);
    EXPECT_FALSE(With(lines, " glyph-definition ").empty());
    EXPECT_FALSE(With(lines, " compressed ").empty());  // re-encoded by the decoder
}

// Text under a clip region is clipped by the region, not by its bounds.
TEST_F(EveryCallPageTest, TextUnderAClipRegionTakesTheRegion)
{
    host::PageBuilder page;
    page.ClipToRegion({RECTL{100, 100, 600, 600}, RECTL{800, 100, 1300, 600}}, 0)
        .Text(POINTL{100, 400}, u"Across the gap between the two", host::Rgb(0, 0, 0))
        .TextInFace(POINTL{100, 500}, u"明朝", u"Across the gap", host::Rgb(0, 0, 0))
        .ClipTo(RECTL{100, 700, 1300, 900}, 0)
        .Text(POINTL{100, 800}, u"In a rectangle", host::Rgb(0, 0, 0));
    const dump::DecodeResult result = Print(2, false, {page.Build()});
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    const std::vector<std::string> lines = Lines(result.listing);
    // A region without an id is sent again for every call.
    const std::vector<std::string> regions = With(lines, "mode=clip");
    ASSERT_EQ(regions.size(), 2u) << result.listing;
    EXPECT_NE(regions[0].find("{start=(1600,1600) L(9600,1600) L(9600,9600) L(1600,9600)}"), std::string::npos)
        << regions[0];
    EXPECT_NE(regions[0].find("{start=(12800,1600)"), std::string::npos) << regions[0];
    const std::vector<std::string> rectangles = With(lines, "clip=(");
    ASSERT_EQ(rectangles.size(), 1u) << result.listing;
    EXPECT_NE(rectangles[0].find("clip=(100,700,1300,900)"), std::string::npos);
}

// The first page of the document in raster mode: the engine renders every call
// into the bands, which go out as image records only, the last band ending the
// page. (The second page would only add bands of the same kind.)
// Images whose widths leave one, two or three pixels past a multiple of
// four reach the printer with every pixel in its place.
TEST_F(EveryCallPageTest, ImagesOfEveryWidthArriveWhole)
{
    host::PageBuilder page;
    std::vector<host::ImageSpec> pictures;
    for (LONG width : {5, 6, 7, 8}) {
        pictures.push_back(host::RampImage(width, 3));
        page.Image(RECTL{100 * width, 100, 100 * width + width, 103}, pictures.back());
    }
    const dump::DecodeResult result = Print(4, false, {page.Build()});
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation);
    const std::vector<std::string> images = With(Lines(result.listing), " image ");
    ASSERT_EQ(images.size(), pictures.size()) << result.listing;
    for (std::size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(Field(images[i], "data-hash"), GreyRowsHash(pictures[i], false)) << images[i];
}

TEST_F(EveryCallPageTest, TheRasterCopyIsBandsOfImageRecordsOnly)
{
    host::JobReport report;
    const dump::DecodeResult result = Print(3, true, {host::DemoDocument().front()}, &report);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation);
    ASSERT_EQ(result.summary.pages, 1u);
    int bands = 0, engineDrawn = 0;
    for (const host::HookCall& call : report.calls) {
        EXPECT_NE(call.hook, "DrvSendPage");
        bands += call.hook == "DrvNextBand" ? 1 : 0;
        engineDrawn += call.engineDrawn ? 1 : 0;
    }
    EXPECT_GT(engineDrawn, 0);  // paths and the image at its size
    for (const auto& [type, count] : result.summary.records) {
        const bool allowed = type == 0x20 || type == 0x31 || type == 0x60 || type == 0x61;
        EXPECT_TRUE(allowed) << "record " << std::hex << int(type) << " x" << std::dec << count;
    }
    EXPECT_EQ(result.summary.records.at(0x20), static_cast<std::uint64_t>(bands));
    // Every band down to the images at the page's foot holds ink; the last
    // band, below them, is white.
    const std::vector<std::string> images = With(Lines(result.listing), " image ");
    ASSERT_EQ(images.size(), static_cast<std::size_t>(bands));
    LONG lastLeft = 0, lastTop = 0;
    ASSERT_EQ(std::sscanf(Field(images.back(), "rect").c_str(), "(%d,%d", &lastLeft, &lastTop), 2);
    ASSERT_GE(lastTop, 6350) << images.back();
    const std::string white = Field(images.back(), "data-hash");
    for (int k = 0; k + 1 < bands; ++k) {
        LONG left = 0, top = 0;
        ASSERT_EQ(std::sscanf(Field(images[k], "rect").c_str(), "(%d,%d", &left, &top), 2) << images[k];
        if (top < 6350) {
            EXPECT_NE(Field(images[k], "data-hash"), white) << images[k];
        }
    }
}

}  // namespace
}  // namespace vexl::test
