// Installing a printer: the INI write that keeps a file's time, the locale
// defaults, the install answer file's identity and folder keys, the
// per-printer initialisation and the printer events.
#include "ui_fixture.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/persistence.h"
#include "platform/locale.h"
#include "platform/printers.h"
#include "platform/registry.h"
#include "ui/base/printer_values.h"
#include "ui/entry/printer_events.h"
#include "ui/install/install_work.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <string>

namespace vexl::test {
namespace {

using namespace ui;

constexpr const WCHAR* kAnswerPath = u"C:\\WINDOWS\\system32\\VEXL.ini";
constexpr const WCHAR* kSection = u"Office ,2nd floor,";

std::u16string ReadIni(const WCHAR* file, const WCHAR* section, const WCHAR* key)
{
    WCHAR value[300] = {};
    GetPrivateProfileStringW(section, key, u"<absent>", value, 300, file);
    return value;
}

std::u16string ItemText(DriverContext* context, std::uint16_t id)
{
    WCHAR text[300] = {};
    GetItemString(context, FindItem(context, id), text, 300);
    return text;
}

std::u16string RegistryText(const WCHAR* name)
{
    WCHAR value[MAX_PATH] = {};
    if (!ReadDriverRegistryValue(name, value, sizeof value)) return u"<absent>";
    return value;
}

// The last-write time in the 100-ns units of a FILETIME.
long long ModifiedTime(const WCHAR* path)
{
    struct stat status {};
    if (stat(machine::HostPath(path).c_str(), &status) != 0) return -1;
    return static_cast<long long>(status.st_mtim.tv_sec) * 10000000LL + status.st_mtim.tv_nsec / 100;
}

std::string ReadHostFile(const WCHAR* path)
{
    std::ifstream file(machine::HostPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void SetLocale(LCID locale, int country)
{
    machine::Profile profile = machine::LoadProfile();
    profile.locale = locale;
    profile.country = country;
    machine::SaveProfile(profile);
}

TEST_F(UiPrinterTest, WriteIniKeepingTimePutsTheLastWriteTimeBackAndCreatesAMissingFile)
{
    const WCHAR* file = u"C:\\WINDOWS\\kept.ini";
    machine::WriteFile(file, "[A]\r\nk=1\r\n");
    const std::filesystem::path host = machine::HostPath(file);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(30);
    std::filesystem::last_write_time(host, old);
    const long long before = ModifiedTime(file);

    EXPECT_TRUE(WriteIniKeepingTime(u"A", u"k", u"2", file));
    EXPECT_EQ(ReadIni(file, u"A", u"k"), u"2");
    EXPECT_EQ(ModifiedTime(file), before);
    EXPECT_TRUE(WriteIniKeepingTime(u"A", u"k", nullptr, file));
    EXPECT_EQ(ReadIni(file, u"A", u"k"), u"<absent>");

    const WCHAR* missing = u"C:\\WINDOWS\\new.ini";
    EXPECT_TRUE(WriteIniKeepingTime(u"B", u"x", u"y", missing));
    EXPECT_EQ(ReadIni(missing, u"B", u"x"), u"y");
}

struct LocaleCase {
    LCID locale;
    int country;
    std::uint32_t paper;
    std::uint32_t unit;
    std::uint32_t localeClass;
};

TEST_F(UiPrinterTest, LocaleDefaultsFollowTheCountryAndTakeWaitingValuesOnce)
{
    const LocaleCase cases[] = {
        {0x0809, 44, 9, 0, 0},
        {0x0409, 1, 1, 1, 1},
        {0x0416, 55, 1, 1, 5},
    };
    const std::u16string userCodeIni = u"C:\\_vexl\\TZ00C170.ini";
    for (const LocaleCase& row : cases) {
        SCOPED_TRACE(row.country);
        SetLocale(row.locale, row.country);
        DriverContext* context = Create();
        ASSERT_NE(context, nullptr);
        ApplyLocaleDefaults(context);
        EXPECT_EQ(GetItemValue(context, dmPaperSize), row.paper);
        EXPECT_EQ(GetItemValue(context, rdmDspUnit), row.unit);
        EXPECT_EQ(GetItemValue(context, rdmLocaleID), row.localeClass);
        EXPECT_EQ(ReadIni(userCodeIni.c_str(), kSection, u"DefPaper"), std::u16string(1, u'0' + row.paper));
        ReleaseDriverContext(context, kReleaseDestroy);
    }

    // Values an installer left wait for one application; then the locale counts again.
    SetLocale(0x0409, 1);
    WritePrivateProfileStringW(kSection, u"VexlInstDone", u"0", userCodeIni.c_str());
    WritePrivateProfileStringW(kSection, u"DispLang", u"1", userCodeIni.c_str());
    WritePrivateProfileStringW(kSection, u"DefPaper", u"9", userCodeIni.c_str());
    WritePrivateProfileStringW(kSection, u"DefUnit", u"0", userCodeIni.c_str());
    WritePrivateProfileStringW(kSection, u"UserCode", u"1", userCodeIni.c_str());
    WritePrivateProfileStringW(kSection, u"UserCodeString", u"4711", userCodeIni.c_str());
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    ApplyLocaleDefaults(context);
    EXPECT_EQ(GetItemValue(context, dmPaperSize), 9u);
    EXPECT_EQ(GetItemValue(context, rdmDspUnit), 0u);
    EXPECT_EQ(GetItemValue(context, rdmLogCodeUse), 1u);
    EXPECT_EQ(ItemText(context, rdmLogCode), u"4711");
    EXPECT_EQ(ReadIni(userCodeIni.c_str(), kSection, u"VexlInstDone"), u"1");
    ApplyLocaleDefaults(context);
    EXPECT_EQ(GetItemValue(context, dmPaperSize), 1u);
    ReleaseDriverContext(context, kReleaseDestroy);
}

struct IdentityCase {
    const char* name;
    std::string keys;
    BOOL result;
    std::u16string userId;
    std::u16string owner;
    std::uint32_t authMode;
    std::uint32_t secureMode;
    std::u16string networkKey;
    std::uint8_t flags;
    std::u16string drvInstSet;
};

TEST_F(UiPrinterTest, AnswerIdentityKeysAreCheckedAppliedAndDeleted)
{
    const IdentityCase cases[] = {
        {"user id of nine characters is refused", "SetUserID=ABCDEFGHI\r\n", TRUE, u"", u"", 0, 0, u"", 0, u"<absent>"},
        {"user id and an owner of sixteen characters", "SetUserID=Ab12\r\nSetOwnerID=0123456789abcde!\r\n", TRUE,
         u"Ab12", u"0123456789abcde!", 0, 0, u"", 0, u"1"},
        {"a network key overrides the mode key", "SetAuthenticationNetworkKey=key1\r\nSetAuthenticationMode=0\r\n",
         TRUE, u"", u"", 1, 1, u"key1", 0x07, u"1"},
        {"secure mode 0 alone switches the authentication on", "SetAuthenticationSecureMode=0\r\n", TRUE, u"", u"", 1,
         0, u"", 0x03, u"1"},
        {"a network key with a blank is ignored but its key goes", "SetAuthenticationNetworkKey=a b\r\n", TRUE, u"",
         u"", 1, 1, u"", 0, u"<absent>"},
        {"nothing to apply", "Other=1\r\n", FALSE, u"", u"", 0, 0, u"", 0, u"<absent>"},
    };
    for (const IdentityCase& row : cases) {
        SCOPED_TRACE(row.name);
        machine::WriteFile(kAnswerPath, "[Office ,2nd floor,]\r\n" + row.keys);
        DriverContext* context = Create();
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(ApplyAnswerIdentity(kAnswerPath, kSection, context), row.result);
        EXPECT_EQ(ItemText(context, rdmUserID), row.userId);
        EXPECT_EQ(ItemText(context, rdmOwnerName), row.owner);
        EXPECT_EQ(GetItemOption(context, rdmPrnFuncAuthenticationMode), row.authMode);
        EXPECT_EQ(GetItemOption(context, rdmPrnFuncAuthenticationSecureMode), row.secureMode);
        EXPECT_EQ(ItemText(context, wdmAuthenticationNetworkKey), row.networkKey);
        EXPECT_EQ(context->workArea->answerFlags, row.flags);
        EXPECT_EQ(ReadIni(kAnswerPath, kSection, u"DrvInstSet"), row.drvInstSet);
        for (const WCHAR* key : {u"SetUserID", u"SetOwnerID", u"SetAuthenticationNetworkKey",
                                 u"SetAuthenticationSecureMode", u"SetAuthenticationMode"})
            EXPECT_EQ(ReadIni(kAnswerPath, kSection, key), u"<absent>");
        ReleaseDriverContext(context, kReleaseDestroy);
    }
}

TEST_F(UiPrinterTest, AnswerUserCodeTakesEightDigitsAndRefusesLetters)
{
    struct Case {
        std::string value;
        std::u16string code;
        std::uint32_t use;
    };
    // A code with a letter changes nothing; nine digits give their first eight.
    const Case cases[] = {{"12a4", u"", 0}, {"123456789", u"12345678", 1}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.value);
        machine::WriteFile(kAnswerPath, "[Office ,2nd floor,]\r\nSetUserCode=" + row.value + "\r\n");
        DriverContext* context = Create();
        ASSERT_NE(context, nullptr);
        EXPECT_TRUE(ApplyAnswerUserCode(kAnswerPath, kSection, context));
        EXPECT_EQ(ItemText(context, rdmLogCode), row.code);
        EXPECT_EQ(GetItemValue(context, rdmLogCodeUse), row.use);
        EXPECT_EQ(ReadIni(kAnswerPath, kSection, u"SetUserCode"), u"<absent>");
        ReleaseDriverContext(context, kReleaseDestroy);
    }
}

TEST_F(UiPrinterTest, AnswerDirectoryKeysExpandCheckAndAlwaysGo)
{
    machine::WriteFile(u"C:\\data\\.keep", "");
    struct Case {
        std::string value;
        std::u16string registry;
    };
    const std::string longTail(300, 'x');
    const Case cases[] = {
        {"%systemdrive%\\data", u"C:\\data\\_vexl"},
        {"C:\\missing", u"<absent>"},
        {"", u""},
        // Far too long once expanded: ignored, not written past a path.
        {"%SYSTEMROOT%\\" + longTail, u"<absent>"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.value);
        HKEY key = nullptr;
        if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kDriverRegistryKey, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, kDirectoryValueName);
            RegCloseKey(key);
        }
        machine::WriteFile(kAnswerPath, "[Office ,2nd floor,]\r\nVEXLDirectory=" + row.value +
                                            "\r\nVEXLDirectoryClient=D:\\clients\r\n");
        EXPECT_TRUE(ApplyAnswerDirectorySettings(printer_, kSection));
        EXPECT_EQ(RegistryText(kDirectoryValueName), row.registry);
        EXPECT_EQ(ReadIni(kAnswerPath, kSection, u"VEXLDirectory"), u"<absent>");
        EXPECT_EQ(ReadIni(kAnswerPath, kSection, u"VEXLDirectoryClient"), u"<absent>");
    }
    const auto client = machine::ReadPrinterData(kPrinterName, u"_VEXLDirectoryClient");
    ASSERT_TRUE(client.has_value());
    EXPECT_EQ(client->bytes, WideTextData(u"D:\\clients").bytes);
}

TEST_F(UiPrinterTest, AnswerWorkCountsOnlyTheKeysThatCarryWork)
{
    struct Case {
        std::string keys;
        BOOL empty;
    };
    const Case cases[] = {
        {"SpoolDirectory=C:\\spool\r\nSpoolDirectoryAll=ON\r\n", TRUE},
        {"DefaultRst=\r\n", TRUE},
        {"SetUserCode=\r\n", FALSE},
        {"SetAuthenticationMode=x\r\n", FALSE},
        {"DefaultRst=pkg.rsb\r\n", FALSE},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.keys);
        machine::WriteFile(kAnswerPath, "[Office ,2nd floor,]\r\n" + row.keys);
        EXPECT_EQ(IsAnswerSectionEmpty(kAnswerPath, kSection), row.empty);
        // The printer's own section is found by its bracket-safe name.
        EXPECT_EQ(HasAnswerSection(printer_), !row.empty);
    }
}

