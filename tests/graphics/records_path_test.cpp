// Path records and path bodies, read from a stand-in PATHOBJ that hands
// out its pieces as the engine does.
#include "graphics/path_encoder.h"
#include "stream_seam.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vexl {
namespace {

using Bytes = std::vector<BYTE>;
using test::FakePath;
using test::kFake;
using test::MakePath;
using test::StreamSeam;

Bytes Le32(std::uint32_t v)
{
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}

Bytes Words(std::initializer_list<std::int32_t> words)
{
    Bytes out;
    for (std::int32_t w : words) {
        const Bytes b = Le32(static_cast<std::uint32_t>(w));
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

constexpr FLONG kBegin = PD_BEGINSUBPATH;
constexpr FLONG kEnd = PD_ENDSUBPATH;
constexpr FLONG kClose = PD_CLOSEFIGURE;
constexpr FLONG kBeziers = PD_BEZIERS;

TEST(PathRecords, AClosedTriangleFilledIsOneLinePath)
{
    StreamSeam seam;
    FakePath path = MakePath(3, {{kBegin | kEnd | kClose, {{16, 32}, {160, 32}, {160, 320}}}});
    BYTE* record = EmitPathRecord(seam.stream, &path, kPathFillAlternate, kFake);
    ASSERT_NE(record, nullptr);
    const Bytes expected = Cat({{0x12, 0, 0x09, 0},
                                Le32(64),
                                Words({1, 2, 10, 20}),
                                Words({9}),
                                Words({2, 16, 32}),
                                Words({0, 160, 32}),
                                Words({0, 160, 320})});
    EXPECT_EQ(seam.Buffered(), expected);
}

TEST(PathRecords, ACurveSplitOverPiecesMakesACurvePathWithBoundsRoundedDown)
{
    StreamSeam seam;
    FakePath path = MakePath(1, {{kBegin, {{-17, 0}}}, {kBeziers, {{1, 2}, {3, 4}}}, {kBeziers | kEnd, {{5, 6}}}},
                             RECTFX{-17, -1, 15, 16});
    // A Bezier piece must carry whole curves.
    EXPECT_EQ(EmitPathRecord(seam.stream, &path, kPathStroke, kFake), nullptr);
    EXPECT_TRUE(seam.Buffered().empty());

    path.pieces = {{kBegin, {{-17, 0}}}, {kBeziers | kEnd, {{1, 2}, {3, 4}, {5, 6}}}};
    ASSERT_NE(EmitPathRecord(seam.stream, &path, kPathStroke, kFake), nullptr);
    const Bytes expected = Cat({{0x11, 0, 0x00, 0},
                                Le32(68),
                                Words({-2, -1, 0, 1}),
                                Words({10}),
                                Words({1, -17, 0}),
                                Words({1, 1, 2, 3, 4, 5, 6})});
    EXPECT_EQ(seam.Buffered(), expected);
}

TEST(PathRecords, AStrokeOfTwoSubpathsOneClosedBecomesARecordPerSubpath)
{
    StreamSeam seam;
    FakePath path = MakePath(3, {{kBegin, {{0, 0}}},
                                 {kBeziers | kEnd | kClose, {{16, 0}, {16, 16}, {0, 16}}},
                                 {kBegin | kEnd, {{32, 32}, {48, 48}}}});
    ASSERT_NE(EmitPathRecord(seam.stream, &path, kPathStroke, kFake), nullptr);
    const Bytes bounds = Words({1, 2, 10, 20});
    const Bytes expected = Cat({
        // The curve subpath, closed.
        {0x11, 0, 0x08, 0},
        Le32(68),
        bounds,
        Words({10}),
        Words({1, 0, 0}),
        Words({1, 16, 0, 16, 16, 0, 16}),
        // The line subpath after a curve subpath is still a curve path.
        {0x11, 0, 0x00, 0},
        Le32(52),
        bounds,
        Words({6}),
        Words({1, 32, 32}),
        Words({0, 48, 48}),
    });
    EXPECT_EQ(seam.Buffered(), expected);

    // Filled, the same path is one record of two subpaths.
    StreamSeam fill;
    ASSERT_NE(EmitPathRecord(fill.stream, &path, kPathFillWinding, kFake), nullptr);
    const Bytes whole = fill.Buffered();
    EXPECT_EQ(Bytes(whole.begin(), whole.begin() + 8), Cat({{0x11, 0, 0x1A, 0}, Le32(92)}));
    EXPECT_EQ(Bytes(whole.begin() + 24, whole.begin() + 28), Words({7 + 3 + 3 + 3 + 1}));
}

TEST(PathRecords, ACurveCountThatUndercountsThePathNeverOverrunsTheReservation)
{
    // No curve at all, two one-point subpaths: 52 bytes for a reservation
    // of 40. The record sits at the very end of a pool block.
    StreamSeam seam;
    ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 41), nullptr);
    FakePath path = MakePath(0, {{kBegin | kEnd, {{16, 16}}}, {kBegin | kEnd | kClose, {{32, 32}}}});
    ASSERT_EQ(PathRecordBytes(0), 40u);
    BYTE* record = EmitPathRecord(seam.stream, &path, kPathFillAlternate, kFake);
    ASSERT_NE(record, nullptr);
    const Bytes expected =
        Cat({{0x12, 0, 0x19, 0}, Le32(52), Words({1, 2, 10, 20}), Words({7}), Words({0, 16, 16}), Words({0, 32, 32})});
    EXPECT_EQ(Bytes(record, record + 52), expected);
    EXPECT_EQ(seam.stream.tail->writePos, record + 52);

    // The same into a pool buffer sized by the curve count.
    std::uint32_t size = 0;
    BOOL closed = FALSE;
    BYTE* body = EncodePathBodyInPool(seam.pool, &path, &closed, 0, 0, &size, kFake);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(Bytes(body, body + size), Bytes(expected.begin() + 24, expected.end()));
    EXPECT_TRUE(closed);
    PdevPoolFree(seam.pool, body);

    // A buffer of the engine's size is refused, and the size it needs told.
    Bytes exact(PathBufferBytes(0));
    std::uint32_t needed = 0;
    EXPECT_EQ(
        EncodePathBody(&path, &closed, exact.data(), static_cast<std::uint32_t>(exact.size()), 0, 0, &needed, kFake),
        0u);
    EXPECT_EQ(needed, 28u);
}

TEST(PathRecords, APathBodyMovesItsPointsAndRefusesAPiecesWithoutPoints)
{
    FakePath path = MakePath(1, {{kBegin | kEnd, {{16, 16}, {32, 48}}}});
    Bytes buffer(PathBufferBytes(1));
    BOOL closed = TRUE;
    const std::uint32_t size = EncodePathBody(&path, &closed, buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                                              -16, 4, nullptr, kFake);
    ASSERT_EQ(size, 28u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 28), Words({6, 1, 0, 20, 0, 16, 52}));
    EXPECT_FALSE(closed);

