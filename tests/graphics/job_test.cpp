// Whole jobs through the spool library installed in the driver directory:
// the frames of a job, the job-name line, the job binder, the spool
// library's forms, a reset of the device context in the middle of a job,
// and a write that fails.
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/printer_facts.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/module_chapters.h"
#include "common/storage/module_color_profiles.h"
#include "graphics/document.h"
#include "graphics/records.h"
#include "print_job.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

constexpr char16_t kSpoolScenario[] = u"C:\\standin\\TZ16C123.ini";
constexpr char16_t kSpoolLog[] = u"C:\\standin\\TZ16C123.log";

struct Frame {
    BYTE type;
    std::string payload;
};

// The display list of an empty page: page begin at the printable size and
// resolution, then page end.
std::string EmptyPageDisplayList(const Pdev* pdev)
{
    std::string bytes(20, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = static_cast<char>(kRecordPageBegin);
    put32(4, static_cast<std::uint32_t>(pdev->paper.printableWidthDots));
    put32(8, static_cast<std::uint32_t>(pdev->paper.printableLengthDots));
    put32(12, pdev->resolution | (std::uint32_t{pdev->resolution} << 16));
    bytes[16] = static_cast<char>(kRecordPageEnd);
    return bytes;
}

std::string JobNameLine(const std::string& name)
{
    return "@PJL SET JOBNAME = \"" + name + "\"\r\n";
}

class JobTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        InstallSpool(VEXL_TZ16C123_FILE);
        // The tests read the library's call log.
        Scenario("Log=1");
    }

    void InstallSpool(const char* file)
    {
        machine::InstallFile(file, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
    }
    void Scenario(const std::string& lines) { machine::WriteFile(kSpoolScenario, "[Library]\r\n" + lines + "\r\n"); }

    std::string ReadHostFile(std::u16string_view windowsPath) const
    {
        std::ifstream in(machine_.host(windowsPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string JobFile(DWORD jobId) const
    {
        const std::string number = std::to_string(jobId);
        return ReadHostFile(u"C:\\standin\\spool\\job-" + std::u16string(number.begin(), number.end()) + u".bin");
    }

    // The job-stream checker's reading of a job file.
    static dump::DecodeResult Decode(const std::string& bytes)
    {
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        return dump::DecodeJobStream(std::span<const std::uint8_t>(data, bytes.size()));
    }

    // The frames of a job file; every byte must belong to a frame, and the
    // job-stream checker must find the whole job well formed unless told
    // the job is not whole.
    std::vector<Frame> JobFrames(DWORD jobId, bool whole = true) const
    {
        const std::string bytes = JobFile(jobId);
        const dump::DecodeResult decoded = Decode(bytes);
        if (whole) {
            EXPECT_TRUE(decoded.ok()) << dump::FormatViolation(decoded.violation.value_or(dump::Violation{})) << "\n"
                                      << decoded.listing;
        }
        std::vector<Frame> frames;
        std::size_t at = 0;
        while (at < bytes.size()) {
            EXPECT_GE(bytes.size() - at, 8u) << "a frame header is cut at " << at;
            if (bytes.size() - at < 8) break;
            EXPECT_EQ(bytes.compare(at + 1, 3, std::string(3, '\0')), 0) << "reserved bytes at " << at;
            std::uint32_t length = 0;
            for (int i = 0; i < 4; ++i) length |= std::uint32_t(static_cast<BYTE>(bytes[at + 4 + i])) << (8 * i);
            EXPECT_LE(length, bytes.size() - at - 8) << "a frame is cut at " << at;
            if (length > bytes.size() - at - 8) break;
            frames.push_back({static_cast<BYTE>(bytes[at]), bytes.substr(at + 8, length)});
            at += 8 + length;
        }
        return frames;
    }

    // The spool library's calls, by function name.
    std::vector<std::string> SpoolCalls() const
    {
        std::istringstream log(ReadHostFile(kSpoolLog));
        std::vector<std::string> calls;
        for (std::string line; std::getline(log, line);) calls.push_back(line.substr(0, line.find(' ')));
        return calls;
    }

    static std::vector<BYTE> Types(const std::vector<Frame>& frames)
    {
        std::vector<BYTE> types;
        for (const Frame& frame : frames) types.push_back(frame.type);
        return types;
    }

    // A Pdev with its surface, ready for a document.
    SURFOBJ* Ready(Pdev** out = nullptr)
    {
        Pdev* pdev = Enable();
        EXPECT_NE(pdev, nullptr);
        if (out) *out = pdev;
        return pdev ? EnableSurface(pdev) : nullptr;
    }

    static bool EmptyPage(SURFOBJ* so) { return DrvStartPage(so) && DrvSendPage(so); }
};

TEST_F(JobTest, TwoEmptyPagesMakeAWholeJob)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Report"), 7));
    EXPECT_EQ(pdev->flags & kPdevDocumentOpen, kPdevDocumentOpen);
    ASSERT_TRUE(EmptyPage(so));
    EXPECT_EQ(pdev->pageCount, 1);
    ASSERT_TRUE(EmptyPage(so));
    EXPECT_EQ(pdev->pageCount, 2);
    ASSERT_TRUE(DrvEndDoc(so, 0));
    EXPECT_EQ(pdev->flags & kPdevDocumentOpen, 0u);
    EXPECT_EQ(pdev->stream.spool.module, nullptr);
    EXPECT_EQ(pdev->jobName, nullptr);

    const std::vector<Frame> frames = JobFrames(7);
    const std::vector<BYTE> expected = {0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1, 0xF4, 0xF0, 0xF5, 0xF1};
    ASSERT_EQ(Types(frames), expected);
    // The JobStart group of the package description.
    EXPECT_NE(frames[0].payload.find("@PJL SET "), std::string::npos) << frames[0].payload;
    EXPECT_EQ(frames[1].payload, JobNameLine("Report"));
    EXPECT_EQ(frames[1].payload.size(), 29u);
    EXPECT_EQ(frames[3].payload, "");
    EXPECT_EQ(frames[4].payload, EmptyPageDisplayList(pdev));
    EXPECT_EQ(frames[8].payload, EmptyPageDisplayList(pdev));

    const std::vector<std::string> calls = SpoolCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "DrvSplStartDocEx");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplStartPage"), 2);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplEndPage"), 2);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
              (std::vector<std::string>{"DrvSplEndDoc", "DrvSplClose"}));
    // The page's end reaches the library before the page's last bytes.
    const auto endPage = std::find(calls.begin(), calls.end(), "DrvSplEndPage");
    EXPECT_EQ(*(endPage + 1), "DrvSplWritePrinter");
}

