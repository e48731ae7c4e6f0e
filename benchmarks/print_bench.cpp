// The printing path against Ghostscript, page for page, in one run: jobs
// printed through the engine host as vexl-print drives it (the driver
// loaded from the demonstration machine, its hooks called by the engine,
// the job written by the spool library to a file), and the same pages as
// PostScript rendered by Ghostscript at 600 dpi, to `pxlmono` for the vector
// pages and to `pgmraw` for the pages the engine renders in bands.
//
// A page's cost is the slope over page counts: a short and a long job of
// the same page, the difference in time over the difference in pages, so
// that loading the driver, or starting Ghostscript, falls out. Each side
// takes the fastest of its five runs. Every row shows its cost per page, the
// peer's from the same run, their ratio and that ratio over the goal (at
// most 1 meets it). Without Ghostscript (Debian package "ghostscript") the
// rows show the driver's figures alone.
#include "demo_printer.h"
#include "print_job.h"

#include "platform/machine.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vexl {
namespace {

namespace fs = std::filesystem;
using host::ColorRef;
using host::Rgb;

constexpr LONG kPageWidth = 4960;    // A4 at 600 dpi
constexpr LONG kPageHeight = 7016;
constexpr double kPointsPerPixel = 72.0 / 600.0;
constexpr LONG kImageSide = 2000;

// The demonstration machine of this run, in a folder of its own that goes
// when the program ends.
struct BenchMachine {
    fs::path root = fs::temp_directory_path() / ("vexl-print-bench-" + std::to_string(::getpid()));
    fs::path peerFolder = root / "peer";
    bool ready = false;

