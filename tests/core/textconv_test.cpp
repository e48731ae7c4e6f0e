#include "common/core/textconv.h"
#include "support/test_machine.h"

#include <cstring>
#include <string>

namespace vexl::test {
namespace {

using TextConversionTest = MachineTest;

TEST_F(TextConversionTest, AnsiToWideAlwaysTerminatesWithinTheDestination)
{
    struct Case {
        const char* text;
        int dstChars;
        std::u16string expected;
    } cases[] = {
        {"abcdef", 4, u"abc"},     {"abc", 4, u"abc"},
        {"abcd", 4, u"abc"},       {"abcdef", 0, u"abcdef"},
        {"abcdef", -1, u"abcdef"}, {"\xE9t\xE9", 8, u"\u00E9t\u00E9"},
        {"\x80", 2, u"\u20AC"},    {"", 1, u""},
    };
    for (const Case& c : cases) {
        WCHAR dst[16];
        std::fill(std::begin(dst), std::end(dst), u'#');
        AnsiToWide(dst, c.text, c.dstChars);
        EXPECT_EQ(std::u16string(dst), c.expected) << c.text << " into " << c.dstChars;
        const int limit = c.dstChars > 0 ? c.dstChars : static_cast<int>(std::strlen(c.text)) + 1;
        for (int i = limit; i < 16; ++i) EXPECT_EQ(dst[i], u'#') << "wrote past the destination";
    }
}

TEST_F(TextConversionTest, WideToAnsiZeroFillsAndCutsToKeepTheTerminator)
{
    struct Case {
        std::u16string text;
        int dstBytes;
        std::string expected;
    } cases[] = {
        {u"abc", 4, "abc"},      {u"abcd", 4, "abc"}, {u"abcdef", 0, "abcdef"}, {u"\u00E9\u20AC", 3, "\xE9\x80"},
        {u"a\u4E2Db", 4, "a?b"},
    };
    for (const Case& c : cases) {
        char dst[16];
        std::memset(dst, '#', sizeof(dst));
        WideToAnsi(dst, c.text.c_str(), c.dstBytes);
        EXPECT_EQ(std::string(dst), c.expected);
        const int limit = c.dstBytes > 0 ? c.dstBytes : static_cast<int>(c.text.size()) + 1;
        for (int i = static_cast<int>(c.expected.size()); i < limit; ++i) EXPECT_EQ(dst[i], 0) << "not zero-filled";
        for (int i = limit; i < 16; ++i) EXPECT_EQ(dst[i], '#') << "wrote past the destination";
    }
}

}  // namespace
}  // namespace vexl::test
