// The language table's lookups and the language of the printer's help file.
#include "common/core/languages.h"

#include "common/core/item_ids.h"
#include "context_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl {
namespace {

using test::ContextTest;
using test::kTestPrinter;

TEST(LanguageTableTest, CodesAndIdsAreLookedUpWithoutCase)
{
    EXPECT_EQ(LanguageIdFromCode(u"gm"), 4);
    EXPECT_EQ(LanguageIdFromCode(u"Ru"), 15);
    EXPECT_EQ(LanguageIdFromCode(u"xx"), kDefaultLanguageId);
    EXPECT_EQ(LanguageIdFromCode(nullptr), kDefaultLanguageId);
    EXPECT_EQ(std::u16string(LanguageCodeFromId(16)), u"cs");
    EXPECT_EQ(std::u16string(LanguageCodeFromId(99)), u"us");
    EXPECT_EQ(std::u16string(NormalizeLanguageCode(u"JP")), u"jp");
    EXPECT_EQ(std::u16string(NormalizeLanguageCode(nullptr)), u"us");
    EXPECT_EQ(IsKnownLanguageId(18), 1);
    EXPECT_EQ(IsKnownLanguageId(19), 0);
}

TEST(LanguageTableTest, TheLanguageOfAFileNameIsTheTwoLettersBeforeItsExtension)
{
    struct Case {
        const char16_t* fileName;
        std::uint16_t id;
        const char16_t* code;
    } cases[] = {
        {u"TZ16E1GM.HLP", 4, u"gm"},
        {u"tz16e1gm.hlp", 4, u"gm"},
        {u"C:\\help\\TZ16E1RU.CHM", 15, u"ru"},
        {u"TZ16E1XX.HLP", 1, u"us"},
        {u"GM.HLP", 4, u"gm"},
        {u"x.hlp", 1, u"us"},
        {u".hlp", 1, u"us"},
        {u"TZ16E1GM", 1, u"us"},
        {u"C:\\dir.gm\\x.hlp", 1, u"us"},
        {u"", 1, u"us"},
        {nullptr, 1, u"us"},
    };
    for (const Case& c : cases) {
        const std::u16string name = c.fileName ? c.fileName : u"(null)";
        EXPECT_EQ(LanguageIdFromFileName(c.fileName, nullptr), c.id) << std::string(name.begin(), name.end());
        EXPECT_EQ(std::u16string(LanguageCodeFromFileName(c.fileName, nullptr)), c.code)
            << std::string(name.begin(), name.end());
    }
}

TEST(LanguageTableTest, WindowsLanguageIds)
{
    std::uint16_t sublanguage = 77;
    EXPECT_EQ(GetLanguageLangId(16, &sublanguage), 0x04);
    EXPECT_EQ(sublanguage, 2);
    EXPECT_EQ(GetLanguageLangId(1, &sublanguage), 0x09);
    EXPECT_EQ(sublanguage, 0);
    sublanguage = 77;
    EXPECT_EQ(GetLanguageLangId(99, &sublanguage), 0);
    EXPECT_EQ(sublanguage, 0);
    EXPECT_EQ(GetLanguageLangId(0, nullptr), 0x11);
}

class InstalledLanguageTest : public ContextTest {
protected:
    void SetHelpFile(const machine::PrinterData& value)
    {
        machine::PrinterSetup setup = test::TestPrinterSetup(kTestPrinter);
        setup.printerData[u"HelpFileName"] = value;
        machine::AddPrinter(setup);
    }
};

TEST_F(InstalledLanguageTest, TheHelpFileNamesTheInstalledLanguage)
{
    SetHelpFile(test::TextData(u"TZ16E1FR.HLP"));
    DriverContext* context = Create(Open(), kCallerPropertySheet, 4);
    EXPECT_EQ(GetInstalledLanguageId(context), 6);
    EXPECT_EQ(std::u16string(GetInstalledLanguageCode(context)), u"fr");
    EXPECT_EQ(std::u16string(context->workArea->languageCode), u"fr");
    ReleaseDriverContext(context, kReleaseDestroy);

    machine::SetSpoolerFailure(kTestPrinter, "GetPrinterDataW", ERROR_ACCESS_DENIED);
    context = Create(Open(), kCallerPropertySheet, 4);
    EXPECT_EQ(GetInstalledLanguageId(context), 1);
    EXPECT_EQ(std::u16string(context->workArea->languageCode), u"us");
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(InstalledLanguageTest, AnUnterminatedHelpFileValueIsReadWithinItsBuffer)
{
    // 1,025 characters without a terminator, the last two "gm" after a dot.
    std::u16string text(1020, u'A');
    text += u".gmx";
    text += u"z";
    SetHelpFile({REG_SZ, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)});
    DriverContext* context = Create(Open(), kCallerPropertySheet, 4);
    EXPECT_EQ(GetInstalledLanguageId(context), 1);
    EXPECT_EQ(context->workArea->scratchText[1024], 0);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(InstalledLanguageTest, TheDecimalCommaFollowsTheLanguage)
{
    DriverContext* context = Create(Open());
    struct Case {
        std::uint32_t language;
        BOOL comma;
    } cases[] = {{1, 0}, {2, 1}, {15, 1}, {16, 0}, {0, 0}};
    for (const Case& c : cases) {
        SetItemValue(context, rdmLanguageID, c.language);
        EXPECT_EQ(UsesDecimalComma(context), c.comma) << c.language;
    }
    SetItemValue(context, rdmLanguageID, 4);
    EXPECT_EQ(std::u16string(GetLanguageCode(context)), u"gm");
    ReleaseDriverContext(context, kReleaseDestroy);
}

}  // namespace
}  // namespace vexl
