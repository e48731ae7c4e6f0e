// The settings-lock module: locked values written into the stored presets
// and quality lists and taken back out, the lock queries that reset an item
// to its administrator default, and the lock work items.
#include "common/core/items.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/module_locks.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

class LockModule : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        ASSERT_TRUE(InitSettingsModules(context()));
        section_ = GetPrinterSectionName(context());
        SanitizeIniSection(section_.data());
    }
    void TearDown() override
    {
        ReleaseSettingsModules(context());
        StorageTest::TearDown();
    }

    // A settings file with the printer's section holding the lines.
    std::u16string WriteSettingsFile(const std::string& name, const std::string& lines)
    {
        const std::u16string path = u"C:\\_vexl\\" + std::u16string(name.begin(), name.end());
        const std::u16string section = section_;
        machine::WriteFile(path, "[" + std::string(section.begin(), section.end()) + "]\r\n" + lines);
        return path;
    }
    // The files listed under "<list>%d" with the count under countKey.
    void ListFiles(const WCHAR* countKey, const std::u16string& list, const std::vector<std::u16string>& files)
    {
        const WCHAR* ini = GetSettingsIniPath(context());
        const std::string count = std::to_string(files.size());
        WriteIniString(section_.c_str(), countKey, std::u16string(count.begin(), count.end()).c_str(), ini);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string index = std::to_string(i);
            const std::u16string key = list + std::u16string(index.begin(), index.end());
            WriteIniString(section_.c_str(), key.c_str(), files[i].c_str(), ini);
        }
    }
    std::string Value(const std::u16string& file, const std::u16string& key)
    {
        WCHAR out[64] = {};
        ReadIniString(section_.c_str(), key.c_str(), u"", out, 64, file.c_str());
        const std::u16string text = out;
        return std::string(text.begin(), text.end());
    }

    std::u16string section_;
};

// Locking the tray saves each preset's own tray under its "Lock" key; a
// preset without the tray is not touched. Unlocking gives every preset its
// own tray back, also where that tray equals the value the printer now has.
TEST_F(LockModule, ATrayLockGoesIntoThePresetsAndComesBackOut)
{
    const std::u16string first = WriteSettingsFile("first.rsd", "dmDefaultSource=1\r\n");
    const std::u16string second = WriteSettingsFile("second.rsd", "dmDefaultSource=7\r\nrdmMediaType=3\r\n");
    const std::u16string third = WriteSettingsFile("third.rsd", "rdmMediaType=5\r\n");
    ListFiles(u"Count", u"PresetList", {first, second, third});
    const std::string thirdBefore = ReadHostFile(third);

    SetItemValue(context(), dmDefaultSource, 4);
    SetItemValue(context(), rdmLock000InfoBitTray, 1);
    NotifySettingsModules(context(), 59, nullptr);
    EXPECT_EQ(Value(first, u"dmDefaultSource"), "4");
    EXPECT_EQ(Value(first, u"dmDefaultSourceLock"), "1");
    EXPECT_EQ(Value(second, u"dmDefaultSource"), "4");
    EXPECT_EQ(Value(second, u"dmDefaultSourceLock"), "7");
    EXPECT_EQ(Value(second, u"rdmMediaTypeLock"), "");  // the media lock is off
    EXPECT_EQ(ReadHostFile(third), thirdBefore);

    // A second run with the lock still on keeps the first saved value.
    SetItemValue(context(), dmDefaultSource, 2);
    NotifySettingsModules(context(), 59, nullptr);
    EXPECT_EQ(Value(first, u"dmDefaultSource"), "2");
    EXPECT_EQ(Value(first, u"dmDefaultSourceLock"), "1");

    SetItemValue(context(), rdmLock000InfoBitTray, 0);
    SetItemValue(context(), dmDefaultSource, 1);
    NotifySettingsModules(context(), 59, nullptr);
    EXPECT_EQ(Value(first, u"dmDefaultSource"), "1");
    EXPECT_EQ(Value(second, u"dmDefaultSource"), "7");
    for (const std::u16string& file : {first, second})
        EXPECT_EQ(ReadHostFile(file).find("dmDefaultSourceLock"), std::string::npos);
    EXPECT_EQ(ReadHostFile(third), thirdBefore);
}

