// Display-list records against bytes computed by hand from the record
// tables, written into memory that starts stale so that every reserved and
// padding byte is seen to be written zero.
#include "stream_seam.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace vexl {
namespace {

using Bytes = std::vector<BYTE>;
using test::StreamSeam;

Bytes Le32(std::uint32_t v)
{
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Zeros(std::size_t n)
{
    return Bytes(n, 0);
}

const RECTL kBox{1, 2, 3, 4};
const Bytes kBoxBytes = Cat({Le32(1), Le32(2), Le32(3), Le32(4)});

ColorState Color(DWORD fg, DWORD bg, BYTE mode, BOOL pen = FALSE, DWORD penColor = 0, BYTE kind = 0, BOOL host = FALSE)
{
    ColorState state{};
    state.foreground = fg;
    state.background = bg;
    state.backgroundMode = mode;
    state.penColor = pen;
    state.pen = penColor;
    state.kind = kind;
    state.hostMatched = host;
    return state;
}

FontSelection Font(BYTE kind, const char* face)
{
    FontSelection font{};
    font.kind = kind;
    font.charSet = 128;
    font.pitchAndFamily = 0x31;
    font.weight = 400;
    font.angle = 90;
    font.emX = 50;
    font.emY = 60;
    font.internalLeading = 5;
    font.defaultChar = 0x20;
    std::strncpy(font.faceName, face, sizeof font.faceName);
    return font;
}

RealizedBrush Brush(WORD kind, WORD bpp, WORD side, DWORD host = 0)
{
    RealizedBrush brush{};
    brush.kind = kind;
    brush.bitsPerPixel = bpp;
    brush.side = side;
    brush.hostMatched = host;
    for (std::uint32_t i = 0; i < kMaxPatternBytes; ++i) brush.bits[i] = BYTE(i * 7 + 1);
    return brush;
}

Bytes PatternBits(std::size_t n)
{
    Bytes bits(n);
    for (std::size_t i = 0; i < n; ++i) bits[i] = BYTE(i * 7 + 1);
    return bits;
}

const BYTE kGlyphBits[5] = {0x91, 0x41, 0x00, 0x42, 0x07};
const GlyphRunEntry kRun[2] = {{0, 0, 0x41}, {-2, 300, 0x42}};
const SHORT kOneAdvance[1] = {10};
const SHORT kTwoAdvances[2] = {10, -1};
const WCHAR kChars[2] = {u'A', u'B'};
const BYTE kOutlineBody[8] = {6, 0, 0, 0, 1, 0, 0, 0};

struct GoldenRow {
    const char* name;
    std::function<BYTE*(OutputStream&)> emit;
    Bytes expected;
};

const GoldenRow kGoldenRows[] = {
    {"filled rectangle", [](OutputStream& s) { return EmitRectangleRecord(s, kBox); },
     Cat({{0x10, 0, 1, 0}, Le32(40), kBoxBytes, kBoxBytes})},
    {"clip rectangle", [](OutputStream& s) { return EmitClipRectangleRecord(s, kBox); },
     Cat({{0x10, 0, 5, 0, 0x18, 0, 0, 0}, kBoxBytes})},
    {"solid fill colour, opaque", [](OutputStream& s) { return EmitColorRecord(s, Color(0x332211, 0xFFFFFF, 2)); },
     {0x30, 0x0C, 0x09, 0, 0x11, 0x22, 0x33, 0xFF, 0xFF, 0xFF, 0, 0}},
    {"stroke and fill colour with pen",
     [](OutputStream& s) { return EmitColorRecord(s, Color(0x332211, 0x665544, 2, TRUE, 0x998877, 3)); },
     {0x30, 0x10, 0x19, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0, 0, 0}},
    {"text colour matched by the host, transparent",
     [](OutputStream& s) { return EmitColorRecord(s, Color(0x030201, 0xFFFFFF, 1, FALSE, 0, 2, TRUE)); },
     {0x30, 0x08, 0xC1, 0, 0x01, 0x02, 0x03, 0}},
    {"raster operation F0 goes as CC", [](OutputStream& s) { return EmitRopRecord(s, 0xF0); }, {0x31, 0xCC, 0, 0}},
    {"raster operation 66", [](OutputStream& s) { return EmitRopRecord(s, 0x66); }, {0x31, 0x66, 0, 0}},
    {"background mode", [](OutputStream& s) { return EmitBackgroundModeRecord(s, 2); }, {0x32, 2, 0, 0}},
    {"line width and dash", [](OutputStream& s) { return EmitLineWidthRecord(s, 0x0102, 0xF0F0F0F0, 3); },
     {0x33, 3, 0x02, 0x01, 0xF0, 0xF0, 0xF0, 0xF0}},
    {"dash phase", [](OutputStream& s) { return EmitDashPhaseRecord(s, 0x110); }, {0x34, 0x10, 0, 0}},
    {"line cap", [](OutputStream& s) { return EmitLineCapRecord(s, 2); }, {0x35, 2, 0, 0}},
    {"line join", [](OutputStream& s) { return EmitLineJoinRecord(s, 2, 0xA00); }, {0x36, 2, 0, 0, 0, 0x0A, 0, 0}},
    {"clip reset", [](OutputStream& s) { return EmitClipResetRecord(s); }, {0x37, 0, 0, 0}},
    {"solid pattern", [](OutputStream& s) { return EmitPatternRecord(s, Brush(0, 1, 32)); },
     {0x40, 0, 32, 1, 0, 0, 0, 0}},
    {"one-bit pattern", [](OutputStream& s) { return EmitPatternRecord(s, Brush(2, 1, 32)); },
     Cat({{0x40, 0x80, 32, 1, 0x80, 0}, PatternBits(128), Zeros(2)})},
    {"24-bit pattern matched by the host", [](OutputStream& s) { return EmitPatternRecord(s, Brush(3, 24, 32, 1)); },
     Cat({{0x40, 0xC1, 32, 1, 0x00, 0x0C}, PatternBits(3072), Zeros(2)})},
    {"one-bit pattern of another side", [](OutputStream& s) { return EmitPatternRecord(s, Brush(3, 1, 8)); },
     Cat({{0x40, 0x80, 0, 1, 8, 0}, PatternBits(8), Zeros(2)})},
    {"device font, bold",
     [](OutputStream& s) {
         FontSelection font = Font(2, "Test");
         font.simBold = TRUE;
         return EmitFontSelectRecord(s, font);
     },
     Cat({{0x50, 0, 128, 0x31, 0x0A, 0, 0x90, 0x01, 90, 0, 50, 0, 60, 0, 32, 0}, Zeros(4), {5, 0, 0x20, 0},
          {'T', 'e', 's', 't'}, Zeros(4)})},
    {"device font, name of odd length, kind 1",
     [](OutputStream& s) { return EmitFontSelectRecord(s, Font(1, "Mincho")); },
     Cat({{0x50, 0, 128, 0x31, 0x04, 0x20, 0x90, 0x01, 90, 0, 50, 0, 60, 0, 32, 0}, Zeros(4), {5, 0, 0x20, 0},
          {'M', 'i', 'n', 'c', 'h', 'o'}, Zeros(2)})},
    {"downloaded font, italic, emboldened, vertical, glyph indices",
     [](OutputStream& s) {
         FontSelection font = Font(5, "Abc");
         font.simItalic = TRUE;
         font.emboldened = TRUE;
         font.vertical = TRUE;
         font.fontClass = kFontClassGlyphIndices;
         return EmitDownloadFontRecord(s, font);
     },
     Cat({{0x56, 128, 0x31, 0, 0xB3, 0x20, 0x90, 0x01, 90, 0, 50, 0, 60, 0, 40, 0}, Zeros(4), {5, 0, 0x20, 0},
          Zeros(8), {'A', 'b', 'c'}, Zeros(5)})},
    {"device character", [](OutputStream& s) { return EmitDeviceCharRecord(s, kBox, -5, 7, 0x8140); },
     Cat({{0x51, 0, 0, 0, 36, 0, 0, 0}, kBoxBytes, Le32(0xFFFFFFFB), Le32(7), {0x40, 0x81, 0, 0}})},
    {"outline character",
     [](OutputStream& s) { return EmitOutlineCharRecord(s, kBox, 5, 7, 0x41, kOutlineBody, sizeof kOutlineBody); },
     Cat({{0x51, 0, 1, 0, 44, 0, 0, 0}, kBoxBytes, Le32(5), Le32(7), {0x41, 0, 0, 0},
          Bytes(kOutlineBody, kOutlineBody + 8)})},
    {"device string with one advance",
     [](OutputStream& s) { return EmitDeviceStringRecord(s, kBox, 5, 7, kOneAdvance, 1, kChars, 2); },
     Cat({{0x52, 0, 0, 0, 44, 0, 0, 0}, kBoxBytes, Le32(5), Le32(7), {2, 0, 0, 0}, {10, 0, 'A', 0, 'B', 0},
          Zeros(2)})},
    {"device string with an advance per character",
     [](OutputStream& s) { return EmitDeviceStringRecord(s, kBox, 5, 7, kTwoAdvances, 2, kChars, 2); },
     Cat({{0x52, 0, 0x80, 0, 44, 0, 0, 0}, kBoxBytes, Le32(5), Le32(7), {2, 0, 0, 0},
          {10, 0, 0xFF, 0xFF, 'A', 0, 'B', 0}})},
    {"glyph kept, compressed bitmap",
     [](OutputStream& s) {
         GlyphDraw glyph{kRecordGlyphKept, 0x04, kBox, {10, 20}, {11, 21}, 8, 5, 0x1234, kGlyphCompressed,
                         kGlyphBits, 5};
         return EmitGlyphRecord(s, glyph);
     },
     Cat({{0x53, 0, 0x04, 0, 72, 0, 0, 0}, kBoxBytes, Le32(10), Le32(20), Le32(64), Le32(11), Le32(21), Le32(8),
          Le32(5), Le32(5), Zeros(4), {0x34, 0x12, 2, 0}, Bytes(kGlyphBits, kGlyphBits + 5), Zeros(3)})},
    {"glyph the printer has",
     [](OutputStream& s) {
         GlyphDraw glyph{kRecordGlyphKept, 0x44, kBox, {10, 20}, {11, 21}, 8, 5, 0x1234, kGlyphCompressed,
                         nullptr, 5};
         return EmitGlyphRecord(s, glyph);
     },
     Cat({{0x53, 0, 0x44, 0, 64, 0, 0, 0}, kBoxBytes, Le32(10), Le32(20), Le32(0), Le32(11), Le32(21), Le32(8),
          Le32(5), Le32(0), Zeros(4), {0x34, 0x12, 0, 0}})},
    {"glyph not kept, raw bitmap",
     [](OutputStream& s) {
         GlyphDraw glyph{kRecordGlyphOnce, 0x08, kBox, {-1, -2}, {0, 0}, 8, 4, 0x41, kGlyphUncompressed,
                         kGlyphBits, 4};
         return EmitGlyphRecord(s, glyph);
     },
     Cat({{0x57, 0, 0x08, 0, 68, 0, 0, 0}, kBoxBytes, Le32(0xFFFFFFFF), Le32(0xFFFFFFFE), Le32(64), Le32(0),
          Le32(0), Le32(8), Le32(4), Le32(4), Zeros(4), {0x41, 0, 0, 0}, Bytes(kGlyphBits, kGlyphBits + 4)})},
    {"glyph definition",
     [](OutputStream& s) {
         GlyphDefinition glyph{0x04, 8, 3, 0x1234, kGlyphUncompressed, kGlyphBits, 3};
         return EmitGlyphDefinitionRecord(s, glyph);
     },
     Cat({{0x54, 0, 0x04, 0, 32, 0, 0, 0}, Le32(3), Le32(8), Le32(3), Zeros(4), {0x34, 0x12, 0, 0},
          {0x91, 0x41, 0x00}, Zeros(1)})},
    {"glyph run",
     [](OutputStream& s) { return EmitGlyphRunRecord(s, 0x04, kBox, 100, 200, kRun, 2); },
     Cat({{0x55, 0, 0x04, 0, 48, 0, 0, 0}, kBoxBytes, Le32(100), Le32(200), {2, 0, 0, 0},
          {0, 0, 0, 0, 0x41, 0, 0xFE, 0xFF, 0x2C, 0x01, 0x42, 0}})},
    {"page begin at 600 dpi", [](OutputStream& s) { return EmitPageBeginRecord(s, 4960, 7016, 600); },
     {0x60, 0, 0, 0, 0x60, 0x13, 0, 0, 0x68, 0x1B, 0, 0, 0x58, 0x02, 0x58, 0x02}},
    {"page end", [](OutputStream& s) { return EmitPageEndRecord(s); }, {0x61, 0, 0, 0}},
};

TEST(DisplayListRecords, EveryRecordTypeHasItsHandComputedBytes)
{
    for (const GoldenRow& row : kGoldenRows) {
        SCOPED_TRACE(row.name);
        StreamSeam seam;
        // A record after another one starts in stale memory too.
        ASSERT_NE(EmitClipResetRecord(seam.stream), nullptr);
        BYTE* record = row.emit(seam.stream);
        ASSERT_NE(record, nullptr);
        const Bytes all = seam.Buffered();
        EXPECT_EQ(Bytes(all.begin() + 4, all.end()), row.expected);
        EXPECT_EQ(record, seam.stream.first.data + 4);
        EXPECT_EQ(seam.stream.recordCount, 2u);
    }
}

TEST(DisplayListRecords, RefusedInputsMakeNoRecord)
{
    StreamSeam seam;
    const BYTE bits[1] = {1};
    EXPECT_EQ(EmitPatternRecord(seam.stream, Brush(1, 1, 32)), nullptr);   // unknown kind
    EXPECT_EQ(EmitPatternRecord(seam.stream, Brush(3, 8, 32)), nullptr);   // unknown depth
    EXPECT_EQ(EmitPatternRecord(seam.stream, Brush(3, 24, 64)), nullptr);  // more bits than the brush holds
    EXPECT_EQ(EmitGlyphDefinitionRecord(seam.stream, GlyphDefinition{0, 1, 1, 0, 0, nullptr, 1}), nullptr);
    EXPECT_EQ(EmitGlyphDefinitionRecord(seam.stream, GlyphDefinition{0, 1, 1, 0, 0, bits, 0}), nullptr);
    EXPECT_EQ(EmitDeviceStringRecord(seam.stream, kBox, 0, 0, kTwoAdvances, 2, kChars, 1), nullptr);
    std::vector<WCHAR> many(0x10000, u'A');
    EXPECT_EQ(EmitDeviceStringRecord(seam.stream, kBox, 0, 0, kOneAdvance, 1, many.data(), 0x10000), nullptr);
    std::vector<GlyphRunEntry> entries(0x10000);
    EXPECT_EQ(EmitGlyphRunRecord(seam.stream, 0, kBox, 0, 0, entries.data(), 0x10000), nullptr);
    EXPECT_EQ(seam.stream.recordCount, 0u);
}

TEST(DisplayListRecords, AFontNameFillingItsFieldIsCutAtTheField)
{
    StreamSeam seam;
    FontSelection font = Font(2, "");
    std::memset(font.faceName, 'N', sizeof font.faceName);
    BYTE* record = EmitFontSelectRecord(seam.stream, font);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record[14] | record[15] << 8, 128 + 28);
    EXPECT_EQ(Bytes(record + 24, record + 152), Bytes(128, 'N'));
    EXPECT_EQ(Bytes(record + 152, record + 156), Zeros(4));
}

}  // namespace
}  // namespace vexl
