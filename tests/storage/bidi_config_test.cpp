#include "common/core/module_events.h"
#include "common/storage/bidi_config.h"

#include "common/core/appservices.h"
#include "common/core/settings_modules.h"
#include "common/storage/bidi_answer.h"
#include "common/storage/directories.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

constexpr const WCHAR* kStatusLibraryPath = u"C:\\WINDOWS\\system32\\tz4manNT.dll";
constexpr const WCHAR* kScenarioPath = u"C:\\standin\\tz4manNT.ini";
constexpr const WCHAR* kBidiIniPath = u"C:\\_vexl\\TZ00C171.ini";
const std::u16string kModelIniPath = std::u16string(kDriverFolder) + u"\\TZ16E172.ini";

// A printer that answers every data code. Tray 4 serves covers, tray 3 mark
// sheets and is locked; the size query of the channel fails with error 5.
constexpr const char* kFullAnswer = "Model=VEXL 4500\n"
                                    "Data1=3,4,12\n"
                                    "Data20=0,0,0\n"
                                    "Data21=0,0,0\n"
                                    "Data23=0x9,0x4,0\n"
                                    "Data2=16,105,140,7\n"
                                    "Data11=33554432\n"
                                    "Text8=V1.23\n"
                                    "ChannelSizeError=5\n"
                                    "ChannelData258=2\n"
                                    "ChannelText2=E4.5\n"
                                    "ChannelText259=rear unit\n";

// The job-option module wants tray details.
int WantTrayDetails(DriverContext*, std::uint32_t event, void* param, void*)
{
    if (event != kModuleEventTrayDetailsWanted) return 0;
    static_cast<TrayDetailsRecord*>(param)->wanted = 1;
    return 1;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

class BidiConfigTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        AddBidiPrinter(false);
        machine::InstallFile(VEXL_TZ4MANNT_FILE, kStatusLibraryPath);
        machine::WriteFile(kModelIniPath, "[Models]\nVEXL Driver=VEXL 4500\n");
        module_.event = WantTrayDetails;
        modules_ = {1, &module_};
        ctx_.work()->moduleTable = &modules_;
        ctx_.work()->apiRecord = &api_;
    }

    void AddBidiPrinter(bool printerDataReadOnly)
    {
        machine::PrinterSetup setup = DriverPrinter();
        setup.attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
        setup.printerDataReadOnly = printerDataReadOnly;
        machine::AddPrinter(setup);
        ClosePrinter(printer_);
        printer_ = OpenNamedPrinter(kPrinterName);
        ctx_.get()->printer = printer_;
    }

    // The settings INI with keys in the language section.
    void WriteLanguageKeys(const std::string& keys)
    {
        const std::u16string code = CopyLanguageCode(context());
        const std::string section(code.begin(), code.end());
        machine::WriteFile(u"C:\\_vexl\\TZ16E170.ini", keys.empty() ? "" : "[" + section + "]\n" + keys);
    }

    void WriteScenario(const std::string& keys) { machine::WriteFile(kScenarioPath, "[Office [2nd floor]]\n" + keys); }

    std::u16string Text(std::uint16_t id)
    {
        WCHAR out[64] = {};
        GetItemString(context(), FindItem(context(), id), out, 64);
        return out;
    }

    std::uint8_t DeviceInfoFlag() { return ctx_.bytes()[kDeviceInfoFlagOffset]; }

    SettingsModule module_{0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent};
    SettingsModuleTable modules_{};
    ApiRecord api_{999, 0};
};

TEST_F(BidiConfigTest, FullQueryTurnsEachDataCodeIntoItems)
{
    WriteScenario(kFullAnswer);
    SetItemValue(context(), rdmTray1Paper, 5);
    SetItemValue(context(), rdmTrayOrient0, 1);
    SetItemValue(context(), rdmTrayField3, 1);  // not reported: cleared

    ASSERT_TRUE(QueryBidiConfigNow(context()));

    const struct {
        std::uint16_t item;
        std::uint32_t value;
        const char* what;
    } expected[] = {
        {rdmTrayField0, 1, "tray code 3"},
        {rdmTrayField1, 1, "tray codes 4 and 12"},
        {rdmTrayField3, 0, "unreported tray cleared"},
        {rdmTray1Paper, 0, "device paper 0 is no paper"},
        {rdmTrayOrient0, 0, "not rotated"},
        {rdmTray1Media, 1, "no medium becomes 1"},
        {rdmTrayLock0, 1, "flag bit 0"},
        {rdmTrayLock1, 0, "tray 4 not locked"},
        {rdmCoverDefTray, 3, "source of tray code 4"},
        {rdmMPDefTray, 1, "source of tray code 3"},
        {rdmReverseCoverDefTray, 1, "no reverse-cover tray: tray code 3"},
        {rdmSourceOptionTypeMulti, 1, "option 16"},
        {rdmSourceOptionType1Step, 1, "options 105 and 140"},
        {rdm1StepOptionNum, 3, "highest one-step level"},
        {rdmPrinterMemory, 32768, "bytes / 1024"},
        {rdmMemoryType, 0, "channel reports 2"},
    };
    for (const auto& row : expected) EXPECT_EQ(GetItemValue(context(), row.item), row.value) << row.what;
    EXPECT_EQ(GetBidiFuncBits(context()), kBidiFuncCover | kBidiFuncMark);
    EXPECT_EQ(Text(rdmSystemVersion), u"V1.23");
    EXPECT_EQ(Text(rdmEmulationVersion), u"E4.5");
    EXPECT_EQ(Text(rdmOther), u"rear unit");
    EXPECT_EQ(DeviceInfoFlag(), 1);
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"BidiFlag")->bytes, Bytes({1, 0, 0, 0}));
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"BidiFunc")->bytes, Bytes({3}));
    const std::string log = ReadHostFile(u"C:\\standin\\tz4manNT.log");
    EXPECT_NE(log.find("startQuery mask=0x2011c"), std::string::npos);
    EXPECT_NE(log.find("close printer"), std::string::npos);
    EXPECT_EQ(GetBidiLibraryInterface()->readData, nullptr) << "no table entry outlives the library";
}

