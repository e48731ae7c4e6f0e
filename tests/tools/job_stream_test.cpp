// Well-formed job streams decode to their listing; malformed ones stop at the
// byte that breaks a rule.
#include <gtest/gtest.h>

#include <cstdio>

#include "job_bytes.h"
#include "vexl_dump.h"

namespace vexl::dump {
namespace {

using test::Bytes;
using ByteList = std::vector<std::uint8_t>;

// The listing's content hash: 32-bit FNV-1a, in eight hex digits.
std::string Fnv1a(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t hash = 2166136261u;
    for (const auto b : bytes) hash = (hash ^ b) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08X", hash);
    return text;
}

DecodeResult Decode(const Bytes& stream, const DecodeOptions& options = {})
{
    return DecodeJobStream(stream.v, options);
}

const ByteList kGlyphBits = {0, 0, 0x41, 0x41, 0x41, 0x42, 0, 0};  // 8 rows of a 1-pixel-wide glyph
const ByteList kGlyphTokens = {0x91, 0x41, 0x00, 0x42};
const ByteList kPalette2 = {0, 0, 0, 0xFF, 0xFF, 0xFF};

struct GoodCase {
    const char* what;
    Bytes stream;
};

TEST(JobStream, WellFormedStreamsPass)
{
    using namespace test;
    const Bytes pageList = DisplayList({Colour(0x09, {0xFF0000, 0xFFFFFF}), FillRect(1, 2, 3, 4)});
    const GoodCase cases[] = {
        {"an empty stream (a document without pages)", Bytes{}},
        {"job start only (page 1 of a job-binder job)", JobStart().Add(JobNameFrame("Report"))},
        {"job name, then pages",
         JobStart().Add(JobNameFrame("Report")).Add(PageFrames(pageList)).Add(PageFrames(pageList))},
        {"a new job start after a reset, without job name",
         JobStart().Add(JobNameFrame("Report")).Add(PageFrames(pageList)).Add(JobStart()).Add(PageFrames(pageList))},
        {"a zero-length F5 after an early flush", JobStart().Add(PageFrames(pageList, {0, 0}))},
        {"a record cut across two F5 frames", JobStart().Add(PageFrames(pageList, {18, 21}))},
        {"empty PageStart and PageEnd texts", OnePage({})},
        {"every state record once",
         OnePage({Rop(0x66), Background(2), LineWidth(1, 3, 0xFFFFFFFF), DashPhase(0), LineCap(1), LineJoin(2, 2560),
                  SolidPattern(), ClipRect(0, 0, 10, 10), ClipReset(), Colour(0x19, {1, 2, 3}), Colour(0xC1, {4})})},
        {"0xCC after 0xCC (0xF0 asked, sent as 0xCC)", OnePage({Rop(0xCC), Rop(0xCC)})},
        {"a pattern brush is sent again each time", OnePage({OneBitPattern(0xAA), OneBitPattern(0xAA)})},
        {"changed line state only", OnePage({LineWidth(1, 1, ~0u), LineWidth(1, 2, ~0u), LineCap(0), LineCap(2)})},
        {"the state is unknown again on the next page",
         JobStart().Add(PageFrames(DisplayList({Rop(0x66)}))).Add(PageFrames(DisplayList({Rop(0x66)})))},
        {"paths of lines and curves",
         OnePage({PathRecord(1, true, {{0, 0, {{16, 0}, {16, 16}}}}),
                  PathRecord(4, false, {{0, 0, {{1, 2, 3, 4, 5, 6}}}, {32, 32, {{48, 48}}}}),
                  PathRecord(5, false, {})})},
        {"a closed stroke of two subpaths split into records, the second 0x11 without a curve",
         OnePage(
             {PathRecord(0, true, {{0, 0, {{1, 2, 3, 4, 5, 6}}}}), PathRecord(0, true, {{9, 9, {{10, 10}}}}, 0x11)})},
        {"images: 1-bit with palette, 8-bit grey, 24-bit",
         OnePage({Image(0, 0x00, 0x04, 33, 3, 8, kPalette2), Image(0, 0x32, 0x00, 5, 2, 8, {}, 0),
                  Image(2, 0xA4, 0x08, 3, 2, 12, {})})},
        {"device fonts and text", OnePage({FontSelect(0x50, 0x0008, "Mincho"), FontSelect(0x50, 0x0008, "Mincho"),
                                           FontSelect(0x56, 0x2013, "Face"), DeviceChar(0x41),
                                           DeviceString(u"AB", {12}), DeviceString(u"ABC", {10, 11, 0})})},
        {"glyphs: compressed, kept and reused, defined and run",
         OnePage({GlyphDrawn(0x53, 0x08, 0x41, 1, 8, 2, kGlyphTokens), GlyphAgain(0x48, 0x41, 1, 8),
                  GlyphDrawn(0x57, 0x04, 7, 32, 1, 0, {0xAA, 0x55, 0xAA, 0x55}),
                  GlyphDrawn(0x57, 0x04, 8, 8, 3, 0, {0, 0, 0}), GlyphDefinition(0x08, 0x42, 1, 8, 2, kGlyphTokens),
                  GlyphRun(0x08, {{0, 0, 0x42}, {12, 0, 0x42}, {0, 0, 0x99}})})},
        {"generated PJL lines in their form",
         JobStart("@PJL SET DATE = \"2007/01/31\" \r\n@PJL SET TIME = \"09:05:03\"\r\n"
                  "@PJL SET VEXLDRIVERNAME = \"VEXL Driver\" \r\n@PJL SET DEVFONTID = \"5+Alpha/7+Beta\" \r\n"
                  "@PJL SET DEVFONTID = \"\" \r\n@PJL SET SUBFONTTABLE = \"Arial+Alpha\" \r\n"
                  "@PJL SET CHAPTERPRINTTRAY1 = TRAY2 \r\n@PJL SET CHAPTERPRINTDUPLEX1 = ON \r\n"
                  "@PJL SET CHAPTERPAGESTART2 = 3 \r\n@PJL SET CHAPTERPAGEEND2 = 5 \r\n"
                  "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY1 \r\n@PJL SET CHAPTERPAGE1 = COPY \r\n"
                  "@PJL SET COPIES=1\r\n\x1B%-12345X")},
    };
    for (const auto& c : cases) {
        const auto result = Decode(c.stream);
        EXPECT_TRUE(result.ok()) << c.what << ": " << (result.ok() ? "" : FormatViolation(*result.violation)) << "\n"
                                 << result.listing;
    }
}

TEST(JobStream, ListingOfAJobWithANameAndOnePage)
{
    using namespace test;
    const Bytes list = DisplayList({ClipRect(0, 0, 4800, 7000), Colour(0x09, {0xFF0000, 0xFFFFFF}), Rop(0xCC),
                                    FillRect(10, 20, 30, 40), GlyphDrawn(0x53, 0x08, 0x41, 1, 8, 2, kGlyphTokens)});
    const Bytes stream = JobStart().Add(JobNameFrame("Report")).Add(PageFrames(list, {40}));
    const auto result = Decode(stream);
    ASSERT_TRUE(result.ok()) << FormatViolation(*result.violation);
    EXPECT_EQ(result.listing,
              "000000 F3 job-start length=10 \"@PJL JOB\\r\\n\"\n"
              "000012 F3 job-name length=29 \"@PJL SET JOBNAME = \\\"Report\\\"\\r\\n\"\n"
              "000037 F4 page-start page=1 length=0 \"\"\n"
              "00003F F0\n"
              "000047 F5 display-list length=40\n"
              "  00004F 60 page-begin length=16 width=4800 page-length=7000 resolution=600 (pixels at 600 dpi: 203.2 x "
              "296.3 mm)\n"
              "  00005F 10 rectangle length=24 clip=(0,0,4800,7000)\n"
              "000077 F5 display-list length=128\n"
              "  00007F 30 colour length=12 fg=FF0000 bg=FFFFFF\n"
              "  00008B 31 rop length=4 rop3=CC\n"
              "  00008F 10 rectangle length=40 fill=(10,20,30,40)\n"
              "  0000B7 53 glyph-kept length=68 characters code=0041 box=(100,200,101,208) cell=(100,180) size=4 "
              "compressed bits-hash=" +
                  Fnv1a({0, 0, 0x41, 0x41, 0x41, 0x42}) +
                  "\n"
                  "  0000FB 61 page-end length=4\n"
                  "0000FF F1 page-end page=1 length=0 \"\"\n");
    EXPECT_EQ(FormatSummary(result.summary), "frames: 7 (F0 1, F1 1, F3 2, F4 1, F5 2)\n"
                                             "job starts: 1, with job name\n"
                                             "pages: 1\n"
                                             "records: 7\n"
                                             "  10 rectangle: 2\n"
                                             "  30 colour: 1\n"
                                             "  31 rop: 1\n"
                                             "  53 glyph-kept: 1\n"
                                             "  60 page-begin: 1\n"
                                             "  61 page-end: 1\n"
                                             "bytes: 263 (display list 168)\n");
}

TEST(JobStream, PassThroughBytesAtTheirHintedPlaces)
{
    using namespace test;
    const Bytes list = DisplayList({FillRect(1, 2, 3, 4)});
    const Bytes escape = TextOf("\x1B%-12345X@PJL\r\n");
    Bytes stream = JobStart().Add(escape).Add(Frame(0xF4, {})).Add(Frame(0xF0, {}));
    stream.Add(Frame(0xF5, Bytes{}.Raw(ByteList(list.v.begin(), list.v.begin() + 20)))).Add(escape);
    stream.Add(Frame(0xF5, Bytes{}.Raw(ByteList(list.v.begin() + 20, list.v.end())))).Add(Frame(0xF1, {}));

    DecodeOptions hinted;
    hinted.rawChunks = {escape.v, escape.v};
    const auto result = Decode(stream, hinted);
    ASSERT_TRUE(result.ok()) << FormatViolation(*result.violation);
    EXPECT_EQ(result.summary.rawChunks, 2u);
    EXPECT_NE(result.listing.find("000012 raw length=15 \"\\x1B%-12345X@PJL\\r\\n\""), std::string::npos)
        << result.listing;

    const auto unhinted = Decode(stream);
    ASSERT_FALSE(unhinted.ok());
    EXPECT_EQ(unhinted.violation->rule, Rule::FrameType);
    EXPECT_EQ(unhinted.violation->offset, 18u);

    DecodeOptions tooMany = hinted;
    tooMany.rawChunks.push_back(escape.v);
    const auto missing = Decode(stream, tooMany);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.violation->rule, Rule::RawBytes);
    EXPECT_EQ(missing.violation->offset, stream.size());
}

TEST(JobStream, RecordsCutAtEveryByteDecodeAlike)
{
    using namespace test;
    const Bytes list = DisplayList({Colour(0x19, {1, 2, 3}), FontSelect(0x56, 0x2000, "Face"),
                                    Image(0, 0x00, 0x04, 33, 3, 8, kPalette2), GlyphRun(0x08, {{0, 0, 1}, {3, 4, 2}})});
    const auto whole = Decode(JobStart().Add(PageFrames(list)));
    ASSERT_TRUE(whole.ok());
    for (std::size_t cut = 0; cut <= list.size(); ++cut) {
        const auto result = Decode(JobStart().Add(PageFrames(list, {cut})));
        ASSERT_TRUE(result.ok()) << "cut at " << cut << ": " << FormatViolation(*result.violation);
        EXPECT_EQ(result.summary.records, whole.summary.records);
    }
}

TEST(JobStream, LongPagesInBlockSizedFramesKeepTheirOffsets)
{
    using namespace test;
    // Three 24-bit images of about 600 KB in 10,240-byte frames, then a
    // repeated ROP: the offset of the fault still points into the stream.
    std::vector<Bytes> records;
    for (int i = 0; i < 3; ++i)
        records.push_back(test::Image(0, 0x24, 0x04, 1000, 200, 3000, {}, static_cast<std::uint8_t>(i)));
    records.push_back(Rop(0x66));
    records.push_back(Rop(0x66));
    const Bytes list = DisplayList(records);
    std::vector<std::size_t> cuts;
    for (std::size_t at = 10240; at < list.size(); at += 10240) cuts.push_back(at);
    const Bytes stream = JobStart().Add(PageFrames(list, cuts));
    const auto result = Decode(stream);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.violation->rule, Rule::StateRepeat);
    const std::uint64_t listOffset = list.size() - 8;  // the second ROP
    EXPECT_EQ(result.violation->offset, kListStart + listOffset + 8 * (listOffset / 10240))
        << FormatViolation(*result.violation);
    EXPECT_EQ(result.summary.records.at(0x20), 3u);
}

