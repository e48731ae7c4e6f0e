// The state caches: each state record once per page while the state holds.
#include "stream_seam.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace vexl {
namespace {

using Bytes = std::vector<BYTE>;
using test::StreamSeam;

// The record types in the stream, in order.
std::vector<BYTE> Types(const Bytes& bytes)
{
    std::vector<BYTE> types;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const BYTE type = bytes[at];
        types.push_back(type);
        switch (type) {
        case kRecordColor:
            at += bytes[at + 1];
            break;
        case kRecordLineWidth:
        case kRecordLineJoin:
            at += 8;
            break;
        case kRecordPattern:
            at += (6 + (bytes[at + 4] | bytes[at + 5] << 8) + 3) & ~3u;
            break;
        default:
            at += 4;
            break;
        }
    }
    return types;
}

LineState Line(WORD width, WORD cap = 1, WORD join = 2)
{
    return LineState{1, join, cap, width, 0, 0xA00, 0xFFFFFFFF, 0};
}

ColorState Color(DWORD fg, BOOL host = FALSE)
{
    ColorState state{};
    state.foreground = fg;
    state.background = 0xFFFFFF;
    state.backgroundMode = 1;
    state.hostMatched = host;
    return state;
}

RealizedBrush Brush(WORD kind, WORD x = 0)
{
    RealizedBrush brush{};
    brush.kind = kind;
    brush.bitsPerPixel = 1;
    brush.side = 32;
    brush.originX = x;
    return brush;
}

TEST(StateCaches, APageSendsEachStateOnceAndTheNextPageAgain)
{
    StreamSeam seam;
    const ColorState color = Color(0x112233);
    const RealizedBrush solid = Brush(0);
    for (int page = 0; page < 2; ++page) {
        InvalidateStateCaches(seam.caches);
        for (int draw = 0; draw < 3; ++draw) {
            ASSERT_TRUE(SelectLineState(seam.stream, seam.caches, Line(3)));
            ASSERT_TRUE(SelectRop(seam.stream, seam.caches, 0xCC));
            ASSERT_TRUE(SelectBackgroundMode(seam.stream, seam.caches, 1));
            ASSERT_TRUE(SelectPattern(seam.stream, seam.caches, &solid));
            ASSERT_TRUE(SelectColor(seam.stream, seam.caches, &color));
        }
    }
    const std::vector<BYTE> once = {0x33, 0x34, 0x35, 0x36, 0x31, 0x32, 0x40, 0x30};
    std::vector<BYTE> expected(2 * once.size());  // the states of both pages
    std::copy(once.begin(), once.end(), expected.begin());
    std::copy(once.begin(), once.end(), expected.begin() + static_cast<std::ptrdiff_t>(once.size()));
    EXPECT_EQ(Types(seam.Buffered()), expected);
}

TEST(StateCaches, OnlyTheChangedStateGoesOut)
{
    struct Step {
        const char* name;
        std::function<BOOL(StreamSeam&)> select;
        std::vector<BYTE> sent;
    };
    const RealizedBrush pattern = Brush(2);
    const RealizedBrush solid = Brush(0, 7);
    const ColorState red = Color(0x0000FF);
    const ColorState redMatched = Color(0x0000FF, TRUE);
    const Step steps[] = {
        {"first line state",
         [](StreamSeam& s) { return SelectLineState(s.stream, s.caches, Line(3)); },
         {0x33, 0x34, 0x35, 0x36}},
        {"wider line", [](StreamSeam& s) { return SelectLineState(s.stream, s.caches, Line(4)); }, {0x33}},
        {"an unknown cap goes as round",
         [](StreamSeam& s) { return SelectLineState(s.stream, s.caches, Line(4, 7)); },
         {0x35}},
        {"round cap is that state", [](StreamSeam& s) { return SelectLineState(s.stream, s.caches, Line(4, 0)); }, {}},
        {"join", [](StreamSeam& s) { return SelectLineState(s.stream, s.caches, Line(4, 0, 1)); }, {0x36}},
        {"rop F0", [](StreamSeam& s) { return SelectRop(s.stream, s.caches, 0xF0); }, {0x31}},
        {"rop CC is another ask", [](StreamSeam& s) { return SelectRop(s.stream, s.caches, 0xCC); }, {0x31}},
        {"rop CC again", [](StreamSeam& s) { return SelectRop(s.stream, s.caches, 0xCC); }, {}},
        {"pattern brush", [&](StreamSeam& s) { return SelectPattern(s.stream, s.caches, &pattern); }, {0x40}},
        {"pattern brush is always sent",
         [&](StreamSeam& s) { return SelectPattern(s.stream, s.caches, &pattern); },
         {0x40}},
        {"solid brush", [&](StreamSeam& s) { return SelectPattern(s.stream, s.caches, &solid); }, {0x40}},
        {"solid brush at another origin",
         [](StreamSeam& s) {
             const RealizedBrush moved = Brush(0, 9);
             return SelectPattern(s.stream, s.caches, &moved);
         },
         {}},
        {"colour", [&](StreamSeam& s) { return SelectColor(s.stream, s.caches, &red); }, {0x30}},
        {"same colour", [&](StreamSeam& s) { return SelectColor(s.stream, s.caches, &red); }, {}},
        {"matched by the host now",
         [&](StreamSeam& s) { return SelectColor(s.stream, s.caches, &redMatched); },
         {0x30}},
        {"background mode", [](StreamSeam& s) { return SelectBackgroundMode(s.stream, s.caches, 2); }, {0x32}},
        {"background mode again", [](StreamSeam& s) { return SelectBackgroundMode(s.stream, s.caches, 2); }, {}},
    };
    StreamSeam seam;
    std::size_t seen = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(step.select(seam));
        const std::vector<BYTE> types = Types(seam.Buffered());
        EXPECT_EQ(std::vector<BYTE>(types.begin() + static_cast<long>(seen), types.end()), step.sent);
        seen = types.size();
    }
    EXPECT_EQ(seam.caches.pattern.originX, 9);
}

TEST(StateCaches, NoStateAndAFailedRecordFailTheSelection)
{
    StreamSeam seam;
    EXPECT_FALSE(SelectPattern(seam.stream, seam.caches, nullptr));
    EXPECT_FALSE(SelectColor(seam.stream, seam.caches, nullptr));
    const RealizedBrush unsupported = Brush(1);
    EXPECT_FALSE(SelectPattern(seam.stream, seam.caches, &unsupported));
    EXPECT_FALSE(seam.caches.pattern.valid);

    // With no room left the state is not remembered: the next call tries again.
    SetPdevPoolLimit(seam.pool, 1);
    ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    const ColorState color = Color(1);
    EXPECT_FALSE(SelectColor(seam.stream, seam.caches, &color));
    EXPECT_FALSE(seam.caches.color.valid);
    EXPECT_FALSE(SelectRop(seam.stream, seam.caches, 0xCC));
    EXPECT_FALSE(seam.caches.rop.valid);
}

}  // namespace
}  // namespace vexl
