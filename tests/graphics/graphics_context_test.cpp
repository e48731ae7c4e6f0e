// The graphics library's forms of the common operations on a context of the
// package's printer.
#include "common/core/module_events.h"
#include "graphics/graphics_context.h"

#include "common/core/devmode_services.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/module_custom_paper.h"
#include "common/storage/resources.h"

#include "support/integration_fixture.h"

namespace vexl::test {
namespace {

constexpr std::int16_t kStaticPages = 79;

class GraphicsContext : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        graphics::UseGraphicsContextSteps();
    }
    void TearDown() override
    {
        if (context_) graphics::ReleaseGraphicsDriverContext(context_, kReleaseDestroy);
        graphics::UseCommonContextSteps();
        DriverPrinterTest::TearDown();
    }
    void Open()
    {
        context_ = graphics::CreateGraphicsDriverContext(printer_, printer_, 0, kCallerEnablePdev, 0, nullptr);
        ASSERT_NE(context_, nullptr);
    }
    void SetPrinterText(const char16_t* name, std::u16string_view text)
    {
        std::u16string value(text);
        value.push_back(0);
        SetPrinterDataW(printer_, const_cast<WCHAR*>(name), REG_SZ, reinterpret_cast<BYTE*>(value.data()),
                        static_cast<DWORD>(value.size() * 2));
    }

    DriverContext* context_ = nullptr;
};

TEST_F(GraphicsContext, SharesTheStaticPageTableAndFreesNoneOfIt)
{
    Open();
    const PageTable* shared = GetModelDatabase()->pageTable;
    EXPECT_EQ(context_->pageTable, shared);
    EXPECT_EQ(shared->count, kStaticPages);
    const PageDesc* pages = shared->pages;
    graphics::ReleaseGraphicsDriverContext(context_, kReleaseDestroy);
    context_ = nullptr;
    // A second context finds the table as it was (and ASan finds no free of it).
    Open();
    EXPECT_EQ(context_->pageTable->pages, pages);
    EXPECT_EQ(context_->pageTable->count, kStaticPages);
}

TEST_F(GraphicsContext, TheUiLibraryOfAnOptionTextGoesWithTheContext)
{
    Open();
    WCHAR text[64] = {};
    LoadUiString(context_, 15000, text, 64, FALSE);
    ASSERT_NE(context_->uiResourceLibrary, nullptr);
    const std::u16string path = std::u16string(kDriverFolder) + u"\\TZ16E1US.DLL";
    EXPECT_NE(GetModuleHandleW(path.c_str()), nullptr);
    graphics::ReleaseGraphicsDriverContext(context_, kReleaseDestroy);
    context_ = nullptr;
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
}

