// The interface library's lists on the package printer: new preset file
// names, the slot rules of installed presets, stamps moved down, the font
// table with a cancel, the custom-size defaults and an unusable preset.
#include "ui/services/stored_presets.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/settings_modules.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "platform/ui_driver.h"
#include "support/child_process.h"
#include "ui/base/printer_values.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

class StoredPresetsTest : public UiContextTest {
protected:
    std::u16string Read(const std::u16string& section, const std::u16string& key, const std::u16string& file)
    {
        WCHAR value[1025] = {};
        GetPrivateProfileStringW(section.c_str(), key.c_str(), u"<none>", value, 1025, file.c_str());
        return value;
    }
    std::u16string Section(const std::u16string& section)
    {
        WCHAR text[4096] = {};
        const DWORD length = GetPrivateProfileSectionW(section.c_str(), text, 4096, ini_.c_str());
        return std::u16string(text, length);
    }
    // A user preset file in use: its printer section has RstMachine.
    void MarkUsed(int number)
    {
        std::u16string digits = std::u16string(1, static_cast<char16_t>(u'0' + number));
        const std::u16string file = u"C:\\_vexl\\user000" + digits + u".rst";
        WritePrivateProfileStringW(section_.c_str(), u"RstMachine", u"7", file.c_str());
    }
};

TEST_F(StoredPresetsTest, ANewPresetFileIsNeverOneInUse)
{
    for (int n = 0; n < 5; ++n) MarkUsed(n);
    WCHAR path[MAX_PATH] = {};
    ASSERT_TRUE(ui::MakeNewPresetFileName(context_, path));
    EXPECT_EQ(std::u16string(path), u"C:\\_vexl\\user0005.rst");
    // With every name in use none is handed out.
    EXPECT_FALSE(ui::MakeNewPresetFileNameWithin(context_, path, 5));
    EXPECT_EQ(path[0], 0);
}

TEST_F(StoredPresetsTest, StoringIntoAUserCopyOfAnInstalledPresetTakesANewFile)
{
    MarkUsed(0);
    const std::pair<const char16_t*, const char16_t*> slots[] = {{u"PresetList3", u"C:\\_vexl\\Office.rsr"},
                                                                 {u"PresetList4", u"C:\\_vexl\\user0000.rst"}};
    for (const auto& [key, value] : slots) WritePrivateProfileStringW(section_.c_str(), key, value, ini_.c_str());
    EXPECT_TRUE(ui::PreparePresetFileName(context_, 3));
    EXPECT_EQ(Read(section_, u"PresetList3", ini_), u"C:\\_vexl\\user0001.rst");
    EXPECT_TRUE(ui::PreparePresetFileName(context_, 4));
    EXPECT_EQ(Read(section_, u"PresetList4", ini_), u"C:\\_vexl\\user0000.rst");
    // An empty slot gets one too.
    EXPECT_TRUE(ui::PreparePresetFileName(context_, 5));
    EXPECT_EQ(Read(section_, u"PresetList5", ini_), u"C:\\_vexl\\user0001.rst");

    // The Readonly mark protects a file; slots outside 0-15 are never writable.
    WritePrivateProfileStringW(section_.c_str(), u"Readonly", u"1", u"C:\\_vexl\\user0000.rst");
    EXPECT_FALSE(ui::IsStoredPresetWritable(context_, 4));
    EXPECT_FALSE(ui::IsStoredPresetWritable(context_, 16));
}

TEST_F(StoredPresetsTest, DeletingAStampMovesTheLaterOnesDown)
{
    const std::u16string language = CopyLanguageCode(context_);
    for (int b = 0; b < 3; ++b) {
        SetItemValue(context_, rdmWmKind, static_cast<std::uint32_t>(b + 1));
        SaveStampSlot(context_, b);
    }
    ASSERT_EQ(GetStampCount(context_), 3);
    const std::u16string stamp2 = Section(u"Stamp2" + language);
    ASSERT_NE(Section(u"Stamp0" + language), stamp2);
    const std::u16string stamp0 = Section(u"Stamp0" + language);
    SetItemValue(context_, rdmWmKind, 0);

    EXPECT_TRUE(ui::DeleteStamp(context_, 1));
    EXPECT_EQ(GetStampCount(context_), 2);
    EXPECT_EQ(Section(u"Stamp0" + language), stamp0);
    EXPECT_EQ(Section(u"Stamp1" + language), stamp2);
    // The context's settings are as they were.
    EXPECT_EQ(GetItemValue(context_, rdmWmKind), 0u);
    // An index beyond the list changes nothing.
    EXPECT_FALSE(ui::DeleteStamp(context_, 2));
    EXPECT_EQ(GetStampCount(context_), 2);
}

