// The engine host runs a job through a driver as the engine does: the hooks
// in the engine's order, drawing calls through the surface's hooks only,
// punts and errors recorded, DrvResetPDEV in the middle of the job, and
// nothing of the engine left behind.
#include "platform/engine_host.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/modules.h"
#include "platform/printers.h"
#include "print_job.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr const char16_t* kFolder = u"C:\\drv";
constexpr const char16_t* kDriver = u"C:\\drv\\FAKEDRV.DLL";

class EngineHostTest : public MachineTest {
protected:
    void SetUp() override
    {
        machine::InstallFile(VEXL_FAKEDRV_FILE, kDriver);
        machine::InstallFile(VEXL_TZ16C123_FILE, u"C:\\drv\\TZ16C123.DLL");
        machine::PrinterSetup setup;
        setup.name = u"Fake";
        setup.driverName = u"Fake driver";
        setup.driverDirectory = kFolder;
        setup.driverFile = u"FAKEDRV.DLL";
        machine::AddPrinter(setup);
        // The test keeps the driver loaded so that its log outlives the job.
        driver_ = LoadLibraryW(kDriver);
        ASSERT_NE(driver_, nullptr);
    }
    void TearDown() override { FreeLibrary(driver_); }

    std::string DriverLog()
    {
        using LogFunction = const char* (*)();
        FARPROC address = GetProcAddress(driver_, "FakeDriverLog");
        auto log = reinterpret_cast<LogFunction>(reinterpret_cast<void (*)()>(address));
        return log ? log() : "";
    }

    static host::JobOptions Options()
    {
        host::JobOptions options;
        options.driverPath = kDriver;
        options.printerName = u"Fake";
        options.jobId = 12;
        return options;
    }

