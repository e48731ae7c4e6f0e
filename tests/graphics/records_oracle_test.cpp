// The encoder's records read back by the job-stream checker, which was
// written from the record tables apart from the encoder: every record
// emitter and state selection with typical inputs, framed into a job as the
// driver frames a page, must make a stream the checker accepts.
#include "stream_seam.h"
#include "vexl_dump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vexl {
namespace {

using Bytes = std::vector<BYTE>;
using test::FakePath;
using test::kFake;
using test::MakePath;
using test::StreamSeam;

constexpr FLONG kBegin = PD_BEGINSUBPATH;
constexpr FLONG kEnd = PD_ENDSUBPATH;
constexpr FLONG kClose = PD_CLOSEFIGURE;
constexpr FLONG kBeziers = PD_BEZIERS;

// Writes a command-group frame with its text straight to the spool.
void WriteTextFrame(OutputStream& stream, BYTE type, const std::string& text)
{
    ASSERT_TRUE(WriteFrameHeader(stream, type, static_cast<std::uint32_t>(text.size())));
    if (!text.empty()) {
        ASSERT_TRUE(WriteToSpool(stream, text.data(), static_cast<std::uint32_t>(text.size())));
    }
}

// The job as the driver frames it: the JobStart group, then each page's
// PageStart group, the display-list marker, the buffered display list and
// the PageEnd group. `drawPage` fills the display list of page n between
// its page-begin and page-end records.
template <typename DrawPage> Bytes FramedJob(StreamSeam& seam, int pages, DrawPage drawPage)
{
    WriteTextFrame(seam.stream, kFrameJobStart, "@PJL SET DATE = \"2007/01/31\" \r\n");
    for (int page = 1; page <= pages; ++page) {
        WriteTextFrame(seam.stream, kFramePageStart, "@PJL SET ORIENTATION=PORTRAIT\r\n");
        EXPECT_TRUE(WriteFrameHeader(seam.stream, kFrameDisplayListBegin, 0));
        InvalidateStateCaches(seam.caches);
        EXPECT_NE(EmitPageBeginRecord(seam.stream, 4761, 6816, 600), nullptr);
        drawPage(page);
        EXPECT_NE(EmitPageEndRecord(seam.stream), nullptr);
        EXPECT_TRUE(FlushOutputStream(seam.stream));
        WriteTextFrame(seam.stream, kFramePageEnd, "");
    }
    EXPECT_EQ(seam.flags & kPdevOutputFailed, 0u);
    return seam.spool.bytes;
}

// The checker's verdict, with the listing up to the fault when it has one.
::testing::AssertionResult Checks(const Bytes& job)
{
    const dump::DecodeResult result = dump::DecodeJobStream(job);
    if (result.ok()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << dump::FormatViolation(*result.violation) << "\n" << result.listing;
}

ColorState Color(BYTE kind, DWORD fg, DWORD bg = 0xFFFFFF, BYTE mode = 1, BOOL pen = FALSE, DWORD penColor = 0)
{
    ColorState state{};
    state.rop2 = 13;
    state.kind = kind;
    state.foreground = fg;
    state.background = bg;
    state.backgroundMode = mode;
    state.penColor = pen;
    state.pen = penColor;
    return state;
}

RealizedBrush Brush(WORD kind, WORD bpp, WORD side, DWORD host = 0)
{
    RealizedBrush brush{};
    brush.kind = kind;
    brush.bitsPerPixel = bpp;
    brush.side = side;
    brush.color1 = 0x112233;
    brush.hostMatched = host;
    for (std::uint32_t i = 0; i < kMaxPatternBytes; ++i) brush.bits[i] = BYTE(i * 37 + 5);
    return brush;
}

FontSelection Font(BYTE kind, const char* face)
{
    FontSelection font{};
    font.kind = kind;
    font.charSet = 0;
    font.pitchAndFamily = 0x31;
    font.weight = 400;
    font.emX = 42;
    font.emY = 50;
    font.avgWidth = 21;
    font.internalLeading = 4;
    font.defaultChar = 0x20;
    std::strncpy(font.faceName, face, sizeof font.faceName - 1);
    return font;
}

LineState Line(WORD width, DWORD dashMask = 0xFFFFFFFF)
{
    LineState line{};
    line.dashUnit = 1;
    line.join = 0;
    line.cap = 0;
    line.width = width;
    line.miterLimit = 10 * 256;
    line.dashMask = dashMask;
    return line;
}

// A glyph of `rows` rows of `rowBytes` bytes, as the glyph code sends it:
// compressed when the compressed form fits, else the bits as they are.
struct GlyphBits {
    Bytes bits;
    Bytes tokens;
    BYTE compression = kGlyphUncompressed;

    GlyphBits(Bytes raw, std::uint32_t rows, std::uint32_t rowBytes) : bits(std::move(raw))
    {
        tokens.resize((bits.size() + 3) & ~std::size_t{3});
        const std::uint32_t size =
            TryCompressGlyph(bits.data(), tokens.data(), static_cast<std::uint32_t>(tokens.size()), rows, rowBytes);
        if (size > 0) {
            tokens.resize(size);
            compression = kGlyphCompressed;
        } else {
            tokens = bits;
        }
    }
    const BYTE* Data() const { return tokens.data(); }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(tokens.size()); }
};

// 16 x 16 bits: a solid block with a border of zero rows (long runs).
Bytes BlockGlyph()
{
    Bytes bits(32, 0);
    for (int row = 3; row < 13; ++row) bits[row * 2] = bits[row * 2 + 1] = 0xFF;
    return bits;
}

// 16 x 8 bits of a checkerboard that does not compress.
Bytes CheckerGlyph()
{
    Bytes bits(16);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = BYTE(i * 73 + 11);
    return bits;
}

void DrawStateAndShapes(StreamSeam& seam)
{
    OutputStream& s = seam.stream;
    StateCaches& caches = seam.caches;
    // Clip to a rectangle, then back to the whole page.
    ASSERT_NE(EmitClipRectangleRecord(s, RECTL{100, 100, 4000, 6000}), nullptr);
    ASSERT_NE(EmitClipResetRecord(s), nullptr);
    ASSERT_NE(EmitClipRectangleRecord(s, RECTL{0, 0, 4761, 6816}), nullptr);

    // A filled rectangle: rop, background, solid brush, colour; the second
    // rectangle of the same state sends only itself.
    const ColorState fill = Color(0, 0xC80000);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(SelectRop(s, caches, 0xF0));
        ASSERT_TRUE(SelectBackgroundMode(s, caches, 1));
        RealizedBrush solid = Brush(0, 1, 0);
        ASSERT_TRUE(SelectPattern(s, caches, &solid));
        ASSERT_TRUE(SelectColor(s, caches, &fill));
        ASSERT_NE(EmitRectangleRecord(s, RECTL{300 + 1400 * i, 700, 1500 + 1400 * i, 1100}), nullptr);
    }
    // Rops asked as F0 and as CC both go out as CC.
    ASSERT_TRUE(SelectRop(s, caches, 0xCC));
    ASSERT_TRUE(SelectRop(s, caches, 0x66));
    ASSERT_TRUE(SelectBackgroundMode(s, caches, 2));
    // Pattern brushes of each kind, then back to a solid brush.
    RealizedBrush oneBit = Brush(2, 1, 32);
    RealizedBrush colour = Brush(3, 24, 16, 1);
    RealizedBrush small = Brush(3, 1, 16);
    RealizedBrush solid = Brush(0, 1, 0);
    for (RealizedBrush* brush : {&oneBit, &colour, &small, &solid}) ASSERT_TRUE(SelectPattern(s, caches, brush));
    const ColorState text = Color(kColorKindText, 0x000000);
    ASSERT_TRUE(SelectColor(s, caches, &text));
    ColorState matched = text;
    matched.hostMatched = TRUE;
    ASSERT_TRUE(SelectColor(s, caches, &matched));