TEST_F(UiPrinterTest, ConversionInitialisationWritesNoMoreThanTheCallerDeclared)
{
    std::vector<std::uint8_t> defaults = DefaultDevmode();
    std::vector<std::uint8_t> out(420 + 64, 0xEE);
    std::memcpy(out.data(), defaults.data(), 220);
    out[offsetof(DEVMODEW, dmDriverExtra)] = 200;
    out[offsetof(DEVMODEW, dmDriverExtra) + 1] = 0;
    EXPECT_TRUE(InitializePrinterSettings(printer_, AsDevmode(out), kInitInstallSettings));
    for (std::size_t i = 420; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << i;

    // The first installation writes the whole default DEVMODE, and nothing without a buffer.
    std::vector<std::uint8_t> full(1236, 0);
    EXPECT_TRUE(InitializePrinterSettings(printer_, AsDevmode(full), kInitFirstInstall));
    EXPECT_EQ(full[offsetof(DEVMODEW, dmSize)], defaults[offsetof(DEVMODEW, dmSize)]);
    EXPECT_TRUE(InitializePrinterSettings(printer_, nullptr, kInitFirstInstall));
    EXPECT_FALSE(InitializePrinterSettings(printer_, nullptr, 3));
}

// What one initialisation leaves on a clean printer, per base mode: the
// printer data the spooler's printer and a connection get, the version in
// the settings INI, and the default DEVMODE in the caller's buffer.
TEST_F(UiPrinterTest, InitialisationLeavesWhatItsBaseModeCalls)
{
    struct Row {
        const char* what;
        int mode;
        bool buffer;
        bool printerValues;  // VEXLPrinterName, DriverName, LogFileName
        bool version;        // DrvInstVersion
    };
    const Row rows[] = {
        {"first installation with a buffer", kInitFirstInstall, true, true, true},
        {"first installation without a buffer", kInitFirstInstall, false, true, true},
        {"the spooler's printer", kInitPrinter, false, true, true},
        {"a connection", kInitConnection, false, false, false},
    };
    const std::vector<std::uint8_t> defaults = DefaultDevmode();
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        machine::PrinterSetup setup;
        setup.name = u"Golden " + std::u16string(1, char16_t(u'0' + index++));
        setup.driverName = kDriverName;
        setup.driverDirectory = kDriverFolder;
        setup.driverFile = u"TZ16E100.DLL";
        setup.configFile = u"TZ16E130.DLL";
        setup.dataFile = u"TZ16E1MD.VXD";
        setup.helpFile = u"TZ16E1US.HLP";
        machine::AddPrinter(setup);
        std::u16string name = setup.name;
        HANDLE printer = nullptr;
        ASSERT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));

        std::vector<std::uint8_t> out(defaults.size(), 0xEE);
        EXPECT_TRUE(InitializePrinterSettings(printer, row.buffer ? AsDevmode(out) : nullptr, row.mode));
        ClosePrinter(printer);

        for (const WCHAR* value : {u"VEXLPrinterName", u"DriverName", u"LogFileName"})
            EXPECT_EQ(machine::ReadPrinterData(name, value).has_value(), row.printerValues)
                << std::string(value, value + 4);
        EXPECT_EQ(machine::ReadPrinterData(name, u"HelpFileName").has_value(), row.printerValues);
        EXPECT_EQ(ReadIni(u"C:\\_vexl\\TZ16E170.ini", name.c_str(), u"DrvInstVersion") != u"<absent>", row.version);
        if (row.buffer) {
            EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + offsetof(DEVMODEW, dmFields)),
                      std::vector<std::uint8_t>(defaults.begin(), defaults.begin() + offsetof(DEVMODEW, dmFields)));
        } else {
            EXPECT_EQ(out, std::vector<std::uint8_t>(defaults.size(), 0xEE));
        }
    }
}