// The JobStart frame of a one-page job of the Pdev.
std::string JobStartText(const std::vector<Frame>& frames)
{
    return frames.empty() || frames[0].type != 0xF3 ? std::string() : frames[0].payload;
}

TEST_F(JobTest, TheJobCarriesTheChapterLinesOfTheChapterList)
{
    const std::vector<std::uint8_t> devmode = DevmodeWith({{rdmFuncSelectChapter, 1}});
    Pdev* pdev = Enable(&devmode);
    ASSERT_NE(pdev, nullptr);
    SURFOBJ* so = EnableSurface(pdev);
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Chapters"), 11));
    // Two chapters of the job: page 3 copied from tray 1, pages 5 to 7 from it too.
    DriverContext* context = pdev->context;
    SetItemValue(context, wdmChapterNum, 2);
    SetItemValue(context, wdmChapterTrayMax, 2);
    const ChapterRecord chapters[] = {{3, 1, kChapterKindTray, 1, u""}, {1, 1, kChapterKindRange, 0, u"5-7"}};
    for (int i = 0; i < 2; ++i) {
        ChapterRecord* record = GetChapterRecord(context, i);
        ASSERT_NE(record, nullptr) << i;
        *record = chapters[i];
    }
    ASSERT_TRUE(EmptyPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::string text = JobStartText(JobFrames(11));
    for (const char* line :
         {"@PJL SET CHAPTER=ON\r\n", "@PJL SET CHAPTERPRINTDUPLEX1 = OFF \r\n", "@PJL SET CHAPTERPAGENUMBER1 = 3 \r\n",
          "@PJL SET CHAPTERPAGE1 = COPY \r\n", "@PJL SET CHAPTERPAGESTART2 = 5 \r\n",
          "@PJL SET CHAPTERPAGEEND2 = 7 \r\n", "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY1 \r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("CHAPTERPRINTTRAY2"), std::string::npos) << text;
}

TEST_F(JobTest, TheJobNamesTheColourMatchingFileOrTheUsersProfile)
{
    struct Case {
        const char* name;
        std::uint32_t mode;
        std::string line;
    };
    const std::string folder = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\";
    const Case cases[] = {
        {"matching file", 2, "@PJL SET COLORMATCHINGFILE = \"" + folder + "TZ99C152.rcm\" \r\n"},
        {"user profile", kProfileValueBase + 1, "@PJL SET COLORMATCHINGFILE = \"p1.icm\" \r\n"},
    };
    DWORD job = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pdev* pdev = Enable();
        ASSERT_NE(pdev, nullptr);
        SURFOBJ* so = EnableSurface(pdev);
        ASSERT_NE(so, nullptr);
        ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Colour"), job));
        // Two profiles of the user in the settings INI.
        DriverContext* context = pdev->context;
        const std::u16string section = GetProfileCounterSection(context);
        const WCHAR* ini = GetSettingsIniPath(context);
        WriteIniString(section.c_str(), u"CmmCount", u"2", ini);
        WriteIniString(section.c_str(), u"CmmDefault", u"0", ini);
        for (const char16_t* index : {u"0", u"1"}) {
            const std::u16string name = u"ColorMatching" + std::u16string(index) + section;
            WriteIniString(name.c_str(), u"rdmColorMatchingMode", (u"Profile " + std::u16string(index)).c_str(), ini);
            WriteIniString(name.c_str(), u"wdmColorProfilePath", (u"p" + std::u16string(index) + u".icm").c_str(), ini);
        }
        SetItemValue(context, rdmMachineTypeColor, 1);
        SetItemValue(context, rdmColorMatchingMode, c.mode);
        ASSERT_TRUE(EmptyPage(so));
        ASSERT_TRUE(DrvEndDoc(so, 0));
        const std::string text = JobStartText(JobFrames(job++));
        EXPECT_NE(text.find(c.line), std::string::npos) << c.line << "\n" << text;
    }
}

TEST_F(JobTest, AJobOfManyEmptyPagesIsWellFormed)
{
    Scenario("Log=0");
    SURFOBJ* so = Ready();
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Many"), 9));
    constexpr int kPages = 300;
    for (int page = 0; page < kPages; ++page) ASSERT_TRUE(EmptyPage(so)) << page;
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const dump::DecodeResult decoded = Decode(JobFile(9));
    ASSERT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
    EXPECT_EQ(decoded.summary.pages, std::uint64_t{kPages});
    EXPECT_EQ(decoded.summary.jobStarts, 1u);
    EXPECT_TRUE(decoded.summary.jobName);
    EXPECT_EQ(decoded.summary.records.at(kRecordPageBegin), std::uint64_t{kPages});
}

TEST_F(JobTest, TheJobNameLineFollowsTheDocumentName)
{
    struct Case {
        const char16_t* document;
        DWORD jobId;
        std::string line;  // empty: no job-name frame
    } cases[] = {
        {u"Report", 1, JobNameLine("Report")},
        {nullptr, 2, ""},
        {u"", 3, ""},
        {u"Caf\u00E9 \u201Cmenu\u201D", 4, JobNameLine("Caf\xE9 \x93menu\x94")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jobId);
        SURFOBJ* so = Ready();
        ASSERT_NE(so, nullptr);
        ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(c.document), c.jobId));
        ASSERT_TRUE(EmptyPage(so));
        ASSERT_TRUE(DrvEndDoc(so, 0));
        const std::vector<Frame> frames = JobFrames(c.jobId);
        ASSERT_GE(frames.size(), 2u);
        if (c.line.empty()) {
            EXPECT_EQ(frames[1].type, 0xF4);
        } else {
            EXPECT_EQ(frames[1].type, 0xF3);
            EXPECT_EQ(frames[1].payload, c.line);
        }
    }
}