    // Lines: width, dashes, caps and joins; paths of lines and curves.
    ASSERT_TRUE(SelectLineState(s, caches, Line(8)));
    ASSERT_TRUE(SelectLineState(s, caches, Line(8)));
    LineState dashed = Line(4, 0xFF00FF00);
    dashed.phase = 3;
    dashed.cap = 2;
    dashed.join = 2;
    ASSERT_TRUE(SelectLineState(s, caches, dashed));
    const ColorState strokeAndFill = Color(3, 0x00C8FF, 0xFFFFFF, 1, TRUE, 0x000000);
    ASSERT_TRUE(SelectColor(s, caches, &strokeAndFill));
    ASSERT_NE(EmitLineWidthRecord(s, 6, 0xFFFFFFFF, 1), nullptr);
    ASSERT_NE(EmitDashPhaseRecord(s, 0), nullptr);
    ASSERT_NE(EmitLineCapRecord(s, 1), nullptr);
    ASSERT_NE(EmitLineJoinRecord(s, 1, 0xA00), nullptr);

    FakePath line = MakePath(1, {{kBegin | kEnd, {{4800, 20800}, {68800, 20800}}}}, RECTFX{4800, 20800, 68800, 20800});
    ASSERT_NE(EmitPathRecord(s, &line, kPathStroke, kFake), nullptr);
    FakePath triangle = MakePath(3, {{kBegin | kEnd | kClose, {{16, 32}, {1600, 32}, {1600, 3200}}}});
    ASSERT_NE(EmitPathRecord(s, &triangle, kPathFillAlternate, kFake), nullptr);
    FakePath wave = MakePath(2,
                             {{kBegin, {{4800, 38400}}},
                              {kBeziers, {{11200, 35200}, {17600, 35200}, {24000, 38400}}},
                              {kBeziers | kEnd, {{30400, 41600}, {36800, 41600}, {43200, 38400}}}},
                             RECTFX{4800, 35200, 43200, 41600});
    ASSERT_NE(EmitPathRecord(s, &wave, kPathStroke, kFake), nullptr);
    FakePath rings = MakePath(8,
                              {{kBegin | kEnd | kClose, {{0, 0}, {1600, 0}, {1600, 1600}, {0, 1600}}},
                               {kBegin | kEnd | kClose, {{320, 320}, {1280, 320}, {1280, 1280}, {320, 1280}}}},
                              RECTFX{0, 0, 1600, 1600});
    ASSERT_NE(EmitPathRecord(s, &rings, kPathFillWinding, kFake), nullptr);
    ASSERT_NE(EmitPathRecord(s, &rings, kPathStrokeFillAlternate, kFake), nullptr);
    // A stroke with closed figures goes one record per subpath.
    ASSERT_NE(EmitPathRecord(s, &rings, kPathStroke, kFake), nullptr);
    FakePath mixed = MakePath(3, {{kBegin, {{0, 0}}},
                                  {kBeziers | kEnd | kClose, {{160, 0}, {160, 160}, {0, 160}}},
                                  {kBegin | kEnd, {{320, 320}, {480, 480}}}});
    ASSERT_NE(EmitPathPerSubpath(s, &mixed, kPathStroke, kFake), nullptr);
    ASSERT_NE(EmitPathRecord(s, &rings, kPathClip, kFake), nullptr);
}

