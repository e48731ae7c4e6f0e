// A printer added through the spooler with the install answer file and the
// driver package's model INI and default settings package in place: what
// the first document then finds on the machine, and what deleting the
// printer leaves.
#include "ui_fixture.h"

#include "platform/printers.h"
#include "platform/spooler_driver.h"

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

    // Deleting the printer leaves the settings of the other printers alone.
    EXPECT_TRUE(DeletePrinter(printer));
    ClosePrinter(printer);
    EXPECT_EQ(ReadIni(kSettingsIni, u"us", u"RstVersion"), u"322");
}

}  // namespace
}  // namespace vexl::test
