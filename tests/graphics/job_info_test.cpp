// The job information a document starts with, over the job-control
// plug-in's stand-in: the interface versions it grants, the values it reads
// and for whom, the two-stage password transformation, and the job strings
// an application set with escapes before the document.
#include "graphics/job_info.h"

#include "common/core/item_ids.h"
#include "graphics/document.h"
#include "graphics/escapes.h"
#include "graphics/job_plugin.h"
#include "platform/printers.h"

#include "graphics/graphics_fixture.h"

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

constexpr const WCHAR* kPluginPath = u"C:\\WINDOWS\\system32\\QYRJC32.DLL";
constexpr const WCHAR* kScenarioPath = u"C:\\standin\\QYRJC32.ini";
constexpr const WCHAR* kLogPath = u"C:\\standin\\QYRJC32.log";
constexpr const WCHAR* kValuesPath = u"C:\\standin\\QYRJC32\\Office__2nd_floor_.txt";
constexpr DWORD kJobId = 7;

// The plug-in's values of the printer, ids 1 to 11.
constexpr char kPluginValues[] =
    "1=t:4711\n2=t:Ann Owner\n3=t:1234\n4=t:u-77\n5=t:Plan.doc\n6=t:555-0100\n7=t:3\n8=t:9999\n"
    "9=t:ann\n10=t:pw\n11=t:net\n";

class JobInfoTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
        machine::InstallFile(VEXL_QYRJC32_FILE, kPluginPath);
        Job(u"bob");
        Values(kPluginValues);
    }

    void Scenario(const std::string& printer, const std::string& library = "", const std::string& transform = "")
    {
        machine::WriteFile(kScenarioPath, "[Library]\n" + library + "\n[Office [2nd floor]]\n" + printer +
                                              "\n[Transform]\n" + transform + "\n");
    }
    void Values(const std::string& lines) { machine::WriteFile(kValuesPath, lines); }
    void Job(const std::u16string& user)
    {
        machine::JobSetup job;
        job.id = kJobId;
        job.document = u"Plan";
        job.userName = user;
        machine::AddJob(kPrinterName, job);
    }
    void SecureMode(DWORD value)
    {
        DWORD type = REG_DWORD;
        SetPrinterDataW(printer_, const_cast<LPWSTR>(u"AuthenticationSecureMode"), type,
                        reinterpret_cast<LPBYTE>(&value), sizeof value);
    }
    std::string Log() const
    {
        std::ifstream in(machine_.host(kLogPath));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> LogLines(const std::string& prefix) const
    {
        std::istringstream log(Log());
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);)
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        return lines;
    }

    // A Pdev whose document starts; the context is its Pdev's.
    DriverContext* StartDocument(const std::vector<ItemSetting>& settings = {})
    {
        const std::vector<std::uint8_t> devmode = DevmodeWith(settings);
        pdev_ = Enable(&devmode);
        EXPECT_NE(pdev_, nullptr);
        if (!pdev_) return nullptr;
        so_ = EnableSurface(pdev_);
        EXPECT_NE(so_, nullptr);
        return pdev_->context;
    }
    bool Start() { return DrvStartDoc(so_, const_cast<LPWSTR>(u"Plan"), kJobId); }
    void End() { DrvEndDoc(so_, 0); }

    std::string ItemText(std::uint16_t id)
    {
        SettingItemDescriptor* item = FindItem(pdev_->context, id);
        const auto* address = reinterpret_cast<const char*>(GetItemAddress(pdev_->context, item));
        return std::string(address, strnlen(address, ItemLength(*item)));
    }
    ULONG Escape(ULONG escape, const std::string& text)
    {
        std::vector<char> in(text.begin(), text.end());
        return DrvEscape(so_, escape, static_cast<ULONG>(in.size()), in.data(), 0, nullptr);
    }

    Pdev* pdev_ = nullptr;
    SURFOBJ* so_ = nullptr;
};

// The value ids the reads asked for, in order, from the size queries.
std::vector<int> AskedIds(const std::vector<std::string>& lines)
{
    std::vector<int> ids;
    const std::regex id(" id=([0-9]+) ");
    for (const std::string& line : lines) {
        std::smatch match;
        if (line.find("buf=null") != std::string::npos && std::regex_search(line, match, id))
            ids.push_back(std::stoi(match[1]));
    }
    return ids;
}