void DrawText(StreamSeam& seam)
{
    OutputStream& s = seam.stream;
    // Device fonts: a character, an outline character, strings.
    FontSelection device = Font(2, "Courier");
    ASSERT_NE(EmitFontSelectRecord(s, device), nullptr);
    ASSERT_NE(EmitDeviceCharRecord(s, RECTL{300, 360, 321, 410}, 300, 400, 0x41), nullptr);
    FakePath outline = MakePath(4, {{kBegin | kEnd | kClose, {{0, 0}, {320, 0}, {320, 640}, {0, 640}}}});
    std::uint32_t bodySize = 0;
    BOOL closed = FALSE;
    BYTE* body = EncodePathBodyInPool(seam.pool, &outline, &closed, 0, 0, &bodySize, kFake);
    ASSERT_NE(body, nullptr);
    ASSERT_NE(EmitOutlineCharRecord(s, RECTL{330, 360, 351, 410}, 330, 400, 0x42, body, bodySize), nullptr);
    PdevPoolFree(seam.pool, body);
    const WCHAR chars[3] = {u'V', u'E', u'X'};
    const SHORT one[1] = {21};
    const SHORT each[3] = {21, 22, -3};
    ASSERT_NE(EmitDeviceStringRecord(s, RECTL{300, 460, 363, 510}, 300, 500, one, 1, chars, 3), nullptr);
    ASSERT_NE(EmitDeviceStringRecord(s, RECTL{300, 560, 363, 610}, 300, 600, each, 3, chars, 3), nullptr);
    FontSelection styled = Font(1, "Mincho");
    styled.simBold = TRUE;
    styled.emboldened = TRUE;
    styled.simItalic = TRUE;
    styled.angle = 90;
    ASSERT_NE(EmitFontSelectRecord(s, styled), nullptr);
    for (BYTE kind : {BYTE{3}, BYTE{4}}) ASSERT_NE(EmitFontSelectRecord(s, Font(kind, "Gothic")), nullptr);

    // Downloaded glyphs: definitions and runs, glyphs drawn one by one,
    // kept and reused without their bitmap.
    FontSelection downloaded = Font(5, "Test");
    downloaded.vertical = TRUE;
    ASSERT_NE(EmitDownloadFontRecord(s, downloaded), nullptr);
    downloaded.vertical = FALSE;
    downloaded.fontClass = kFontClassGlyphIndices;
    ASSERT_NE(EmitDownloadFontRecord(s, downloaded), nullptr);
    const GlyphBits block(BlockGlyph(), 16, 2);
    const GlyphBits checker(CheckerGlyph(), 8, 2);
    ASSERT_EQ(block.compression, kGlyphCompressed);
    ASSERT_EQ(checker.compression, kGlyphUncompressed);
    ASSERT_NE(EmitGlyphDefinitionRecord(
                  s, GlyphDefinition{0x04, 16, 16, 0x0021, block.compression, block.Data(), block.Size()}),
              nullptr);
    ASSERT_NE(EmitGlyphDefinitionRecord(
                  s, GlyphDefinition{0x04, 16, 8, 0x0022, checker.compression, checker.Data(), checker.Size()}),
              nullptr);
    const GlyphRunEntry run[3] = {{0, 0, 0x0021}, {18, 0, 0x0022}, {18, -2, 0x0021}};
    ASSERT_NE(EmitGlyphRunRecord(s, 0x04, RECTL{300, 700, 354, 716}, 300, 716, run, 3), nullptr);

    GlyphDraw kept{kRecordGlyphKept,
                   0x08,
                   RECTL{500, 800, 516, 816},
                   {500, 812},
                   {500, 800},
                   16,
                   16,
                   0x0041,
                   block.compression,
                   block.Data(),
                   block.Size()};
    ASSERT_NE(EmitGlyphRecord(s, kept), nullptr);
    GlyphDraw again = kept;
    again.flags = 0x48;
    again.box = RECTL{520, 800, 536, 816};
    again.bitmapOrigin = POINTL{520, 800};
    again.bitmap = nullptr;
    ASSERT_NE(EmitGlyphRecord(s, again), nullptr);
    GlyphDraw once{kRecordGlyphOnce,
                   0x04,
                   RECTL{540, 808, 556, 816},
                   {540, 812},
                   {540, 808},
                   16,
                   8,
                   0x0022,
                   checker.compression,
                   checker.Data(),
                   checker.Size()};
    ASSERT_NE(EmitGlyphRecord(s, once), nullptr);
}

