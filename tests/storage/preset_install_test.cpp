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

// Presets that share their first eight letters are still two presets.
TEST_F(PresetInstallTest, PresetsAreFoundByTheirWholeBaseName)
{
    PresetListEntry entries[2] = {};
    std::u16string(u"C:\\_vexl\\presetA01.rsr").copy(entries[0].path, kPresetTextChars - 1);
    std::u16string(u"C:\\_vexl\\Other.rsr").copy(entries[1].path, kPresetTextChars - 1);
    std::int32_t index = -1;
    EXPECT_TRUE(FindPresetByFileName(u"C:\\drv\\PRESETA01.rsd", 2, entries, &index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(FindPresetByFileName(u"C:\\drv\\presetA02.rsd", 2, entries, &index));
    EXPECT_TRUE(FindPresetByFileName(u"other", 2, entries, &index));
    EXPECT_EQ(index, 1);
}

// A re-run whose copies are already current succeeds and marks the list done.
TEST_F(PresetInstallTest, FilesAlreadyCurrentCountAsInstalled)
{
    machine::WriteFile(std::u16string(kDriverFolder) + u"\\fresh.rsd", "[en]\r\nsetname=Fresh\r\n");
    const std::u16string list =
        WriteListedFile("current.ini", "[en]\r\nNumDeficonfiles=1\r\nDeficonfiles1=C:\\_vexl\\fresh.rsd\r\n");
    const std::uint32_t flags = kInstallRefreshFiles | kInstallRun;
    EXPECT_TRUE(InstallPresetFiles(list.c_str(), u"en", flags, context(), 0, nullptr));
    WriteIniString(u"en", kInstallDoneKey, nullptr, list.c_str());
    EXPECT_TRUE(InstallPresetFiles(list.c_str(), u"en", flags, context(), 0, nullptr));
    EXPECT_EQ(ReadIniInt(u"en", kInstallDoneKey, 0, list.c_str()), 1);
}

class PresetRefreshTest : public PresetInstallTest {
protected:
    const WCHAR* Ini() { return GetSettingsIniPath(context()); }
    const WCHAR* Section() { return GetPrinterSectionName(context()); }
    std::u16string Key(const std::u16string& key)
    {
        WCHAR text[kPresetTextChars] = {};
        ReadIniString(Section(), key.c_str(), u"", text, kPresetTextChars, Ini());
        return text;
    }
    void SetPreset(int slot, const std::u16string& path, const std::u16string& name)
    {
        const std::u16string n(1, static_cast<WCHAR>(u'0' + slot));
        WriteIniString(Section(), (u"PresetList" + n).c_str(), path.c_str(), Ini());
        WriteIniString(Section(), (u"PresetList" + n + u"Name").c_str(), name.c_str(), Ini());
    }
    // The install list's section: the language of the context.
    std::string Lang()
    {
        const std::u16string code = GetInstallSectionName(context());
        return "[" + std::string(code.begin(), code.end()) + "]\r\n";
    }
    // The printer's section as the file holds it: brackets become commas.
    std::string PrinterSection()
    {
        const std::u16string section = Section();
        std::string text(section.begin(), section.end());
        for (char& c : text)
            if (c == '[' || c == ']') c = ',';
        return text;
    }
};

// The list keeps the user's own preset and the user copies that still
// qualify, drops the copy that would switch the watermark on under the
// tint-block feature, and adds the listed file that is missing, but never
// the first listed one.
TEST_F(PresetRefreshTest, RefreshDropsWhatNoLongerQualifiesAndAddsWhatIsMissing)
{
    SetItemValue(context(), rdmFunc2SelectTintBlockUI, 1);
    WriteListedFile("first.rsd", Lang() + "setname=First\r\n");
    WriteListedFile("gone.rsd", Lang() + "setname=Gone\r\n");
    WriteListedFile("presetA01.rsd", Lang() + "setname=A01\r\n");
    WriteListedFile("presetA02.rsd", Lang() + "setname=A02\r\n");
    WriteListedFile("list.ini", Lang() + "NumDeficonfiles=4\r\nDeficonfiles1=C:\\_vexl\\first.rsd\r\n"
                                "Deficonfiles2=C:\\_vexl\\gone.rsd\r\nDeficonfiles3=C:\\_vexl\\presetA01.rsd\r\n"
                                "Deficonfiles4=C:\\_vexl\\presetA02.rsd\r\n");
    WriteListedFile("gone.rsr", "[" + PrinterSection() + "]\r\nrdmFuncSelectWaterMark=1\r\n");
    WriteListedFile("presetA01.rsr", "[" + PrinterSection() + "]\r\nrdmFuncSelectWaterMark=0\r\n");
    WriteListedFile("mine.rst", "");
    WriteIniString(Section(), u"DefaultRst", u"C:\\_vexl\\list.ini", Ini());
    SetPreset(0, u"C:\\_vexl\\gone.rsr", u"Gone");
    SetPreset(1, u"C:\\_vexl\\mine.rst", u"Mine");
    SetPreset(2, u"C:\\_vexl\\presetA01.rsr", u"A01");
    SetPreset(3, u"C:\\_vexl\\other.rsr", u"Other");
    WriteIniString(Section(), u"Count", u"4", Ini());

    EXPECT_TRUE(RefreshInstalledPresets(context()));
    EXPECT_EQ(Key(u"Count"), u"4");
    EXPECT_EQ(Key(u"PresetList0Name"), u"Mine");
    EXPECT_EQ(Key(u"PresetList1Name"), u"A01");
    EXPECT_EQ(Key(u"PresetList2Name"), u"Other");
    EXPECT_EQ(Key(u"PresetList3Name"), u"A02");
}

TEST_F(PresetRefreshTest, RefreshWithoutAUsableListLeavesThePresets)
{
    SetPreset(0, u"C:\\_vexl\\kept.rsr", u"Kept");
    WriteIniString(Section(), u"Count", u"1", Ini());
    EXPECT_FALSE(RefreshInstalledPresets(context()));  // no DefaultRst
    WriteListedFile("bad.ini", Lang() + "NumDeficonfiles=2\r\nDeficonfiles1=C:\\_vexl\\a.rsd\r\n");
    WriteIniString(Section(), u"DefaultRst", u"C:\\_vexl\\bad.ini", Ini());
    EXPECT_FALSE(RefreshInstalledPresets(context()));  // entry 2 missing
    EXPECT_EQ(Key(u"Count"), u"1");
    EXPECT_EQ(Key(u"PresetList0Name"), u"Kept");
}

// A count past the sixteen slots is read as sixteen.
TEST_F(PresetRefreshTest, RefreshReadsAtMostSixteenPresets)
{
    WriteListedFile("none.ini", Lang() + "NumDeficonfiles=0\r\n");
    WriteIniString(Section(), u"DefaultRst", u"C:\\_vexl\\none.ini", Ini());
    for (int slot = 0; slot < 10; ++slot) SetPreset(slot, u"C:\\_vexl\\p.rsr", u"P");
    WriteIniString(Section(), u"Count", u"100000", Ini());
    EXPECT_TRUE(RefreshInstalledPresets(context()));
    EXPECT_EQ(Key(u"Count"), u"16");
}

}  // namespace
}  // namespace vexl::test