TEST_F(JobTest, TheSpoolersDocumentNameNamesASpooledMetafileJob)
{
    machine::JobSetup job;
    job.id = 5;
    job.document = u"From the spooler";
    machine::AddJob(kPrinterName, job);
    Pdev* pdev = nullptr;
    SURFOBJ* so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    pdev->emfSpoolOutput = 1;
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Report"), 5));
    ASSERT_TRUE(EmptyPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::vector<Frame> frames = JobFrames(5);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1].payload, JobNameLine("From the spooler"));
}

TEST_F(JobTest, AVeryLongDocumentNameIsCutToWhatTheJobNameHolds)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    const std::u16string name(40000, u'n');
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(name.c_str()), 1));
    EXPECT_EQ(pdev->jobNameLength, static_cast<SHORT>(kMaxJobNameChars));
    ASSERT_TRUE(EmptyPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::vector<Frame> frames = JobFrames(1);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1].payload, JobNameLine(std::string(kMaxJobNameChars, 'n')));
}

TEST_F(JobTest, TheJobBindersFirstPageCarriesOnlyTheJobFrames)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    pdev->jobBinder = 1;
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Bound"), 3));
    ASSERT_TRUE(EmptyPage(so));
    ASSERT_TRUE(EmptyPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::vector<BYTE> expected = {0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1};
    const std::vector<Frame> frames = JobFrames(3);
    EXPECT_EQ(Types(frames), expected);
}