    HMODULE driver_ = nullptr;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(EngineHostTest, AJobRunsTheHooksInTheEnginesOrderAndRecordsPunts)
{
    const engine::Census before = engine::Live();
    host::PageBuilder page;
    page.Rectangle(RECTL{10, 20, 30, 40}, host::Rgb(255, 0, 0))
        .ClipTo(RECTL{0, 0, 500, 500}, 9)
        .Line(POINTL{0, 0}, POINTL{100, 0}, host::Rgb(0, 0, 0))
        .NoClip()
        .StrokePath(host::BezierWave(POINTL{0, 100}, 30, 10, 4), 0, 3)
        .FillPath(host::RectanglePath(RECTL{0, 0, 50, 50}), 0)
        .StrokeAndFillPath(host::RectanglePath(RECTL{0, 0, 50, 50}), 0, host::Rgb(0, 0, 255), 2)
        .Text(POINTL{10, 300}, u"Hi there", 0);
    const host::JobReport report = host::PrintJob(Options(), {page.Build(), host::PageBuilder().Build()});

    EXPECT_TRUE(report.completed) << report.failure;
    EXPECT_FALSE(report.rasterMode);
    EXPECT_EQ(report.surfaceHooks, 0x4EBu);
    EXPECT_EQ(report.gdiInfo.ulHorzRes, 1000u);
    EXPECT_EQ(report.Count(&host::HookCall::punted), 1);  // the text
    EXPECT_EQ(report.Count(&host::HookCall::error), 1);   // DDI_ERROR from the fill
    EXPECT_EQ(Lines(DriverLog()), (std::vector<std::string>{
                                      "EnableDriver",
                                      "EnablePDEV 1 no devmode",
                                      "CompletePDEV 1",
                                      "EnableSurface 1",
                                      "StartDoc 1 job 12 name length 6",
                                      "StartPage 1",
                                      "BitBlt 10,20 colour 16711680 rop 61680 clip 0 uniq 0",
                                      "StrokePath curves 1 points 2 pieces 1 cosmetic",
                                      "StrokePath curves 4 points 13 pieces 1 geometric",
                                      "FillPath curves 3 points 4 pieces 1",
                                      "StrokeAndFillPath curves 3 points 4 pieces 1",
                                      "TextOut glyphs 8 font 1",
                                      "SendPage 1",
                                      "StartPage 1",
                                      "SendPage 1",
                                      "EndDoc 1 flags 0",
                                      "DisableSurface 1",
                                      "DisablePDEV 1",
                                      "DisableDriver",
                                  }));
    std::ifstream job(machine_.host(u"C:\\standin\\spool\\job-12.bin"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(job), std::istreambuf_iterator<char>()),
              "DOC;PAGE1;R;END;PAGE2;END;");
    const engine::Census after = engine::Live();
    EXPECT_EQ(after.surfaces, before.surfaces);
    EXPECT_EQ(after.palettes, before.palettes);
    EXPECT_EQ(after.devices, before.devices);
}

TEST_F(EngineHostTest, AResetMovesTheJobToANewPdevAndDisablesTheOldOne)
{
    host::JobOptions options = Options();
    options.resetBeforePage = 1;
    const std::vector<host::Page> pages(3);
    const host::JobReport report = host::PrintJob(options, pages);
    EXPECT_TRUE(report.completed) << report.failure;
    EXPECT_EQ(Lines(DriverLog()), (std::vector<std::string>{
                                      "EnableDriver",
                                      "EnablePDEV 1 no devmode",
                                      "CompletePDEV 1",
                                      "EnableSurface 1",
                                      "StartDoc 1 job 12 name length 6",
                                      "StartPage 1",
                                      "SendPage 1",
                                      "EnablePDEV 2 no devmode",
                                      "CompletePDEV 2",
                                      "EnableSurface 2",
                                      "ResetPDEV 1 -> 2",
                                      "DisableSurface 1",
                                      "DisablePDEV 1",
                                      "StartDoc 2 job 12 name length 6",
                                      "StartPage 2",
                                      "SendPage 2",
                                      "StartPage 2",
                                      "SendPage 2",
                                      "EndDoc 2 flags 0",
                                      "DisableSurface 2",
                                      "DisablePDEV 2",
                                      "DisableDriver",
                                  }));
    std::ifstream job(machine_.host(u"C:\\standin\\spool\\job-12.bin"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(job), std::istreambuf_iterator<char>()),
              "DOC;PAGE1;END;PAGE2;END;PAGE3;END;");
}

TEST_F(EngineHostTest, ABandedPageIsReplayedPerBandAndEndedByTheDriver)
{
    host::JobOptions options = Options();
    options.devmode.assign(220, 0);  // the test driver bands when it is given a DEVMODE
    host::PageBuilder page;
    page.Rectangle(RECTL{0, 700, 10, 702}, host::Rgb(0, 0, 0))  // in the second band only
        .Line(POINTL{0, 0}, POINTL{10, 10}, 0);                 // the engine draws paths into the bands itself
    const host::JobReport report = host::PrintJob(options, {page.Build()});
    EXPECT_TRUE(report.completed) << report.failure;
    EXPECT_TRUE(report.rasterMode);
    EXPECT_EQ(report.surfaceHooks, HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT);
    EXPECT_EQ(report.Count(&host::HookCall::unhooked), 0);
    EXPECT_EQ(report.Count(&host::HookCall::engineDrawn), 3);  // the line, once per band
    EXPECT_EQ(Lines(DriverLog()), (std::vector<std::string>{
                                      "EnableDriver",
                                      "EnablePDEV 1 devmode",
                                      "CompletePDEV 1",
                                      "EnableSurface 1",
                                      "StartDoc 1 job 12 name length 6",
                                      "StartPage 1",
                                      "StartBanding 1",
                                      "BitBlt band 0,700 -> 1",
                                      "NextBand 0 inked bytes 30",  // the line: 10 rows of one pixel
                                      "BitBlt band 0,100 -> 1",
                                      "NextBand 600 inked bytes 60",
                                      "BitBlt band 0,-500 -> 1",
                                      "NextBand 1200 inked bytes 0",
                                      "SendPage 1",
                                      "EndDoc 1 flags 0",
                                      "DisableSurface 1",
                                      "DisablePDEV 1",
                                      "DisableDriver",
                                  }));
}

TEST_F(EngineHostTest, AReportOfTheUnusualCallsCountsTheOthers)
{
    host::JobOptions options = Options();
    options.devmode.assign(220, 0);  // three bands
    options.reportEveryCall = false;
    host::PageBuilder page;
    page.Rectangle(RECTL{0, 700, 10, 702}, host::Rgb(0, 0, 0)).Line(POINTL{0, 0}, POINTL{10, 10}, 0);
    const host::JobReport report = host::PrintJob(options, {page.Build()});
    EXPECT_TRUE(report.completed) << report.failure;
    EXPECT_EQ(report.drawingCalls, 6);
    int drawing = 0;
    for (const host::HookCall& call : report.calls) {
        if (call.what == "job") continue;
        ++drawing;
        EXPECT_TRUE(call.engineDrawn) << call.hook;
    }
    EXPECT_EQ(drawing, 3);  // the line, drawn by the engine in each band
    EXPECT_NE(host::DescribeReport(report).find("drawing calls: 6\n"), std::string::npos)
        << host::DescribeReport(report);
}

TEST_F(EngineHostTest, AMissingDriverOrPrinterIsReportedAsTheFailedStep)
{
    host::JobOptions options = Options();
    options.driverPath = u"C:\\drv\\NONE.DLL";
    host::JobReport report = host::PrintJob(options, {});
    EXPECT_FALSE(report.completed);
    EXPECT_NE(report.failure.find("LoadLibraryW"), std::string::npos) << report.failure;

    options = Options();
    options.printerName = u"Nobody";
    report = host::PrintJob(options, {});
    EXPECT_NE(report.failure.find("OpenPrinterW"), std::string::npos) << report.failure;
    EXPECT_NE(host::DescribeReport(report).find("job: OpenPrinterW"), std::string::npos);
}

}  // namespace
}  // namespace vexl::test