// Arrays shorter than the tray list and texts without a terminator: the
// answer is read only as far as it reaches.
TEST_F(BidiConfigTest, ShortArraysAndUnterminatedTextsStayInBounds)
{
    WriteScenario("Model=VEXL 4500\nData1=3,4,12\nData20=0\nData23=0\nData11=\n"
                  "Raw8=0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
                  "ChannelData258=1\nChannelRaw2=EMULATION-VERSION-TOO-LONG\n");
    SetItemValue(context(), rdmTrayLock1, 1);
    SetItemValue(context(), rdmPrinterMemory, 64);

    ASSERT_TRUE(QueryBidiConfigNow(context()));

    EXPECT_EQ(GetItemValue(context(), rdmTrayLock0), 0u);
    EXPECT_EQ(GetItemValue(context(), rdmTrayLock1), 1u) << "no flag word for tray 4";
    EXPECT_EQ(GetItemValue(context(), rdmPrinterMemory), 64u) << "no memory answer";
    EXPECT_EQ(GetItemValue(context(), rdmMemoryType), 1u);
    EXPECT_EQ(Text(rdmSystemVersion), u"0123456789ABCDE");
    EXPECT_EQ(Text(rdmEmulationVersion), u"EMULATION-VERSI");
}

struct FailureCase {
    const char* name;
    std::string scenario;
    bool installLibrary;
    std::uint32_t apiError;
};