TEST_F(JobTest, PagesCountWhetherOrNotTheyWereStarted)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
    ASSERT_TRUE(DrvStartPage(so));
    // A second start of an open page changes nothing but tells the library.
    ASSERT_TRUE(DrvStartPage(so));
    EXPECT_EQ(pdev->pageCount, 1);
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    EXPECT_EQ(pdev->pageCount, 2);
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::vector<std::string> calls = SpoolCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplStartPage"), 2);
}

TEST_F(JobTest, TheSpoolLibrarysFormsDecideWhetherTheJobStarts)
{
    // Without DrvSplStartDocEx the job starts through DrvSplStartDoc.
    InstallSpool(VEXL_TZ16C123_NOEX_FILE);
    SURFOBJ* so = Ready();
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Report"), 2));
    ASSERT_TRUE(EmptyPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    EXPECT_EQ(SpoolCalls().front(), "DrvSplStartDoc");
    EXPECT_EQ(JobFrames(2).size(), 6u);

    // A library that cannot take the job's bytes starts no document.
    InstallSpool(VEXL_TZ16C123_NOWRITE_FILE);
    Pdev* pdev = nullptr;
    so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    SetLastError(0);
    EXPECT_FALSE(DrvStartDoc(so, const_cast<LPWSTR>(u"Report"), 3));
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(pdev->flags & kPdevDocumentOpen, 0u);
    EXPECT_EQ(pdev->stream.spool.module, nullptr);
}

// DrvResetPDEV in the middle of a job: the job goes on in the new Pdev, the
// old one is freed, and the stream stays whole.
TEST_F(JobTest, AResetCarriesTheOpenJobToTheNewPdev)
{
    Pdev* from = nullptr;
    SURFOBJ* oldSurface = Ready(&from);
    ASSERT_NE(oldSurface, nullptr);
    ASSERT_TRUE(DrvStartDoc(oldSurface, const_cast<LPWSTR>(u"Report"), 4));
    ASSERT_TRUE(EmptyPage(oldSurface));
    // Something buffered on the old Pdev when the engine resets.
    ASSERT_TRUE(DrvStartPage(oldSurface));
    ASSERT_NE(EmitClipResetRecord(from->stream), nullptr);

    Pdev* to = nullptr;
    SURFOBJ* newSurface = Ready(&to);
    ASSERT_NE(newSurface, nullptr);
    ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(from), reinterpret_cast<DHPDEV>(to)));
    EXPECT_EQ(to->pageCount, 2);
    EXPECT_EQ(to->jobId, 4u);
    EXPECT_EQ(to->flags & (kPdevDocumentOpen | kPdevResetInProgress), kPdevDocumentOpen | kPdevResetInProgress);
    ASSERT_NE(to->jobName, nullptr);
    EXPECT_NE(to->jobName, from->jobName);
    EXPECT_EQ(std::string(to->jobName, to->jobNameLength), "Report");
    EXPECT_EQ(to->stream.spool.module, from->stream.spool.module);
    EXPECT_EQ(to->stream.spool.job, from->stream.spool.job);
    EXPECT_EQ(to->glyphGeneration, from->glyphGeneration);
    Disable(from);

    // The new Pdev's stream is its own: a record before its next page
    // start lands in its own blocks.
    ASSERT_NE(EmitClipResetRecord(to->stream), nullptr);
    ASSERT_TRUE(DrvStartDoc(newSurface, const_cast<LPWSTR>(u"Report"), 0));
    ASSERT_TRUE(EmptyPage(newSurface));
    EXPECT_EQ(to->pageCount, 3);
    EXPECT_EQ(to->flags & kPdevResetInProgress, 0u);
    ASSERT_TRUE(DrvEndDoc(newSurface, 0));

    // The old Pdev's buffered page went out at the reset; the new Pdev
    // writes the JobStart group again, without the job name. The page open
    // at the reset has no end (the engine resets only between pages), so
    // the checker does not take this job as whole.
    const std::vector<BYTE> expected = {0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1, 0xF4,
                                        0xF0, 0xF5, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1};
    const std::vector<Frame> frames = JobFrames(4, false);
    EXPECT_EQ(Types(frames), expected);
    const std::vector<std::string> calls = SpoolCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplStartDocEx"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplClose"), 1);
}

