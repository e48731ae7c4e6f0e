// The decoder's own glyph compression, the reference the glyph records are
// re-encoded with.
#include <gtest/gtest.h>

#include <random>

#include "vexl_dump.h"

namespace vexl::dump {
namespace {

using ByteList = std::vector<std::uint8_t>;

struct CodecCase {
    const char* what;
    ByteList bits;
    ByteList tokens;
};

TEST(GlyphCodec, TokensFollowTheRules)
{
    ByteList longZeros(15, 0);
    longZeros.push_back(0x07);
    ByteList veryLongZeros(270, 0);
    veryLongZeros.push_back(0x07);
    ByteList longRun(9 + 255, 0x3C);
    const CodecCase cases[] = {
        {"zeros then a run of three, then a literal; trailing zeros dropped",
         {0, 0, 0x41, 0x41, 0x41, 0x42, 0, 0},
         {0x91, 0x41, 0x00, 0x42}},
        {"fifteen zeros take an extension byte of 0", longZeros, {0x78, 0x00, 0x07}},
        {"270 zeros: extension bytes 255 and 0", veryLongZeros, {0x78, 0xFF, 0x00, 0x07}},
        {"a literal of eight bytes takes a length extension of 0",
         {1, 2, 3, 4, 5, 6, 7, 8},
         {0x07, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"a run of 264: length code 7, extension 255 then 0", longRun, {0x87, 0xFF, 0x00, 0x3C}},
        {"three equal bytes at the very end stay in the literal", {1, 2, 2, 2}, {0x03, 1, 2, 2, 2}},
        {"three equal bytes before a zero end the literal", {1, 2, 2, 2, 0, 5}, {0x00, 1, 0x81, 2, 0x08, 5}},
        {"four equal bytes end the literal", {1, 2, 3, 3, 3, 3}, {0x01, 1, 2, 0x82, 3}},
        {"two equal bytes stay in a literal", {9, 9, 1}, {0x02, 9, 9, 1}},
        {"all zero gives no tokens", {0, 0, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto tokens = CompressGlyphBits(c.bits, 4096);
        ASSERT_TRUE(tokens.has_value());
        EXPECT_EQ(*tokens, c.tokens);
        const auto bits = DecompressGlyphBits(c.tokens, c.bits.size());
        ASSERT_TRUE(bits.has_value());
        ByteList expected = c.bits;
        while (!expected.empty() && expected.back() == 0) expected.pop_back();
        EXPECT_EQ(*bits, expected);
    }
}

TEST(GlyphCodec, CapacityCountsEveryByteWritten)
{
    // A checkerboard does not compress: 1 token byte + 8 literal bytes per
    // 8 bytes, plus the extension of the length code.
    const ByteList bits = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    const auto tokens = CompressGlyphBits(bits, 64);
    ASSERT_TRUE(tokens.has_value());
    EXPECT_EQ(tokens->size(), 10u);
    EXPECT_TRUE(CompressGlyphBits(bits, 10).has_value());
    EXPECT_FALSE(CompressGlyphBits(bits, 9).has_value()) << "the literal bytes do not fit";
    // A run whose byte B would be the one past the capacity.
    const ByteList run = {0, 0, 0x41, 0x41, 0x41};
    EXPECT_TRUE(CompressGlyphBits(run, 2).has_value());
    EXPECT_FALSE(CompressGlyphBits(run, 1).has_value()) << "room for the token but not for its run byte";
}

TEST(GlyphCodec, DecompressRefusesCutTokensAndOverlongBits)
{
    EXPECT_FALSE(DecompressGlyphBits(ByteList{0x03, 1, 2}, 100).has_value()) << "literal cut short";
    EXPECT_FALSE(DecompressGlyphBits(ByteList{0x81}, 100).has_value()) << "run without its byte";
    EXPECT_FALSE(DecompressGlyphBits(ByteList{0x78, 0xFF}, 100).has_value()) << "extension cut short";
    EXPECT_FALSE(DecompressGlyphBits(ByteList{0x91, 0x41}, 4).has_value()) << "5 bytes into a bitmap of 4";
    EXPECT_TRUE(DecompressGlyphBits(ByteList{0x91, 0x41}, 5).has_value());
    // A huge zero count by extension bytes stays bounded by the bitmap size.
    ByteList many = {0x78};
    many.insert(many.end(), 1000, 0xFF);
    many.push_back(0);
    many.push_back(1);
    EXPECT_FALSE(DecompressGlyphBits(many, 1000).has_value());
}

TEST(GlyphCodec, RandomGlyphsRoundTrip)
{
    std::mt19937 random(1234);
    for (int n = 0; n < 500; ++n) {
        const std::size_t size = random() % 300;
        ByteList bits(size);
        for (std::size_t i = 0; i < size;) {
            const std::size_t span = 1 + random() % 20;
            const int shape = static_cast<int>(random() % 4);
            const std::uint8_t value = static_cast<std::uint8_t>(random());
            for (std::size_t k = 0; k < span && i < size; ++k, ++i)
                bits[i] = shape == 0 ? 0 : shape == 1 ? value : static_cast<std::uint8_t>(random() % 3);
        }
        const auto tokens = CompressGlyphBits(bits, 1 << 20);
        ASSERT_TRUE(tokens.has_value());
        const auto back = DecompressGlyphBits(*tokens, size);
        ASSERT_TRUE(back.has_value());
        ByteList whole = *back;
        whole.resize(size, 0);
        ASSERT_EQ(whole, bits) << "glyph " << n;
    }
}

}  // namespace
}  // namespace vexl::dump
