// The printer interface library as the spooler and GDI use it: a printer
// added gets its default DEVMODE from the library, DeviceCapabilitiesW and
// the job check reach its exports, and a job printed through the document
// events hands the job strings to the graphics library.
#include "ui_fixture.h"

#include "platform/spooler_driver.h"
#include "platform/spooler_driver_host.h"
#include "print_job.h"

#include <algorithm>

namespace vexl::test {
namespace {

constexpr const WCHAR* kAddedPrinter = u"Added";

class SpoolerRoadTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        const std::u16string folder = kDriverFolder;
        machine::InstallFile(VEXL_TZ16E130_FILE, folder + u"\\TZ16E130.DLL");
        machine::InstallFile(VEXL_TZ16E100_FILE, folder + u"\\TZ16E100.DLL");
        machine::InstallFile(VEXL_TZ16C123_FILE, folder + u"\\TZ16C123.DLL");
        machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nFolder=C:\\standin\\spool\r\n");
    }

    void InstallDriver()
    {
        std::u16string name = kDriverName, driver = u"TZ16E100.DLL", data = u"TZ16E1MD.VXD", config = u"TZ16E130.DLL",
                       help = u"TZ16E1US.HLP";
        DRIVER_INFO_3W info{};
        info.cVersion = 3;
        info.pName = name.data();
        info.pDriverPath = driver.data();
        info.pDataFile = data.data();
        info.pConfigFile = config.data();
        info.pHelpFile = help.data();
        ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info)));
    }

    HANDLE AddPrinter()
    {
        std::u16string name = kAddedPrinter, driver = kDriverName, port = u"LPT1:";
        PRINTER_INFO_2W info{};
        info.pPrinterName = name.data();
        info.pDriverName = driver.data();
        info.pPortName = port.data();
        return AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    }

    std::vector<std::uint8_t> StoredDevmode(HANDLE printer)
    {
        DWORD needed = 0;
        GetPrinterW(printer, 2, nullptr, 0, &needed);
        std::vector<BYTE> block(needed);
        if (!GetPrinterW(printer, 2, block.data(), needed, &needed)) return {};
        const DEVMODEW* devmode = reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pDevMode;
        if (devmode == nullptr) return {};
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(devmode);
        return std::vector<std::uint8_t>(bytes, bytes + devmode->dmSize + devmode->dmDriverExtra);
    }
};

TEST_F(SpoolerRoadTest, AnAddedPrinterGetsItsDefaultDevmodeFromTheLibrary)
{
    std::u16string added = kAddedPrinter;
    EXPECT_EQ(AddPrinter(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_UNKNOWN_PRINTER_DRIVER);
    InstallDriver();
    HANDLE printer = AddPrinter();
    ASSERT_NE(printer, nullptr);
    const std::vector<std::uint8_t> devmode = StoredDevmode(printer);
    ASSERT_EQ(devmode.size(), 1236u);
    EXPECT_EQ(std::memcmp(devmode.data() + 276, "RCOMMON", 8), 0);
    EXPECT_EQ(DefaultDevmode().size(), devmode.size());
    ClosePrinter(printer);

    // The spooler asks the library for the printer's capabilities.
    EXPECT_EQ(DeviceCapabilitiesW(added.c_str(), nullptr, DC_PAPERS, nullptr, nullptr), 9);
    std::vector<WORD> bins(6);
    EXPECT_EQ(DeviceCapabilitiesW(added.c_str(), nullptr, DC_BINS, reinterpret_cast<LPWSTR>(bins.data()), nullptr), 6);
    EXPECT_EQ(DeviceCapabilitiesW(added.c_str(), nullptr, DC_COPIES, nullptr, nullptr), 999);
    EXPECT_EQ(DeviceCapabilitiesW(u"Nobody", nullptr, DC_COPIES, nullptr, nullptr), -1);

    // The sheets' road is not in the library yet: it fails as a driver that cannot do the call.
    printer = nullptr;
    OpenPrinterW(added.data(), &printer, nullptr);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer, added.data(), nullptr, nullptr, 0), -1);
    EXPECT_EQ(GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_TRUE(DeletePrinter(printer));
    ClosePrinter(printer);
    EXPECT_EQ(DeviceCapabilitiesW(added.c_str(), nullptr, DC_COPIES, nullptr, nullptr), -1);
}

TEST_F(SpoolerRoadTest, AnOlderDevmodeIsConvertedAndJobsAreChecked)
{
    std::vector<std::uint8_t> older = DefaultDevmode();
    // Private version 321: one step older than the driver's.
    older[220 + 137] = 321 & 0xFF;
    older[220 + 138] = 321 >> 8;
    const std::vector<std::uint8_t> converted =
        spooler::ConvertDevmode(kPrinterName, AsDevmode(older), *AsDevmode(older));
    ASSERT_EQ(converted.size(), 1236u);
    EXPECT_EQ(std::memcmp(converted.data() + 220, older.data() + 220, 4), 0);

    std::u16string error;
    std::vector<std::uint8_t> job = DefaultDevmode();
    EXPECT_TRUE(spooler::CheckJob(printer_, AsDevmode(job), &error));
    EXPECT_TRUE(error.empty());
}

TEST_F(SpoolerRoadTest, ATwoPageJobThroughTheDocumentEventsHandsTheJobStringsToTheGraphicsLibrary)
{
    host::JobOptions options;
    options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
    options.interfacePath = std::u16string(kDriverFolder) + u"\\TZ16E130.DLL";
    options.printerName = kPrinterName;
    const host::JobReport report = host::PrintJob(options, host::DemoDocument());
    ASSERT_TRUE(report.completed) << report.failure;
    auto answer = [&](const std::string& hook) {
        auto it = std::find_if(report.calls.begin(), report.calls.end(),
                               [&](const host::HookCall& call) { return call.hook == hook; });
        return it == report.calls.end() ? -99 : it->result;
    };
    EXPECT_EQ(answer("DrvDocumentEvent 5"), 1);
    EXPECT_EQ(answer("ExtEscape 122"), 1);
    EXPECT_EQ(answer("DrvDocumentEvent 6"), 1);
    EXPECT_EQ(answer("DrvDocumentEvent 8"), 0);
    const auto pages = std::count_if(report.calls.begin(), report.calls.end(),
                                     [](const host::HookCall& call) { return call.hook == "DrvSendPage"; });
    EXPECT_EQ(pages, 2);
}

}  // namespace
}  // namespace vexl::test