// The engine resets between pages: the job goes on in the new Pdev and the
// whole job is well formed, the new JobStart group between two pages.
TEST_F(JobTest, AResetBetweenPagesMakesAWellFormedJob)
{
    machine::InstallFile(VEXL_TZ16E100_FILE, std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    host::JobOptions options;
    options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
    options.printerName = kPrinterName;
    options.jobId = 5;
    options.devmode = DevmodeWith({});
    options.resetBeforePage = 1;
    host::PageBuilder drawn;
    drawn.Rectangle(RECTL{10, 10, 200, 200}, host::Rgb(0, 0, 0)).Line(POINTL{10, 300}, POINTL{400, 300}, 0);
    const host::JobReport report = host::PrintJob(options, {drawn.Build(), drawn.Build(), host::Page{}});
    ASSERT_TRUE(report.completed) << report.failure;
    const std::vector<BYTE> expected = {0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1, 0xF3, 0xF4,
                                        0xF0, 0xF5, 0xF1, 0xF4, 0xF0, 0xF5, 0xF1};
    EXPECT_EQ(Types(JobFrames(5)), expected);
    const dump::DecodeResult decoded = Decode(JobFile(5));
    EXPECT_EQ(decoded.summary.jobStarts, 2u);
    EXPECT_EQ(decoded.summary.pages, 3u);
    const std::vector<std::string> calls = SpoolCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplStartDocEx"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrvSplClose"), 1);
}

TEST_F(JobTest, AResetKeepsTheNewPdevsOwnJobNameWhenTheOldHasNone)
{
    Pdev* from = nullptr;
    SURFOBJ* oldSurface = Ready(&from);
    ASSERT_NE(oldSurface, nullptr);
    ASSERT_TRUE(DrvStartDoc(oldSurface, nullptr, 6));
    Pdev* to = Enable();
    ASSERT_NE(to, nullptr);
    ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(from), reinterpret_cast<DHPDEV>(to)));
    EXPECT_EQ(to->jobName, nullptr);
    EXPECT_EQ(to->jobNameLength, 0);
    ASSERT_TRUE(DrvEndDoc(oldSurface, 0));
}