TEST_F(JobInfoTest, TheDocumentTakesThePluginsValuesForTheJobsUser)
{
    Scenario("");
    SecureMode(0);
    ASSERT_NE(StartDocument(), nullptr);
    ASSERT_TRUE(Start());
    EXPECT_EQ(ItemText(rdmUserCode), "4711");
    EXPECT_EQ(ItemText(rdmOwnerName), "Ann Owner");
    EXPECT_EQ(ItemText(rdmJOBPassword), "1234");
    EXPECT_EQ(ItemText(rdmUserID), "u-77");
    EXPECT_EQ(ItemText(rdmDocumentName), "Plan.doc");
    EXPECT_EQ(ItemText(rdmStoredPassword), "9999");
    EXPECT_EQ(ItemText(wdmAuthenticationUserName), "ann");
    EXPECT_EQ(ItemText(wdmAuthenticationNetworkKey), "net");
    EXPECT_EQ(ItemText(wdmAuthenticationPassword), "T(T(pw))");
    // Values 6 and 7 are not asked for at document start.
    EXPECT_EQ(ItemText(rdmTelNo), "");
    EXPECT_EQ(GetItemValue(pdev_->context, rdmFunc2SelectPreviewFlag), 1u);
    End();

    // Version 261: the reads for the job's user, with the request codes of
    // mask 0x389F, in the rows' order.
    const std::vector<std::string> reads = LogLines("slot10");
    EXPECT_EQ(AskedIds(reads), (std::vector<int>{1, 2, 3, 4, 5, 8, 9, 10, 11}));
    EXPECT_NE(Log().find("slot10 conn=0x71 id=1 kind=111 user=bob buf=null"), std::string::npos);
    EXPECT_NE(Log().find("slot10 conn=0x71 id=10 kind=125 user=bob buf=null"), std::string::npos);
    EXPECT_NE(Log().find("slot10 conn=0x71 id=11 kind=124 user=bob buf=null"), std::string::npos);
    // Plain mode: no parameter, then the final mode; both interfaces given back.
    const std::vector<std::string> transform = LogLines("transform");
    ASSERT_FALSE(transform.empty());
    EXPECT_EQ(transform.front(), "transform open mode=4 -> 0x0");
    EXPECT_EQ(Log().find("transform parameter"), std::string::npos);
    EXPECT_NE(Log().find("transform open mode=1 -> 0x0"), std::string::npos);
    EXPECT_NE(Log().find("transform mode=1 in=T(pw) out=buf"), std::string::npos);
    EXPECT_NE(Log().find("JCDisposeInterface transform"), std::string::npos);
    EXPECT_NE(Log().find("JCDisposeInterface table"), std::string::npos);
    EXPECT_NE(Log().find("slot3 closeSession"), std::string::npos);
}

TEST_F(JobInfoTest, TheVersionDecidesTheSlotAndTheUser)
{
    struct VersionCase {
        const char* name;
        const char* library;
        const char* printer;
        std::u16string jobUser;
        const char* expected;  // a read that must be in the log
        bool userLookup;       // the spooler's job was asked for its user
        bool transform;
    } cases[] = {
        {"258: slot 5, no user", "Versions=258\n", "", u"bob", "slot5 conn=0x71 id=1 kind=111 buf=null", false, false},
        {"261 for an unknown job user: the calling user", "", "", u"UNKNOWN",
         "slot10 conn=0x71 id=1 kind=111 user=carol buf=null", true, true},
        {"259: slot 10 without the transformation", "Versions=259\n", "", u"bob",
         "slot10 conn=0x71 id=2 kind=112 user=bob buf=null", true, false},
        {"261 with a value missing for the user: slot 5 again", "", "UserMissing=2\n", u"bob",
         "slot5 conn=0x71 id=2 kind=112 buf=buf", true, true},
    };
    machine::Profile profile = machine::LoadProfile();
    profile.userName = u"carol";
    machine::SaveProfile(profile);
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(machine_.host(kLogPath));
        Scenario(c.printer, c.library);
        Job(c.jobUser);
        ASSERT_NE(StartDocument(), nullptr);
        machine::ResetSpoolerCallCounts();
        ASSERT_TRUE(Start());
        const std::string log = Log();
        EXPECT_NE(log.find(c.expected), std::string::npos) << log;
        EXPECT_EQ(machine::SpoolerCallCount("GetJobW") > 0, c.userLookup);
        EXPECT_EQ(log.find("JCGetInterface version=385") != std::string::npos, c.transform);
        EXPECT_EQ(ItemText(rdmOwnerName), "Ann Owner");
        if (!c.transform) {
            EXPECT_EQ(ItemText(wdmAuthenticationPassword), "");
        }
        End();
        Disable(pdev_);
    }
}

