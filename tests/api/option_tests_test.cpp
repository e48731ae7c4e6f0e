#include "api/option_tests.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "platform/win32.h"
#include "support/integration_fixture.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::api {
namespace {

using test::TestMachine;

machine::Profile WithFonts()
{
    machine::Profile profile;
    profile.fonts = {
        {u"Vexl Sans", 4, 0, "DejaVuSans"},
        {u"@Vexl Mincho", 4, 128, "DejaVuSans"},
        {u"Vexl Raster", 1, 0, ""},
        {u"Vexl Face With A Name Of 31 Chr", 4, 0, "DejaVuSans"},
    };
    return profile;
}

class FontTest : public ::testing::Test {
protected:
    TestMachine machine_{WithFonts()};
};

TEST_F(FontTest, OnlyTrueTypeFamiliesOfTheExactNameCount)
{
    struct Case {
        const char* face;
        BOOL installed;
    };
    const Case cases[] = {
        {"Vexl Sans", TRUE},
        {"vexl sans", FALSE},     // case counts
        {"Vexl Mincho", FALSE},   // only its vertical-writing family is listed
        {"@Vexl Mincho", FALSE},  // vertical-writing families never match
        {"Vexl Raster", FALSE},   // not TrueType
        {"Vexl Sans Bold", FALSE},
        {"Vexl Face With A Name Of 31 Chr", TRUE},
        {"Vexl Face With A Name Of 31 ChrX", FALSE},  // longer than a face name: not cut to a match
        {"", FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        EXPECT_EQ(IsFontInstalled(nullptr, c.face), c.installed);
    }
    EXPECT_FALSE(IsFontInstalled(nullptr, nullptr));
}

// ---- tests over the package's printer ----------------------------------------------

class OptionTestsTest : public test::DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        context_ = Create(kCallerSettingsInterface);
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_ != nullptr) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    // Gives the first control of the page the symbol key of the item's UI
    // entry, as a page that shows the setting would have it.
    void ShowItemOnPage(std::uint16_t item, std::int16_t pageId)
    {
        PageDesc* page = FindPage(context_, pageId);
        ASSERT_NE(page, nullptr);
        ASSERT_GT(page->itemCount, 0);
        const model::UiEntryRecord entry = ReadContextUiEntry(context_, LookupUiEntry(item, context_));
        ASSERT_NE(entry.symbolKey, 0);
        page->items[0].symbolKey = entry.symbolKey;
    }

    DriverContext* context_ = nullptr;
};

TEST_F(OptionTestsTest, ModelOptionBitsAreReadFromTheModelIniEveryTime)
{
    const std::u16string modelIni = GetModelFilePath(context_);
    EXPECT_EQ(modelIni, std::u16string(test::kDriverFolder) + u"\\TZ16E172.ini");
    EXPECT_EQ(ReadApiOptionBits(context_), 0u);

    machine::WriteFile(modelIni, "[VEXLAPI]\nVEXLAPIFunc1=0x205\n");
    EXPECT_EQ(ReadApiOptionBits(context_), 0x205u);
    EXPECT_TRUE(HasApiOptionWatermark128(context_));
    EXPECT_FALSE(HasApiOptionColorMode255(context_));
    EXPECT_TRUE(HasApiOptionCapability57(context_));
    EXPECT_TRUE(HasApiOption(context_, kApiOptionPageSeparation));

    machine::WriteFile(modelIni, "[VEXLAPI]\nVEXLAPIFunc1=2\n");
    EXPECT_FALSE(HasApiOptionWatermark128(context_));
    EXPECT_TRUE(HasApiOptionColorMode255(context_));
}

TEST_F(OptionTestsTest, CurrentStampIsStoredOnlyWithANonEmptyKindValue)
{
    const std::u16string iniPath = GetSettingsIniPath(context_);
    WCHAR section[kIniSectionChars] = {};
    FormatStampSection(section, 256, context_);
    const std::u16string name(section);
    const std::string section8(name.begin(), name.end());
    EXPECT_FALSE(IsCurrentStampStored(context_));

    machine::WriteFile(iniPath, "[" + section8 + "]\nrdmWmKind=\n");
    EXPECT_FALSE(IsCurrentStampStored(context_));
    machine::WriteFile(iniPath, "[" + section8 + "]\nrdmWmKind=2\n");
    EXPECT_TRUE(IsCurrentStampStored(context_));
}

TEST_F(OptionTestsTest, AnItemIsOfferedWhereAControlCarriesItsEntryAndOptionZeroIsAvailable)
{
    EXPECT_FALSE(IsMainItemOffered(context_, rdmColorMode));  // no page shows it
    ShowItemOnPage(rdmColorMode, 1002);
    EXPECT_TRUE(IsMainItemOffered(context_, rdmColorMode));
    EXPECT_TRUE(IsItemOfferedOnPage(context_, rdmColorMode, 1002));
    EXPECT_FALSE(IsItemOfferedOnPage(context_, rdmColorMode, 1001));
    EXPECT_FALSE(IsItemOfferedOnPage(context_, rdmColorMode, 999));
    EXPECT_FALSE(IsMainItemOffered(context_, rdmLoadShare));  // no UI entry
}

TEST_F(OptionTestsTest, ControlOptionNeedsAControlWithAConstrainedKey)
{
    // The paper combo of the basic page carries a key without constraint record.
    EXPECT_FALSE(IsControlOptionAllowed(context_, 1002, 2017, 1));
    EXPECT_FALSE(IsControlOptionAllowed(context_, 1002, 2007, 0));  // a control without key
    EXPECT_FALSE(IsControlOptionAllowed(context_, 999, 2017, 0));
    EXPECT_TRUE(IsControlOptionAllowed(context_, 1002, 2017, 0));
}

}  // namespace
}  // namespace vexl::api
