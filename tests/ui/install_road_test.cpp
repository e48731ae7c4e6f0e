// A printer added through the spooler with the install answer file and the
// driver package's model INI and default settings package in place: what
// the first document then finds on the machine, and what deleting the
// printer leaves.
#include "ui_fixture.h"

#include "common/core/le.h"
#include "common/core/store.h"
#include "platform/printers.h"
#include "platform/spooler.h"
#include "platform/spooler_driver.h"
#include "platform/spooler_driver_host.h"
#include "support/child_process.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace vexl::test {
namespace {

constexpr const WCHAR* kAdded = u"Front desk";
constexpr const WCHAR* kAnswerFile = u"C:\\WINDOWS\\system32\\VEXL.ini";
constexpr const WCHAR* kSettingsIni = u"C:\\_vexl\\TZ16E170.ini";

std::u16string ReadIni(const WCHAR* file, const WCHAR* section, const WCHAR* key)
{
    WCHAR value[300] = {};
    GetPrivateProfileStringW(section, key, u"<absent>", value, 300, file);
    return value;
}

// The printer's stored default DEVMODE as bytes, empty for none.
std::string PrinterDevmode(std::u16string name)
{
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) return {};
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed ? needed : 1);
    std::string bytes;
    if (GetPrinterW(printer, 2, block.data(), needed, &needed)) {
        if (const DEVMODEW* devmode = reinterpret_cast<const PRINTER_INFO_2W*>(block.data())->pDevMode)
            bytes.assign(reinterpret_cast<const char*>(devmode), std::size_t(devmode->dmSize) + devmode->dmDriverExtra);
    }
    ClosePrinter(printer);
    return bytes;
}

class InstallRoadTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        const std::u16string folder = std::u16string(kDriverFolder) + u"\\";
        machine::InstallFile(VEXL_TZ16E130_FILE, folder + u"TZ16E130.DLL");
        machine::InstallFile(VEXL_TZ16E100_FILE, folder + u"TZ16E100.DLL");
        machine::InstallFile(VEXL_TZ16C123_FILE, folder + u"TZ16C123.DLL");
        for (const char16_t* name :
             {u"TZ16E172.ini", u"TZINST.INI", u"VXDEF.rsb", u"VXDRAFT.rsd", u"VXDUPLEX.rsd", u"VXFINE.rsq"}) {
            const std::u16string file = name;
            machine::InstallFile(kPackageFolder / std::string(file.begin(), file.end()), folder + file);
        }
        machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nFolder=C:\\standin\\spool\r\n");
        machine::WriteFile(u"C:\\spool\\.keep", "");
        std::u16string name = kDriverName, driver = u"TZ16E100.DLL", data = u"TZ16E1MD.VXD", config = u"TZ16E130.DLL",
                       help = u"TZ16E1US.HLP";
        DRIVER_INFO_3W info{};
        info.cVersion = 3;
        info.pName = name.data();
        info.pDriverPath = driver.data();
        info.pDataFile = data.data();
        info.pConfigFile = config.data();
        info.pHelpFile = help.data();
        std::u16string dependent;
        for (const char16_t* file : {u"TZ16E1US.DLL", u"TZ16C123.DLL", u"TZ16E172.ini", u"TZINST.INI", u"VXDEF.rsb",
                                     u"VXDRAFT.rsd", u"VXDUPLEX.rsd", u"VXFINE.rsq"})
            dependent += std::u16string(file) + u'\0';
        info.pDependentFiles = dependent.data();
        ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info)));
    }

    HANDLE AddPrinter()
    {
        std::u16string name = kAdded, driver = kDriverName, port = u"LPT1:";
        PRINTER_INFO_2W info{};
        info.pPrinterName = name.data();
        info.pDriverName = driver.data();
        info.pPortName = port.data();
        return AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    }
};

