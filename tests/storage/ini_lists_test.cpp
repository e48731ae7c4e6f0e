// The lists of the settings INI: what a write leaves in the file, what a
// load brings back, the custom-size rows and the slot table.
#include "common/core/items.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {
namespace {

class IniLists : public StorageTest {
protected:
    // The context gets the snapshot stack that LoadAllFreeSizeSlotsOnce puts the settings on.
    void SetUp() override
    {
        StorageTest::SetUp();
        for (int level = 0; level < kStoreSnapshotLevels; ++level) {
            snapshots_[level].assign(kSettingsStoreSize, 0);
            ctx_.work()->storeSnapshots[level] = snapshots_[level].data();
        }
    }
    void TearDown() override
    {
        ManagePresetSnapshots(context(), nullptr, kSnapshotFreeAll);
        StorageTest::TearDown();
    }
    std::string IniText() { return ReadHostFile(GetSettingsIniPath(context())); }
    std::u16string Language() { return GetStampCounterSection(context()); }
    std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

    std::vector<std::uint8_t> snapshots_[kStoreSnapshotLevels];
};

TEST_F(IniLists, StampSlotsRaiseTheCountAndReadBack)
{
    SetStampCount(context(), 3);
    SetItemValue(context(), rdmWmKind, 2);
    SaveStampSlot(context(), 5);
    EXPECT_EQ(GetStampCount(context()), 6);
    SaveStampSlot(context(), kWorkingStampSlot);
    EXPECT_EQ(GetStampCount(context()), 6);

    const std::string ini = IniText();
    const std::string header = "[Stamp5" + Narrow(Language()) + "]\r\nRstVersion=";
    EXPECT_NE(ini.find(header), std::string::npos) << ini;
    EXPECT_NE(ini.find("StampCount=6"), std::string::npos);

    SetItemValue(context(), rdmWmKind, 0);
    SetItemValue(context(), rdmWmID, 0);
    LoadStampSlot(context(), 5);
    EXPECT_EQ(GetItemValue(context(), rdmWmKind), 2u);
    EXPECT_EQ(GetItemValue(context(), rdmWmID), 5u);
    EXPECT_EQ(GetSettingsFileError(context()), 0);
}

// Stamps and custom sizes written by an older or newer driver are still
// read after an upgrade, whatever settings version their section carries.
TEST_F(IniLists, StampsAndCustomSizesOfAnotherSettingsVersionAreRead)
{
    SetItemValue(context(), rdmWmKind, 2);
    SaveStampSlot(context(), 1);
    SetItemOption(context(), wdmFreeSizeWidth, 4000);
    SaveFreeSizeSlot(context(), 1);
    std::string previous = "RstVersion=" + std::to_string(context()->modelRecord->privateVersion);
    for (const std::string version : {"RstVersion=310", "RstVersion=222", "RstVersion=410"}) {
        SCOPED_TRACE(version);
        std::string ini = IniText();
        for (std::size_t at = ini.find(previous); at != std::string::npos; at = ini.find(previous))
            ini.replace(at, previous.size(), version);
        previous = version;
        machine::WriteFile(GetSettingsIniPath(context()), ini);
        SetItemValue(context(), rdmWmKind, 0);
        LoadStampSlot(context(), 1);
        EXPECT_EQ(GetSettingsFileError(context()), 0);
        EXPECT_EQ(GetItemValue(context(), rdmWmKind), 2u);
        SetItemOption(context(), wdmFreeSizeWidth, 1000);
        LoadFreeSizeSlot(context(), 1);
        EXPECT_EQ(GetSettingsFileError(context()), 0);
        EXPECT_EQ(GetItemOption(context(), wdmFreeSizeWidth), 4000u);
    }
}

TEST_F(IniLists, CustomSizesAreReadOnceIntoRowsAndSlotItems)
{
    SetItemOption(context(), wdmFreeSizeWidth, 4000);
    SetItemOption(context(), wdmFreeSizeLength, 6000);
    SetItemValue(context(), wdmFreeSizeTray, 3);
    SetItemString(context(), FindItem(context(), wdmFreeSizeName), u"Card");
    SaveFreeSizeSlot(context(), 2);
    EXPECT_EQ(GetItemValue(context(), wdmFreeSize3Width), GetItemValue(context(), wdmFreeSizeWidth));

    // The current size is something else; the slot items are stale.
    SetItemOption(context(), wdmFreeSizeWidth, 1000);
    SetItemValue(context(), wdmFreeSize3Width, 0);
    LoadAllFreeSizeSlotsOnce(context());

    const PaperSizeRow& row = ctx_.work()->paperTable[2];
    EXPECT_EQ(row.width, 4000u);
    EXPECT_EQ(row.length, 6000u);
    EXPECT_EQ(row.tray, 3);
    EXPECT_STREQ(row.userName, "Card");
    EXPECT_EQ(GetItemOption(context(), wdmFreeSizeWidth), 1000u);
    EXPECT_EQ(GetItemValue(context(), wdmFreeSize3Width), 4000u);
    EXPECT_EQ(ctx_.work()->paperTable[3].width, 0u);

    SelectFreeSizeSlot(context(), 2);
    EXPECT_EQ(GetItemOption(context(), wdmFreeSizeWidth), 4000u);
    WCHAR name[64] = {};
    GetItemString(context(), FindItem(context(), wdmFreeSizeName), name, 64);
    EXPECT_EQ(std::u16string(name), u"Card");
}

TEST_F(IniLists, OnlyTheSectionsOfTheTenSlotsMapToSlotItems)
{
    SetItemValue(context(), wdmFreeSizeWidth, 777);
    const std::u16string language = Language();
    EXPECT_EQ(CopyFreeSizeToSlotItems(context(), (u"FreeSize9" + language).c_str()), 9);
    EXPECT_EQ(GetItemValue(context(), wdmFreeSize10Width), 777u);
    for (const std::u16string& section : {u"FreeSize10" + language, std::u16string(u"FreeSize1zz")}) {
        EXPECT_EQ(CopyFreeSizeToSlotItems(context(), section.c_str()), 10);
    }
    EXPECT_EQ(GetItemValue(context(), wdmFreeSize2Width), 0u);
}

TEST(IniListsSlots, PaperIdsOfTheSlotTable)
{
    struct Case {
        int slot;
        int count;
        std::uint16_t paper;
    };
    for (const Case& c : {Case{0, 12, 384}, Case{9, 12, 393}, Case{10, 12, 256}, Case{11, 12, 448}, Case{11, 10, 0},
                          Case{11, 11, 0}, Case{12, 12, 0}, Case{-1, 12, 0}}) {
        EXPECT_EQ(GetPaperIdForSlot(c.slot, c.count, nullptr), c.paper) << c.slot << "/" << c.count;
    }
    EXPECT_EQ(GetSlotForPaperId(256, nullptr), 10);
    EXPECT_EQ(GetSlotForPaperId(393, nullptr), 9);
    EXPECT_EQ(GetSlotForPaperId(9, nullptr), 0);
    EXPECT_TRUE(IsFreeSizePaperId(384));
    EXPECT_FALSE(IsFreeSizePaperId(394));
}

TEST(IniListsUnits, InchAndMillimetreConversionsNeverLoseAValue)
{
    EXPECT_EQ(HundredthsInchToTenthsMm(827), 2101u);
    EXPECT_EQ(TenthsMmToHundredthsInch(2101), 827u);
    for (std::uint32_t value : {0u, 1u, 100u, 850u, 1100u, 1700u}) {
        EXPECT_GE(TenthsMmToHundredthsInch(HundredthsInchToTenthsMm(value)), value) << value;
    }
    // A width that cannot be shown in 0.1 mm stays at the largest value instead of wrapping.
    EXPECT_EQ(HundredthsInchToTenthsMm(0xFFFFFFFFu / 2), 0xFFFFFFFFu);
}

TEST_F(IniLists, PresetSnapshotRestoresOnlyTheBitsOfItsItems)
{
    WriteIniString(GetPrinterSectionName(context()), u"PresetList3", u"C:\\_vexl\\p3.rst",
                   GetSettingsIniPath(context()));
    EXPECT_FALSE(ManagePresetSnapshots(context(), u"PresetList3", kSnapshotRestore));

    SetItemValue(context(), rdmFuncSelectWaterMark, 1);
    ASSERT_FALSE(ManagePresetSnapshots(context(), u"PresetList3", kSnapshotCapture));
    ASSERT_NE(ctx_.work()->presetSnapshots[3], nullptr);
    SetItemValue(context(), rdmFuncSelectWaterMark, 0);
    EXPECT_TRUE(ManagePresetSnapshots(context(), u"PresetList3", kSnapshotRestore));
    EXPECT_EQ(GetItemValue(context(), rdmFuncSelectWaterMark), 1u);
    EXPECT_FALSE(ManagePresetSnapshots(context(), u"PresetList16", kSnapshotCapture));
    ManagePresetSnapshots(context(), nullptr, kSnapshotFreeAll);
    EXPECT_EQ(ctx_.work()->presetSnapshots[3], nullptr);
}

TEST_F(IniLists, AMissingNotificationLibraryClearsOnlyTheSupportItems)
{
    SetItemValue(context(), rdmSupportFunc2SelectJobComplete, 1);
    SetItemValue(context(), rdmSupportFunc2SelectJobErr, 1);
    SetItemValue(context(), rdmFunc2SelectJobComplete, 1);
    ReadPrintNotificationSupport(context(), 0);
    EXPECT_EQ(GetItemValue(context(), rdmSupportFunc2SelectJobComplete), 0u);
    EXPECT_EQ(GetItemValue(context(), rdmSupportFunc2SelectJobErr), 0u);
    EXPECT_EQ(GetItemValue(context(), rdmFunc2SelectJobComplete), 1u);
}

}  // namespace
}  // namespace vexl::test