    BenchMachine()
    {
        host::DemoFiles files;
        files.package = fs::path(VEXL_SOURCE_DIR) / "package";
        files.graphics = VEXL_TZ16E100_FILE;
        files.interface = VEXL_TZ16E130_FILE;
        files.spool = VEXL_TZ16C123_FILE;
        files.resources = VEXL_UIRES_US_FILE;
        ready = host::SetUpDemoPrinter(root, files);
        fs::create_directories(peerFolder);
    }
    ~BenchMachine()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

BenchMachine& Machine()
{
    static BenchMachine machine;
    return machine;
}

bool HasGhostscript()
{
    static const bool found = std::system("gs --version >/dev/null 2>&1") == 0;
    return found;
}

// ---- The pages, for the driver and as PostScript ------------------------------------------------

// A page in device pixels, top-down, for both sides.
struct Workload {
    host::Page page;
    std::string postscript;  // the page's drawing, in a space of device pixels from the top-left corner
    std::string textPostscript;  // drawing in points from the bottom-left corner (text reads the right way up)
};

// The page counts of the short and the long job of a row.
struct PageCounts {
    int shortPages = 1;
    int longPages = 9;
};

std::string PostscriptColor(ColorRef color)
{
    std::ostringstream out;
    out << (color & 0xFF) / 255.0 << " " << ((color >> 8) & 0xFF) / 255.0 << " " << ((color >> 16) & 0xFF) / 255.0
        << " setrgbcolor\n";
    return out.str();
}

// 60 lines of 12-point text, each of the 60 letters and digits in turn.
Workload TextPage()
{
    const std::string glyphs = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567";
    Workload workload;
    host::PageBuilder page;
    std::ostringstream ps;
    ps << "/Helvetica 12 selectfont\n";
    for (int line = 0; line < 60; ++line) {
        std::string text;
        for (int i = 0; i < 80; ++i) text += glyphs[static_cast<std::size_t>((line + i) % 60)];
        const LONG y = 400 + 100 * line;
        page.Text(POINTL{300, y}, std::u16string(text.begin(), text.end()), Rgb(0, 0, 0));
        ps << 300 * kPointsPerPixel << " " << (kPageHeight - y) * kPointsPerPixel << " moveto (" << text << ") show\n";
    }
    workload.page = page.Build();
    workload.textPostscript = ps.str();
    return workload;
}

// 10,000 filled rectangles of two alternating colours in a grid.
Workload RectanglePage()
{
    Workload workload;
    host::PageBuilder page;
    std::ostringstream ps;
    const ColorRef colors[2] = {Rgb(200, 0, 0), Rgb(0, 0, 200)};
    for (LONG i = 0; i < 10000; ++i) {
        const LONG x = (i % 100) * 49, y = (i / 100) * 70;
        const ColorRef color = colors[i & 1];
        page.Rectangle(RECTL{x, y, x + 40, y + 60}, color);
        ps << PostscriptColor(color) << x << " " << y << " 40 60 rectfill\n";
    }
    workload.page = page.Build();
    workload.postscript = ps.str();
    return workload;
}

// The colour ramp of 2000 x 2000 pixels at its own size; the PostScript
// reads the same pixels from a file.
Workload ImagePage()
{
    Workload workload;
    const host::ImageSpec image = host::RampImage(kImageSide, kImageSide);
    const fs::path pixels = Machine().peerFolder / "image.rgb";
    {
        std::string bytes;
        bytes.reserve(image.pixels.size() * 3);
        for (const ColorRef c : image.pixels) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
            bytes.push_back(static_cast<char>((c >> 16) & 0xFF));
        }
        std::ofstream(pixels, std::ios::binary) << bytes;
    }
    host::PageBuilder page;
    page.Image(RECTL{300, 300, 300 + kImageSide, 300 + kImageSide}, image);
    workload.page = page.Build();
    std::ostringstream ps;
    ps << "300 300 translate " << kImageSide << " " << kImageSide << " scale " << kImageSide << " " << kImageSide
       << " 8 [" << kImageSide << " 0 0 " << kImageSide << " 0 0] (" << pixels.string()
       << ") (r) file false 3 colorimage\n";
    workload.postscript = ps.str();
    return workload;
}

// ---- Timing -------------------------------------------------------------------------------------

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Prints a job of `pages` pages through the driver; seconds, or a negative
// number when the job failed.
double PrintThroughDriver(const Workload& workload, int pages, bool raster)
{
    const std::vector<host::Page> document(static_cast<std::size_t>(pages), workload.page);
    const host::JobOptions options = host::DemoJobOptions(1, raster);
    // The last job's file goes before the clock starts, as the peer's does.
    std::error_code ignored;
    fs::remove(machine::HostPath(u"C:\\standin\\spool\\job-1.bin"), ignored);
    const auto start = std::chrono::steady_clock::now();
    const host::JobReport report = host::PrintJob(options, document);
    const double took = Seconds(start);
    return report.completed && report.rasterMode == raster ? took : -1;
}

// Renders the same document with Ghostscript to the device; seconds, or
// negative when Ghostscript failed.
double RenderWithGhostscript(const Workload& workload, int pages, const char* device)
{
    const fs::path folder = Machine().peerFolder;
    const fs::path document = folder / ("page-" + std::to_string(pages) + ".ps");
    {
        std::ofstream out(document, std::ios::binary);
        out << "%!PS\n<< /PageSize [595.28 841.89] >> setpagedevice\n";
        for (int page = 0; page < pages; ++page) {
            out << "gsave 0 841.89 translate " << kPointsPerPixel << " " << -kPointsPerPixel << " scale\n"
                << workload.postscript << "grestore\n"
                << workload.textPostscript << "showpage\n";
        }
    }
    const std::string command = std::string("gs -q -dNOPAUSE -dBATCH -r600 -sDEVICE=") + device +
                                " --permit-file-read=" + folder.string() + "/ -sOutputFile=" +
                                (folder / "out.bin").string() + " " + document.string() + " >/dev/null 2>&1";
    std::error_code ignored;
    fs::remove(folder / "out.bin", ignored);
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double took = Seconds(start);
    return status == 0 ? took : -1;
}

struct Slope {
    double shortBest = 1e30;
    double longBest = 1e30;
    void Add(double shortJob, double longJob)
    {
        shortBest = std::min(shortBest, shortJob);
        longBest = std::min(longBest, longJob);
    }
    double PerPage(PageCounts counts) const { return (longBest - shortBest) / (counts.longPages - counts.shortPages); }
};

// One row: each iteration prints the short and the long job through the
// driver and renders them with Ghostscript, interleaved.
void RunPrintRow(benchmark::State& state, const Workload& workload, PageCounts counts, bool raster,
                 const char* peerDevice, double goal)
{
    if (!Machine().ready) {
        state.SkipWithError("the demonstration printer could not be set up");
        return;
    }
    const bool peer = HasGhostscript();
    Slope driver, ghostscript;
    for (auto _ : state) {
        const double driverShort = PrintThroughDriver(workload, counts.shortPages, raster);
        const double driverLong = PrintThroughDriver(workload, counts.longPages, raster);
        if (driverShort < 0 || driverLong < 0) {
            state.SkipWithError("the driver did not print the job");
            return;
        }
        driver.Add(driverShort, driverLong);
        if (!peer) continue;
        const double peerShort = RenderWithGhostscript(workload, counts.shortPages, peerDevice);
        const double peerLong = RenderWithGhostscript(workload, counts.longPages, peerDevice);
        if (peerShort < 0 || peerLong < 0) {
            state.SkipWithError("Ghostscript did not render the document");
            return;
        }
        ghostscript.Add(peerShort, peerLong);
    }
    const double pageMs = driver.PerPage(counts) * 1000;
    state.counters["page_ms"] = pageMs;
    state.counters["goal"] = goal;
    if (peer) {
        const double peerMs = ghostscript.PerPage(counts) * 1000;
        state.counters["peer_page_ms"] = peerMs;
        state.counters["ratio_to_peer"] = pageMs / peerMs;
        state.counters["ratio_to_goal"] = pageMs / peerMs / goal;
        state.SetLabel(std::string("against gs ") + peerDevice);
    } else {
        state.SetLabel("gs missing (Debian package ghostscript): no peer figure");
    }
}

const Workload& Text()
{
    static const Workload workload = TextPage();
    return workload;
}
const Workload& Rectangles()
{
    static const Workload workload = RectanglePage();
    return workload;
}
const Workload& Image()
{
    static const Workload workload = ImagePage();
    return workload;
}

void BM_PrintTextPage(benchmark::State& state)
{
    RunPrintRow(state, Text(), {1, 81}, false, "pxlmono", 0.5);
}
void BM_PrintRectanglePage(benchmark::State& state)
{
    RunPrintRow(state, Rectangles(), {1, 21}, false, "pxlmono", 1.0);
}
void BM_PrintImagePage(benchmark::State& state)
{
    RunPrintRow(state, Image(), {1, 11}, false, "pxlmono", 1.0);
}
// The floor under the raster rows: a page with nothing on it, its bands
// cleared, sent and written all the same.
void BM_RasterEmptyPage(benchmark::State& state)
{
    static const Workload empty;
    RunPrintRow(state, empty, {1, 6}, true, "pgmraw", 1.0);
}
void BM_RasterTextPage(benchmark::State& state)
{
    RunPrintRow(state, Text(), {1, 6}, true, "pgmraw", 1.0);
}
void BM_RasterRectanglePage(benchmark::State& state)
{
    RunPrintRow(state, Rectangles(), {1, 6}, true, "pgmraw", 1.0);
}
void BM_RasterImagePage(benchmark::State& state)
{
    RunPrintRow(state, Image(), {1, 6}, true, "pgmraw", 1.0);
}

BENCHMARK(BM_PrintTextPage)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintRectanglePage)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintImagePage)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterEmptyPage)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterTextPage)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterRectanglePage)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterImagePage)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexl

BENCHMARK_MAIN();
