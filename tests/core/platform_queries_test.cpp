#include "bare_context.h"
#include "common/core/memory.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/storage/directories.h"
#include "platform/printers.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <string>

namespace vexl::test {
namespace {

constexpr const WCHAR* kLocalPrinter = u"Office Colour";
constexpr const WCHAR* kConnection = u"\\\\PRINTSRV\\Floor 2";
constexpr const WCHAR* kDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";

machine::PrinterSetup Printer(std::u16string name, std::u16string server = u"", DWORD attributes = 0)
{
    machine::PrinterSetup setup;
    setup.name = std::move(name);
    setup.serverName = std::move(server);
    setup.driverName = u"VEXL Colour 5500";
    setup.driverDirectory = kDriverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1.VXD";
    setup.attributes = PRINTER_ATTRIBUTE_LOCAL | attributes;
    return setup;
}

HANDLE Open(const WCHAR* name)
{
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name), &printer, nullptr));
    return printer;
}

class PrinterFactsTest : public MachineTest {
protected:
    PrinterFactsTest()
    {
        machine::AddPrinter(Printer(kLocalPrinter, u"", PRINTER_ATTRIBUTE_ENABLE_BIDI));
        machine::AddPrinter(Printer(kConnection, u"\\\\PRINTSRV"));
    }
};

