// Reading "@PJL SET" lines: the words are tokens separated by blanks, every
// line ends with CR LF, and nothing reads past the text.
#include "api/pjl_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::api {
namespace {

struct LineCase {
    const char* text;
    std::ptrdiff_t consumed;  // -1 malformed, 0 blank rest
    const char* name;
    const char* value;
};

TEST(PjlLines, ReadsOneLineOrRefusesIt)
{
    const LineCase cases[] = {
        {"@PJL SET COPIES = 2\r\n", 21, "COPIES", "2"},
        {"  @PJL SET COPIES =2 \r\n", 23, "COPIES", "2"},
        {"\t@PJL\tSET\tTRAY\t=\tTRAY1\t\r\n", 25, "TRAY", "TRAY1"},
        {"@PJL SET PAPER = A4 \r\n@PJL SET TRAY = TRAY1 \r\n", 22, "PAPER", "A4"},
        {"@PJL SET COPIES = =2\r\n", 22, "COPIES", "=2"},
        {"", 0, nullptr, nullptr},
        {" \t ", 0, nullptr, nullptr},
        {"@PJL SET COPIES=2\r\n", -1, nullptr, nullptr},   // the name swallows "="
        {"@PJL SET COPIES = 2\n", -1, nullptr, nullptr},   // bare LF
        {"@PJL SET COPIES = 2", -1, nullptr, nullptr},     // no CR LF at the end
        {"@PJL SET COPIES = 2\r", -1, nullptr, nullptr},   // CR without LF
        {"@PJL SET COPIES = \r\n", -1, nullptr, nullptr},  // no value
        {"@PJL SET USERNAME = \"A B\" \r\n", -1, nullptr, nullptr},
        {"@PJLSET COPIES = 2\r\n", -1, nullptr, nullptr},  // words are tokens
        {"@PJL SETCOPIES = 2\r\n", -1, nullptr, nullptr},
        {"@PJL JOB NAME = \"X\"\r\n", -1, nullptr, nullptr},  // another command
        {"@pjl set COPIES = 2\r\n", -1, nullptr, nullptr},
        {"\x1b%-12345X@PJL SET COPIES = 2\r\n", -1, nullptr, nullptr},
        {"\r\n", -1, nullptr, nullptr},  // an empty line
        {"@PJL SET = 2\r\n", -1, nullptr, nullptr},
    };
    for (const LineCase& c : cases) {
        PjlSetLine line{"unchanged", "unchanged"};
        EXPECT_EQ(ParsePjlSetLine(c.text, &line), c.consumed) << c.text;
        if (c.consumed > 0) {
            EXPECT_EQ(line.name, c.name) << c.text;
            EXPECT_EQ(line.value, c.value) << c.text;
        }
    }
}

TEST(PjlLines, StopsAtTheTerminatorOfTheText)
{
    // A view longer than its text: the terminator ends the text.
    const std::string text("@PJL SET COPIES = 2\0\r\n", 22);
    EXPECT_EQ(ParsePjlSetLine(text, nullptr), -1);
    const std::string blank("  \0@PJL SET COPIES = 2 \r\n", 25);
    EXPECT_EQ(ParsePjlSetLine(blank, nullptr), 0);
    // A text cut in the middle of a word is malformed, not read beyond.
    EXPECT_EQ(ParsePjlSetLine(std::string_view("@PJL SET COPIES = 2\r\n", 12), nullptr), -1);
    EXPECT_EQ(ParsePjlSetLine(std::string_view("@PJL SET COPIES = 2\r\n", 20), nullptr), -1);
}

TEST(PjlLines, FindsTheFirstLineOfANameAndStopsAtAMalformedLine)
{
    const std::string base = "@PJL SET PAPER = A4 \r\n@PJL SET TRAY = TRAY1 \r\n@PJL SET PAPER = A3 \r\n"
                             "@PJL SET COPIES=2\r\n@PJL SET COLLATE = SORT \r\n";
    PjlSetLine line;
    ASSERT_TRUE(FindPjlSetLine(base, "PAPER", &line));
    EXPECT_EQ(line.value, "A4");
    ASSERT_TRUE(FindPjlSetLine(base, "TRAY", &line));
    EXPECT_EQ(line.value, "TRAY1");
    EXPECT_FALSE(FindPjlSetLine(base, "COLLATE", &line));
    EXPECT_FALSE(FindPjlSetLine(base, "tray", &line));
}

TEST(PjlLines, WritesTheSystemsForm)
{
    std::string text;
    AppendPjlSetLine(text, "PAPER", "A4");
    AppendPjlSetLine(text, "TRAY", "TRAY1");
    EXPECT_EQ(text, "@PJL SET PAPER = A4 \r\n@PJL SET TRAY = TRAY1 \r\n");
    PjlSetLine line;
    EXPECT_EQ(ParsePjlSetLine(text, &line), 22);
}

}  // namespace
}  // namespace vexl::api
