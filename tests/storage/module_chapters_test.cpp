// The chapter module: merging new pages under the range, cover, tray-class
// and print rules; the list in the settings INI and in settings files;
// delete, clear and compare; the default trays of a tray report; and the
// items the module leaves to the item passes.
#include "common/core/appservices.h"
#include "common/core/items.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/storage/bidi_answer.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/module_chapters.h"
#include "common/storage/persistence.h"
#include "common/storage/settings_files.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

// Trays whose value map options fall in tray classes 1, 2, 3 and 4.
constexpr std::int16_t kTrayClass1 = 1;
constexpr std::int16_t kTrayClass2 = 3;
constexpr std::int16_t kTrayClass3 = 2;

struct Entry {
    std::int16_t page;
    std::int16_t tray;
    std::uint8_t kind;
    std::uint8_t print;
    std::u16string range;
};

ChapterRecord Record(const Entry& entry)
{
    ChapterRecord record{};
    record.page = entry.page;
    record.tray = entry.tray;
    record.kind = entry.kind;
    record.print = entry.print;
    lstrcpynW(record.pageRange, entry.range.c_str(), kChapterRangeChars);
    return record;
}

class ChapterModule : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        api_ = {};
        ctx_.work()->apiRecord = &api_;
        ASSERT_TRUE(InitSettingsModules(context()));
        SetLimits(6, 4);
    }
    void TearDown() override
    {
        ReleaseSettingsModules(context());
        StorageTest::TearDown();
    }

    void SetLimits(std::uint32_t max, std::uint32_t trayMax)
    {
        SetItemValue(context(), wdmChapterMax, max);
        SetItemValue(context(), wdmChapterTrayMax, trayMax);
    }
    void SetList(const std::vector<Entry>& entries)
    {
        ChapterRecord* list = EnsureChapterList(context());
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < GetChapterLimit(context()); ++i) list[i] = ChapterRecord{};
        for (std::size_t i = 0; i < entries.size(); ++i) list[i] = Record(entries[i]);
        SetItemValue(context(), wdmChapterNum, static_cast<std::uint32_t>(entries.size()));
    }
    void SetNext(std::uint8_t kind, std::int16_t tray, std::uint8_t print)
    {
        SetItemValue(context(), wdmChapterKind, kind);
        SetItemValue(context(), wdmChapterTray, static_cast<std::uint16_t>(tray));
        SetItemValue(context(), wdmChapterPrint, print);
    }
    // The records in use, as entries.
    std::vector<Entry> List()
    {
        std::vector<Entry> entries;
        for (int i = 0;; ++i) {
            const ChapterRecord* record = GetChapterRecord(context(), i);
            if (!record) break;
            entries.push_back({record->page, record->tray, record->kind, record->print, record->pageRange});
        }
        return entries;
    }
    int Merge(std::vector<std::int32_t> pages, const std::vector<std::u16string>& ranges)
    {
        pages.push_back(0);
        std::vector<std::array<WCHAR, kChapterRangeChars>> texts(ranges.size());
        for (std::size_t i = 0; i < ranges.size(); ++i)
            lstrcpynW(texts[i].data(), ranges[i].c_str(), kChapterRangeChars);
        const auto* raw = reinterpret_cast<const WCHAR(*)[kChapterRangeChars]>(texts.data());
        return MergeChapterPages(context(), nullptr, pages.data(), ranges.empty() ? nullptr : raw);
    }
    std::u16string Section()
    {
        std::u16string section = GetPrinterSectionName(context());
        SanitizeIniSection(section.data());
        return section;
    }
    int IniInt(const std::u16string& key, const WCHAR* file = nullptr)
    {
        return ReadIniInt(Section().c_str(), key.c_str(), -1, file ? file : GetSettingsIniPath(context()));
    }
    void WriteIni(const std::u16string& key, const std::u16string& value)
    {
        WriteIniString(Section().c_str(), key.c_str(), value.c_str(), GetSettingsIniPath(context()));
    }

    ApiRecord api_{};
};

bool operator==(const Entry& a, const Entry& b)
{
    return a.page == b.page && a.tray == b.tray && a.kind == b.kind && a.print == b.print && a.range == b.range;
}
void PrintTo(const Entry& e, std::ostream* os)
{
    *os << "{" << e.page << " tray " << e.tray << " kind " << int(e.kind) << " print " << int(e.print) << " \""
        << std::string(e.range.begin(), e.range.end()) << "\"}";
}

