// The preset list of the settings INI and the settings interface's chapter
// list operations, on the package model.
#include "common/storage/module_presets.h"

#include "common/core/settings_modules.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {
namespace {

struct MergeCall {
    std::vector<std::int32_t> pages;
    std::u16string text;
};
MergeCall g_lastMerge;

int RecordMerge(DriverContext*, PageDesc* page, const std::int32_t* pages, const WCHAR* texts)
{
    g_lastMerge = {};
    for (const std::int32_t* p = pages; *p != 0; ++p) g_lastMerge.pages.push_back(*p);
    g_lastMerge.text = texts;
    return page->pageId == 1044 ? 1 : 0;
}

class ModuleLists : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        installed_ = GetModuleServices();
    }
    void TearDown() override
    {
        SetModuleServices(installed_);
        ManagePresetSnapshots(context(), nullptr, kSnapshotFreeAll);
        StorageTest::TearDown();
    }
    // The installed services, with a merge that records what it was given.
    ModuleServices WithRecordingMerge()
    {
        ModuleServices services = installed_;
        services.mergeChapterPages = RecordMerge;
        return services;
    }
    ModuleServices WithoutChapters()
    {
        ModuleServices services = installed_;
        services.mergeChapterPages = nullptr;
        return services;
    }
    const WCHAR* Ini() { return GetSettingsIniPath(context()); }
    const WCHAR* Section() { return GetPrinterSectionName(context()); }
    std::u16string Key(const WCHAR* key)
    {
        WCHAR text[260] = {};
        ReadIniString(Section(), key, u"<none>", text, 260, Ini());
        return text;
    }

    ModuleServices installed_{};
};

TEST_F(ModuleLists, PresetListAppendsAfterTheCountAndClearsTheCountOnly)
{
    EXPECT_TRUE(AppendPresetEntry(context(), u"C:\\_vexl\\a.rst", u"A", u"first"));
    EXPECT_TRUE(AppendPresetEntry(context(), u"C:\\_vexl\\b.rst", u"B", u""));
    EXPECT_EQ(Key(u"Count"), u"2");
    EXPECT_EQ(Key(u"PresetList1"), u"C:\\_vexl\\b.rst");
    EXPECT_EQ(Key(u"PresetList1Name"), u"B");
    ClearPresetList(context());
    EXPECT_EQ(Key(u"Count"), u"0");
    EXPECT_EQ(Key(u"PresetList1Name"), u"B");
    EXPECT_TRUE(AppendPresetEntry(context(), u"C:\\_vexl\\c.rst", u"C", u""));
    EXPECT_EQ(Key(u"PresetList0Name"), u"C");

    WriteIniString(Section(), u"Count", u"16", Ini());
    EXPECT_FALSE(AppendPresetEntry(context(), u"C:\\_vexl\\d.rst", u"D", u""));
    EXPECT_EQ(Key(u"PresetList16"), u"<none>");
    EXPECT_EQ(Key(u"Count"), u"16");
}

TEST_F(ModuleLists, ChapterOfTheSettingsIni)
{
    WriteIniString(Section(), u"wdmChapterPage2", u"4", Ini());
    WriteIniString(Section(), u"wdmChapterKind2", u"3", Ini());
    WriteIniString(Section(), u"wdmChapterTray2", u"2", Ini());
    WriteIniString(Section(), u"wdmChapterPrint2", u"1", Ini());
    WriteIniString(Section(), u"wdmChapterPageRange2", u"4-9", Ini());
    std::uintptr_t request[kModuleListRequestWords] = {1};
    EXPECT_TRUE(RunModuleListOperation(context(), 5, request));
    EXPECT_EQ(request[1], 4u);
    EXPECT_EQ(request[2], 3u);
    EXPECT_EQ(request[3], 2u);
    EXPECT_EQ(request[4], 1u);
    EXPECT_EQ(request[5], 9u);
    WriteIniString(Section(), u"wdmChapterPageRange2", u"", Ini());
    EXPECT_TRUE(RunModuleListOperation(context(), 5, request));
    EXPECT_EQ(request[5], 4u);
}

TEST_F(ModuleLists, ChapterPagesGoToTheChapterModule)
{
    std::uintptr_t request[kModuleListRequestWords] = {4, 0, 9, 77};
    SetModuleServices(WithoutChapters());
    EXPECT_FALSE(RunModuleListOperation(context(), 2, request));
    EXPECT_EQ(request[3], 77u);
    SetModuleServices(WithRecordingMerge());
    EXPECT_TRUE(RunModuleListOperation(context(), 2, request));
    EXPECT_EQ(request[3], 1u);
    EXPECT_EQ(g_lastMerge.pages, std::vector<std::int32_t>{4});
    EXPECT_EQ(g_lastMerge.text, u"4-9");
    std::uintptr_t single[kModuleListRequestWords] = {7, 0, 7};
    RunModuleListOperation(context(), 2, single);
    EXPECT_EQ(g_lastMerge.text, u"7");
}

// Without the pages they need, operations 1 and 2 answer 0 and leave the
// caller's words and buffer alone.
TEST_F(ModuleLists, MissingPagesAnswerNothing)
{
    bool complete = false;
    PageTable* pages = CopyPageTable(context()->pageTable, &complete);
    ASSERT_TRUE(complete);
    PageTable* shared = context()->pageTable;
    context()->pageTable = pages;
    FindPage(context(), 4011)->pageId = 9011;
    FindPage(context(), 1044)->pageId = 9044;
    SetModuleServices(WithRecordingMerge());
    WCHAR text[8] = u"keep";
    std::uintptr_t profile[kModuleListRequestWords] = {0, reinterpret_cast<std::uintptr_t>(text), 8};
    EXPECT_FALSE(RunModuleListOperation(context(), 1, profile));
    EXPECT_EQ(std::u16string(text), u"keep");
    std::uintptr_t chapter[kModuleListRequestWords] = {3, 0, 0, 55};
    EXPECT_FALSE(RunModuleListOperation(context(), 2, chapter));
    EXPECT_EQ(chapter[3], 55u);
    context()->pageTable = shared;
    FreePageTable(pages);
}

}  // namespace
}  // namespace vexl::test
