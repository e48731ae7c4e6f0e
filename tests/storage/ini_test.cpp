#include "common/storage/ini.h"

#include "common/storage/directories.h"

#include "storage/storage_fixture.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

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
    SetFileAttributesW(file, FILE_ATTRIBUTE_READONLY);
    const std::string text = "[B]\r\nb=new\r\n";
    EXPECT_FALSE(RewriteIniSection(context(), file, u"B", text.data(), static_cast<std::uint32_t>(text.size())));
    EXPECT_EQ(ReadHostFile(file), original);
    EXPECT_EQ(GetSettingsFileError(context()), static_cast<int>(ERROR_ACCESS_DENIED));
    SetFileAttributesW(file, FILE_ATTRIBUTE_NORMAL);
}

std::u16string NumberedKey(int n)
{
    std::string text = "k";
    text += std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

// Key edits of another process and section rewrites share one lock and each
// applies its change to the file as it is under it: a rewrite never puts a
// copy older than another writer's key back.
TEST_F(IniTest, RewritesAndKeyEditsOfTwoProcessesKeepEachOthersChanges)
{
    const WCHAR* file = u"C:\\_vexl\\r.ini";
    machine::WriteFile(file, "[A]\r\na=1\r\n");
    constexpr int kWrites = 120;
    const pid_t child = ::fork();
    if (child == 0) {
        for (int i = 0; i < kWrites; ++i) {
            if (!WriteIniString(u"Keys", NumberedKey(i).c_str(), u"1", file)) ::_exit(1);
        }
        ::_exit(0);
    }
    int rewritten = 0;
    for (int i = 0; i < kWrites; ++i) {
        const std::string text = "[B]\r\nb=" + std::to_string(i) + "\r\n";
        rewritten += RewriteIniSection(context(), file, u"B", text.data(), static_cast<std::uint32_t>(text.size()));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(rewritten, kWrites);
    int lost = 0;
    for (int i = 0; i < kWrites; ++i) lost += ReadIniInt(u"Keys", NumberedKey(i).c_str(), 0, file) != 1;
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(ReadIniInt(u"B", u"b", -1, file), kWrites - 1);
    EXPECT_EQ(ReadIniInt(u"A", u"a", -1, file), 1);
}

// A writer that died leaves its temporary file; the next writer of the same
// file removes it, but never one of a live writer or of another file.
TEST_F(IniTest, TheNextWriterRemovesTheTemporaryFilesOfDeadWriters)
{
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string gone = std::to_string(dead);
    const std::string live = std::to_string(::getpid());
    struct Leftover {
        std::string name;
        bool removed;
    };
    const Leftover leftovers[] = {
        {"r.ini.~" + gone + "-" + gone + "-3", true}, {"r.ini." + gone + ".tmp", true},
        {"r.ini.~" + live + "-1-1", false},           {"r.ini.~x" + gone + "-1-1", false},
        {"other.ini.~" + gone + "-1-1", false},       {"r.ini.~1-1-1", false},  // the machine's first process lives
    };
    for (const Leftover& leftover : leftovers) {
        const std::u16string path = u"C:\\_vexl\\" + std::u16string(leftover.name.begin(), leftover.name.end());
        machine::WriteFile(path, "half");
    }
    const std::string text = "[B]\r\nb=1\r\n";
    ASSERT_TRUE(
        RewriteIniSection(context(), u"C:\\_vexl\\r.ini", u"B", text.data(), static_cast<std::uint32_t>(text.size())));
    for (const Leftover& leftover : leftovers) {
        const std::u16string path = u"C:\\_vexl\\" + std::u16string(leftover.name.begin(), leftover.name.end());
        EXPECT_EQ(!FileExists(path.c_str()), leftover.removed) << leftover.name;
    }
}

TEST_F(IniTest, KilledWriterLeavesTheFileWhole)
{
    const WCHAR* file = u"C:\\_vexl\\r.ini";
    const std::string other = "[A]\r\na=1\r\n";
    machine::WriteFile(file, other);
    std::string big = "[B]\r\nb=";
    big.append(4 << 20, 'x').append("\r\n");
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