TEST_F(ChapterModule, NewPagesGoInOrderAndReplaceOrDropTheirDuplicates)
{
    SetList({{5, kTrayClass1, 0, 1, u""}});
    SetNext(0, kTrayClass2, 0);
    EXPECT_EQ(Merge({3, 7}, {}), 0);
    EXPECT_EQ(List(), (std::vector<Entry>{
                          {3, kTrayClass2, 0, 0, u""}, {5, kTrayClass1, 0, 1, u""}, {7, kTrayClass2, 0, 0, u""}}));

    // Page 5 again replaces the old record; a page twice in one list counts once.
    EXPECT_EQ(Merge({5, 5}, {}), 0);
    EXPECT_EQ(List()[1], (Entry{5, kTrayClass2, 0, 0, u""}));
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 3u);

    // Kinds 1 and 2 take no tray and no print flag.
    SetNext(1, kTrayClass2, 1);
    EXPECT_EQ(Merge({9}, {}), 0);
    EXPECT_EQ(List().back(), (Entry{9, 0, 1, 0, u""}));
}

// The tray-class items describe the merged list: the count and the first
// tray of each class in order of first use.
TEST_F(ChapterModule, AMergeCountsTheTrayClassesOfTheList)
{
    SetNext(0, kTrayClass2, 0);
    ASSERT_EQ(Merge({4}, {}), 0);
    SetNext(0, kTrayClass1, 0);
    ASSERT_EQ(Merge({2, 6}, {}), 0);
    EXPECT_EQ(GetItemValue(context(), wdmChapterTrayNum), 2u);
    EXPECT_EQ(GetItemValue(context(), wdmChapterUseTray1), static_cast<std::uint32_t>(kTrayClass1));
    EXPECT_EQ(GetItemValue(context(), wdmChapterUseTray2), static_cast<std::uint32_t>(kTrayClass2));
}

struct RefusedMerge {
    const char* name;
    std::vector<Entry> old;
    std::uint8_t kind;
    std::int16_t tray;
    std::uint8_t print;
    std::vector<std::int32_t> pages;
    std::vector<std::u16string> ranges;
};

TEST_F(ChapterModule, RefusedMergesLeaveTheListAndTheTrayItemsAsTheyWere)
{
    const std::vector<Entry> range612 = {{6, kTrayClass1, 3, 0, u"6-12"}};
    const std::vector<Entry> twoTrays = {{2, kTrayClass1, 0, 0, u""}, {4, kTrayClass2, 0, 0, u""}};
    const RefusedMerge cases[] = {
        {"range starting before, ending inside", range612, 3, kTrayClass1, 0, {4}, {u"4-9"}},
        {"range covering", range612, 3, kTrayClass1, 0, {2}, {u"2-14"}},
        {"range inside", range612, 3, kTrayClass1, 0, {7}, {u"7-8"}},
        {"single page inside a range", range612, 0, kTrayClass1, 0, {8}, {u""}},
        {"range around a single page", {{5, kTrayClass1, 0, 0, u""}}, 3, kTrayClass1, 0, {3}, {u"3-6"}},
        // The page meets the second old range after the first new page was put before it.
        {"page inside a later range",
         {{2, kTrayClass1, 3, 0, u"2-3"}, {10, kTrayClass1, 3, 0, u"10-12"}},
         0,
         kTrayClass1,
         0,
         {6, 11},
         {u"", u""}},
        {"two new ranges over each other", {}, 3, kTrayClass1, 0, {4, 6}, {u"4-9", u"6-12"}},
        {"a third tray class", twoTrays, 0, kTrayClass3, 0, {6}, {}},
        {"print flag 2 on a tray printed with flag 1", {{2, kTrayClass1, 0, 1, u""}}, 0, kTrayClass1, 2, {6}, {}},
        {"more pages than the list holds", {}, 0, kTrayClass1, 0, {1, 2, 3, 4, 5, 6, 7}, {}},
    };
    for (const RefusedMerge& c : cases) {
        SCOPED_TRACE(c.name);
        SetLimits(6, 2);
        SetList(c.old);
        SetItemValue(context(), wdmChapterTrayNum, 7);
        SetItemValue(context(), wdmChapterUseTray1, 99);
        SetNext(c.kind, c.tray, c.print);
        EXPECT_EQ(Merge(c.pages, c.ranges), 1);
        EXPECT_EQ(List(), c.old);
        EXPECT_EQ(GetItemValue(context(), wdmChapterTrayNum), 7u);
        EXPECT_EQ(GetItemValue(context(), wdmChapterUseTray1), 99u);
    }
}