// The case by its name in test listings, not as the bytes of the record.
void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class BidiFailureTest : public BidiConfigTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BidiFailureTest, FailedQueryLeavesNoDeviceInformation)
{
    const FailureCase& c = GetParam();
    if (!c.installLibrary) std::filesystem::remove(machine::HostPath(kStatusLibraryPath));
    WriteScenario(c.scenario);
    SetItemString(context(), FindItem(context(), rdmSystemVersion), u"old");

    EXPECT_FALSE(QueryBidiConfigNow(context()));

    EXPECT_EQ(api_.lastError, c.apiError);
    EXPECT_EQ(DeviceInfoFlag(), 0);
    EXPECT_EQ(Text(rdmSystemVersion), u"");
    EXPECT_FALSE(machine::ReadPrinterData(kPrinterName, u"BidiFlag").has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BidiFailureTest,
    ::testing::Values(FailureCase{"OpenFails", "Open=0\nOpenError=14\n", true, 201},
                      FailureCase{"NotSupported", "Supported=0\nOpenError=56\n", true, 201},
                      FailureCase{"StartFails", "Model=VEXL 4500\nStartQueryError=10\n", true, 202},
                      FailureCase{"OtherError", "Model=VEXL 4500\nStartQueryError=59\n", true, 200},
                      FailureCase{"OtherModel", "Model=VEXL 9999\n", true, 999},
                      FailureCase{"NoLibrary", "Model=VEXL 4500\n", false, 200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BidiConfigTest, StartFailureWithError102CountsAsStarted)
{
    WriteScenario(std::string(kFullAnswer) + "StartQueryError=102\n");
    EXPECT_TRUE(QueryBidiConfigNow(context()));
    EXPECT_EQ(GetItemValue(context(), rdmPrinterMemory), 32768u);
}

TEST_F(BidiConfigTest, ModelListOfTheModelIniDecides)
{
    WriteScenario(kFullAnswer);
    const struct {
        const char* languageKeys;
        const char* modelIni;
        bool accepted;
    } cases[] = {
        {"bIsBIDISupportForVEXLModel=0\n", "[Models]\nVEXL Driver=VEXL 4500\n[Models1]\nVEXL Driver=VEXL 4500\n",
         false},  // model check off with a model list: never
        {"bIsBIDISupportForVEXLModel=1\n",
         "[Models]\nVEXL Driver=X\n[Models1]\nVEXL Driver=VEXL 3\n[Models2]\nVEXL Driver=VEXL 4500\n", true},
        {"bIsBIDISupportForVEXLModel=1\n", "[Models]\nVEXL Driver=VEXL 4\n", false},
        {"bIsBIDISupportForVEXLModel=0\n", "[Models]\nVEXL Driver=VEXL 4\n", true},
        {"bIsBIDISupportForVEXLModel=0\n", "", false},  // no "Models" value
    };
    for (const auto& c : cases) {
        WriteLanguageKeys(c.languageKeys);
        machine::WriteFile(kModelIniPath, c.modelIni);
        EXPECT_EQ(QueryBidiConfigNow(context()) != 0, c.accepted) << c.modelIni;
    }
}

TEST_F(BidiConfigTest, QueriesOffInTheSettingsIniAskNothing)
{
    WriteScenario(kFullAnswer);
    WriteLanguageKeys("bIsBIDISupportForVEXL=2\n");
    EXPECT_TRUE(QueryBidiConfigNow(context()));
    EXPECT_EQ(DeviceInfoFlag(), 0);
    EXPECT_FALSE(std::filesystem::exists(machine::HostPath(u"C:\\standin\\tz4manNT.log")));
}

// Without write access to printer data the information is kept in
// "TZ00C171.ini" and moves into printer data for the next user who may write.
TEST_F(BidiConfigTest, IniKeepsDeviceInformationUntilPrinterDataIsWritable)
{
    WriteScenario(kFullAnswer);
    AddBidiPrinter(true);
    ASSERT_TRUE(QueryBidiConfigNow(context()));
    const std::string ini = ReadHostFile(kBidiIniPath);
    EXPECT_NE(ini.find("BidiFlag=1"), std::string::npos);
    EXPECT_NE(ini.find("BidiFunc=3"), std::string::npos);
    EXPECT_NE(ini.find("BidiExFlag=1"), std::string::npos);
    EXPECT_TRUE(HasBidiIniFlag(context()));
    EXPECT_TRUE(EnsureBidiConfig(context(), FALSE)) << "recorded in the INI";

    AddBidiPrinter(false);
    ApplyStoredBidiConfig(context());
    EXPECT_TRUE(HasBidiIniFlag(context())) << "no BidiFlag in printer data to rewrite";
    WriteBidiFlag(context(), 1);
    SetBidiFuncBits(context(), 0);
    ApplyStoredBidiConfig(context());
    EXPECT_EQ(GetBidiFuncBits(context()), 3u);
    EXPECT_FALSE(HasBidiIniFlag(context()));
    EXPECT_TRUE(EnsureBidiConfig(context(), FALSE)) << "recorded in printer data";
}

TEST_F(BidiConfigTest, EnsureWithoutRecordAsksOnlyWhenTold)
{
    WriteScenario(kFullAnswer);
    EXPECT_FALSE(EnsureBidiConfig(context(), FALSE));
    EXPECT_EQ(DeviceInfoFlag(), 0);
    EXPECT_TRUE(EnsureBidiConfig(context(), TRUE));
    EXPECT_EQ(DeviceInfoFlag(), 1);
}

TEST(BidiErrorCodes, MapToSettingsInterfaceCodes)
{
    const std::pair<DWORD, std::uint32_t> cases[] = {{102, 0}, {14, 201}, {56, 201}, {10, 202},
                                                     {2, 200}, {5, 200},  {126, 200}};
    for (const auto& [error, code] : cases) EXPECT_EQ(MapBidiErrorCode(error), code) << error;
}

// A print server's entries: "Size4" holds 4 bytes, "Size2" 2.
DWORD ServerSize(HANDLE, BYTE, const WCHAR*, const char* key, const char* valueName, DWORD* size)
{
    if (std::string(key) != "PrinterDriverData") return 1;
    *size = std::string(valueName) == "Size4" ? 4 : 2;
    return 0;
}
DWORD ServerData(HANDLE, BYTE, const WCHAR*, const char*, const char*, DWORD size, BYTE* buffer)
{
    for (DWORD i = 0; i < size; ++i) buffer[i] = static_cast<BYTE>(0xA0 + i);
    return 0;
}

TEST_F(BidiConfigTest, ServerValueIsTakenOnlyAtItsExpectedSize)
{
    ServerPrinterDataRecord record{ServerSize, ServerData, nullptr, 1, u"\\\\server\\p", printer_, {}, {}};
    const PrinterDataCallback callback = MakeServerPrinterDataCallback(&record);
    BYTE data[4] = {};
    DWORD needed = 0;
    EXPECT_EQ(callback.getValue(callback.state, u"Size4", REG_DWORD, data, 4, &needed), ERROR_SUCCESS);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"Size4")->bytes, Bytes({0xA0, 0xA1, 0xA2, 0xA3}));
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"Size4")->type, REG_DWORD);
    EXPECT_NE(callback.getValue(callback.state, u"Size2", REG_BINARY, data, 4, &needed), ERROR_SUCCESS);
    EXPECT_FALSE(machine::ReadPrinterData(kPrinterName, u"Size2").has_value());
}

}  // namespace
}  // namespace vexl::test
