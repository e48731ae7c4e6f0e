// The engine host's text glyphs come from the machine's text font at the em
// size asked: ink where the letter is, placed from the baseline, and
// advances that grow with the size.
#include "real_glyphs.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <map>

namespace vexl::test {
namespace {

using RealGlyphs = MachineTest;

std::map<HGLYPH, engine::Glyph> ByHandle(std::vector<engine::Glyph> glyphs)
{
    std::map<HGLYPH, engine::Glyph> out;
    for (engine::Glyph& glyph : glyphs) out[glyph.hg] = std::move(glyph);
    return out;
}

int Ink(const engine::Glyph& glyph)
{
    int bits = 0;
    for (const BYTE byte : glyph.bits) bits += __builtin_popcount(byte);
    return bits;
}

TEST_F(RealGlyphs, LettersHaveTheirShapeAtTheSizeAsked)
{
    const auto small = ByHandle(host::RenderedGlyphs(40));
    const auto large = ByHandle(host::RenderedGlyphs(80));
    ASSERT_TRUE(small.count(u'l') && small.count(u'o') && small.count(u' ') && small.count(u'\u00E9'));
    ASSERT_TRUE(large.count(u'l'));
    const engine::Glyph& l = small.at(u'l');
    const engine::Glyph& o = small.at(u'o');
    // An ascender stands above the baseline and is taller than an x-height letter; both rest on the baseline.
    EXPECT_LT(l.origin.y, o.origin.y);
    EXPECT_GT(l.size.cy, o.size.cy);
    EXPECT_NEAR(l.origin.y + l.size.cy, 0, 1);
    EXPECT_NEAR(o.origin.y + o.size.cy, 0, 1);
    // Rows of whole bytes, top first, with ink; the space has none.
    EXPECT_EQ(l.bits.size(), static_cast<std::size_t>((l.size.cx + 7) / 8 * l.size.cy));
    EXPECT_GT(Ink(o), o.size.cx);
    EXPECT_EQ(Ink(small.at(u' ')), 0);
    EXPECT_GT(small.at(u' ').advance, 0);
    // Twice the em, twice the letter.
    EXPECT_NEAR(large.at(u'l').size.cy, 2 * l.size.cy, 2);
    EXPECT_NEAR(large.at(u'o').advance, 2 * o.advance, 2);
}

TEST_F(RealGlyphs, CharactersOutsideTheSetBecomeTheQuestionMark)
{
    EXPECT_EQ(host::RealGlyphHandle(u'A'), HGLYPH{u'A'});
    EXPECT_EQ(host::RealGlyphHandle(u'\u0141'), HGLYPH{0x141});
    EXPECT_EQ(host::RealGlyphHandle(u'\u660E'), HGLYPH{u'?'});
    EXPECT_TRUE(host::RenderedGlyphs(0).empty());
}

}  // namespace
}  // namespace vexl::test
