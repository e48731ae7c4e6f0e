#include "platform/win32.h"

#include "support/test_machine.h"

#include <string>

namespace vexl::test {
namespace {

machine::Profile WithCurrentDirectory(std::u16string folder)
{
    machine::Profile profile;
    profile.currentDirectory = std::move(folder);
    return profile;
}

class FullPathTest : public ::testing::Test {
protected:
    TestMachine machine_{WithCurrentDirectory(u"C:\\work\\jobs")};
};

struct FullPathCase {
    const char16_t* path;
    const char16_t* full;
    const char16_t* filePart;  // null: none
};

TEST_F(FullPathTest, ResolvesRelativeAndDottedPathsAgainstTheCurrentFolder)
{
    const FullPathCase cases[] = {
        {u"C:\\a\\b\\c.txt", u"C:\\a\\b\\c.txt", u"c.txt"},
        {u"c:/a/./b/../c.txt", u"c:\\a\\c.txt", u"c.txt"},
        {u"C:\\a\\..\\..\\x", u"C:\\x", u"x"},
        {u"out.rpo", u"C:\\work\\jobs\\out.rpo", u"out.rpo"},
        {u"..\\out.rpo", u"C:\\work\\out.rpo", u"out.rpo"},
        {u"\\top\\f", u"C:\\top\\f", u"f"},
        {u"C:\\a\\b\\", u"C:\\a\\b\\", nullptr},
        {u"\\\\srv\\share\\d\\..\\f.txt", u"\\\\srv\\share\\f.txt", u"f.txt"},
    };
    for (const FullPathCase& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
        WCHAR out[MAX_PATH] = {};
        LPWSTR filePart = reinterpret_cast<LPWSTR>(1);
        const DWORD length = GetFullPathNameW(c.path, MAX_PATH, out, &filePart);
        EXPECT_EQ(std::u16string(out), c.full);
        EXPECT_EQ(length, std::char_traits<char16_t>::length(c.full));
        if (c.filePart == nullptr) {
            EXPECT_EQ(filePart, nullptr);
        } else {
            ASSERT_NE(filePart, nullptr);
            EXPECT_EQ(std::u16string(filePart), c.filePart);
        }
    }
}

TEST_F(FullPathTest, ShortBufferAnswersTheSizeNeededAndWritesNothing)
{
    WCHAR out[8];
    std::fill(std::begin(out), std::end(out), u'?');
    // "C:\work\jobs\a.txt" is 18 characters: 19 with the terminator.
    EXPECT_EQ(GetFullPathNameW(u"a.txt", 8, out, nullptr), 19u);
    EXPECT_EQ(out[0], u'?');
    EXPECT_EQ(GetFullPathNameW(u"a.txt", 0, nullptr, nullptr), 19u);
    EXPECT_EQ(GetFullPathNameW(u"", MAX_PATH, out, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(FullPathTest, ShortFormOfAnExistingPathIsThePathAndMissingOnesFail)
{
    machine::WriteFile(u"C:\\data\\report.rpo", "x");
    WCHAR out[MAX_PATH] = {};
    EXPECT_EQ(GetShortPathNameW(u"C:\\data\\report.rpo", out, MAX_PATH), 18u);
    EXPECT_EQ(std::u16string(out), u"C:\\data\\report.rpo");
    EXPECT_EQ(GetShortPathNameW(u"C:\\data\\report.rpo", out, 5), 19u);

    EXPECT_EQ(GetShortPathNameW(u"C:\\data\\missing.rpo", out, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetShortPathNameW(u"C:\\nowhere\\missing.rpo", out, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace vexl::test