FontSubstPair* Table(std::initializer_list<std::pair<const char16_t*, const char16_t*>> rows)
{
    auto* table =
        static_cast<FontSubstPair*>(AllocZeroed(static_cast<std::uint32_t>(rows.size() * sizeof(FontSubstPair))));
    int i = 0;
    for (const auto& [face, device] : rows) {
        std::u16string(face).copy(table[i].trueTypeFace, 31);
        std::u16string(device).copy(table[i].deviceFont, 31);
        ++i;
    }
    return table;
}

TEST_F(StoredPresetsTest, ACancelledFontTableChangeGivesBackTheTableOfBefore)
{
    // The printer's default table is the one in force.
    FontSubstPair* defaults = Table({{u"Serif", u"Roman"}});
    ASSERT_TRUE(ui::WriteFontTables(printer_, defaults, 1, kFontsDefaultTable));
    FreeIfNotNull(defaults);
    ASSERT_TRUE(ui::LoadDefaultFontTable(printer_, context_));

    // The font page changes it twice inside its snapshot, then is cancelled.
    PushSettingsSnapshot(context_);
    ui::SetFontSubstTable(context_, 1, Table({{u"Serif", u"Courier"}}));
    ui::SetFontSubstTable(context_, 2, Table({{u"Sans", u"Helvetica"}, {u"Serif", u"Times"}}));
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"Serif")), u"Times");
    PopSettingsSnapshot(context_, TRUE);
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"Serif")), u"Roman");
    EXPECT_EQ(GetItemValue(context_, rdmFontTableNum), 1u);

    // Without rows the default table comes back.
    PushSettingsSnapshot(context_);
    ui::SetFontSubstTable(context_, 1, Table({{u"Serif", u"Courier"}}));
    ui::SetFontSubstTable(context_, 0, nullptr);
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"Serif")), u"Roman");
    PopSettingsSnapshot(context_, FALSE);

    // A face not in the table (the comparison keeps case) takes the first device font.
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"serif")),
              std::u16string(ui::GetDeviceFontName(context_, 0)));
    EXPECT_EQ(std::u16string(ui::GetDeviceFontName(context_, ui::GetDeviceFontCount(context_))), u"");
}

TEST_F(StoredPresetsTest, CustomSizesWithoutModelValuesAreA4Portrait)
{
    ui::LoadDefaultFreeSizes(context_);
    for (int row = 0; row < 10; ++row) {
        const PaperSizeRow& paper = context_->workArea->paperTable[row];
        EXPECT_EQ(paper.width, 9921u);
        EXPECT_EQ(paper.length, 14031u);
        EXPECT_EQ(paper.tray, 4);
        EXPECT_EQ(paper.orientation, 1);
        // The first and third names are the string as it stands, the second completed.
        const std::string name = "Custom size " + std::to_string(row + 1);
        EXPECT_EQ(std::string(paper.displayName), name);
        EXPECT_EQ(std::string(paper.userName), name);
        EXPECT_EQ(std::string(paper.secondDisplayName).rfind(name, 0), 0u);
    }
}

std::u16string PresetName(DriverContext* context)
{
    WCHAR name[64] = {};
    GetItemString(context, FindItem(context, wdmPresetName), name, 64);
    return name;
}

