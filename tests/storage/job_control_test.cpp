#include "common/storage/job_control.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/store.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

constexpr const WCHAR* kPluginPath = u"C:\\WINDOWS\\system32\\QYRJC32.DLL";
constexpr const WCHAR* kScenarioPath = u"C:\\standin\\QYRJC32.ini";
constexpr const WCHAR* kLogPath = u"C:\\standin\\QYRJC32.log";
// The plug-in's value file of kPrinterName.
constexpr const WCHAR* kValuesPath = u"C:\\standin\\QYRJC32\\Office__2nd_floor_.txt";

class JobControlTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        std::u16string(kPrinterName).copy(ctx_.work()->printerName, 260);
        machine::InstallFile(VEXL_QYRJC32_FILE, kPluginPath);
    }

    void Scenario(const std::string& printerKeys, const std::string& libraryKeys = "")
    {
        machine::WriteFile(kScenarioPath, "[Library]\n" + libraryKeys + "\n[Office [2nd floor]]\n" + printerKeys);
    }
    void Values(const std::string& lines) { machine::WriteFile(kValuesPath, lines); }
    std::string StoredValues() const { return ReadHostFile(kValuesPath); }
    std::string Log() const { return ReadHostFile(kLogPath); }

    std::u16string ItemText(std::uint16_t id)
    {
        WCHAR text[80] = {};
        GetItemString(context(), ctx_.item(id), text, 80);
        return text;
    }
    void SetText(std::uint16_t id, const WCHAR* text) { SetItemString(context(), ctx_.item(id), text); }

    JobControlBinding& binding() { return ctx_.work()->jobControl; }
};

// ---- binding -------------------------------------------------------------------------------------------

struct BindFailureCase {
    const char* name;
    const char* installed;  // the file installed as the plug-in, or null
    const char* library;    // keys of the [Library] section
    int result;
};

TEST_F(JobControlTest, BindFailuresReturnTheErrorAndLeaveNothingBound)
{
    const BindFailureCase cases[] = {
        {"library missing", nullptr, "", ERROR_MOD_NOT_FOUND},
        {"exports missing", VEXL_ENTRY_LOG_FILE, "", ERROR_PROC_NOT_FOUND},
        {"every version refused", VEXL_QYRJC32_FILE, "Versions=300\nRefuseError=50\n", 50},
    };
    for (const BindFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(machine::HostPath(kPluginPath));
        if (c.installed) machine::InstallFile(c.installed, kPluginPath);
        Scenario("", c.library);
        SetText(rdmUserCode, u"keep");
        EXPECT_EQ(BindJobControlPlugin(&binding(), context()), c.result);
        EXPECT_EQ(binding().module, nullptr);
        EXPECT_EQ(binding().iface, nullptr);
        EXPECT_EQ(GetJobControlValues(context(), kJobControlAllValues), c.result);
        EXPECT_EQ(ItemText(rdmUserCode), u"keep");
    }
    // The refused versions were asked newest first.
    const std::string log = Log();
    EXPECT_LT(log.find("version=261"), log.find("version=260"));
    EXPECT_LT(log.find("version=258"), log.find("version=257"));
    EXPECT_EQ(log.find("JCDisposeInterface"), std::string::npos);
}

TEST_F(JobControlTest, BindTakesTheNewestGrantedVersionAndUnbindGivesItBack)
{
    const struct {
        const char* library;
        std::uint16_t version;
    } cases[] = {{"", 261}, {"Versions=257,258\n", 258}, {"Versions=257\n", 257}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library);
        Scenario("", c.library);
        ASSERT_EQ(BindJobControlPlugin(&binding(), context()), 0);
        EXPECT_EQ(binding().version, c.version);
        EXPECT_NE(binding().iface, nullptr);
        EXPECT_EQ(UnbindJobControlPlugin(&binding(), context()), 0);
        EXPECT_EQ(binding().module, nullptr);
        EXPECT_EQ(binding().iface, nullptr);
    }
    EXPECT_NE(Log().find("JCDisposeInterface table"), std::string::npos);
}

TEST_F(JobControlTest, PrinterRequestsCallTheirSlotWithThePrinterName)
{
    Scenario("");
    SetDllUserCodeFlag(context(), 1);
    EXPECT_EQ(JobControlRequest(context(), kJobControlOpenPrinter, 0), 0);
    EXPECT_EQ(GetItemValue(context(), rdmUserCodeGet), 0u);
    EXPECT_EQ(JobControlRequest(context(), kJobControlClosePrinter, 0), 0);
    const std::string log = Log();
    EXPECT_NE(log.find("slot0 openPrinter Office [2nd floor]"), std::string::npos);
    EXPECT_NE(log.find("slot1 closePrinter Office [2nd floor]"), std::string::npos);
    EXPECT_EQ(binding().module, nullptr);
}

// ---- reads ---------------------------------------------------------------------------------------------