TEST_F(InstallRoadTest, AnAnswerFileIsAppliedOnceWhenThePrinterIsAdded)
{
    machine::WriteFile(kAnswerFile, "[Front desk]\r\nDefaultRst=VXDEF.rsb\r\nSetUserID=demo\r\nSetOwnerID=Front "
                                    "office\r\nSpoolDirectory=%SYSTEMDRIVE%\\spool\r\n");
    HANDLE printer = AddPrinter();
    ASSERT_NE(printer, nullptr);

    // Every key applied is gone; the marks say what was done.
    for (const WCHAR* key : {u"DefaultRst", u"SetUserID", u"SetOwnerID", u"SpoolDirectory"})
        EXPECT_EQ(ReadIni(kAnswerFile, kAdded, key), u"<absent>") << std::string(key, key + 3);
    EXPECT_EQ(ReadIni(kAnswerFile, kAdded, u"BatchInstallDone"), u"1");
    EXPECT_EQ(ReadIni(kAnswerFile, kAdded, u"DefaultRstName"), std::u16string(kDriverFolder) + u"\\VXDEF.rsb");

    // The settings INI records the package and the installation.
    EXPECT_EQ(ReadIni(kSettingsIni, kAdded, u"DefaultRst"), std::u16string(kDriverFolder) + u"\\VXDEF.rsb");
    EXPECT_EQ(ReadIni(kSettingsIni, kAdded, u"PackInstallDone"), u"1");
    EXPECT_EQ(ReadIni(kSettingsIni, kAdded, u"DrvInstVersion"), u"7.60");
    EXPECT_EQ(ReadIni(kSettingsIni, kAdded, u"DrvDefJobMergeFileExt"), u"rmp");
    EXPECT_EQ(ReadIni(kSettingsIni, u"us", u"RstVersion"), u"322");
    EXPECT_EQ(ReadIni(kSettingsIni, u"us", u"StampCount"), u"2");
    EXPECT_EQ(ReadIni(kSettingsIni, u"FreeSize0us", u"wdmFreeSizeName"), u"Photo");

    // Printer data: the package step ran, the spool folder is the printer's.
    const auto batch = machine::ReadPrinterData(kAdded, u"BatchInstallDone");
    ASSERT_TRUE(batch.has_value());
    EXPECT_EQ(batch->bytes, std::string("\x01\0\0\0", 4));
    const auto spool = machine::ReadPrinterData(kAdded, u"SpoolDirectory");
    ASSERT_TRUE(spool.has_value());
    EXPECT_EQ(spool->bytes, WideTextData(u"C:\\spool").bytes);

    // The first document's settings carry the answer file's identity.
    DriverContext* context = ui::CreateDriverContext(printer, printer, nullptr, kCallerPropertySheet);
    ASSERT_NE(context, nullptr);
    WCHAR owner[32] = {};
    GetItemString(context, FindItem(context, rdmOwnerName), owner, 32);
    EXPECT_EQ(std::u16string(owner), u"Front office");
    ReleaseDriverContext(context, kReleaseDestroy);

    // Deleting the printer takes its printer data and leaves the shared
    // settings of the other printers alone.
    EXPECT_TRUE(DeletePrinter(printer));
    ClosePrinter(printer);
    EXPECT_FALSE(machine::ReadPrinterData(kAdded, u"BatchInstallDone").has_value());
    std::u16string name = kAdded;
    HANDLE gone = nullptr;
    EXPECT_FALSE(OpenPrinterW(name.data(), &gone, nullptr));
    EXPECT_EQ(ReadIni(kSettingsIni, u"us", u"RstVersion"), u"322");
}

// A driver upgrade over a printer whose stored settings are of the previous
// version: the spooler converts the stored DEVMODE with the new driver, which
// brings the DEVMODE and the settings INI to the current version and keeps
// the printer's lists.
TEST_F(InstallRoadTest, ADriverUpgradeCarriesSettingsOfThePreviousVersionForward)
{
    HANDLE printer = AddPrinter();
    ASSERT_NE(printer, nullptr);
    ClosePrinter(printer);
    const std::string current = PrinterDevmode(kAdded);
    ASSERT_GE(current.size(), kPrivateVersionOffset + 4);
    DEVMODEW header{};
    std::memcpy(&header, current.data(), sizeof header);

    // The settings as the previous version stored them.
    std::string previous = current;
    WriteLe32(reinterpret_cast<std::uint8_t*>(previous.data()) + kPrivateVersionOffset, 321);
    const auto* devmode = reinterpret_cast<const DEVMODEW*>(previous.data());
    WritePrivateProfileStringW(u"us", u"RstVersion", u"321", kSettingsIni);

    ASSERT_TRUE(spooler::UpgradePrinterDriver(kAdded, kDriverFolder));
    const std::vector<std::uint8_t> converted = spooler::ConvertDevmode(kAdded, devmode, header);
    ASSERT_EQ(converted.size(), current.size());
    EXPECT_EQ(ReadLe32(converted.data() + kPrivateVersionOffset), 322u);
    EXPECT_EQ(ReadIni(kSettingsIni, u"us", u"RstVersion"), u"322");
    EXPECT_EQ(ReadIni(kSettingsIni, kAdded, u"PresetList0Name"), u"Draft");
}

