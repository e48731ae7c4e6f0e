// Glyph compression and the angle helpers.
#include "graphics/records.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vexl {
namespace {

using Bytes = std::vector<BYTE>;

Bytes Compress(const Bytes& in, std::uint32_t capacity, std::int32_t* result)
{
    Bytes out(capacity);
    *result = CompressGlyphBits(in.data(), static_cast<std::uint32_t>(in.size()), out.data(), capacity);
    out.resize(*result > 0 ? static_cast<std::size_t>(*result) : 0);
    return out;
}

// Expands the tokens again, from their description: T (run bit, zero
// count, length code), the extensions, then one run byte or the literal.
Bytes Expand(const Bytes& tokens, std::size_t size)
{
    Bytes out;
    std::size_t at = 0;
    auto extended = [&](std::uint32_t field, std::uint32_t max) {
        if (field < max) return field;
        std::uint32_t value = max;
        for (BYTE b = 255; b == 255;) {
            b = tokens.at(at++);
            value += b;
        }
        return value;
    };
    while (at < tokens.size()) {
        const BYTE t = tokens[at++];
        const std::uint32_t zeros = extended((t >> 3) & 15, 15);
        const std::uint32_t code = extended(t & 7, 7);
        out.insert(out.end(), zeros, 0);
        if (t & 0x80) {
            out.insert(out.end(), code + 2, tokens.at(at++));
        } else {
            for (std::uint32_t i = 0; i <= code; ++i) out.push_back(tokens.at(at++));
        }
    }
    out.resize(size, 0);
    return out;
}

TEST(GlyphCompression, TokensAsTheRulesGiveThem)
{
    struct Case {
        const char* name;
        Bytes in;
        Bytes tokens;
    };
    Bytes zerosThenByte(15, 0);
    zerosThenByte.push_back(0x42);
    Bytes manyZerosThenByte(15 + 255 + 3, 0);
    manyZerosThenByte.push_back(0x42);
    Bytes longRun(300, 0xFF);
    Bytes literal8 = {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Case cases[] = {
        {"two zeros, a run of three, a literal; trailing zeros left out",
         {0, 0, 0x41, 0x41, 0x41, 0x42, 0, 0},
         {0x91, 0x41, 0x00, 0x42}},
        {"a zero count of exactly 15 still has its extension byte", zerosThenByte, {0x78, 0x00, 0x42}},
        {"a zero count past 255 more", manyZerosThenByte, {0x78, 0xFF, 0x03, 0x42}},
        {"a run of 300: length code 298 = 7 + 255 + 36", longRun, {0x87, 0xFF, 0x24, 0xFF}},
        {"a literal of 8: length code 7 with extension 0", literal8, {0x07, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"a literal ends before four equal bytes", {1, 2, 5, 5, 5, 5, 0, 0, 0, 0, 0, 0}, {0x01, 1, 2, 0x82, 5}},
        {"a literal ends before three equal bytes followed by zero",
         {1, 5, 5, 5, 0, 9, 0, 0, 0, 0, 0, 0},
         {0x00, 1, 0x81, 5, 0x08, 9}},
        {"three equal bytes at the end stay in the literal", {1, 5, 5, 5}, {0x03, 1, 5, 5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::int32_t result = 0;
        const Bytes tokens = Compress(c.in, static_cast<std::uint32_t>(c.in.size() + 8), &result);
        EXPECT_EQ(tokens, c.tokens);
        EXPECT_EQ(result, static_cast<std::int32_t>(c.tokens.size()));
    }
}

TEST(GlyphCompression, TheCapacityCountsTheTokenByteItself)
{
    const Bytes in = {0, 0, 0x41, 0x41, 0x41, 0x42, 0, 0};  // 4 bytes of tokens
    std::int32_t result = 0;
    Compress(in, 4, &result);
    EXPECT_EQ(result, 4);
    Compress(in, 3, &result);  // no room for the literal's byte
    EXPECT_EQ(result, -1);
    Compress(in, 2, &result);  // no room for the second token byte
    EXPECT_EQ(result, -1);
    Compress(in, 1, &result);  // no room for the run byte
    EXPECT_EQ(result, -1);
}

TEST(GlyphCompression, AnAllZeroBitmapGoesUncompressedAndAPoorOneToo)
{
    std::int32_t result = 7;
    Compress(Bytes(16, 0), 16, &result);
    EXPECT_EQ(result, 0);
    Bytes out(16);
    const Bytes zeros(16, 0);
    EXPECT_EQ(TryCompressGlyph(zeros.data(), out.data(), 16, 4, 4), 0u);
    // Alternating bytes need a token and an extension more than the bitmap.
    const Bytes checker = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    EXPECT_EQ(TryCompressGlyph(checker.data(), out.data(), 16, 2, 4), 0u);
    // A bitmap of 6 bytes has room for 8.
    const Bytes six = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    EXPECT_EQ(TryCompressGlyph(six.data(), out.data(), 16, 3, 2), 7u);
}

TEST(GlyphCompression, ALargeGlyphKeepsItsTrueCompressedSizePast64KB)
{
    // 400,000 bytes of {five 1s, three 0s}: two token bytes per 8 input bytes.
    Bytes in;
    for (int i = 0; i < 50000; ++i) in.insert(in.end(), {1, 1, 1, 1, 1, 0, 0, 0});
    Bytes out(in.size());
    const std::uint32_t size =
        TryCompressGlyph(in.data(), out.data(), static_cast<std::uint32_t>(out.size()), 800, 500);
    EXPECT_EQ(size, 100000u);
    out.resize(size);
    EXPECT_EQ(Expand(out, in.size()), in);
}

TEST(GlyphCompression, RandomGlyphsExpandToTheirBitmap)
{
    std::mt19937 random(14);
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = 1 + random() % 600;
        Bytes in(size);
        const unsigned density = random() % 4;
        for (BYTE& b : in) {
            const unsigned pick = random() % 8;
            b = pick < density * 2 ? 0 : pick < 6 ? 0xFF : BYTE(random());
        }
        Bytes out(size + 3);
        const std::int32_t result = CompressGlyphBits(in.data(), static_cast<std::uint32_t>(size), out.data(),
                                                      static_cast<std::uint32_t>(out.size()));
        if (result <= 0) continue;
        out.resize(static_cast<std::size_t>(result));
        ASSERT_EQ(Expand(out, size), in) << "round " << round;
    }
}

TEST(AngleHelpers, SineCosineAndVectorAngles)
{
    struct Sine {
        LONG degrees;
        LONG sine;
        LONG cosine;
    };
    const Sine sines[] = {
        {0, 0, 16384},       {21, 5871, 15296}, {90, 16384, 0},  {180, 0, -16384}, {270, -16384, 0},
        {291, -15296, 5871}, {360, 0, 16384},   {450, 16384, 0}, {-90, -16384, 0},
    };
    for (const Sine& s : sines) {
        EXPECT_EQ(SinQ14(s.degrees), s.sine) << s.degrees;
        EXPECT_EQ(CosQ14(s.degrees), s.cosine) << s.degrees;
    }
    struct Vector {
        SHORT x;
        SHORT y;
        SHORT angle;
    };
    const Vector vectors[] = {
        {0, -5, -90},    {-3, 0, 180},      {7, 7, 45},       {-1, 1, 135},     {1, -1, -45},
        {-4, -4, -135},  {5, 0, 0},         {0, 0, 0},        {0, 9, 90},       {1000, 577, 30},
        {577, 1000, 60}, {-1000, 577, 150}, {-32768, 1, 180}, {1, -32768, -90},
    };
    for (const Vector& v : vectors) EXPECT_EQ(VectorAngle(v.x, v.y), v.angle) << v.x << "," << v.y;
}

TEST(AngleHelpers, FloatSteps)
{
    EXPECT_EQ(ScaleFloat(0.5f, 5000), 2500);
    EXPECT_EQ(ScaleFloat(-0.70710677f, 5000), -3535);
    EXPECT_EQ(ScaleFloat(1e30f, 5000), 2147483647);
    EXPECT_EQ(DivideToFloat(1, 4), 0.25f);
    EXPECT_EQ(DivideToFloat(1, 0), 0.0f);
}

}  // namespace
}  // namespace vexl