// Without memory for the copy of the job name the new Pdev goes on without one.
TEST_F(JobTest, AResetWithoutMemoryForTheJobNameGoesOnWithoutOne)
{
    Pdev* from = nullptr;
    SURFOBJ* oldSurface = Ready(&from);
    ASSERT_NE(oldSurface, nullptr);
    ASSERT_TRUE(DrvStartDoc(oldSurface, const_cast<LPWSTR>(u"Report"), 6));
    Pdev* to = Enable();
    ASSERT_NE(to, nullptr);
    SetPdevPoolLimit(to->pool, PdevPoolBytesInUse(to->pool));
    ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(from), reinterpret_cast<DHPDEV>(to)));
    SetPdevPoolLimit(to->pool, 0);
    EXPECT_EQ(to->jobName, nullptr);
    EXPECT_EQ(to->jobNameLength, 0);
    EXPECT_EQ(to->stream.spool.job, from->stream.spool.job);
    ASSERT_TRUE(DrvEndDoc(oldSurface, 0));
}

// The nth write of the job fails: the hook that made it returns FALSE, every
// later page and drawing hook returns FALSE, nothing more is written, and
// the document still closes the spool library.
struct FailureCase {
    const char* name;
    std::string scenario;
    int failingHook;  // 0 first DrvStartPage, 1 first DrvSendPage, 2 second DrvStartPage, 3 second DrvSendPage
};

// The case by its name in test listings, not as the bytes of the record.
void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class OutputFailureTest : public JobTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(OutputFailureTest, StopsTheJobCleanly)
{
    const FailureCase& c = GetParam();
    Scenario(c.scenario + "\r\nLog=1");
    Pdev* pdev = nullptr;
    SURFOBJ* so = Ready(&pdev);
    ASSERT_NE(so, nullptr);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Report"), 1));
    BOOL results[4] = {DrvStartPage(so), DrvSendPage(so), DrvStartPage(so), DrvSendPage(so)};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(results[i], i < c.failingHook) << "hook " << i;
    EXPECT_EQ(pdev->flags & kPdevOutputFailed, kPdevOutputFailed);
    const std::vector<std::string> before = SpoolCalls();
    EXPECT_FALSE(DrvStartPage(so));
    EXPECT_FALSE(
        DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0xCCCC));
    EXPECT_FALSE(DrvSendPage(so));
    EXPECT_TRUE(DrvEndDoc(so, 0));
    const std::vector<std::string> after = SpoolCalls();
    ASSERT_GE(after.size(), before.size());
    const std::vector<std::string> added(after.begin() + static_cast<long>(before.size()), after.end());
    EXPECT_EQ(added, (std::vector<std::string>{"DrvSplStartPage", "DrvSplEndPage", "DrvSplEndDoc", "DrvSplClose"}));
    EXPECT_EQ(pdev->stream.spool.module, nullptr);
}

// The writes of a two-page job named Report: 1 JobStart header, 2-5 the
// job-name frame, 6 PageStart header, 7 marker, 8-9 the display list,
// 10 PageEnd header; 11-15 the second page.
INSTANTIATE_TEST_SUITE_P(Writes, OutputFailureTest,
                         testing::Values(FailureCase{"JobStartHeader", "FailWrite=1", 0},
                                         FailureCase{"JobNamePayload", "FailWrite=4", 0},
                                         FailureCase{"ShortJobNamePayload", "ShortWrite=3", 0},
                                         FailureCase{"DisplayListBytes", "FailWrite=9", 1},
                                         FailureCase{"SecondPageStart", "FailWrite=11", 2},
                                         FailureCase{"SecondPageEnd", "ShortWrite=15", 3}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// The whole job as the engine runs it through the built library.
TEST_F(JobTest, TheEngineHostPrintsThroughTheBuiltLibrary)
{
    machine::InstallFile(VEXL_TZ16E100_FILE, std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    host::JobOptions options;
    options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
    options.printerName = kPrinterName;
    options.jobId = 8;
    const std::vector<host::Page> pages = {host::Page{}, host::Page{}};
    const host::JobReport report = host::PrintJob(options, pages);
    EXPECT_TRUE(report.completed) << report.failure;
    const std::vector<BYTE> expected = {0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1, 0xF4, 0xF0, 0xF5, 0xF1};
    EXPECT_EQ(Types(JobFrames(8)), expected);
}

}  // namespace
}  // namespace vexl::test