// The printer's default font substitution table is the model's, written by
// the first initialisation and kept by every later one, so that restoring
// the defaults gives back the table the printer started with.
TEST_F(UiPrinterTest, TheDefaultFontTableIsWrittenOnceAndRestored)
{
    const auto count = [&] { return machine::ReadPrinterData(kPrinterName, u"DefFontTableNum"); };
    DeletePrinterDataW(printer_, std::u16string(u"DefFontTableNum").data());
    ASSERT_TRUE(InitializePrinterSettings(printer_, nullptr, kInitPrinter));
    const auto written = count();
    ASSERT_TRUE(written.has_value());

    // A default of the printer's own is not replaced by the next initialisation.
    FontSubstPair own{};
    own.trueTypeFace[0] = u'T';
    own.deviceFont[0] = u'D';
    ASSERT_TRUE(WriteFontTables(printer_, &own, 1, kFontsDefaultTable));
    ASSERT_TRUE(InitializePrinterSettings(printer_, nullptr, kInitPrinter));
    ASSERT_TRUE(count().has_value());
    EXPECT_EQ(count()->bytes, std::string("\x01\0", 2));
    DriverContext* context = ui::CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(LoadDefaultFontTable(printer_, context));
    ASSERT_EQ(GetItemValue(context, rdmFontTableNum), 1u);
    const auto* table = static_cast<const FontSubstPair*>(GetItemHeapAddress(context, rdmFontTable));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0].deviceFont[0], u'D');
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(UiPrinterTest, AnEmptyConfiguredDirectoryNeverRemovesTheDefaultFolder)
{
    machine::WriteFile(u"C:\\_vexl\\TZ16E170.ini", "[Other printer]\r\nCount=0\r\n");
    machine::WriteFile(kAnswerPath, "[Office ,2nd floor,]\r\nVEXLDirectory=\r\n");
    EXPECT_TRUE(InitializePrinterSettings(printer_, nullptr, kInitFirstInstall));
    EXPECT_EQ(RegistryText(kDirectoryValueName), u"");
    EXPECT_EQ(ReadIni(u"C:\\_vexl\\TZ16E170.ini", u"Other printer", u"Count"), u"0");
}