TEST_F(JobControlTest, GetValuesReadsTextAndTheLineNumberInOneSession)
{
    Scenario("");
    Values("1=t:4711\n7=t:12 lines\n");
    EXPECT_EQ(GetJobControlValues(context(), 0x41), 0);
    EXPECT_EQ(ItemText(rdmUserCode), u"4711");
    EXPECT_EQ(GetItemValue(context(), rdmTelLine), 12u);
    const std::string log = Log();
    const std::size_t open = log.find("slot2 openSession Office [2nd floor] -> 0x0");
    const std::size_t sizeQuery = log.find("slot5 conn=0x71 id=1 kind=1 buf=null size=0 -> 0x20000001 needed=10");
    const std::size_t read = log.find("slot5 conn=0x71 id=1 kind=1 buf=buf size=10 -> 0x0");
    const std::size_t close = log.find("slot3 closeSession");
    const std::size_t dispose = log.find("JCDisposeInterface");
    EXPECT_LT(open, sizeQuery);
    EXPECT_LT(sizeQuery, read);
    EXPECT_LT(read, close);
    EXPECT_LT(close, dispose);
    EXPECT_NE(dispose, std::string::npos);
    EXPECT_EQ(binding().connection, nullptr);
}

TEST_F(JobControlTest, ValuesThePluginDoesNotOfferLeaveTheSettingsAlone)
{
    const struct {
        const char* name;
        const char* printer;
    } cases[] = {
        {"not readable", "Readable=7\n"},
        {"read fails after the size query", "ReadError=31\n"},
        {"size query fails", "GetValueError=31\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario(c.printer);
        Values("1=t:4711\n");
        SetText(rdmUserCode, u"0815");
        EXPECT_EQ(GetJobControlValues(context(), 0x1), 0);
        EXPECT_EQ(ItemText(rdmUserCode), u"0815");
    }
    // A value the plug-in does not have.
    Scenario("");
    Values("");
    EXPECT_EQ(GetJobControlValues(context(), 0x1), 0);
    EXPECT_EQ(ItemText(rdmUserCode), u"0815");
}

TEST_F(JobControlTest, ReadTextsAreCutToTheSettingAndAlwaysTerminated)
{
    const struct {
        const char* name;
        const char* printer;
        const char* value;
        const char16_t* expected;
    } cases[] = {
        // Longer than the 18-byte buffer: read through a larger one and cut.
        {"longer text", "", "1=t:1234567890ABC\n", u"12345678"},
        // Exactly fills the buffer, without a terminator.
        {"full buffer", "NoTerminator=1\n", "1=t:123456789\n", u"12345678"},
        {"size query answers 0", "SizeAnswer=0\n", "1=t:42\n", u"42"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario(c.printer);
        Values(c.value);
        EXPECT_EQ(GetJobControlValues(context(), 0x1), 0);
        EXPECT_EQ(ItemText(rdmUserCode), c.expected);
    }
}

TEST_F(JobControlTest, KeptConnectionServesLaterRequestsUntilClosed)
{
    Scenario("");
    Values("2=t:Ann\n5=t:Report\n");
    SetDllUserCodeFlag2(context(), 1);
    EXPECT_EQ(JobControlRequest(context(), kJobControlOpenKeptAndRead, 0), 0);
    EXPECT_EQ(ItemText(rdmOwnerName), u"Ann");
    EXPECT_EQ(ItemText(rdmDocumentName), u"Report");
    EXPECT_EQ(GetItemValue(context(), rdmUserCodeDLL), 0u);
    EXPECT_NE(binding().connection, nullptr);
    // A second bind keeps the interface the connection was opened through.
    JobControlInterface* const iface = binding().iface;
    EXPECT_EQ(JobControlRequest(context(), kJobControlOpenKept, 0), 0);
    EXPECT_EQ(binding().iface, iface);

    SetText(rdmOwnerName, u"Bob");
    EXPECT_EQ(JobControlRequest(context(), kJobControlWriteValues, 0x2), 0);
    EXPECT_NE(StoredValues().find("2=t:Bob"), std::string::npos);
    EXPECT_EQ(JobControlRequest(context(), kJobControlCloseKept, 0), 0);
    EXPECT_EQ(binding().connection, nullptr);
    EXPECT_EQ(binding().module, nullptr);
    // Without a connection nothing travels.
    EXPECT_EQ(JobControlRequest(context(), kJobControlWriteValues, 0x2), 0);
    EXPECT_EQ(ReadJobControlValue(context(), kJobValueOwnerName), 0);
}

TEST_F(JobControlTest, FailedConnectionReadsNothingAndUnbinds)
{
    Scenario("OpenSessionError=5\n");
    Values("1=t:4711\n");
    EXPECT_EQ(GetJobControlValues(context(), 0x1), 5);
    EXPECT_EQ(ItemText(rdmUserCode), u"");
    EXPECT_EQ(Log().find("slot5"), std::string::npos);
    EXPECT_EQ(Log().find("slot3"), std::string::npos);
    EXPECT_EQ(binding().module, nullptr);
}

TEST_F(JobControlTest, UnsupportedIdsAnswerTheUnsupportedCode)
{
    Scenario("");
    ASSERT_EQ(JobControlRequest(context(), kJobControlOpenKept, 0), 0);
    for (std::uint32_t id : {0u, 12u, 256u, 258u, 300u})
        EXPECT_EQ(ReadJobControlValue(context(), id), kJobControlMoreData) << id;
    for (std::uint32_t id : {0u, 12u, 259u, 300u})
        EXPECT_EQ(WriteJobControlValues(context(), id, kJobControlWriteValues), kJobControlMoreData) << id;
    JobControlRequest(context(), kJobControlCloseKept2, 0);
}

// ---- writes -----------------------------------------------------------------------------------------------

TEST_F(JobControlTest, SetValuesWritesEachKindAndSkipsWhatTheVersionLacks)
{
    const struct {
        const char* library;
        bool driverValues;
        bool authentication;
    } cases[] = {{"", true, true}, {"Versions=258,259\n", true, false}, {"Versions=257\n", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library);
        Scenario("", c.library);
        Values("");
        SetText(rdmUserCode, u"1234");
        SetItemValue(context(), rdmTelLine, 3);
        SetText(wdmAuthenticationUserName, u"ann");
        SetItemValue(context(), rdmLanguageID, 1);
        EXPECT_EQ(SetJobControlValues(context(), kJobControlAllValues), 0);
        const std::string values = StoredValues();
        EXPECT_NE(values.find("1=t:1234\n"), std::string::npos);
        EXPECT_NE(values.find("7=t:3\n"), std::string::npos);
        EXPECT_EQ(values.find("256=t:VEXL\n") != std::string::npos, c.driverValues);
        EXPECT_EQ(values.find("258=n:") != std::string::npos, c.driverValues);
        EXPECT_EQ(values.find("9=t:ann\n") != std::string::npos, c.authentication);
        EXPECT_EQ(values.find("11=") != std::string::npos, c.authentication);
    }
    const std::string log = Log();
    EXPECT_NE(log.find("slot6 set id=1 kind=1 size=18"), std::string::npos);
    EXPECT_NE(log.find("slot6 set id=7 kind=1 size=32"), std::string::npos);
    EXPECT_NE(log.find("slot6 set id=258 kind=4 size=4"), std::string::npos);
}

TEST_F(JobControlTest, ClearRequestEmptiesTheSettingsAndWritesTheClearedValues)
{
    Scenario("");
    Values("");
    SetText(rdmUserCode, u"1234");
    SetItemValue(context(), rdmTelLine, 3);
    ASSERT_EQ(JobControlRequest(context(), kJobControlOpenKept, 0), 0);
    EXPECT_EQ(JobControlRequest(context(), kJobControlClearValues, 0x41), 0);
    JobControlRequest(context(), kJobControlCloseKept, 0);
    EXPECT_EQ(ItemText(rdmUserCode), u"");
    EXPECT_EQ(GetItemValue(context(), rdmTelLine), 0u);
    EXPECT_NE(StoredValues().find("1=t:\n"), std::string::npos);
    EXPECT_NE(StoredValues().find("7=t:0\n"), std::string::npos);
}

// ---- the read without a context ------------------------------------------------------------------------------

TEST_F(JobControlTest, ReadForPrinterAnswersTheValueCutToTheIdsBuffer)
{
    const struct {
        const char* name;
        const char* printer;
        const char* values;
        std::uint32_t id;
        BOOL result;
        const char16_t* expected;
    } cases[] = {
        {"user code", "", "1=t:4711\n", 1, TRUE, u"4711"},
        {"cut to 18 bytes", "", "1=t:1234567890ABC\n", 1, TRUE, u"12345678"},
        {"full buffer", "NoTerminator=1\n", "1=t:123456789\n", 1, TRUE, u"12345678"},
        {"no value", "", "", 1, TRUE, u""},
        {"connection refused", "OpenSessionError=5\n", "1=t:4711\n", 1, FALSE, u""},
        {"read fails", "ReadError=31\n", "1=t:4711\n", 1, FALSE, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario(c.printer, "Versions=257\n");
        Values(c.values);
        WCHAR out[65];
        std::fill(std::begin(out), std::end(out), u'?');
        EXPECT_EQ(ReadJobControlValueForPrinter(printer_, c.id, kJobControlKindText, out), c.result);
        EXPECT_EQ(std::u16string(out), c.expected);
    }
    const std::string log = Log();
    EXPECT_NE(log.find("JCGetInterface version=258 -> 0x57"), std::string::npos);
    EXPECT_NE(log.find("JCGetInterface version=257 -> 0x0"), std::string::npos);
    EXPECT_EQ(log.find("version=261"), std::string::npos);

    std::filesystem::remove(machine::HostPath(kPluginPath));
    WCHAR out[9];
    EXPECT_EQ(ReadJobControlValueForPrinter(printer_, 1, kJobControlKindText, out), FALSE);
}

}  // namespace
}  // namespace vexl::test