TEST_F(JobInfoTest, TheSecureModePassesTheUsersNameAndKey)
{
    Scenario("");
    SecureMode(1);
    ASSERT_NE(StartDocument(), nullptr);
    ASSERT_TRUE(Start());
    EXPECT_EQ(ItemText(wdmAuthenticationPassword), "T(T(pw))");
    End();
    const std::vector<std::string> transform = LogLines("transform");
    ASSERT_GE(transform.size(), 3u);
    EXPECT_EQ(transform[0], "transform open mode=2 -> 0x0");
    EXPECT_EQ(transform[1].rfind("transform parameter id=256 size=16 user=ann key=net -> 0x0", 0), 0u) << transform[1];
}

TEST_F(JobInfoTest, AFailedTransformationLeavesNoPasswordForTheJob)
{
    struct FailureCase {
        const char* name;
        const char* library;
        const char* transform;
    } cases[] = {
        {"the first open fails", "", "OpenError=5\nOpenErrorMode=4\n"},
        {"the second open fails", "", "OpenError=5\nOpenErrorMode=1\n"},
        {"the first transformation fails", "", "TransformError=31\nTransformErrorMode=4\n"},
        {"the second transformation fails", "", "TransformError=31\nTransformErrorMode=1\n"},
        {"a first result longer than its buffer", "", "Padding=600\n"},
        {"a result longer than the stored text", "", "Padding=130\n"},
        {"no transformation interface", "", "Refuse=1\n"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario("", c.library, c.transform);
        SecureMode(0);
        ASSERT_NE(StartDocument(), nullptr);
        // The application's own password does not survive a plug-in password
        // that could not be transformed.
        EXPECT_EQ(Escape(125, "app"), 1u);
        ASSERT_TRUE(Start());
        EXPECT_EQ(ItemText(wdmAuthenticationPassword), "");
        EXPECT_EQ(ItemText(rdmUserCode), "4711");
        End();
        Disable(pdev_);
    }
}

TEST_F(JobInfoTest, EscapesBeforeTheDocumentReachTheJob)
{
    // Without the plug-in the job keeps what the application set.
    std::filesystem::remove(machine_.host(kPluginPath));
    ASSERT_NE(StartDocument(), nullptr);
    const struct {
        ULONG escape;
        std::uint16_t item;
        const char* text;
    } cases[] = {
        {111, rdmUserCode, "42"},
        {112, rdmOwnerName, "Sixteen-chars-ok"},
        {113, rdmJOBPassword, "1111"},
        {114, rdmUserID, "id9"},
        {115, rdmDocumentName, "Budget"},
        {116, rdmTelNo, "030-1"},
        {118, rdmStoredPassword, "2222"},
        {123, wdmAuthenticationUserName, "dave"},
        {124, wdmAuthenticationNetworkKey, "k"},
        {125, wdmAuthenticationPassword, "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(Escape(c.escape, c.text), 1u);
    EXPECT_EQ(Escape(117, "2"), 1u);
    ASSERT_TRUE(Start());
    for (const auto& c : cases) EXPECT_EQ(ItemText(c.item), c.text) << c.escape;
    EXPECT_EQ(GetItemValue(pdev_->context, rdmTelLine), 2u);
    End();
}

TEST_F(JobInfoTest, AJobStringWithoutRoomForItsTerminatorIsNotKept)
{
    std::filesystem::remove(machine_.host(kPluginPath));
    ASSERT_NE(StartDocument(), nullptr);
    // Seventeen bytes in the owner name's field of 17: no terminator, so the
    // text is longer than its limit and the document's DEVMODE decides.
    const std::string seventeen(17, 'o');
    SetItemBytes(pdev_->context, rdmOwnerName, seventeen.data(), seventeen.size());
    const std::string sixteen(16, 'd');
    SetItemBytes(pdev_->context, rdmDocumentName, sixteen.c_str(), sixteen.size() + 1);
    ASSERT_TRUE(Start());
    EXPECT_EQ(ItemText(rdmOwnerName), "");
    EXPECT_EQ(ItemText(rdmDocumentName), sixteen);
    End();
}

TEST_F(JobInfoTest, NothingIsReadWithoutAConnection)
{
    Scenario("OpenSessionError=5\n");
    ASSERT_NE(StartDocument(), nullptr);
    EXPECT_EQ(Escape(111, "own"), 1u);
    ASSERT_TRUE(Start());
    EXPECT_EQ(ItemText(rdmUserCode), "own");
    EXPECT_EQ(Log().find("slot10"), std::string::npos);
    // What was opened is given back.
    EXPECT_NE(Log().find("JCDisposeInterface table"), std::string::npos);
    EXPECT_NE(Log().find("JCDisposeInterface transform"), std::string::npos);
    End();
    EXPECT_FALSE(ReadJobControlPluginValues(printer_, pdev_->context, kJobId, kStartDocJobValueMask));
}

TEST_F(JobInfoTest, ThePaperFitRecordsWhatItFindsAndTheSortFollowsCollation)
{
    // The package's model has no paper in its mode list, so neither fit
    // changes the output paper: the region fit clears its mark, the mode fit
    // records the values it found.
    struct FitCase {
        const char* name;
        std::uint32_t frontFunc;
        std::uint32_t outPaper;
        bool collateField;
        std::int16_t collate;
        std::uint32_t sortBefore;
        std::uint32_t sort;        // rdmFuncSelectSort after
        std::uint32_t regionMark;  // from 1 before
        std::uint32_t modeMark;    // from 7 before
    } cases[] = {
        {"no collate field", 0, 9, false, 1, 1, 0, 1, 7},
        {"collate 1", 0, 9, true, 1, 0, 1, 1, 7},
        {"collate 0 leaves the sort", 0, 9, true, 0, 1, 1, 1, 7},
        {"region fit without need", 0x8, 1025, true, 0, 0, 0, 0, 7},
        {"region fit of a plain paper", 0x8, 9, true, 0, 0, 0, 1, 7},
        {"mode fit", 0x20, 1026, true, 0, 0, 0, 1, 1},
        {"mode fit of a plain paper", 0x20, 9, true, 0, 0, 0, 1, 7},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        DriverContext* context = Create();
        ASSERT_NE(context, nullptr);
        auto* devmode = reinterpret_cast<DEVMODEW*>(GetStoreBytes(context));
        devmode->dmFields = c.collateField ? (devmode->dmFields | 0x8000) : (devmode->dmFields & ~0x8000u);
        devmode->dmCollate = c.collate;
        SetItemValue(context, rdmFuncSelectSort, c.sortBefore);
        SetItemValue(context, rdmFrontFunc, c.frontFunc);
        SetItemValue(context, rdmOutPaperSize, c.outPaper);
        SetItemValue(context, rdmFuncSelectScale, 0);
        SetItemValue(context, rdmScaleType, 3);
        std::uint32_t* record = context->workArea->paperFitRecord;
        record[kRegionFitRecord] = 1;
        record[kModeFitRecord] = 7;
        AdjustOutputPaperFit(context);
        EXPECT_EQ(GetItemValue(context, rdmFuncSelectSort), c.sort);
        EXPECT_EQ(record[kRegionFitRecord], c.regionMark);
        EXPECT_EQ(record[kModeFitRecord], c.modeMark);
        if (c.modeMark == 1) {
            EXPECT_EQ(record[kModeFitRecord + 1], c.outPaper);
            EXPECT_EQ(record[kModeFitRecord + 2], 0u);
            EXPECT_EQ(record[kModeFitRecord + 3], 3u);
        }
        EXPECT_EQ(GetItemValue(context, rdmOutPaperSize), c.outPaper);
        ReleaseDriverContext(context, kReleaseDestroy);
    }
}

}  // namespace
}  // namespace vexl::test