// The model INI in the driver folder may hold install settings for a
// printer, as the answer file does: a conversion of the printer's DEVMODE
// applies them once.
TEST_F(InstallRoadTest, AConversionAppliesTheModelInisInstallSettings)
{
    HANDLE printer = AddPrinter();
    ASSERT_NE(printer, nullptr);
    ClosePrinter(printer);
    const std::string current = PrinterDevmode(kAdded);
    ASSERT_FALSE(current.empty());
    DEVMODEW header{};
    std::memcpy(&header, current.data(), sizeof header);
    const std::u16string modelIni = std::u16string(kDriverFolder) + u"\\TZ16E172.ini";
    WritePrivateProfileStringW(kAdded, u"VEXLDirectoryClient", u"C:\\clients", modelIni.c_str());

    const std::vector<std::uint8_t> converted =
        spooler::ConvertDevmode(kAdded, reinterpret_cast<const DEVMODEW*>(current.data()), header);
    ASSERT_EQ(converted.size(), current.size());
    const auto client = machine::ReadPrinterData(kAdded, u"_VEXLDirectoryClient");
    ASSERT_TRUE(client.has_value());
    EXPECT_EQ(client->bytes, WideTextData(u"C:\\clients").bytes);
    EXPECT_EQ(ReadIni(modelIni.c_str(), kAdded, u"VEXLDirectoryClient"), u"<absent>");
}

// Another machine connects to the printer: it takes the server's driver
// files and DEVMODE, and its first document sets the connection up in the
// other machine's own files.
TEST_F(InstallRoadTest, AnotherMachineConnectsAndSetsTheConnectionUpInItsOwnFiles)
{
    HANDLE printer = AddPrinter();
    ASSERT_NE(printer, nullptr);
    ClosePrinter(printer);
    const std::string serverDevmode = PrinterDevmode(kAdded);
    ASSERT_FALSE(serverDevmode.empty());

    const std::filesystem::path server = machine::Root();
    const std::filesystem::path desk = server.parent_path() / (server.filename().string() + "-desk");
    const int result = RunInChildProcess([&] {
        machine::Profile profile;
        profile.computerName = u"DESK2";
        machine::Create(desk, profile);
        machine::Use(desk);
        std::filesystem::create_directories(desk / "network");
        std::ofstream(desk / "network" / "PRINTSRV") << server.string() << "\n";

        std::u16string name = u"\\\\PRINTSRV\\Front desk";
        if (!AddPrinterConnectionW(name.data())) return 1;
        EXPECT_TRUE(std::filesystem::exists(machine::HostPath(std::u16string(kDriverFolder) + u"\\TZ16E1US.DLL")));
        EXPECT_EQ(PrinterDevmode(name), serverDevmode);
        HANDLE connection = nullptr;
        if (!OpenPrinterW(name.data(), &connection, nullptr)) return 2;
        // The first page of the first document runs the interface library's
        // first-use set-up of the connection, as GDI calls it.
        HMODULE library = LoadLibraryW((std::u16string(kDriverFolder) + u"\\TZ16E130.DLL").c_str());
        using DocumentEvent = int (*)(HANDLE, HDC, int, ULONG, PVOID, ULONG, PVOID);
        auto event = library ? reinterpret_cast<DocumentEvent>(
                                   reinterpret_cast<void (*)()>(GetProcAddress(library, "DrvDocumentEvent")))
                             : nullptr;
        if (event == nullptr) return 3;
        EXPECT_EQ(event(connection, nullptr, DOCUMENTEVENT_STARTPAGE, 0, nullptr, 0, nullptr), DOCUMENTEVENT_SUCCESS);
        FreeLibrary(library);
        ClosePrinter(connection);
        const std::u16string section = u"\\\\PRINTSRV\\Front desk";
        EXPECT_EQ(ReadIni(kSettingsIni, section.c_str(), u"DrvInstVersion"), u"7.60");
        EXPECT_EQ(ReadIni(kSettingsIni, section.c_str(), u"PresetList0Name"), u"Draft");
        EXPECT_EQ(ReadIni(kSettingsIni, u"us", u"RstVersion"), u"322");

        // Deleting the connection marks it for a new set-up.
        EXPECT_TRUE(DeletePrinterConnectionW(name.data()));
        EXPECT_EQ(ReadIni(kSettingsIni, section.c_str(), u"BatchInstallDone"), u"0");
        EXPECT_EQ(ReadIni(kSettingsIni, section.c_str(), u"DrvInstVersion"), u"");
        return ::testing::Test::HasFailure() ? 4 : 0;
    });
    EXPECT_EQ(result, 0);
    // The server's files saw nothing of the connection.
    EXPECT_EQ(ReadIni(kSettingsIni, u"\\\\PRINTSRV\\Front desk", u"DrvInstVersion"), u"<absent>");
    std::filesystem::remove_all(desk);
}

}  // namespace
}  // namespace vexl::test
