#include "api/job_control.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vexl::api {
namespace {

using test::kPrinterName;

constexpr const WCHAR* kPluginPath = u"C:\\WINDOWS\\system32\\QYRJC32.DLL";
constexpr const WCHAR* kScenarioPath = u"C:\\standin\\QYRJC32.ini";
constexpr const WCHAR* kLogPath = u"C:\\standin\\QYRJC32.log";
constexpr const WCHAR* kValuesPath = u"C:\\standin\\QYRJC32\\Office__2nd_floor_.txt";

machine::Profile Windows9x()
{
    machine::Profile profile;
    profile.platformId = 1;
    profile.osMajor = 4;
    profile.osMinor = 10;
    return profile;
}

// The settings interface's job values on Windows 9x go straight to the
// plug-in, one call per value.
class JobControlBridgeTest : public test::StorageTest {
protected:
    JobControlBridgeTest() { machine::SaveProfile(Windows9x()); }

    void SetUp() override
    {
        StorageTest::SetUp();
        std::u16string(kPrinterName).copy(ctx_.work()->printerName, 260);
        machine::InstallFile(VEXL_QYRJC32_FILE, kPluginPath);
        machine::WriteFile(kScenarioPath, "[Library]\nVersions=257\n[Office [2nd floor]]\n");
    }

    std::string Log() const { return ReadHostFile(kLogPath); }
    std::string StoredValues() const { return ReadHostFile(kValuesPath); }
    std::u16string ItemText(std::uint16_t id)
    {
        WCHAR text[80] = {};
        GetItemString(context(), ctx_.item(id), text, 80);
        return text;
    }
    void SetText(std::uint16_t id, const WCHAR* text) { SetItemString(context(), ctx_.item(id), text); }
};

TEST_F(JobControlBridgeTest, OneWritableBitWritesItsSlotAndAnyOtherMaskNothing)
{
    SetText(rdmOwnerName, u"Ann");
    SetText(rdmUserCode, u"4711");
    StoreJobControlValue(context(), 0x3);   // two bits
    StoreJobControlValue(context(), 0x20);  // the telephone number is read only
    StoreJobControlValue(context(), 0);
    EXPECT_EQ(Log().find("slot6"), std::string::npos);

    StoreJobControlValue(context(), 0x2);
    EXPECT_NE(StoredValues().find("2=t:Ann"), std::string::npos) << StoredValues();
    const std::string log = Log();
    EXPECT_NE(log.find("JCGetInterface version=257 -> 0x0"), std::string::npos) << log;
    EXPECT_NE(log.find("slot6 set id=2 kind=1 size=34"), std::string::npos) << log;
    EXPECT_NE(log.find("slot3"), std::string::npos);
    EXPECT_EQ(StoredValues().find("1=t:"), std::string::npos);
}

TEST_F(JobControlBridgeTest, LoadedValuesAreCutToTheirSlotSize)
{
    machine::WriteFile(kValuesPath, "1=t:4711\n2=t:An owner name too long\n7=t:12 lines\n");
    SetText(rdmDocumentName, u"kept");
    LoadJobControlValues(context(), 0x1 | 0x2 | 0x10 | 0x40);
    EXPECT_EQ(ItemText(rdmUserCode), u"4711");
    EXPECT_EQ(ItemText(rdmOwnerName), u"An owner name to");  // 16 bytes and the terminator
    EXPECT_EQ(GetItemValue(context(), rdmTelLine), 12u);
    EXPECT_EQ(ItemText(rdmDocumentName), u"kept");  // the plug-in has no value 5
}

TEST_F(JobControlBridgeTest, PluginWriteFailsWithoutPrinterPluginOrConnection)
{
    const WCHAR text[] = u"x";
    EXPECT_TRUE(CallJobControlPlugin(printer_, 2, 1, text, sizeof(text)));

    machine::WriteFile(kScenarioPath, "[Library]\nVersions=257\n[Office [2nd floor]]\nOpenSessionError=5\n");
    std::filesystem::remove(machine::HostPath(kLogPath));
    EXPECT_FALSE(CallJobControlPlugin(printer_, 2, 1, text, sizeof(text)));
    EXPECT_EQ(Log().find("slot6"), std::string::npos);

    machine::WriteFile(kScenarioPath, "[Library]\nVersions=258\n");
    EXPECT_FALSE(CallJobControlPlugin(printer_, 2, 1, text, sizeof(text)));  // 257 refused

    std::filesystem::remove(machine::HostPath(kPluginPath));
    EXPECT_FALSE(CallJobControlPlugin(printer_, 2, 1, text, sizeof(text)));
    EXPECT_FALSE(CallJobControlPlugin(nullptr, 2, 1, text, sizeof(text)));
}

}  // namespace
}  // namespace vexl::api