TEST_F(PrinterFactsTest, GetPrinterInfoFillsAZeroFilledBlockOrGivesNull)
{
    HANDLE printer = Open(kLocalPrinter);
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::u16string(info->pPrinterName), kLocalPrinter);
    EXPECT_EQ(info->pServerName, nullptr);
    FreeIfNotNull(info);

    auto* driver = static_cast<DRIVER_INFO_3W*>(GetPrinterDriverInfo(printer, 3));
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(std::u16string(driver->pDriverPath), std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    FreeIfNotNull(driver);

    EXPECT_EQ(GetPrinterInfo(printer, 99), nullptr);
    machine::SetSpoolerFailure(kLocalPrinter, "GetPrinterW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetPrinterInfo(printer, 2), nullptr);
    ClosePrinter(printer);
}

TEST_F(PrinterFactsTest, ConnectionAndAttributesAreAskedOncePerContext)
{
    BareContext local(Open(kLocalPrinter));
    BareContext connection(Open(kConnection));
    machine::ResetSpoolerCallCounts();

    EXPECT_FALSE(IsPrinterConnection(local.get()));
    EXPECT_TRUE(IsPrinterConnection(connection.get()));
    const unsigned calls = machine::SpoolerCallCount("GetPrinterW");
    EXPECT_EQ(calls, 4u);  // size, then fill, for each printer

    // The first query also recorded the names and the attributes.
    EXPECT_TRUE(IsPrinterBidiEnabled(local.get()));
    EXPECT_FALSE(IsPrinterBidiEnabled(connection.get()));
    EXPECT_FALSE(IsPrinterConnection(local.get()));
    EXPECT_EQ(machine::SpoolerCallCount("GetPrinterW"), calls);
    EXPECT_EQ(std::u16string(local.work->printerName), kLocalPrinter);
    EXPECT_EQ(std::u16string(local.work->driverName), u"VEXL Colour 5500");

    EXPECT_FALSE(IsNetworkPrinter(local.context.printer));
    EXPECT_TRUE(IsNetworkPrinter(connection.context.printer));
    ClosePrinter(local.context.printer);
    ClosePrinter(connection.context.printer);
}

TEST_F(PrinterFactsTest, AFailedQueryCountsAsLocalOnceButCachesNoAttributes)
{
    BareContext context(Open(kConnection));
    machine::SetSpoolerFailure(kConnection, "GetPrinterW", ERROR_ACCESS_DENIED);
    machine::ResetSpoolerCallCounts();

    EXPECT_FALSE(IsPrinterConnection(context.get()));
    EXPECT_FALSE(IsPrinterConnection(context.get()));
    EXPECT_EQ(machine::SpoolerCallCount("GetPrinterW"), 1u);
    EXPECT_EQ(context.work->connectionState, kConnectionLocal);

    EXPECT_FALSE(TestPrinterAttributes(PRINTER_ATTRIBUTE_LOCAL, context.get()));
    EXPECT_EQ(context.work->attributesLoaded, 0u);
    machine::ClearSpoolerFailures(kConnection);
    EXPECT_TRUE(TestPrinterAttributes(PRINTER_ATTRIBUTE_LOCAL, context.get()));
    ClosePrinter(context.context.printer);
}

TEST_F(PrinterFactsTest, CachedNamesAreCutToTheirFieldsAndKeptOnceSet)
{
    BareContext context;
    std::u16string longDriver(40, u'D');
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<LPWSTR>(kLocalPrinter);
    info.pDriverName = longDriver.data();
    info.Attributes = 0x40;
    CachePrinterInfo(&info, context.get());
    EXPECT_EQ(std::u16string(context.work->driverName), std::u16string(31, u'D'));
    EXPECT_EQ(context.work->connectionState, kConnectionLocal);

    info.pPrinterName = const_cast<LPWSTR>(u"Other");
    info.Attributes = 0x800;
    CachePrinterInfo(&info, context.get());
    EXPECT_EQ(std::u16string(context.work->printerName), kLocalPrinter);
    EXPECT_EQ(context.work->printerAttributes, 0x40u);
}

TEST_F(PrinterFactsTest, DriverDirectoryEndsWithABackslash)
{
    HANDLE printer = Open(kLocalPrinter);
    WCHAR directory[MAX_PATH];
    EXPECT_EQ(std::u16string(GetDriverDirectoryForPrinter(printer, directory)), std::u16string(kDriverFolder) + u"\\");
    machine::SetSpoolerFailure(kLocalPrinter, "GetPrinterDriverW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::u16string(GetDriverDirectoryForPrinter(printer, directory)),
              u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\2\\");
    ClosePrinter(printer);
}

struct VersionCase {
    DWORD major, minor, platformId;
    BOOL nt5, nt52, vista, win9x, win98;
};

TEST(OperatingSystemTests, AnswerFromTheVersionOfTheMachine)
{
    const VersionCase cases[] = {
        {4, 0, 2, 0, 0, 0, 0, 0}, {5, 0, 2, 1, 0, 0, 0, 0}, {5, 1, 2, 1, 0, 0, 0, 0},  {5, 2, 2, 1, 1, 0, 0, 0},
        {6, 1, 2, 1, 1, 1, 0, 0}, {4, 0, 1, 0, 0, 0, 1, 0}, {4, 10, 1, 0, 0, 0, 1, 1},
    };
    for (const VersionCase& c : cases) {
        machine::Profile profile;
        profile.osMajor = c.major;
        profile.osMinor = c.minor;
        profile.platformId = c.platformId;
        TestMachine machine(profile);
        ForgetOsAnswers();  // each machine stands for a process of its own
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " platform " << c.platformId);
        EXPECT_EQ(IsNt52OrLater(), c.nt52);
        EXPECT_EQ(IsVistaOrLater(), c.vista);
        EXPECT_EQ(IsWin9x(), c.win9x);
        EXPECT_EQ(IsWin98OrMe(), c.win98);
    }
}

TEST(OperatingSystemTests, Nt5OrLaterIsAskedOncePerProcess)
{
    machine::Profile profile;
    profile.osMajor = 4;
    TestMachine machine(profile);
    EXPECT_FALSE(IsNt5OrLater());
    profile.osMajor = 6;
    machine::SaveProfile(profile);
    EXPECT_FALSE(IsNt5OrLater());
    EXPECT_TRUE(IsVistaOrLater());
}

// The terminal-server answer across systems, probe libraries and suites.
struct TerminalCase {
    const char* name;
    DWORD major, minor;
    bool terminalSuite;
    const char* probeAnswer;  // null: no probe library in the driver folder
    bool withPrinter;
    BOOL expected;
};

void PrintTo(const TerminalCase& c, std::ostream* out)
{
    *out << c.name;
}

class TerminalServerTest : public testing::TestWithParam<TerminalCase> {};

TEST_P(TerminalServerTest, AnswersFromTheProbeOrTheSuite)
{
    const TerminalCase& c = GetParam();
    machine::Profile profile;
    profile.osMajor = c.major;
    profile.osMinor = c.minor;
    profile.suiteMask = c.terminalSuite ? 0x10 : 0;
    TestMachine machine(profile);
    machine::AddPrinter(Printer(kLocalPrinter));
    if (c.probeAnswer) {
        machine::InstallFile(VEXL_TZ00C150_FILE, std::u16string(kDriverFolder) + u"\\TZ00C150.dll");
        machine::WriteFile(u"C:\\standin\\TZ00C150.ini", std::string("[Probe]\r\nAnswer=") + c.probeAnswer + "\r\n");
    }
    HANDLE printer = c.withPrinter ? Open(kLocalPrinter) : nullptr;
    EXPECT_EQ(IsTerminalServer(printer), c.expected);
    EXPECT_EQ(IsTerminalServerCached(printer), c.expected);
    if (printer) ClosePrinter(printer);
}

INSTANTIATE_TEST_SUITE_P(Cases, TerminalServerTest,
                         testing::Values(TerminalCase{"ProbeSaysYes", 5, 2, false, "1", true, TRUE},
                                         TerminalCase{"ProbeSaysNo", 5, 2, true, "0", true, FALSE},
                                         TerminalCase{"ProbeSaysTwo", 6, 1, true, "2", true, FALSE},
                                         TerminalCase{"NoProbeLibrary", 6, 1, true, nullptr, true, FALSE},
                                         TerminalCase{"NoPrinterUsesTheSuite", 6, 1, true, "0", false, TRUE},
                                         TerminalCase{"OlderSystemUsesTheSuite", 5, 0, true, "0", true, TRUE},
                                         TerminalCase{"OlderSystemWithoutSuite", 5, 1, false, "1", true, FALSE}),
                         [](const testing::TestParamInfo<TerminalCase>& info) { return info.param.name; });

TEST(AdministratorTests, AnswerTheMachineUserAndHonourTheSkipFlag)
{
    for (bool administrator : {true, false}) {
        machine::Profile profile;
        profile.administrator = administrator;
        TestMachine machine(profile);
        EXPECT_EQ(IsUserAdministrator(), administrator ? TRUE : FALSE);
        EXPECT_EQ(IsAdministratorOrUnchecked(nullptr), administrator ? TRUE : FALSE);

        BareContext checked;
        EXPECT_EQ(IsAdministratorOrUnchecked(checked.get()), administrator ? TRUE : FALSE);
        BareContext unchecked;
        unchecked.work->checkAdministrator = 0;
        EXPECT_TRUE(IsAdministratorOrUnchecked(unchecked.get()));
    }
}

}  // namespace
}  // namespace vexl::test
