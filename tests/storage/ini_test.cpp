#include "common/storage/ini.h"

#include "common/storage/directories.h"

#include "storage/storage_fixture.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vexl::test {
namespace {

using IniTest = StorageTest;

TEST_F(IniTest, SectionNamesAreSanitised)
{
    ASSERT_TRUE(WriteIniString(kPrinterName, u"Count", u"3", u"C:\\_vexl\\s.ini"));
    EXPECT_EQ(ReadHostFile(u"C:\\_vexl\\s.ini").find("[Office ,2nd floor,]"), 0u);
    EXPECT_EQ(ReadIniInt(kPrinterName, u"Count", 0, u"C:\\_vexl\\s.ini"), 3);
}

TEST_F(IniTest, InMemoryLookupMovesAndWraps)
{
    machine::WriteFile(u"C:\\_vexl\\a.rst",
                       "[X]\r\nq=9\r\n[S]\r\nfirst=1\r\nsecond=two\r\nblank =3\r\n[T]\r\nfirst=8\r\n");
    char* text = ReadWholeTextFile(u"C:\\_vexl\\a.rst", FALSE);
    ASSERT_NE(text, nullptr);
    const char* body = FindIniSectionInText(u"s", text);
    ASSERT_NE(body, nullptr);
    std::int32_t position = 0;
    WCHAR out[16] = {};
    EXPECT_EQ(ReadIniStringFromText(u"first", u"d", out, 16, body, &position), 1);
    EXPECT_EQ(ReadIniStringFromText(u"second", u"d", out, 16, body, &position), 3);
    EXPECT_EQ(std::u16string(out), u"two");
    EXPECT_EQ(ReadIniIntFromText(u"first", -1, body, &position), 1);  // found by the wrap
    EXPECT_EQ(ReadIniIntFromText(u"blank", -1, body, &position), -1);
    EXPECT_EQ(ReadIniIntFromText(u"q", -1, body, &position), -1);  // another section
    EXPECT_EQ(ReadIniStringFromText(u"second", u"def", out, 3, body, &position), 2);
    EXPECT_EQ(std::u16string(out), u"tw");
    FreeTextBuffer(text);

    char* created = ReadWholeTextFile(u"C:\\_vexl\\missing.rst", FALSE);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created[0], 0);
    FreeTextBuffer(created);
    EXPECT_TRUE(FileExists(u"C:\\_vexl\\missing.rst"));
    EXPECT_EQ(ReadWholeTextFile(u"C:\\_vexl\\missing.rst", TRUE), nullptr);
}

TEST_F(IniTest, SectionTextGrowsWithoutLimit)
{
    IniSectionText text;
    AppendIniSectionHeader(&text, u"S");
    const std::u16string value(1000, u'v');
    for (int i = 0; i < 100; ++i) AppendIniKeyValue(&text, u"key", value.c_str());
    EXPECT_GT(text.bytes.size(), 100000u);
    EXPECT_EQ(text.bytes.substr(0, 9), "[S]\r\nkey=");
}

TEST_F(IniTest, RewriteKeepsOtherSectionsAndPutsTheNewOneFirst)
{
    const WCHAR* file = u"C:\\_vexl\\r.ini";
    machine::WriteFile(file, "[A]\r\na=1\r\n[B]\r\nb=old\r\nc=2\r\n[C]\r\nc=3\r\n");
    IniSectionText text;
    AppendIniSectionHeader(&text, u"B");
    AppendIniKeyValue(&text, u"b", u"new");
    ASSERT_TRUE(
        RewriteIniSection(context(), file, u"b", text.bytes.data(), static_cast<std::uint32_t>(text.bytes.size())));
    EXPECT_EQ(ReadHostFile(file), "[B]\r\nb=new\r\n[A]\r\na=1\r\n[C]\r\nc=3\r\n");
    ASSERT_TRUE(RewriteIniSection(context(), u"C:\\_vexl\\new.ini", u"B", text.bytes.data(),
                                  static_cast<std::uint32_t>(text.bytes.size())));
    EXPECT_EQ(ReadHostFile(u"C:\\_vexl\\new.ini"), text.bytes);
}

TEST_F(IniTest, FailedRewriteLeavesTheFileWhole)
{
    const WCHAR* file = u"C:\\_vexl\\r.ini";
    const std::string original = "[A]\r\na=1\r\n[B]\r\nb=old\r\n";
    machine::WriteFile(file, original);
    // The file beside it cannot be made: a folder of that name is in the way.
    const std::string blocker = "C:\\_vexl\\r.ini." + std::to_string(getpid()) + ".tmp\\x";
    machine::WriteFile(std::u16string(blocker.begin(), blocker.end()), "");
    const std::string text = "[B]\r\nb=new\r\n";
    EXPECT_FALSE(RewriteIniSection(context(), file, u"B", text.data(), static_cast<std::uint32_t>(text.size())));
    EXPECT_EQ(ReadHostFile(file), original);
    EXPECT_NE(GetSettingsFileError(context()), 0);
}

TEST_F(IniTest, KilledWriterLeavesTheFileWhole)
{
    const WCHAR* file = u"C:\\_vexl\\r.ini";
    const std::string other = "[A]\r\na=1\r\n";
    machine::WriteFile(file, other);
    const std::string big = "[B]\r\nb=" + std::string(4 << 20, 'x') + "\r\n";
    RunInChildProcessUntilKilled(
        [&] {
            for (;;) RewriteIniSection(nullptr, file, u"B", big.data(), static_cast<std::uint32_t>(big.size()));
        },
        std::chrono::milliseconds(300));
    const std::string now = ReadHostFile(file);
    EXPECT_TRUE(now == other || now == big + other) << now.size();
}

TEST_F(IniTest, UserCodesCreateTheirFile)
{
    SetItemValue(context(), rdmLogCodeUse, 7);
    ASSERT_TRUE(LoadUserCodeSettings(context()));
    EXPECT_EQ(GetItemValue(context(), rdmLogCodeUse), 0u);
    const std::string file = ReadHostFile(u"C:\\_vexl\\TZ00C170.ini");
    EXPECT_NE(file.find("UserCode=0"), std::string::npos);
    EXPECT_NE(file.find("[VORNA UserCode]"), std::string::npos);

    WriteIniString(kPrinterName, u"UserCode", u"42", u"C:\\_vexl\\TZ00C170.ini");
    WriteIniString(kPrinterName, u"UserCodeString", u"ABC", u"C:\\_vexl\\TZ00C170.ini");
    LoadUserCodeSettings(context());
    EXPECT_EQ(GetItemValue(context(), rdmLogCodeUse), 42u);
    WCHAR code[16] = {};
    GetItemString(context(), FindItem(context(), rdmDllLogCode), code, 16);
    EXPECT_EQ(std::u16string(code), u"ABC");
}

}  // namespace
}  // namespace vexl::test