TEST(JobStream, CompressedGlyphSizesAbove16BitsAreWhole)
{
    using namespace test;
    // 140 rows of 1,000 bytes alternating 0x01 and 0: each byte pair is one
    // token of two bytes, so the tokens take 140,000 bytes, more than 16 bits hold.
    ByteList bits(140000);
    for (std::size_t i = 0; i < bits.size(); i += 2) bits[i] = 0x01;
    const auto tokens = CompressGlyphBits(bits, bits.size());
    ASSERT_TRUE(tokens.has_value());
    ASSERT_EQ(tokens->size(), 140000u);
    const auto whole = Decode(OnePage({GlyphDrawn(0x57, 0x08, 1, 8000, 140, 2, *tokens)}));
    EXPECT_TRUE(whole.ok()) << FormatViolation(*whole.violation);

    // A size held in 16 bits would cut the size and the record length while
    // all the tokens are written: the next record then starts inside them.
    auto glyph = GlyphDrawn(0x57, 0x08, 1, 8000, 140, 2, *tokens);
    const std::uint32_t cutSize = 140000 & 0xFFFF;
    const std::uint32_t cutLength = 64 + ((cutSize + 3) & ~3u);
    for (int i = 0; i < 4; ++i) {
        glyph.v[52 + i] = static_cast<std::uint8_t>(cutSize >> (8 * i));
        glyph.v[4 + i] = static_cast<std::uint8_t>(cutLength >> (8 * i));
    }
    const auto truncated = Decode(OnePage({glyph}));
    ASSERT_FALSE(truncated.ok());
    EXPECT_EQ(truncated.violation->rule, Rule::RecordType);
    EXPECT_EQ(truncated.violation->offset, kFirstRecord + cutLength);
}

