// A golden job: two vector pages of rectangles, lines and paths printed by
// the engine host through the built graphics library, with the clock fixed.
// The job-stream checker's listing of the job file, the spool library's call
// log and the engine's account of each drawing call are compared byte for
// byte with the files in tests/graphics/golden/.
//
// When the driver's output changes on purpose (a drawing hook that used to
// punt now draws, a new PJL line in the package description), regenerate
// the files and review the difference before committing it:
//
//   VEXL_UPDATE_GOLDEN=1 ./test -R GoldenJob
//
// The listing is what `vexl-dump job-1.bin` prints for the job file.
#include "print_job.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

const std::filesystem::path kGoldenFolder = std::filesystem::path(VEXL_SOURCE_DIR) / "tests/graphics/golden";
constexpr char16_t kSpoolLog[] = u"C:\\standin\\TZ16C123.log";
constexpr char16_t kJobFile[] = u"C:\\standin\\spool\\job-1.bin";

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first page: rectangles in three colours, a thin and a wide line, a
// wave of Beziers, a filled and a stroked-and-filled rectangle path.
host::Page FirstPage()
{
    host::PageBuilder page;
    page.Rectangle(RECTL{300, 700, 1500, 1100}, host::Rgb(200, 0, 0))
        .Rectangle(RECTL{1700, 700, 2900, 1100}, host::Rgb(0, 150, 0))
        .Rectangle(RECTL{3100, 700, 4300, 1100}, host::Rgb(0, 0, 200))
        .Line(POINTL{300, 1300}, POINTL{4300, 1300}, host::Rgb(0, 0, 0))
        .Line(POINTL{300, 1400}, POINTL{4300, 1900}, host::Rgb(0, 0, 0), 8)
        .StrokePath(host::BezierWave(POINTL{300, 2400}, 400, 200, 10), host::Rgb(0, 0, 0), 4)
        .FillPath(host::RectanglePath(RECTL{300, 2900, 2000, 3600}), host::Rgb(255, 200, 0))
        .StrokeAndFillPath(host::RectanglePath(RECTL{2300, 2900, 4300, 3600}), host::Rgb(0, 0, 0),
                           host::Rgb(0, 200, 255), 6);
    return page.Build();
}

// The second page: calls clipped to a rectangle, then unclipped again.
host::Page SecondPage()
{
    host::PageBuilder page;
    page.ClipTo(RECTL{300, 300, 2300, 1300}, 7)
        .Rectangle(RECTL{200, 200, 2400, 800}, host::Rgb(0, 0, 0))
        .Line(POINTL{200, 1000}, POINTL{2400, 1000}, host::Rgb(255, 0, 0), 2)
        .NoClip()
        .FillPath(host::BezierWave(POINTL{300, 2000}, 300, 150, 6), host::Rgb(0, 128, 0), FP_WINDINGMODE);
    return page.Build();
}

// The engine's account of the job: one line per drawing call.
std::string DescribeCalls(const host::JobReport& report)
{
    std::ostringstream out;
    out << host::DescribeReport(report);
    for (const host::HookCall& call : report.calls) {
        if (call.what == "job") continue;
        out << "page " << call.page << ": " << call.what << " -> " << call.hook << " = " << call.result
            << (call.punted ? " (punted)" : "") << (call.error ? " (error)" : "")
            << (call.unhooked ? " (not hooked)" : "") << "\n";
    }
    return out.str();
}

class GoldenJob : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        machine::Profile profile = machine::LoadProfile();
        profile.fixedLocalTime = "2007-01-31 09:05:03.000";
        machine::SaveProfile(profile);
        machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
        // The golden log of the spool library's calls.
        machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nLog=1\r\n");
        machine::InstallFile(VEXL_TZ16E100_FILE, std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    }

    // Compares with the golden file, or writes it when asked to.
    static void ExpectGolden(const std::string& name, const std::string& actual)
    {
        const std::filesystem::path path = kGoldenFolder / name;
        const char* update = std::getenv("VEXL_UPDATE_GOLDEN");
        if (update && std::string(update) == "1") {
            std::ofstream(path, std::ios::binary) << actual;
            return;
        }
        EXPECT_TRUE(std::filesystem::exists(path)) << path << " is missing; see the top of this file";
        EXPECT_EQ(ReadFile(path), actual) << name << " differs; see the top of this file to regenerate it";
    }
};

TEST_F(GoldenJob, TwoVectorPagesOfRectanglesLinesAndPaths)
{
    host::JobOptions options;
    options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
    options.printerName = kPrinterName;
    options.documentName = u"Report";
    options.jobId = 1;
    const host::JobReport report = host::PrintJob(options, {FirstPage(), SecondPage()});
    ASSERT_TRUE(report.completed) << report.failure;
    ASSERT_FALSE(report.rasterMode);

    const std::string job = ReadFile(machine_.host(kJobFile));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(job.data());
    const dump::DecodeResult decoded = dump::DecodeJobStream(std::span<const std::uint8_t>(bytes, job.size()));
    ASSERT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation) << "\n" << decoded.listing;
    EXPECT_EQ(decoded.summary.pages, 2u);
    EXPECT_TRUE(decoded.summary.jobName);

    ExpectGolden("two_page_job.listing", decoded.listing);
    ExpectGolden("two_page_job.spool.log", ReadFile(machine_.host(kSpoolLog)));
    ExpectGolden("two_page_job.calls", DescribeCalls(report));
}

}  // namespace
}  // namespace vexl::test