TEST_F(ChapterModule, ARangeFromPageOneNeedsAFrontCoverOfTypeOne)
{
    SetItemValue(context(), rdmFuncSelectCover, 1);
    SetItemValue(context(), rdmCoverType, 2);
    SetNext(3, kTrayClass1, 0);
    EXPECT_EQ(Merge({1}, {u"1-4"}), 1);
    SetItemValue(context(), rdmCoverType, 1);
    EXPECT_EQ(Merge({1}, {u"1-4"}), 0);
    EXPECT_EQ(List(), (std::vector<Entry>{{1, kTrayClass1, 3, 0, u"1-4"}}));
    // Next to a range, a range that ends before it stands.
    EXPECT_EQ(Merge({6}, {u"6-9"}), 0);
    EXPECT_EQ(List().size(), 2u);
}

// The list grows with wdmChapterMax; a count that a file holds never
// reaches past the list.
TEST_F(ChapterModule, TheListFollowsTheLimitAndBoundsTheCount)
{
    SetLimits(2, 4);
    SetNext(0, kTrayClass1, 0);
    ASSERT_EQ(Merge({1, 2}, {}), 0);
    EXPECT_EQ(Merge({3}, {}), 1);
    SetLimits(8, 4);
    EXPECT_EQ(Merge({3, 4, 5, 6, 7, 8}, {}), 0);
    EXPECT_EQ(List().size(), 8u);
    EXPECT_EQ(GetChapterRecord(context(), 8), nullptr);

    SaveChapterList(context(), nullptr);
    SetItemValue(context(), wdmChapterNum, 500);
    EXPECT_EQ(LoadChapterList(context(), nullptr), 8);
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 8u);
}

TEST_F(ChapterModule, TheListRoundTripsThroughThePrinterSection)
{
    SetList({{3, kTrayClass2, 0, 1, u""}, {5, 0, 3, 0, u"5-8"}, {0, 0, 0, 0, u""}});
    EXPECT_EQ(SaveChapterList(context(), nullptr), 0);
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 2u);
    EXPECT_EQ(IniInt(u"wdmChapterPage1"), 3);
    EXPECT_EQ(IniInt(u"wdmChapterTray1"), kTrayClass2);
    EXPECT_EQ(IniInt(u"wdmChapterPrint1"), 1);
    EXPECT_EQ(IniInt(u"wdmChapterKind2"), 3);
    EXPECT_EQ(IniInt(u"wdmChapterPage3"), 0);  // the empty third record's keys are written too
    EXPECT_EQ(IniInt(u"wdmChapterPage4"), -1);

    SetList({});
    SetItemValue(context(), wdmChapterNum, 2);
    EXPECT_EQ(LoadChapterList(context(), nullptr), 2);
    EXPECT_EQ(List(), (std::vector<Entry>{{3, kTrayClass2, 0, 1, u""}, {5, 0, 3, 0, u"5-8"}}));

    // A count that names more records than the file holds ends at the
    // first missing one; a file without any chapter leaves none in use.
    SetItemValue(context(), wdmChapterNum, 4);
    EXPECT_EQ(LoadChapterList(context(), nullptr), 2);
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 2u);
    const std::u16string bare = u"C:\\_vexl\\bare.rsd";
    machine::WriteFile(bare, "");
    EXPECT_EQ(LoadChapterList(context(), bare.c_str()), 0);
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 0u);
    EXPECT_EQ(GetChapterRecord(context(), 0), nullptr);
}

