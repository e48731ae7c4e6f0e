#include "api/validators.h"

#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vexl::api {
namespace {

using test::MachineTest;
using test::TestMachine;

struct TextCase {
    const char* text;
    BOOL alphanumeric;
    BOOL fileName;
    BOOL path;
    BOOL overlay;
};

TEST_F(MachineTest, TextValidatorsAcceptAndRefuseByTheirCharacterRules)
{
    const TextCase cases[] = {
        {"", TRUE, TRUE, TRUE, FALSE},
        {"User42", TRUE, TRUE, TRUE, FALSE},
        {"user-42", FALSE, TRUE, TRUE, FALSE},
        {"user 42", FALSE, TRUE, TRUE, FALSE},
        {"caf\xE9", FALSE, TRUE, TRUE, FALSE},
        {"merge.txt", FALSE, TRUE, TRUE, FALSE},
        {"dir\\merge.txt", FALSE, FALSE, TRUE, FALSE},
        {"C:\\forms\\letter.RPO", FALSE, FALSE, TRUE, TRUE},
        {"C:\\forms\\letter.rpo", FALSE, FALSE, TRUE, TRUE},
        {"C:\\forms\\let?ter.rpo", FALSE, FALSE, FALSE, FALSE},
        {"C:\\forms\\letter.rpx", FALSE, FALSE, TRUE, FALSE},
        {"C:\\forms\\letter", FALSE, FALSE, TRUE, FALSE},
        {"letter.rpo", FALSE, TRUE, TRUE, FALSE},
        {"forms\\a.rpo", FALSE, FALSE, TRUE, TRUE},
        {"C:\\forms\\", FALSE, FALSE, TRUE, FALSE},
        {"C:\\a:b\\c.rpo", FALSE, FALSE, FALSE, FALSE},
        {"a/b.rpo", FALSE, FALSE, FALSE, FALSE},
        {"x|y", FALSE, FALSE, FALSE, FALSE},
        {"x<y>", FALSE, FALSE, FALSE, FALSE},
        {"a;b,c", FALSE, FALSE, FALSE, FALSE},
        {"say \"hi\"", FALSE, FALSE, FALSE, FALSE},
        {"*.rpo", FALSE, FALSE, FALSE, FALSE},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsAsciiAlphanumeric(c.text), c.alphanumeric);
        EXPECT_EQ(IsValidFileNameText(c.text), c.fileName);
        EXPECT_EQ(IsValidPathText(c.text), c.path);
        EXPECT_EQ(IsOverlayFilePath(c.text), c.overlay);
    }
    EXPECT_FALSE(IsAsciiAlphanumeric(nullptr));
    EXPECT_FALSE(HasNoForbiddenChars(nullptr, TRUE));
    EXPECT_FALSE(IsValidPathText(nullptr));
    EXPECT_FALSE(IsOverlayFilePath(nullptr));
    EXPECT_FALSE(ContainsAnsiChar(nullptr, 'a'));
}

TEST_F(MachineTest, BaseNameAndExtensionNeedADirectoryPart)
{
    std::int32_t length = -1;
    const char* path = "C:\\forms\\letter.v2.rpo";
    EXPECT_STREQ(FindBaseNameAnsi(path), "letter.v2.rpo");
    EXPECT_STREQ(FindExtensionAnsi(path, &length), "rpo");
    EXPECT_EQ(length, 3);

    const char* bare = "letter.rpo";
    EXPECT_EQ(FindBaseNameAnsi(bare), bare);
    EXPECT_EQ(FindExtensionAnsi(bare, &length), bare);
    EXPECT_EQ(length, 0);

    const char* folder = "C:\\forms\\";
    EXPECT_EQ(FindExtensionAnsi(folder, &length), folder);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(FindBaseNameAnsi(nullptr), nullptr);
}

// Code page 932: a double-byte character's trail byte may have the code of
// a backslash (0x5C) or a vertical bar (0x7C); it is part of the character.
machine::Profile ShiftJisProfile()
{
    machine::Profile profile;
    profile.ansiCodePage = 932;
    return profile;
}