TEST_F(UiPrinterTest, PrinterEventsOpenWithFallbacksAndAlwaysRestoreTheIdentity)
{
    std::u16string name = kPrinterName;
    // Already installed: nothing to do, and the client's identity and the flag come back.
    const BYTE one[4] = {1, 0, 0, 0};
    WCHAR value[] = u"BatchInstallDone";
    ASSERT_EQ(SetPrinterDataW(printer_, value, REG_BINARY, const_cast<BYTE*>(one), 4), ERROR_SUCCESS);
    machine::ResetSpoolerCallCounts();
    EXPECT_TRUE(HandlePrinterEvent(name.data(), PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_FALSE(machine::IsSpoolerIdentity());
    EXPECT_EQ(GetSharedIdentityFlag(), 0u);
    EXPECT_EQ(machine::SpoolerCallCount("RevertToPrinterSelf"), 1u);
    EXPECT_EQ(machine::SpoolerCallCount("ImpersonatePrinterClient"), 1u);
    EXPECT_EQ(machine::SpoolerCallCount("OpenPrinterW"), machine::SpoolerCallCount("ClosePrinter"));

    // Without the right to administer the printer a connection is opened to read.
    machine::PrinterSetup setup;
    setup.name = u"\\\\srv\\Shared";
    setup.serverName = u"\\\\srv";
    setup.driverName = kDriverName;
    setup.driverDirectory = kDriverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1MD.VXD";
    setup.administrationAllowed = false;
    machine::AddPrinter(setup);
    machine::ResetSpoolerCallCounts();
    std::u16string connection = setup.name;
    EXPECT_TRUE(HandlePrinterEvent(connection.data(), PRINTER_EVENT_ADD_CONNECTION, 0, 0));
    EXPECT_GE(machine::SpoolerCallCount("OpenPrinterW"), 2u);
    EXPECT_FALSE(machine::IsSpoolerIdentity());

    // A failed revert skips the way back and still does the work.
    machine::SetRevertFailure(true);
    EXPECT_TRUE(HandlePrinterEvent(name.data(), PRINTER_EVENT_DELETE_CONNECTION, 0, 0));
    machine::SetRevertFailure(false);
    EXPECT_FALSE(machine::IsSpoolerIdentity());

    EXPECT_TRUE(HandlePrinterEvent(name.data(), 99, 0, 0));
}

TEST_F(UiPrinterTest, DriverUpgradeAcceptsOnlyLevelOne)
{
    std::u16string name = kPrinterName;
    std::u16string directory = kDriverFolder;
    DRIVER_UPGRADE_INFO_1W info{name.data(), directory.data()};
    SetLastError(0);
    EXPECT_FALSE(UpgradePrinterData(2, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_FALSE(UpgradePrinterData(1, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace vexl::test

namespace vexl::test {
namespace {

using namespace ui;

constexpr const WCHAR* kSettings = u"C:\\_vexl\\TZ16E170.ini";

class InstallIniTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        for (const char* name : {"TZ16E172.ini", "VXDEF.rsb"}) {
            const std::string file = name;
            machine::InstallFile(kPackageFolder / file,
                                 std::u16string(kDriverFolder) + u"\\" + std::u16string(file.begin(), file.end()));
        }
    }
};

TEST_F(InstallIniTest, ListsAreCopiedOnlyIntoANewOrOutdatedSettingsIni)
{
    for (const std::u16string version : {u"322", u"222"}) {
        SCOPED_TRACE(std::string(version.begin(), version.end()));
        machine::WriteFile(kSettings, "[us]\r\nRstVersion=" + std::string(version.begin(), version.end()) +
                                          "\r\nFreeSizeCount=3\r\n");
        DriverContext* context = Create();
        ASSERT_NE(context, nullptr);
        EXPECT_TRUE(SyncSettingsIniWithModel(printer_, FALSE, context));
        const bool copied = version == u"222";
        EXPECT_EQ(ReadIni(kSettings, u"us", u"FreeSizeCount"), copied ? u"10" : u"3");
        EXPECT_EQ(ReadIni(kSettings, u"Stamp1us", u"wdmWmChar"), copied ? u"DRAFT" : u"<absent>");
        EXPECT_EQ(ReadIni(kSettings, u"us", u"RstVersion"), copied ? u"322" : version);
        // The model package's custom sizes go in either way, and the model INI is marked.
        EXPECT_EQ(ReadIni(kSettings, u"FreeSize0us", u"wdmFreeSizeName"), u"Photo");
        ReleaseDriverContext(context, kReleaseDestroy);
    }
    const std::u16string modelIni = std::u16string(kDriverFolder) + u"\\TZ16E172.ini";
    EXPECT_EQ(ReadIni(modelIni.c_str(), u"BatchInstallDone", u"BatchInstallDone"), u"1");
}

TEST_F(InstallIniTest, UpgradeKeepsModelKeysTheUserChangedAndEmptiesTheOnesTheModelLeftEmpty)
{
    machine::WriteFile(kSettings, "[Office ,2nd floor,]\r\nDrvDefJobMergeFileExt=old\r\nMergeKey=old\r\n");
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(WriteDefaultKeys(context, kDefaultKeysUpgrade, nullptr));
    EXPECT_EQ(ReadIni(kSettings, kSection, u"DrvDefJobMergeFileExt"), u"old");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"MergeKey"), u"");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"PresetRefresh"), u"1");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"DrvDefPreviewPath"), u"<absent>");

    EXPECT_TRUE(WriteDefaultKeys(context, kDefaultKeysInitialise, nullptr));
    EXPECT_EQ(ReadIni(kSettings, kSection, u"DrvDefJobMergeFileExt"), u"rmp");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"DrvDefPreviewPath"), u"C:\\_vexl\\PREVIEW");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"PresetRefresh"), u"0");
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(InstallIniTest, IncompleteStampsAreFilledFromTheModelAndTheUsersValuesKept)
{
    // A text stamp needs no image name; an empty order does need repair.
    std::string stamp = "[us]\r\nStampCount=1\r\nFreeSizeCount=0\r\n[Stamp0us]\r\n";
    const std::u16string modelIni = std::u16string(kDriverFolder) + u"\\TZ16E172.ini";
    for (const char* key : {"rdmWmKind",           "wdmWmOpaque",
                            "wdmWmUnit",           "wdmWmDensity",
                            "wdmWmEffect",         "wdmWmPosi",
                            "wdmWmPosiTile",       "wdmWmPage",
                            "wdmWmStartPage",      "wdmWmEndPage",
                            "wdmWmAngle",          "rdmWmID",
                            "wdmWmFontName",       "wdmWmFontPoint",
                            "wdmWmColor",          "wdmWmColorR",
                            "wdmWmColorG",         "wdmWmColorB",
                            "wdmWmFontStyle",      "wdmWmFontScale",
                            "wdmWmFont",           "wdmWMPrinterStamp2PlanePrint",
                            "wdmWMFuncSelectOrder"}) {
        const std::u16string wide(key, key + std::strlen(key));
        const std::u16string value = ReadIni(modelIni.c_str(), u"Stamp0us", wide.c_str());
        stamp += std::string(key) + "=" + std::string(value.begin(), value.end()) + "\r\n";
    }
    stamp += "wdmWmChar=MINE\r\nwdmWmCharName=Mine\r\nwdmWmImage=\r\nwdmWmImageName=\r\n";
    machine::WriteFile(kSettings, stamp);
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(ValidateUserLists(context));
    EXPECT_EQ(ReadIni(kSettings, u"us", u"StampCount"), u"1");

    WritePrivateProfileStringW(u"Stamp0us", u"wdmWMFuncSelectOrder", u"", kSettings);
    EXPECT_TRUE(ValidateUserLists(context));
    EXPECT_EQ(ReadIni(kSettings, u"us", u"StampCount"), u"2");
    EXPECT_NE(ReadIni(kSettings, u"Stamp0us", u"wdmWMFuncSelectOrder"), u"");
    EXPECT_EQ(ReadIni(kSettings, u"Stamp0us", u"wdmWmChar"), u"MINE");
    EXPECT_EQ(ReadIni(kSettings, u"Stamp1us", u"wdmWmChar"), u"DRAFT");
    // Once repaired, the lists are left alone.
    const std::string repaired = ReadHostFile(kSettings);
    EXPECT_TRUE(ValidateUserLists(context));
    EXPECT_EQ(ReadHostFile(kSettings), repaired);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(InstallIniTest, QualityListsFollowTheInstallFlags)
{
    machine::InstallFile(kPackageFolder / "VXFINE.rsq", std::u16string(kDriverFolder) + u"\\VXFINE.rsq");
    const std::u16string package = std::u16string(kDriverFolder) + u"\\VXDEF.rsb";
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(InstallQualityFiles(package.c_str(), u"us", 0x2 | 0x100, context));
    EXPECT_TRUE(FileExists(u"C:\\_vexl\\VXFINE.rsq"));
    EXPECT_TRUE(FileExists(u"C:\\_vexl\\VXFINE.rsr"));
    EXPECT_EQ(ReadIni(package.c_str(), u"us", u"DrvInstQualityDone"), u"1");

    EXPECT_TRUE(InstallQualityFiles(package.c_str(), u"us", 0x1, context));
    EXPECT_EQ(ReadIni(kSettings, kSection, u"QualityCount"), u"1");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"QualityList0"), u"C:\\_vexl\\VXFINE.rsr");
    EXPECT_EQ(ReadIni(kSettings, kSection, u"QualityList0Name"), u"Fine");

    EXPECT_TRUE(InstallQualityFiles(package.c_str(), u"us", 0x20, context));
    EXPECT_FALSE(FileExists(u"C:\\_vexl\\VXFINE.rsr"));

    // A section without a list installs nothing and clears the list all the same.
    EXPECT_TRUE(InstallQualityFiles(package.c_str(), u"gm", 0x1, context));
    EXPECT_EQ(ReadIni(kSettings, kSection, u"QualityCount"), u"0");
    ReleaseDriverContext(context, kReleaseDestroy);
}

}  // namespace
}  // namespace vexl::test