// After a settings-file transfer the list follows a plain load or write,
// and a preset transfer while wdmChapterNum is a preset item, as the model
// makes it.
TEST_F(ChapterModule, ASettingsFileTransferCarriesTheListByItsFlags)
{
    const std::u16string file = u"C:\\_vexl\\preset.rsd";
    SettingItemDescriptor* count = ctx_.item(wdmChapterNum);
    const std::uint16_t modelBits = count->stateBits;
    struct Case {
        std::uint32_t flags;
        bool chapterBit;
        bool written;
    } cases[] = {
        {kSettingsWrite, false, true},
        {kSettingsWrite | kSettingsPreset, true, true},
        {kSettingsWrite | kSettingsPreset, false, false},
        {kSettingsWrite | kSettingsQualityList, true, false},
        {kSettingsWrite | kSettingsPreset | kSettingsQualityList, true, true},
    };
    ASSERT_NE(modelBits & 0x0C, 0) << "the model keeps the chapter count with the presets";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        machine::WriteFile(file, "");
        count->stateBits = static_cast<std::uint16_t>(c.chapterBit ? modelBits : modelBits & ~0x0C);
        SetList({{4, kTrayClass1, 0, 0, u""}});
        FileTransferEvent event{c.flags, file.c_str()};
        NotifySettingsModules(context(), kModuleEventFileTransferred, &event);
        EXPECT_EQ(IniInt(u"wdmChapterPage1", file.c_str()), c.written ? 4 : -1);

        // The load in the same form brings it back.
        SetList({});
        SetItemValue(context(), wdmChapterNum, 1);
        FileTransferEvent load{(c.flags & ~kSettingsWrite) | kSettingsLoad, file.c_str()};
        NotifySettingsModules(context(), kModuleEventFileTransferred, &load);
        EXPECT_EQ(GetChapterRecord(context(), 0)->page, c.written ? 4 : 0);
    }
    count->stateBits = modelBits;
}

TEST_F(ChapterModule, DeleteAndClearKeepTheCountTheyReplace)
{
    PageItem control{};
    control.controlId = 2800;
    PageDesc page{};
    page.pageId = 1044;
    page.items = &control;
    page.itemCount = 1;
    PageTable pages{1, &page};
    PageTable* modelPages = context()->pageTable;

    SetList({{2, kTrayClass1, 0, 0, u""}, {4, kTrayClass1, 0, 0, u""}, {6, kTrayClass1, 0, 0, u""}});
    api_.chapterIndex = 1;
    context()->pageTable = nullptr;
    EXPECT_EQ(DeleteChapter(context()), 1);  // without the chapter page
    context()->pageTable = &pages;
    EXPECT_EQ(DeleteChapter(context()), 0);
    context()->pageTable = modelPages;
    EXPECT_EQ(List(), (std::vector<Entry>{{2, kTrayClass1, 0, 0, u""}, {6, kTrayClass1, 0, 0, u""}}));
    EXPECT_EQ(ctx_.work()->savedChapterCount, 3u);

    EXPECT_EQ(ClearChapters(context()), 0);
    EXPECT_EQ(ctx_.work()->savedChapterCount, 2u);
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 0u);
    EXPECT_EQ(EnsureChapterList(context())[0].page, 0);
}

TEST_F(ChapterModule, ListsCompareWithoutTheirRangeTexts)
{
    SetItemValue(context(), wdmChapterNum, 2);
    ChapterRecord a[2] = {Record({2, 1, 3, 0, u"2-3"}), Record({5, 1, 0, 1, u""})};
    ChapterRecord b[2] = {Record({2, 1, 3, 0, u"2-9"}), Record({5, 1, 0, 1, u""})};
    EXPECT_EQ(CompareChapterLists(context(), a, b), 0);
    b[1].print = 2;
    EXPECT_EQ(CompareChapterLists(context(), a, b), 1);
    EXPECT_EQ(CompareChapterLists(context(), a, nullptr), 1);
}

TEST_F(ChapterModule, TrayClassesComeThroughTheTrayValueMap)
{
    EXPECT_EQ(GetChapterTrayClass(context(), kTrayClass1), 1u);
    EXPECT_EQ(GetChapterTrayClass(context(), kTrayClass3), 3u);
    EXPECT_EQ(GetChapterTrayClass(context(), 4), 16u);
    EXPECT_EQ(GetChapterTrayClass(context(), 9999), 0u);
    EXPECT_EQ(MapTrayClass(13551), 286u);
    EXPECT_EQ(MapTrayClass(2), 0u);
}