class DoubleByteTest : public ::testing::Test {
protected:
    TestMachine machine_{ShiftJisProfile()};
};

TEST_F(DoubleByteTest, TrailBytesAreNeverSeparatorsOrForbiddenCharacters)
{
    const char backslashTrail[] = "\x95\x5C.rpo";  // a kanji whose trail byte is 0x5C
    const char barTrail[] = "\x83\x7C\x83\x8B";    // a katakana whose trail byte is 0x7C
    EXPECT_TRUE(IsValidFileNameText(backslashTrail));
    EXPECT_TRUE(IsValidFileNameText(barTrail));
    EXPECT_FALSE(ContainsAnsiChar(backslashTrail, '\\'));
    EXPECT_FALSE(ContainsAnsiChar(barTrail, '|'));
    EXPECT_TRUE(ContainsAnsiChar("\x95\x5Cx|", '|'));

    const char path[] = "C:\\\x95\x5C\\\x95\x5C.RPO";
    EXPECT_STREQ(FindBaseNameAnsi(path), "\x95\x5C.RPO");
    EXPECT_TRUE(IsOverlayFilePath(path));
    // A lead byte at the end of the text takes no terminator along.
    EXPECT_FALSE(IsValidFileNameText("a?\x95"));
    EXPECT_TRUE(IsValidFileNameText("a\x95"));
}

// ---- output path probes ---------------------------------------------------------

bool HostExists(std::u16string_view windowsPath)
{
    return std::filesystem::exists(machine::HostPath(windowsPath));
}

TEST_F(MachineTest, ProbeOutputPathCreatesNothingThatStays)
{
    machine::WriteFile(u"C:\\out\\kept.prn", "data");
    char full[kProbePathCapacity];
    EXPECT_TRUE(ProbeOutputPath("C:\\out\\kept.prn", full));
    EXPECT_STREQ(full, "C:\\out\\kept.prn");
    EXPECT_TRUE(HostExists(u"C:\\out\\kept.prn"));

    EXPECT_TRUE(ProbeOutputPath("C:\\out\\new.prn", nullptr));
    EXPECT_FALSE(HostExists(u"C:\\out\\new.prn"));

    // One missing level is created for the trial and removed again.
    EXPECT_TRUE(ProbeOutputPath("C:\\out\\sub\\new.prn", full));
    EXPECT_STREQ(full, "C:\\out\\sub\\new.prn");
    EXPECT_FALSE(HostExists(u"C:\\out\\sub"));

    // Two missing levels are not.
    EXPECT_FALSE(ProbeOutputPath("C:\\out\\a\\b\\new.prn", full));
    EXPECT_FALSE(HostExists(u"C:\\out\\a"));

    // A relative path is taken from the current folder (C:\).
    EXPECT_TRUE(ProbeOutputPath("rel.prn", full));
    EXPECT_STREQ(full, "C:\\rel.prn");
    EXPECT_FALSE(HostExists(u"C:\\rel.prn"));
    EXPECT_FALSE(ProbeOutputPath("", full));
    EXPECT_FALSE(ProbeOutputPath(nullptr, full));
}

TEST_F(MachineTest, ShortProbeAnswersTheShortPathAndLeavesNothingBehind)
{
    machine::WriteFile(u"C:\\out\\kept.prn", "data");
    WCHAR shortPath[kProbePathCapacity] = {};
    EXPECT_TRUE(ProbeOutputPathShort(u"C:\\out\\kept.prn", shortPath));
    EXPECT_EQ(std::u16string(shortPath), u"C:\\out\\kept.prn");

    EXPECT_TRUE(ProbeOutputPathShort(u"C:\\out\\sub\\new.prn", shortPath));
    EXPECT_EQ(std::u16string(shortPath), u"C:\\out\\sub\\new.prn");
    EXPECT_FALSE(HostExists(u"C:\\out\\sub"));

    EXPECT_FALSE(ProbeOutputPathShort(u"C:\\out\\a\\b\\new.prn", shortPath));
    EXPECT_FALSE(HostExists(u"C:\\out\\a"));
}

}  // namespace
}  // namespace vexl::api