    path.pieces.push_back({kEnd, {}});
    EXPECT_EQ(
        EncodePathBody(&path, &closed, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0, 0, nullptr, kFake),
        0u);
    // A path record takes a piece without points.
    StreamSeam seam;
    EXPECT_NE(EmitPathRecord(seam.stream, &path, kPathFillAlternate, kFake), nullptr);
}

TEST(PathRecords, ASubpathWithoutItsStartPointFailsTheRecord)
{
    StreamSeam seam;
    FakePath noStart = MakePath(1, {{kBegin | kEnd, {}}});
    EXPECT_EQ(EmitPathRecord(seam.stream, &noStart, kPathFillAlternate, kFake), nullptr);
    FakePath pointsFirst = MakePath(1, {{kEnd, {{1, 1}}}});
    EXPECT_EQ(EmitPathRecord(seam.stream, &pointsFirst, kPathFillAlternate, kFake), nullptr);
    EXPECT_TRUE(seam.Buffered().empty());
}

TEST(PathRecords, ReservationSizesFollowTheCurveCount)
{
    EXPECT_EQ(PathRecordBytes(0), 40u);
    EXPECT_EQ(PathRecordBytes(1), 28u + 4 + 48);
    EXPECT_EQ(PathRecordBytes(2), 28u + 8 + 84);
    EXPECT_EQ(PathBufferBytes(2), 4u + 8 + 84);
}

}  // namespace
}  // namespace vexl