// The tray report asks which chapter kinds a tray serves by its flags and
// gives the chapter default trays.
TEST_F(ChapterModule, TrayReportsSetTheChapterDefaultTrays)
{
    const struct {
        std::uint32_t flags;
        std::uint32_t kind;
        bool serves;
    } kinds[] = {{0x40, 0, true}, {0x1, 0, false}, {0x20, 1, true}, {0x40, 1, false},
                 {0x40, 2, true}, {0x80, 3, true}, {0xE0, 4, false}};
    for (const auto& k : kinds) EXPECT_EQ(TrayServesChapterKind(context(), k.kind, k.flags) != 0, k.serves);

    std::uint8_t used = 1;
    ChapterDefaultTrayRecord second{0x40 | 0x80, 257, &used};
    NotifySettingsModules(context(), kModuleEventChapterDefaultTray, &second);
    EXPECT_EQ(GetItemValue(context(), rdmChapterDefTray2), 257u);
    EXPECT_EQ(GetItemValue(context(), rdmChapterDefTray3), 0u);
    EXPECT_EQ(used, 1 | 8);

    NotifySettingsModules(context(), kModuleEventTrayReportRead, nullptr);
    const std::uint32_t fallback = MapTrayCodeToSourceValue(3);
    EXPECT_EQ(GetItemValue(context(), rdmChapterDefTray1), fallback);
    EXPECT_EQ(GetItemValue(context(), rdmChapterDefTray2), fallback);
}

TEST_F(ChapterModule, CoverCommandsCopyOneMediaTypeIntoTheOthers)
{
    SetItemValue(context(), rdmMPInputMediaType, 260);
    SendSettingsModuleCommand(context(), 305);
    for (std::uint16_t id : {rdmCoverMediaType, rdmBackCoverMediaType, rdmChapterMediaType, rdmReverseCoverMediaType})
        EXPECT_EQ(GetItemValue(context(), id), 260u) << id;
    EXPECT_EQ(ChapterModuleCommand(context(), 308, nullptr), 0);
}

// The module keeps every item but wdmChapterNum .. wdmChapterUseTray8 for
// itself in the passes by item name, so the pass stores exactly those, and
// the list with them.
TEST_F(ChapterModule, ThePassByNameStoresTheChapterItemsAndTheList)
{
    SetList({{3, kTrayClass2, 0, 1, u""}});
    SetItemValue(context(), wdmChapterUseTray1, kTrayClass2);
    StoreIniItems(printer_, context());
    const std::string ini = ReadHostFile(GetSettingsIniPath(context()));
    EXPECT_NE(ini.find("wdmChapterNum=1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("wdmChapterUseTray1=3"), std::string::npos);
    EXPECT_NE(ini.find("wdmChapterPage1=3"), std::string::npos);
    EXPECT_EQ(ini.find("wdmChapterMax="), std::string::npos);
    EXPECT_EQ(ini.find("wdmDriverFileName="), std::string::npos);
}

// A new context reads the limits and the list once.
TEST_F(ChapterModule, ChapterDataLoadOnceWithTheLimitsOfThePrinterSection)
{
    WriteIni(u"wdmChapterMax", u"4");
    WriteIni(u"wdmChapterTrayMax", u"-3");
    WriteIni(u"wdmChapterNum", u"2");
    WriteIni(u"wdmChapterPage1", u"2");
    WriteIni(u"wdmChapterPage2", u"9");
    WriteIni(u"wdmChapterKind2", u"3");
    WriteIni(u"wdmChapterPageRange2", u"9-10");
    SetLimits(0, 0);
    ModuleDataRecord record{0};
    NotifySettingsModules(context(), kModuleEventPrepareModuleData, &record);
    EXPECT_EQ(record.result, 1u);
    EXPECT_EQ(GetItemValue(context(), wdmChapterMax), 4u);
    EXPECT_EQ(GetItemValue(context(), wdmChapterTrayMax), 0u);
    EXPECT_EQ(List(), (std::vector<Entry>{{2, 0, 0, 0, u""}, {9, 0, 3, 0, u"9-10"}}));

    WriteIni(u"wdmChapterNum", u"0");
    NotifySettingsModules(context(), kModuleEventPrepareModuleData, &record);
    EXPECT_EQ(GetItemValue(context(), wdmChapterNum), 2u);
}

}  // namespace
}  // namespace vexl::test