TEST(RecordsOracle, EveryRecordTheEncoderWritesPassesTheChecker)
{
    StreamSeam seam;
    const Bytes job = FramedJob(seam, 2, [&](int page) {
        DrawStateAndShapes(seam);
        if (page == 1) DrawText(seam);
    });
    EXPECT_TRUE(Checks(job));
    // Every record type the emitters have reached the checker.
    const dump::DecodeResult result = dump::DecodeJobStream(job);
    for (BYTE type : {0x10, 0x11, 0x12, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37,
                      0x40, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x60, 0x61})
        EXPECT_EQ(result.summary.records.count(type), 1u) << std::hex << int(type);
    EXPECT_EQ(result.summary.pages, 2u);
}

// A display list of many blocks, past the early flush: records run across
// F5 frames.
TEST(RecordsOracle, ADisplayListOfManyFramesPassesTheChecker)
{
    StreamSeam seam;
    const Bytes job = FramedJob(seam, 1, [&](int) {
        const ColorState colors[2] = {Color(0, 0xFF0000), Color(0, 0x0000FF)};
        for (int i = 0; i < 23000; ++i) {
            ASSERT_TRUE(SelectColor(seam.stream, seam.caches, &colors[i % 2]));
            ASSERT_NE(EmitRectangleRecord(seam.stream, RECTL{i % 4000, i % 6000, i % 4000 + 10, i % 6000 + 10}),
                      nullptr);
        }
    });
    EXPECT_GT(seam.spool.bytes.size(), std::size_t{kEarlyFlushBytes});
    EXPECT_TRUE(Checks(job));
    // The blocks of the early flush and the rest.
    EXPECT_GT(dump::DecodeJobStream(job).summary.frames.at(kFrameDisplayList), 100u);
}

// The dash unit and the dash phase go out as one byte: values that differ
// only above it are the state the page already has, and send no record.
TEST(RecordsOracle, LineStatesOfTheSameRecordBytesAreNotSentTwice)
{
    StreamSeam seam;
    const Bytes job = FramedJob(seam, 1, [&](int) {
        LineState line = Line(4, 0xF0F0F0F0);
        line.phase = 0x110;
        line.dashUnit = 0x102;
        ASSERT_TRUE(SelectLineState(seam.stream, seam.caches, line));
        line.phase = 0x210;
        line.dashUnit = 0x202;
        ASSERT_TRUE(SelectLineState(seam.stream, seam.caches, line));
        line.phase = 0x11;
        ASSERT_TRUE(SelectLineState(seam.stream, seam.caches, line));
    });
    EXPECT_TRUE(Checks(job));
    const dump::DecodeResult result = dump::DecodeJobStream(job);
    EXPECT_EQ(result.summary.records.at(kRecordLineWidth), 1u);
    EXPECT_EQ(result.summary.records.at(kRecordDashPhase), 2u);
}

}  // namespace
}  // namespace vexl
