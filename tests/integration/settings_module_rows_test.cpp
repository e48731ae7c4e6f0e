// The chapter, lock and job-option modules on contexts of the package's
// printer: chapters stored by one context come back in the next, and item
// defaults come from the package description in their stored form.
#include "common/core/devmode_public.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/module_chapters.h"
#include "common/storage/persistence.h"
#include "support/integration_fixture.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

class SettingsModuleRows : public DriverPrinterTest {
protected:
    void WritePrinterKey(DriverContext* context, const WCHAR* key, const WCHAR* value)
    {
        std::u16string section = GetPrinterSectionName(context);
        SanitizeIniSection(section.data());
        WriteIniString(section.c_str(), key, value, GetSettingsIniPath(context));
    }
};

TEST_F(SettingsModuleRows, ChaptersStoredByOneContextAreSeenByTheNext)
{
    DriverContext* setup = Create();
    ASSERT_NE(setup, nullptr);
    WritePrinterKey(setup, u"wdmChapterMax", u"8");
    WritePrinterKey(setup, u"wdmChapterTrayMax", u"2");
    ReleaseDriverContext(setup, kReleaseDestroy);

    DriverContext* first = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(LoadChapterDataOnce(first));
    ASSERT_EQ(GetItemValue(first, wdmChapterMax), 8u);
    SetItemValue(first, wdmChapterKind, 0);
    SetItemValue(first, wdmChapterTray, 1);
    SetItemValue(first, wdmChapterPrint, 1);
    const std::int32_t front[] = {3, 0};
    ASSERT_EQ(MergeChapterPages(first, nullptr, front, nullptr), 0);
    SetItemValue(first, wdmChapterTray, 3);
    SetItemValue(first, wdmChapterPrint, 0);
    const std::int32_t back[] = {7, 0};
    ASSERT_EQ(MergeChapterPages(first, nullptr, back, nullptr), 0);
    StoreIniItems(printer_, first);
    ReleaseDriverContext(first, kReleaseDestroy);

    DriverContext* second = Create();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(LoadChapterDataOnce(second));
    EXPECT_EQ(GetItemValue(second, wdmChapterNum), 2u);
    const ChapterRecord* page3 = GetChapterRecord(second, 0);
    const ChapterRecord* page7 = GetChapterRecord(second, 1);
    ASSERT_TRUE(page3 && page7);
    EXPECT_EQ(page3->page, 3);
    EXPECT_EQ(page3->tray, 1);
    EXPECT_EQ(page3->print, 1);
    EXPECT_EQ(page7->page, 7);
    EXPECT_EQ(page7->tray, 3);
    EXPECT_EQ(GetItemValue(second, wdmChapterTrayNum), 2u);
    EXPECT_EQ(GetItemValue(second, wdmChapterUseTray1), 1u);
    EXPECT_EQ(GetItemValue(second, wdmChapterUseTray2), 3u);
    ReleaseDriverContext(second, kReleaseDestroy);
}

TEST_F(SettingsModuleRows, ItemDefaultsComeFromTheDescriptionInStoredForm)
{
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    // The duplex binding's default option 1 is stored as 0.
    ItemDefaultEventBlock binding{nullptr, FindItem(context, rdmDuplexType), 77};
    NotifySettingsModules(context, kModuleEventItemDefault, &binding);
    EXPECT_EQ(binding.value, 0u);
    ItemDefaultEventBlock scale{nullptr, FindItem(context, dmScale), 77};
    NotifySettingsModules(context, kModuleEventItemDefault, &scale);
    EXPECT_EQ(scale.value, 100u);
    ReleaseDriverContext(context, kReleaseDestroy);
}

}  // namespace
}  // namespace vexl::test
