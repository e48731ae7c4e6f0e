#include "common/storage/preset_install.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "storage_fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vexl::test {
namespace {

// Options A and B hold, C does not; every other name is unknown.
bool Holds(const char* name)
{
    static const std::set<std::string> held = {"A", "B"};
    return held.count(name) != 0;
}

struct ExpressionCase {
    const char* text;
    bool expected;
};

TEST(ConditionExpression, ReadsLeftToRightWithoutPrecedence)
{
    const ExpressionCase cases[] = {
        {"A", true},          {"C", false},          {"!C", true},          {"!A", false},
        {"C | A", true},      {"A | C", true},       {"C & A", false},      {"A & B", true},
        {"A | B & C", false}, {"A | C & B", true},   {"C | C | B", true},   {"\tA  &\t!C ", true},
        {"Unknown", false},   {"A | Unknown", true}, {"Unknown | A", true}, {"", false},
    };
    for (const ExpressionCase& c : cases) EXPECT_EQ(EvaluateConditionExpression(c.text, Holds), c.expected) << c.text;
}

TEST(ConditionExpression, BoundsAnOverlongTokenName)
{
    std::string text(1000, 'A');
    text += " | B";
    char token[kConditionTokenBytes] = {};
    BOOL negated = FALSE;
    BOOL andFollows = TRUE;
    EXPECT_EQ(ParseConditionToken(text.c_str(), token, &negated, &andFollows), 1002);
    EXPECT_EQ(std::string(token), std::string(kConditionTokenBytes - 1, 'A'));
    EXPECT_FALSE(andFollows);
    EXPECT_TRUE(EvaluateConditionExpression(text.c_str(), Holds));
}

class PresetInstallTest : public StorageTest {
protected:
    std::u16string WriteListedFile(const std::string& name, const std::string& body)
    {
        machine::WriteFile(u"C:\\_vexl\\" + std::u16string(name.begin(), name.end()), body);
        return u"C:\\_vexl\\" + std::u16string(name.begin(), name.end());
    }
};

struct SectionCase {
    const char* condition;
    bool expected;
};

TEST_F(PresetInstallTest, ConditionGroupsNeedOneTrueAlternativeEach)
{
    const SectionCase cases[] = {
        {"ConditionOption0_0=A|B\r\n", true},
        {"ConditionOption0_0=C\r\n", false},
        {"ConditionOption0_0=A|B\r\nConditionOption1_0=!C\r\n", true},
        {"ConditionOption0_0=A|B\r\nConditionOption1_0=C\r\n", false},
        {"ConditionOption0_0=C\r\nConditionOption0_1=B\r\n", true},
        {"ConditionOption0_1=C\r\n", true},
        {"ConditionOption0_0=C\r\nConditionOption0_2=A\r\n", false},
        {"", true},
    };
    for (const SectionCase& c : cases) {
        const std::u16string path = WriteListedFile("cond.rsd", std::string("[condition]\r\n") + c.condition);
        EXPECT_EQ(EvaluateConditionSection(path.c_str(), Holds), c.expected) << c.condition;
    }
}

TEST_F(PresetInstallTest, DisableSectionKeepsTheFileOutForItsDriver)
{
    const std::u16string off = WriteListedFile("off.rsd", "[disable]\r\nVEXL Driver=1\r\n");
    const std::u16string on = WriteListedFile("on.rsd", "[disable]\r\nVEXL Driver=0\r\nOther=1\r\n");
    EXPECT_FALSE(IsFileEnabledForDriver(off.c_str(), context()));
    EXPECT_TRUE(IsFileEnabledForDriver(on.c_str(), context()));
}

TEST_F(PresetInstallTest, InstallRunAddsListedFilesWithNoNameForAnEmptyName)
{
    const std::u16string ini = GetSettingsIniPath(context());
    ASSERT_TRUE(IsAbsolutePath(ini.c_str()));
    WriteListedFile("one.rsd", "[en]\r\nsetname=First\r\nsetcomment=Shipped\r\n");
    WriteListedFile("two.rsd", "[en]\r\nsetname=\r\n[disable]\r\nOther=1\r\n");
    WriteListedFile("three.rsd", "[en]\r\nsetname=Third\r\n[disable]\r\nVEXL Driver=1\r\n");
    const std::u16string list =
        WriteListedFile("list.ini", "[en]\r\nNumDeficonfiles=3\r\nDeficonfiles1=C:\\_vexl\\one.rsd\r\n"
                                    "Deficonfiles2=C:\\_vexl\\two.rsd\r\nDeficonfiles3=C:\\_vexl\\three.rsd\r\n");

    EXPECT_TRUE(InstallPresetFiles(list.c_str(), u"en", kInstallAddPresets | kInstallApplyRules | kInstallRun,
                                   context(), 0, nullptr));

    const WCHAR* section = GetPrinterSectionName(context());
    WCHAR text[kPresetTextChars] = {};
    EXPECT_EQ(GetPresetCount(context()), 2);
    ReadIniString(section, u"PresetList0Name", u"", text, kPresetTextChars, ini.c_str());
    EXPECT_EQ(std::u16string(text), u"First");
    ReadIniString(section, u"PresetList0Comment", u"", text, kPresetTextChars, ini.c_str());
    EXPECT_EQ(std::u16string(text), u"Shipped");
    ReadIniString(section, u"PresetList1Name", u"", text, kPresetTextChars, ini.c_str());
    EXPECT_EQ(std::u16string(text), u"NoName");
    ReadIniString(section, u"PresetList0", u"", text, kPresetTextChars, ini.c_str());
    EXPECT_NE(std::u16string(text).find(u"one."), std::u16string::npos);
    EXPECT_EQ(ReadIniInt(u"en", kInstallDoneKey, 0, list.c_str()), 1);
}

TEST_F(PresetInstallTest, AListedPathTooLongIsRefusedNotCut)
{
    // Cut to the path buffer, the entry would name this existing preset file.
    const std::string folder = std::string(120, 'd');
    const std::string file = std::string(125, 'e') + ".rsd";
    const std::string fits = "C:\\_vexl\\" + folder + "\\" + file;
    ASSERT_EQ(fits.size(), 259u);
    machine::WriteFile(std::u16string(fits.begin(), fits.end()), "[en]\r\nsetname=Cut\r\n");
    const std::u16string list =
        WriteListedFile("long.ini", "[en]\r\nNumDeficonfiles=1\r\nDeficonfiles1=" + fits + "zzz\r\n");

    InstallPresetFiles(list.c_str(), u"en", kInstallAddPresets | kInstallApplyRules | kInstallRun, context(), 0,
                       nullptr);
    EXPECT_EQ(GetPresetCount(context()), 0);
}

TEST_F(PresetInstallTest, EmptyListChangesNothing)
{
    const std::u16string list = WriteListedFile("empty.ini", "[en]\r\nNumDeficonfiles=0\r\n");
    EXPECT_TRUE(InstallPresetFiles(list.c_str(), u"en", kInstallAddPresets | kInstallApplyRules | kInstallRun,
                                   context(), 0, nullptr));
    EXPECT_EQ(ReadIniInt(u"en", kInstallDoneKey, 0, list.c_str()), 0);
}

}  // namespace
}  // namespace vexl::test