TEST_F(LockModule, AResolutionLockTakesWidthAndHeightAlong)
{
    SetItemValue(context(), rdmDstResolutionBoth, 4);  // 1200 x 1200
    SetItemValue(context(), rdmDstResolutionW, 1200);
    SetItemValue(context(), rdmDstResolutionH, 1200);

    // Every list has the combined resolution: width and height follow it.
    const std::u16string draft =
        WriteSettingsFile("draft.rsq", "rdmDstResolutionBoth=1\r\nrdmDstResolutionW=300\r\nrdmDstResolutionH=300\r\n");
    ListFiles(u"QualityCount", u"QualityList", {draft});
    SetItemValue(context(), rdmLock000InfoBitResolution, 1);
    NotifySettingsModules(context(), 60, nullptr);
    EXPECT_EQ(Value(draft, u"rdmDstResolutionBoth"), "4");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionBothLock"), "1");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionW"), "1200");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionWLock"), "300");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionHLock"), "300");

    // A list without it: width and height become locks of their own in every list.
    const std::u16string fine = WriteSettingsFile("fine.rsq", "rdmDstResolutionW=600\r\nrdmDstResolutionH=600\r\n");
    ListFiles(u"QualityCount", u"QualityList", {draft, fine});
    NotifySettingsModules(context(), 60, nullptr);
    EXPECT_EQ(Value(fine, u"rdmDstResolutionW"), "1200");
    EXPECT_EQ(Value(fine, u"rdmDstResolutionWLock"), "600");
    EXPECT_EQ(Value(fine, u"rdmDstResolutionHLock"), "600");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionWLock"), "300");

    SetItemValue(context(), rdmLock000InfoBitResolution, 0);
    NotifySettingsModules(context(), 60, nullptr);
    EXPECT_EQ(Value(draft, u"rdmDstResolutionBoth"), "1");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionW"), "300");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionH"), "300");
    EXPECT_EQ(Value(fine, u"rdmDstResolutionW"), "600");
    EXPECT_EQ(Value(fine, u"rdmDstResolutionH"), "600");
    for (const std::u16string& file : {draft, fine}) EXPECT_EQ(ReadHostFile(file).find("Lock="), std::string::npos);
}

TEST_F(LockModule, AnUnknownResolutionLeavesWidthAndHeightAlone)
{
    SetItemValue(context(), rdmDstResolutionBoth, 99);
    const std::u16string draft = WriteSettingsFile("draft.rsq", "rdmDstResolutionBoth=1\r\nrdmDstResolutionW=300\r\n");
    ListFiles(u"QualityCount", u"QualityList", {draft});
    SetItemValue(context(), rdmLock000InfoBitResolution, 1);
    NotifySettingsModules(context(), 60, nullptr);
    EXPECT_EQ(Value(draft, u"rdmDstResolutionBoth"), "99");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionW"), "300");
    EXPECT_EQ(Value(draft, u"rdmDstResolutionWLock"), "");
}

TEST_F(LockModule, QueriesNameTheItemsOfTheirRuns)
{
    const struct {
        std::uint16_t query;
        std::uint16_t item;
    } spots[] = {{10000, 35},  {10651, 686}, {10652, 697}, {11413, 1492}, {11414, 10001}, {11880, 1}, {11912, 31},
                 {11921, 692}, {11922, 0},   {11923, 693}, {11976, 1542}, {11977, 0},     {9999, 0}};
    for (const auto& spot : spots) EXPECT_EQ(FindItemOfLockQuery(spot.query), spot.item) << spot.query;
}

// While the administrator-default copy is in force, a query resets its
// item from that copy, numbers and texts alike.
TEST_F(LockModule, AQueryResetsItsItemToTheAdministratorDefault)
{
    SetItemValue(context(), rdmMachineID, 7);
    SetItemString(context(), ctx_.item(dmDeviceName), u"Default name");
    std::memcpy(ctx_.work()->defaultStore, ctx_.bytes(), kSettingsStoreSize);
    SetItemValue(context(), rdmMachineID, 9);
    SetItemString(context(), ctx_.item(dmDeviceName), u"Changed");

    EXPECT_EQ(LockModuleCommand(context(), 10000, nullptr), 0);  // the default copy is not in force
    EXPECT_EQ(GetItemValue(context(), rdmMachineID), 9u);

    SetItemValue(context(), rdmLock000InfoBitDefault, 1);
    EXPECT_EQ(LockModuleCommand(context(), 10000, nullptr), 1);
    EXPECT_EQ(GetItemValue(context(), rdmMachineID), 7u);
    EXPECT_EQ(LockModuleCommand(context(), 11880, nullptr), 1);
    WCHAR name[64] = {};
    GetItemString(context(), ctx_.item(dmDeviceName), name, 64);
    EXPECT_EQ(std::u16string(name), u"Default name");
    EXPECT_EQ(LockModuleCommand(context(), 11922, nullptr), 0);
}

TEST_F(LockModule, CommandThreeTwelveCopiesTheLockedValues)
{
    SetItemValue(context(), dmDefaultSource, 3);
    SetItemValue(context(), rdmMediaType, 260);
    SetItemValue(context(), rdmNUPPOSTKind, 2);
    SetItemValue(context(), rdmPrnMethod, 1);
    SetItemValue(context(), rdmLockDstResolutionBoth, 4);
    SetItemValue(context(), dmColor, 2);
    SendSettingsModuleCommand(context(), 312);
    EXPECT_EQ(GetItemValue(context(), wdmLock001Info), 3u);
    EXPECT_EQ(GetItemValue(context(), wdmLock002Info), 260u);
    EXPECT_EQ(GetItemValue(context(), wdmLock003Info), 2u);
    EXPECT_EQ(GetItemValue(context(), wdmLock006Info), 1u);
    EXPECT_EQ(GetItemValue(context(), wdmLock007Info), 4u);
    EXPECT_EQ(GetItemValue(context(), wdmLock008Info), 2u);
}

}  // namespace
}  // namespace vexl::test