TEST_F(StoredPresetsTest, APresetIsSavedRenamedLockedAndDroppedAndAnotherProcessSeesEachStep)
{
    windows::UiDriver driver;
    driver.setFailureHandler([](const std::string& message) { ADD_FAILURE() << message; });
    const std::u16string preset0 = u"C:\\_vexl\\user0000.rst";
    const std::u16string preset1 = u"C:\\_vexl\\user0001.rst";
    // Slot 0 holds the settings as they are.
    const std::uint32_t orientation0 = GetItemValue(context_, dmOrientation);
    ASSERT_NE(orientation0, 2u);
    WritePrivateProfileStringW(section_.c_str(), u"Count", u"2", ini_.c_str());
    WritePrivateProfileStringW(section_.c_str(), u"PresetList0", preset0.c_str(), ini_.c_str());
    ASSERT_TRUE(ui::SavePresetFileForSlot(context_, 0));

    // Saved: slot 1 gets a file of its own with the settings, name and comment.
    ASSERT_TRUE(ui::PreparePresetFileName(context_, 1));
    EXPECT_EQ(Read(section_, u"PresetList1", ini_), preset1);
    SetItemValue(context_, dmOrientation, 2);
    SetItemString(context_, FindItem(context_, wdmPresetName), u"Landscape");
    SetItemString(context_, FindItem(context_, wdmPresetComment), u"For wide sheets");
    ASSERT_TRUE(ui::SaveStoredPreset(context_, 1));
    EXPECT_EQ(Read(section_, u"PresetList1Name", ini_), u"Landscape");
    EXPECT_EQ(Read(section_, u"PresetList1Comment", ini_), u"For wide sheets");
    EXPECT_NE(Read(section_, u"RstMachine", preset1), u"<none>");
    const auto seenElsewhere = [&](const char16_t* name, std::uint32_t orientation) {
        return RunInChildProcess([&] {
            PurgeContextCache(TRUE);
            DriverContext* other = Create();
            if (other == nullptr) return 2;
            ui::SelectPreset(other, 1);
            const bool same = PresetName(other) == name && GetItemValue(other, dmOrientation) == orientation;
            ReleaseDriverContext(other, kReleaseDestroy);
            return same ? 0 : 1;
        });
    };
    EXPECT_EQ(seenElsewhere(u"Landscape", 2), 0);

    // Renamed.
    SetItemString(context_, FindItem(context_, wdmPresetName), u"Wide");
    ASSERT_TRUE(ui::SaveStoredPreset(context_, 1));
    EXPECT_EQ(Read(section_, u"PresetList1Name", ini_), u"Wide");
    EXPECT_EQ(seenElsewhere(u"Wide", 2), 0);

    // Locked: the file's Readonly mark makes the slot unwritable here and elsewhere.
    WritePrivateProfileStringW(section_.c_str(), u"Readonly", u"1", preset1.c_str());
    EXPECT_FALSE(ui::IsStoredPresetWritable(context_, 1));
    EXPECT_EQ(RunInChildProcess([&] {
                  PurgeContextCache(TRUE);
                  DriverContext* other = Create();
                  const BOOL writable = ui::IsStoredPresetWritable(other, 1);
                  ReleaseDriverContext(other, kReleaseDestroy);
                  return writable ? 1 : 0;
              }),
              0);
    // A rebuild keeps the mark.
    ui::RebuildPresetFiles(context_);
    EXPECT_EQ(Read(section_, u"Readonly", preset1), u"1");

    // Its file gone: loading the slot drops it, loads preset 0 and tells the user.
    WritePrivateProfileStringW(section_.c_str(), u"Readonly", u"0", preset1.c_str());
    DeleteFileW(preset1.c_str());
    ManagePresetSnapshots(context_, nullptr, kSnapshotFreeAll);
    driver.onMessageBox(u"", IDOK);
    ui::SelectPreset(context_, 1);
    EXPECT_EQ(Read(section_, u"PresetList1", ini_), u"");
    EXPECT_EQ(GetItemValue(context_, dmOrientation), orientation0);
    ASSERT_EQ(driver.messageBoxLog().size(), 1u);
    EXPECT_EQ(driver.messageBoxLog()[0].text, u"The stored preset cannot be read. The first preset is used instead.");
    EXPECT_EQ(driver.messageBoxLog()[0].caption, std::u16string(GetPrinterSectionName(context_)));
    EXPECT_EQ(driver.messageBoxLog()[0].style, MB_ICONWARNING);
}

}  // namespace
}  // namespace vexl::test
