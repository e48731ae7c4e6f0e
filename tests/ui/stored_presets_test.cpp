// The interface library's lists on the package printer: new preset file
// names, the slot rules of installed presets, stamps moved down, the font
// table with a cancel, the custom-size defaults and an unusable preset.
#include "ui/services/stored_presets.h"

#include "common/core/settings_modules.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/storage/directories.h"
#include "common/storage/ini_lists.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

class StoredPresetsTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        context_ = Create();
        ASSERT_NE(context_, nullptr);
        ini_ = GetSettingsIniPath(context_);
        section_ = GetPrinterSectionName(context_);
        for (char16_t& c : section_) {
            if (c == u'[' || c == u']') c = u'_';
        }
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        UiPrinterTest::TearDown();
    }
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

    DriverContext* context_ = nullptr;
    std::u16string ini_;
    std::u16string section_;
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
    const std::pair<const char16_t*, const char16_t*> slots[] = {
        {u"PresetList3", u"C:\\_vexl\\Office.rsr"}, {u"PresetList4", u"C:\\_vexl\\user0000.rst"}};
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
    auto* table = static_cast<FontSubstPair*>(AllocZeroed(static_cast<std::uint32_t>(rows.size() * sizeof(FontSubstPair))));
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
    ui::SetFontSubstTable(context_, 1, Table({{u"Serif", u"Roman"}}));
    PushSettingsSnapshot(context_);
    ui::SetFontSubstTable(context_, 1, Table({{u"Serif", u"Courier"}}));
    ui::SetFontSubstTable(context_, 2, Table({{u"Sans", u"Helvetica"}, {u"Serif", u"Times"}}));
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"Serif")), u"Times");
    PopSettingsSnapshot(context_, TRUE);
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"Serif")), u"Roman");
    EXPECT_EQ(GetItemValue(context_, rdmFontTableNum), 1u);
    // A face not in the table (the comparison keeps case) takes the first device font.
    EXPECT_EQ(std::u16string(ui::FindSubstituteFont(context_, u"serif")), std::u16string(ui::GetDeviceFontName(context_, 0)));
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
        EXPECT_EQ(std::string(paper.secondDisplayName), "Custom size " + std::to_string(row + 1));
    }
}

}  // namespace
}  // namespace vexl::test
