#include "common/model/reader.h"

#include "fixture_names.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::model {
namespace {

struct ReadLine {
    int result;
    std::string keyword, option, translation, value;
    bool operator==(const ReadLine&) const = default;
};

void PrintTo(const ReadLine& line, std::ostream* os)
{
    *os << "{" << line.result << " '" << line.keyword << "' '" << line.option << "' '" << line.translation << "' '"
        << line.value << "'}";
}

// Every line the reader gives for a text, up to the end of the file.
std::vector<ReadLine> ReadAll(std::string_view text)
{
    DescriptionReader reader = TextDescriptionReader(text);
    DescriptionLine line;
    std::vector<ReadLine> lines;
    for (;;) {
        const LineResult result = ReadDescriptionLine(line, reader);
        if (result == LineResult::kEndOfFile) return lines;
        lines.push_back(
            {static_cast<int>(result), line.keyword.text, line.option.text, line.translation.text, line.value.text});
        if (result == LineResult::kOutOfMemory) return lines;
    }
}

TEST(DescriptionReader, CutsLinesIntoFourTokens)
{
    struct Case {
        const char* text;
        std::vector<ReadLine> lines;
    };
    const Case cases[] = {
        {"*K\n", {{0, "K", "", "", ""}}},
        {"*K: v\n", {{0, "K", "", "", "v"}}},
        {"*K opt: v w \n", {{0, "K", "opt", "", "v w "}}},
        {"*K opt tr :  v\n", {{0, "K", "opt", "tr", "v"}}},
        {"*K\r\n*L: x\r\n", {{0, "K", "", "", ""}, {0, "L", "", "", "x"}}},
        // A slash after the option, a third word, or blanks alone make a bad line.
        {"*K opt/tr: v\n", {{3, "K", "opt", "", ""}}},
        {"*K a b c: v\n", {{3, "K", "a", "b", ""}}},
        {"*K   \n", {{3, "K", "", "", ""}}},
        // Comments, lines without '*' first and blank lines are skipped.
        {"*%comment: x\n\n *K: v\nK: v\n*L: w\n", {{0, "L", "", "", "w"}}},
        // Reading resumes right after the byte that stopped a bad line.
        {"*K a/*L: v\n", {{3, "K", "a", "", ""}, {0, "L", "", "", "v"}}},
        // The last line needs its line end.
        {"*K: v\n*L: w", {{0, "K", "", "", "v"}}},
        // A CloseUI without its colon is no line at all.
        {"*CloseUI *KSD_A\n", {{3, "CloseUI", "*KSD_A", "", ""}}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadAll(c.text), c.lines) << c.text;
}

TEST(DescriptionReader, ReadsValuesAcrossLinesInsideBracesAndQuotes)
{
    struct Case {
        const char* text;
        int result;
        const char* value;
    };
    const Case cases[] = {
        {"*K: { a\n  b }\n", 0, "{ a\n  b }"},
        {"*K: \"one\ntwo\"\n", 0, "\"one\ntwo\""},
        {"*K: (a {b} c)\n", 3, "(a {"},  // braces never inside parentheses
        {"*K: \"a(b\"\n", 3, "\"a("},
        {"*K: \"a%(b\"\n", 0, "\"a%(b\""},  // '%' keeps both bytes for the decoder
        {"*K: a }\n", 3, "a }"},
        {"*K: \"a%\nb\"\n", 3, "\"a%"},
        {"*K: 100%\n", 0, "100%"},  // '%' outside quotes is text
    };
    for (const Case& c : cases) {
        std::vector<ReadLine> lines = ReadAll(c.text);
        ASSERT_FALSE(lines.empty()) << c.text;
        EXPECT_EQ(lines[0].result, c.result) << c.text;
        EXPECT_EQ(lines[0].value, c.value) << c.text;
    }
}

TEST(DescriptionReader, DecodesQuotedText)
{
    struct Case {
        const char* text;
        std::string bytes;
        std::size_t used;
    };
    const Case cases[] = {
        {"\"abc\" rest", "abc", 5},
        {"x \"a%\"b\"", "a\"b", 8},
        {"\"%%%<\"", "%<", 6},
        {"\"A<41 42>B\"", "AABB", 11},
        {"\"<414>\"", "A", 7},       // a lone hex digit is passed over
        {"\"<4 1 \"> tail", "", 7},  // the quote ends the string in hex mode too
        {"\"no end", "no end", 7},
        {"raw", "raw", 3},   // no quote: from the start of the text
        {"abc%", "abc", 4},  // a '%' at the end escapes nothing
        {"\"<4", "", 3},
        {"\"a\r\nb\"", "ab", 6},
    };
    for (const Case& c : cases) {
        const DecodedText decoded = DecodeQuotedText(c.text);
        EXPECT_EQ(decoded.bytes, c.bytes) << c.text;
        EXPECT_EQ(decoded.used, c.used) << c.text;
        EXPECT_EQ(decoded.decoded, !c.bytes.empty()) << c.text;
    }
}

TEST(DescriptionReader, ScansNumbersAndWords)
{
    TokenBuffer value{"  12 -7x *KSD_A|B \n 4294967297", 0};
    char stop = 0;
    EXPECT_EQ(NextNumber(value, &stop), 12);
    EXPECT_EQ(stop, ' ');
    EXPECT_EQ(NextNumber(value, &stop), -7);
    EXPECT_EQ(stop, 'x');
    EXPECT_EQ(NextWord(value, &stop), "x");
    EXPECT_EQ(NextWord(value, &stop), "KSD_A");
    EXPECT_EQ(stop, '|');
    EXPECT_EQ(NextWord(value, &stop), "B");
    EXPECT_EQ(NextNumber(value, &stop), 1);  // wraps around as unsigned
    EXPECT_EQ(NextWord(value, &stop), std::nullopt);
    EXPECT_EQ(stop, '\0');

    EXPECT_EQ(ParseLooseNumber("Judge12"), 12);
    EXPECT_EQ(ParseLooseNumber("3=Name9"), 3);
    EXPECT_EQ(ParseLooseNumber("a-5"), -5);
    EXPECT_EQ(ParseLooseNumber("99999999999"), static_cast<std::int32_t>(99999999999ull & 0xFFFFFFFF));
}

TEST(DescriptionReader, DispatchSkipsBadAndUnknownLinesAndReadsOn)
{
    test::FixtureNames names = test::SmallModelNames();
    std::unique_ptr<CompileState> state = ParseDescriptionText("*% a comment\n"
                                                               "*Unknown: 1\n"
                                                               "*CommandString 1 x y: \"bad\"\n"
                                                               "*CommandString 0: \"\"\n"
                                                               "*CommandString 2: \"good\"\n"
                                                               "*CommandString 3: (open\n",
                                                               names);
    ASSERT_TRUE(state);
    ASSERT_EQ(state->commandStrings.size(), 1u);
    EXPECT_EQ(state->commandStrings[0].number, 2);
    EXPECT_EQ(state->commandStrings[0].bytes, "good");
    EXPECT_EQ(state->keywordHint, 14);  // the CommandString row
}

TEST(DescriptionReader, OnlyCommentsParseIntoAnEmptyState)
{
    std::unique_ptr<CompileState> state = ParseDescriptionText("*% one\n\n*% two\n", test::SmallModelNames());
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->uiEntries.empty());
    EXPECT_EQ(state->header.fileVersion[0], 0);
}

class DescriptionFile : public vexl::test::MachineTest {};

TEST_F(DescriptionFile, ParsesAMappedFileAndProbesItsFirstFileVersion)
{
    machine::WriteFile(u"C:\\drivers\\MODEL.VXD", "*FileVersion: 7.60\n*FileVersion: 7.61-and-many-more-characters\n"
                                                  "*UIResDLLName: \"TZ16E1US.DLL\"\n");
    std::unique_ptr<CompileState> state = ParseDescriptionFile(u"C:\\drivers\\MODEL.VXD", test::SmallModelNames());
    ASSERT_TRUE(state);
    EXPECT_EQ(std::u16string(state->header.fileVersion), u"7.61-and-many-");  // the last line, 14 characters
    EXPECT_EQ(state->header.uiResDllName, u"TZ16E1US.DLL");

    WCHAR probed[16];
    EXPECT_EQ(ProbeFileVersion(u"C:\\drivers\\MODEL.VXD", probed), 1);
    EXPECT_EQ(std::u16string(probed), u"7.60");
}

// The probe reads the head of the file first: a FileVersion line far down,
// or one cut by the end of the head, is still read whole.
TEST_F(DescriptionFile, ProbesAFileVersionBeyondOrAcrossTheHead)
{
    std::string comment = "*% ";
    comment.append(60, 'c').append("\n");
    for (std::size_t before : {4000u, 4090u, 4100u, 20000u}) {
        std::string text;
        while (text.size() + comment.size() <= before) text += comment;
        text.append(before - text.size(), '\n');
        text += "*FileVersion: 7.60-long\n*OpenUI *KSD_A: PickOne\n";
        machine::WriteFile(u"C:\\drivers\\LONG.VXD", text);
        WCHAR probed[16];
        EXPECT_EQ(ProbeFileVersion(u"C:\\drivers\\LONG.VXD", probed), 1);
        EXPECT_EQ(std::u16string(probed), u"7.60-long") << "FileVersion at byte " << before;
    }
}

TEST_F(DescriptionFile, MissingFileGivesNoStateAndAnEmptyProbe)
{
    EXPECT_FALSE(ParseDescriptionFile(u"C:\\drivers\\NONE.VXD", test::SmallModelNames()));
    machine::WriteFile(u"C:\\drivers\\NOVER.VXD", "*OpenUI *KSD_A: PickOne\n");
    WCHAR probed[16];
    std::fill(std::begin(probed), std::end(probed), u'x');
    EXPECT_EQ(ProbeFileVersion(u"C:\\drivers\\NOVER.VXD", probed), 1);
    EXPECT_EQ(probed[0], 0);
}

}  // namespace
}  // namespace vexl::model