// ---- malformed streams ----------------------------------------------------------

struct BadCase {
    const char* what;
    Bytes stream;
    Rule rule;
    std::uint64_t offset;
};

TEST(JobStream, MalformedStreamsNameTheirRuleAndOffset)
{
    using namespace test;
    const Bytes page = PageFrames(DisplayList({}));
    const std::uint64_t r = kFirstRecord;  // the first record after page begin
    const BadCase cases[] = {
        // Frames.
        {"unknown frame type", Bytes{}.Raw({0xF2, 0, 0, 0, 0, 0, 0, 0}), Rule::FrameType, 0},
        {"frame header reserved byte", Bytes{}.Raw({0xF3, 0, 1, 0, 0, 0, 0, 0}), Rule::FrameReserved, 2},
        {"frame header cut short", JobStart().Raw({0xF4, 0, 0}), Rule::FrameHeader, 18},
        {"payload past the end", Bytes{}.Raw({0xF3, 0, 0, 0, 100, 0, 0, 0, 'x'}), Rule::FrameLength, 4},
        {"huge payload length", Bytes{}.Raw({0xF3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), Rule::FrameLength, 4},
        {"F0 with a payload", JobStart().Add(Frame(0xF4, {})).Add(Frame(0xF0, TextOf("x"))), Rule::FrameLength, 30},
        {"page before the job start", page, Rule::FrameOrder, 0},
        {"F0 without F4", JobStart().Add(Frame(0xF0, {})), Rule::FrameOrder, 18},
        {"F4 not followed by F0", JobStart().Add(Frame(0xF4, {})).Add(Frame(0xF5, {})), Rule::FrameOrder, 26},
        {"F5 outside a page", JobStart().Add(Frame(0xF5, {})), Rule::FrameOrder, 18},
        {"F1 outside a page", JobStart().Add(Frame(0xF1, {})), Rule::FrameOrder, 18},
        {"F3 inside a page", JobStart().Add(Frame(0xF4, {})).Add(Frame(0xF0, {})).Add(JobStart()), Rule::FrameOrder,
         34},
        {"the stream ends inside a page", JobStart().Add(Frame(0xF4, {})).Add(Frame(0xF0, {})), Rule::FrameOrder, 34},
        {"job name after the first page", JobStart().Add(page).Add(JobNameFrame("Report")), Rule::JobName,
         18 + page.size()},
        {"job name after a reset", JobStart().Add(JobNameFrame("A")).Add(page).Add(JobStart()).Add(JobNameFrame("B")),
         Rule::JobName, 18 + 32 + page.size() + 18},
        {"job name without CR LF", JobStart().Add(Frame(0xF3, TextOf("@PJL SET JOBNAME = \"Report\"\n"))),
         Rule::JobName, 26},
        {"job name with a blank before CR LF",
         JobStart().Add(Frame(0xF3, TextOf("@PJL SET JOBNAME = \"Report\" \r\n"))), Rule::JobName, 26},
        // Generated PJL lines.
        {"DEVFONTID with one quote", JobStart("@PJL SET DEVFONTID = \" \r\n"), Rule::PjlLine, 8 + 21},
        {"DATE without the blank", JobStart("@PJL SET DATE = \"2007/01/31\"\r\n"), Rule::PjlLine, 8 + 28},
        {"DATE not a date", JobStart("@PJL SET DATE = \"31.01.2007\" \r\n"), Rule::PjlLine, 8 + 16},
        {"CHAPTERPAGE kind", JobStart("@PJL SET CHAPTERPAGE1 = SKIP \r\n"), Rule::PjlLine, 8 + 24},
        {"CHAPTERPRINTDUPLEX value", JobStart("@PJL SET CHAPTERPRINTDUPLEX2 = YES \r\n"), Rule::PjlLine, 8 + 31},
        {"name without \" = \"", JobStart("@PJL SET VEXLDRIVERNAME=\"x\" \r\n"), Rule::PjlLine, 8 + 23},
        // Page structure.
        {"display list not starting with 0x60", JobStart().Add(PageFrames(Bytes{}.Add(PageEnd()))), Rule::PageStructure,
         kListStart},
        {"a record after 0x61", JobStart().Add(PageFrames(DisplayList({}).Add(Rop(0x66)))), Rule::PageStructure,
         kListStart + 20},
        {"no 0x61 at the page end", JobStart().Add(PageFrames(PageBegin())), Rule::PageStructure, kListStart + 16},
        {"page without display list", JobStart().Add(Frame(0xF4, {})).Add(Frame(0xF0, {})).Add(Frame(0xF1, {})),
         Rule::PageStructure, 34},
        {"a record cut by the page end", JobStart().Add(PageFrames(PageBegin().Raw({0x33, 1}))), Rule::RecordTruncated,
         kListStart + 16},
        {"a record of huge length", OnePage({Bytes{}.Raw({0x20, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF})}),
         Rule::RecordTruncated, r},
        // Records.
        {"unknown record type", OnePage({Bytes{}.Raw({0x13, 0, 0, 0})}), Rule::RecordType, r},
        {"length not a multiple of 4", OnePage({Bytes{}.Raw({0x10, 0, 1, 0, 26, 0, 0, 0})}), Rule::RecordLength, r + 4},
        {"length below the header", OnePage({Bytes{}.Raw({0x52, 0, 0, 0, 8, 0, 0, 0})}), Rule::RecordLength, r + 4},
        {"filled rectangle of 24 bytes", OnePage({Bytes{}.Raw({0x10, 0, 1, 0}).U32(24).Rect(1, 2, 3, 4)}),
         Rule::RecordLength, r + 4},
        {"second rectangle differs", OnePage({Bytes{}.Raw({0x10, 0, 1, 0}).U32(40).Rect(1, 2, 3, 4).Rect(1, 2, 3, 5)}),
         Rule::FieldValue, r + 36},
        {"rectangle reserved byte", OnePage({Bytes{}.Raw({0x10, 7, 5, 0}).U32(24).Rect(1, 2, 3, 4)}), Rule::Reserved,
         r + 1},
        {"rectangle kind", OnePage({Bytes{}.Raw({0x10, 0, 2, 0}).U32(24).Rect(1, 2, 3, 4)}), Rule::FieldValue, r + 2},
        {"colour length against its flags", OnePage({Bytes{}.Raw({0x30, 8, 0x09, 0, 1, 2, 3, 0})}), Rule::RecordLength,
         r + 1},
        {"colour without flag 0x01", OnePage({Bytes{}.Raw({0x30, 8, 0x00, 0, 1, 2, 3, 0})}), Rule::FieldValue, r + 2},
        {"colour padding", OnePage({Bytes{}.Raw({0x30, 8, 0x01, 0, 1, 2, 3, 9})}), Rule::Reserved, r + 7},
        {"ROP 0xF0 sent as it is", OnePage({Rop(0xF0)}), Rule::FieldValue, r + 1},
        {"ROP repeated", OnePage({Rop(0x66), Rop(0x66)}), Rule::StateRepeat, r + 4},
        {"background mode repeated", OnePage({Background(1), Rop(0x66), Background(1)}), Rule::StateRepeat, r + 8},
        {"background mode 3", OnePage({Background(3)}), Rule::FieldValue, r + 1},
        {"line width repeated", OnePage({LineWidth(1, 2, ~0u), LineWidth(1, 2, ~0u)}), Rule::StateRepeat, r + 8},
        {"dash unit 0", OnePage({LineWidth(0, 2, ~0u)}), Rule::FieldValue, r + 1},
        {"dash phase repeated", OnePage({DashPhase(3), DashPhase(3)}), Rule::StateRepeat, r + 4},
        {"end cap 3", OnePage({LineCap(3)}), Rule::FieldValue, r + 1},
        {"join and miter repeated", OnePage({LineJoin(2, 2560), LineJoin(2, 2560)}), Rule::StateRepeat, r + 8},
        {"clip reset repeated", OnePage({ClipReset(), ClipReset()}), Rule::StateRepeat, r + 4},
        {"clip rectangle repeated", OnePage({ClipRect(1, 2, 3, 4), FillRect(0, 0, 1, 1), ClipRect(1, 2, 3, 4)}),
         Rule::StateRepeat, r + 64},
        {"solid brush repeated", OnePage({SolidPattern(), SolidPattern()}), Rule::StateRepeat, r + 8},
        {"pattern data length against the side", OnePage({Bytes{}.Raw({0x40, 0x80, 32, 1}).U16(64).Zeros(64).Pad4()}),
         Rule::FieldValue, r + 4},
        {"pattern byte 3", OnePage({Bytes{}.Raw({0x40, 0, 32, 0}).U16(0).Pad4()}), Rule::FieldValue, r + 3},
        // Paths.
        {"point-word count", OnePage({[] {
             auto p = PathRecord(1, false, {{0, 0, {{1, 1}}}});
             p.v[24] = 7;
             return p;
         }()}),
         Rule::PathBody, r + 24},
        {"0x12 with a curve", OnePage({PathRecord(1, false, {{0, 0, {{1, 2, 3, 4, 5, 6}}}}, 0x12)}), Rule::PathBody, r},
        {"0x11 without a curve", OnePage({PathRecord(1, false, {{0, 0, {{1, 1}}}}, 0x11)}), Rule::PathBody, r},
        {"closed stroke of two subpaths in one record",
         OnePage({PathRecord(0, true, {{0, 0, {{1, 1}}}, {5, 5, {{6, 6}}}})}), Rule::PathBody, r},
        {"element kind 2", OnePage({[] {
             auto p = PathRecord(1, false, {{0, 0, {{1, 1}}}});
             p.v[40] = 2;
             return p;
         }()}),
         Rule::PathBody, r + 40},
        {"element count past the record end", OnePage({[] {
             auto p = PathRecord(1, false, {{0, 0, {{1, 1}}}});
             p.v[28] = 9;
             return p;
         }()}),
         Rule::PathBody, r + 52},
        {"several-subpath flag on one subpath", OnePage({[] {
             auto p = PathRecord(1, false, {{0, 0, {{1, 1}}}});
             p.v[2] |= 0x10;
             return p;
         }()}),
         Rule::FieldValue, r + 2},
        {"drawing mode 6", OnePage({[] {
             auto p = PathRecord(1, false, {{0, 0, {{1, 1}}}});
             p.v[2] = 6;
             return p;
         }()}),
         Rule::FieldValue, r + 2},
        // Images.
        {"image length", OnePage({[] {
             auto i = test::Image(0, 0x24, 0, 3, 2, 12, {});
             i.v[36] = 3;
             return i;
         }()}),
         Rule::RecordLength, r + 4},
        {"24-bit image without flag 0x20", OnePage({test::Image(0, 0x04, 0, 3, 2, 12, {})}), Rule::ImageLayout, r + 2},
        {"grey image of format 4", OnePage({test::Image(0, 0x34, 0, 4, 2, 4, {})}), Rule::ImageLayout, r + 2},
        {"1-bit image whose last two bytes are not zero", OnePage({[] {
             auto i = test::Image(0, 0x00, 0, 33, 3, 8, kPalette2);
             i.v[i.size() - 1] = 1;
             return i;
         }()}),
         Rule::Reserved, r + 56 + 6 + 24 + 1},
        {"grey row padding", OnePage({test::Image(0, 0x32, 0, 5, 2, 8, {}, 0x11)}), Rule::Reserved, r + 56 + 5},
        {"image destination", OnePage({[] {
             auto i = test::Image(0, 0x24, 0, 3, 2, 12, {});
             i.v[48] = 9;
             return i;
         }()}),
         Rule::ImageLayout, r + 8},
        // Text.
        {"font selection length", OnePage({[] {
             auto f = FontSelect(0x50, 0x0008, "Mincho");
             f.v[14] = 36;
             f.Zeros(4);
             return f;
         }()}),
         Rule::RecordLength, r + 14},
        {"emboldened without bold", OnePage({FontSelect(0x50, 0x0028, "Mincho")}), Rule::FieldValue, r + 4},
        {"kind 2 with 0x2000", OnePage({FontSelect(0x50, 0x2008, "Mincho")}), Rule::FieldValue, r + 4},
        {"downloaded font with a kind bit", OnePage({FontSelect(0x56, 0x2200, "Face")}), Rule::FieldValue, r + 4},
        {"escapement 360", OnePage({[] {
             auto f = FontSelect(0x50, 0x0008, "M");
             f.v[8] = 0x68;
             f.v[9] = 1;
             return f;
         }()}),
         Rule::FieldValue, r + 8},
        {"string advances against flag 0x80", OnePage({[] {
             auto s = DeviceString(u"ABC", {10});
             s.v[2] = 0x80;
             return s;
         }()}),
         Rule::RecordLength, r + 4},
        {"device character of 40 bytes", OnePage({[] {
             auto c = DeviceChar(0x41);
             c.v[4] = 40;
             c.Zeros(4);
             return c;
         }()}),
         Rule::RecordLength, r + 4},
        // Glyphs.
        {"glyph tokens not those of the rules",
         OnePage({GlyphDrawn(0x57, 0x08, 1, 1, 8, 2, {0x10, 0x41, 0x81, 0x41, 0x00, 0x42})}), Rule::GlyphBitmap,
         r + 64},
        {"glyph sent raw though it compresses",
         OnePage({GlyphDrawn(0x57, 0x08, 1, 8, 8, 0, {0, 0, 0x41, 0x41, 0x41, 0x42, 0, 0})}), Rule::GlyphBitmap,
         r + 62},
        {"all-zero glyph compressed", OnePage({GlyphDrawn(0x57, 0x08, 1, 8, 1, 2, {})}), Rule::GlyphBitmap, r + 52},
        {"compressed glyph larger than its room",
         OnePage({GlyphDrawn(0x57, 0x08, 1, 32, 1, 2, {0x03, 0xAA, 0x55, 0xAA, 0x55})}), Rule::GlyphBitmap, r + 52},
        {"glyph tokens beyond the bitmap", OnePage({GlyphDrawn(0x57, 0x08, 1, 8, 2, 2, {0x91, 0x41})}),
         Rule::GlyphBitmap, r + 64},
        {"raw glyph size against its rows", OnePage({GlyphDrawn(0x57, 0x08, 1, 9, 2, 0, {1, 2, 3})}), Rule::GlyphBitmap,
         r + 52},
        {"glyph reused before it was sent", OnePage({GlyphAgain(0x48, 0x41, 1, 8)}), Rule::GlyphReuse, r},
        {"glyph reused with the other code kind",
         OnePage({GlyphDrawn(0x53, 0x08, 0x41, 1, 8, 2, kGlyphTokens), GlyphAgain(0x44, 0x41, 1, 8)}), Rule::GlyphReuse,
         r + 68},
        {"glyph reused without the cached flag",
         OnePage({GlyphDrawn(0x53, 0x08, 0x41, 1, 8, 2, kGlyphTokens), GlyphAgain(0x08, 0x41, 1, 8)}), Rule::FieldValue,
         r + 68 + 2},
        {"one-off glyph without bitmap", OnePage({[] {
             auto g = GlyphAgain(0x08, 1, 1, 8);
             g.v[0] = 0x57;
             return g;
         }()}),
         Rule::FieldValue, r + 32},
        {"glyph flags with both code kinds", OnePage({GlyphDrawn(0x57, 0x0C, 7, 16, 1, 0, {0xAA, 0x55})}),
         Rule::FieldValue, r + 2},
        {"glyph box against its size", OnePage({[] {
             auto g = GlyphDrawn(0x57, 0x04, 7, 32, 1, 0, {0xAA, 0x55, 0xAA, 0x55});
             g.v[16] = 0;
             return g;
         }()}),
         Rule::FieldValue, r + 8},
        {"glyph definition of size 0", OnePage({GlyphDefinition(0x08, 1, 0, 0, 0, {})}), Rule::FieldValue, r + 8},
        {"glyph run whose first entry moves", OnePage({GlyphRun(0x08, {{1, 0, 5}})}), Rule::FieldValue, r + 36},
        {"glyph run padding", OnePage({[] {
             auto g = GlyphRun(0x08, {{0, 0, 5}});
             g.v[g.size() - 1] = 1;
             return g;
         }()}),
         Rule::Reserved, r + 43},
        {"page begin with two resolutions", JobStart().Add(PageFrames([] {
             auto b = PageBegin();
             b.v[14] = 0x2C;
             b.v[15] = 0x01;
             return b.Add(PageEnd());
         }())),
         Rule::FieldValue, kListStart + 14},
    };
    for (const auto& c : cases) {
        const auto result = Decode(c.stream);
        ASSERT_FALSE(result.ok()) << c.what << "\n" << result.listing;
        EXPECT_EQ(result.violation->rule, c.rule) << c.what << ": " << FormatViolation(*result.violation);
        EXPECT_EQ(result.violation->offset, c.offset) << c.what << ": " << FormatViolation(*result.violation);
    }
}

}  // namespace
}  // namespace vexl::dump