TEST_F(GraphicsContext, DeviceInfoFlagComesFromStoredBidiFlag)
{
    Open();
    for (DWORD stored : {0u, 1u, 2u, 3u}) {
        SetPrinterDataW(printer_, const_cast<WCHAR*>(u"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&stored), 4);
        graphics::UpdateDeviceInfoFlag(context_);
        EXPECT_EQ(GetItemValue(context_, rdmBiDirect), stored & 1) << stored;
    }
}

// Device information kept in "TZ00C171.ini" for a printer whose printer data
// can take it: the common context moves it over and deletes the section; a
// graphics context only reads it.
TEST_F(GraphicsContext, StoredBidiSectionIsReadNeverDeleted)
{
    constexpr const WCHAR* kBidiIni = u"C:\\_vexl\\TZ00C171.ini";
    const char section[] = "[Office ,2nd floor,]\r\nBidiFlag=1\r\nBidiFunc=3\r\n";
    DWORD stored = 1;
    SetPrinterDataW(printer_, const_cast<WCHAR*>(u"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&stored), 4);

    machine::WriteFile(kBidiIni, section);
    Open();
    EXPECT_TRUE(HasBidiIniFlag(context_));
    EXPECT_EQ(GetBidiFuncBits(context_), 3u);
    // The INI's flag decides the device info flag over printer data's.
    stored = 0;
    SetPrinterDataW(printer_, const_cast<WCHAR*>(u"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&stored), 4);
    graphics::UpdateDeviceInfoFlag(context_);
    EXPECT_EQ(GetItemValue(context_, rdmBiDirect), 1u);
    graphics::ReleaseGraphicsDriverContext(context_, kReleaseDestroy);
    context_ = nullptr;

    stored = 1;
    SetPrinterDataW(printer_, const_cast<WCHAR*>(u"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&stored), 4);
    graphics::UseCommonContextSteps();
    DriverContext* common = Create(kCallerPropertySheet);
    ASSERT_NE(common, nullptr);
    EXPECT_FALSE(HasBidiIniFlag(common));
    ReleaseDriverContext(common, kReleaseDestroy);
}

// The graphics library's contexts leave a changed UI entry to others and
// answer every other custom paper event as the common module does.
// What the common passes leave behind on the context: the quality set name,
// a chapter default tray and a locked duplex switch.
struct PassResults {
    std::u16string listSetName;
    std::u16string macroSetName;
    std::uint32_t chapterTray;
    std::uint32_t duplex;
    bool operator==(const PassResults&) const = default;
};

TEST_F(GraphicsContext, TheCommonPassesTakeTheGraphicsForms)
{
    Open();
    WCHAR section[261] = {};
    graphics::ReplaceSectionBrackets(section, context_->workArea->printerName, 261);
    WriteIniString(section, u"QualityList0Name", u"Stored list", GetSettingsIniPath(context_));
    auto run = [&] {
        PassResults out{};
        auto setName = [&] {
            WCHAR text[64] = {};
            GetItemString(context_, FindItem(context_, wdmUserSetName), text, 64);
            return std::u16string(text);
        };
        SetItemString(context_, FindItem(context_, wdmUserSetName), u"Mine");
        services::LoadQualityListSlot(context_, 0);
        out.listSetName = setName();
        SetItemString(context_, FindItem(context_, wdmUserSetName), u"Mine");
        SetItemValue(context_, rdmUseUserMacro, 1);
        SetItemValue(context_, rdmUserPrintMacro, 32);
        services::LoadUserQualityMacro(context_, TRUE);
        out.macroSetName = setName();
        SetItemValue(context_, rdmChapterDefTray1, 77);
        services::ResetChapterDefaultTrays(context_);
        out.chapterTray = GetItemValue(context_, rdmChapterDefTray1);
        SetItemValue(context_, rdmFuncSelectDuplex, 1);
        SetItemValue(context_, rdmLock000InfoBitDuplex, 1);
        services::ApplyModelDefaults(context_);
        out.duplex = GetItemValue(context_, rdmFuncSelectDuplex);
        return out;
    };
    // The graphics library's forms: no set name, the chapter trays kept,
    // every item back to its default whatever its lock.
    const PassResults graphicsForms = run();
    EXPECT_EQ(graphicsForms.listSetName, u"Mine");
    EXPECT_EQ(graphicsForms.macroSetName, u"Mine");
    EXPECT_EQ(graphicsForms.chapterTray, 77u);
    EXPECT_EQ(graphicsForms.duplex, 0u);
    // The common passes, for comparison.
    graphics::UseCommonContextSteps();
    const PassResults commonForms = run();
    graphics::UseGraphicsContextSteps();  // the context goes as it came
    EXPECT_EQ(commonForms.listSetName, u"Stored list");
    EXPECT_EQ(commonForms.macroSetName, u"Stored list");
    EXPECT_NE(commonForms.chapterTray, 77u);
    EXPECT_EQ(commonForms.duplex, 1u);
}

TEST_F(GraphicsContext, CustomPaperModuleLeavesChangedEntriesAlone)
{
    Open();
    const SettingsModuleTable* table = context_->workArea->moduleTable;
    ASSERT_NE(table, nullptr);
    const ModuleEventHook event = table->rows[kModuleCustomPaper].event;
    EntryChangedEvent changed{FindPage(context_, 1017), 0};
    EXPECT_EQ(event(context_, kModuleEventPaperEntryChanged, &changed, nullptr), 0);
    EXPECT_EQ(CustomPaperModuleEvent(context_, kModuleEventPaperEntryChanged, &changed, nullptr), 1);
    PageItem control{};
    control.controlId = 2220;
    ControlFlagEvent flag{&control, 0};
    EXPECT_EQ(event(context_, kModuleEventPaperSizeControl, &flag, nullptr), 1);
    EXPECT_EQ(flag.flag, 1u);
}

TEST_F(GraphicsContext, LogFileNameIsReadFromPrinterData)
{
    Open();
    WCHAR name[16] = {u'x'};
    EXPECT_FALSE(graphics::ReadLogFileName(name, 16, context_));  // not there
    EXPECT_EQ(name[0], 0);
    SetPrinterText(u"LogFileName", u"abc.log");
    EXPECT_FALSE(graphics::ReadLogFileName(nullptr, 16, context_));
    EXPECT_FALSE(graphics::ReadLogFileName(name, 0, context_));
    ASSERT_TRUE(graphics::ReadLogFileName(name, 16, context_));
    EXPECT_EQ(std::u16string(name), u"abc.log");
}

TEST_F(GraphicsContext, SectionBracketsBecomeCommas)
{
    WCHAR out[8] = {};
    EXPECT_EQ(std::u16string(graphics::ReplaceSectionBrackets(out, u"[a]b", 8)), u",a,b");
    EXPECT_EQ(std::u16string(graphics::ReplaceSectionBrackets(out, u"Office [2nd floor]", 8)), u"Office ");
}

TEST_F(GraphicsContext, UiEntriesBySymbolAndVariant)
{
    Open();
    const std::uint16_t both = FindItem(context_, rdmDstResolutionBoth)->symbolKey;
    const BlockOffset first = graphics::FindUiEntryBySymbol(context_, both, 0);
    const BlockOffset second = graphics::FindUiEntryBySymbol(context_, both, 1);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(graphics::FindUiEntryBySymbol(context_, both, 2), 0u);
    EXPECT_EQ(graphics::GetUiTypeCode(context_, first), 0x01);
    EXPECT_EQ(graphics::GetUiTypeCode(context_, 0), 0);
    // An Identity entry answers for any variant.
    const std::uint16_t identity = FindItem(context_, dmYResolution)->symbolKey;
    EXPECT_NE(graphics::FindUiEntryBySymbol(context_, identity, 9), 0u);
}

}  // namespace
}  // namespace vexl::test
