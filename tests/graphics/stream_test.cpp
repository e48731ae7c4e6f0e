// The output stream: blocks, the early flush, the frames and the spool
// writes with their output-failed latch.
#include "stream_seam.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vexl {
namespace {

using Bytes = std::vector<BYTE>;
using test::StreamSeam;

// The frames of a captured job: type and payload, read from the headers.
struct Frame {
    BYTE type;
    Bytes payload;
};

std::vector<Frame> SplitFrames(const Bytes& job)
{
    std::vector<Frame> frames;
    std::size_t at = 0;
    while (at + 8 <= job.size()) {
        EXPECT_EQ(job[at + 1] | job[at + 2] | job[at + 3], 0) << "reserved bytes of the frame at " << at;
        const std::uint32_t length =
            job[at + 4] | job[at + 5] << 8 | job[at + 6] << 16 | std::uint32_t(job[at + 7]) << 24;
        EXPECT_LE(at + 8 + length, job.size());
        frames.push_back({job[at], Bytes(job.begin() + at + 8, job.begin() + at + 8 + length)});
        at += 8 + length;
    }
    EXPECT_EQ(at, job.size());
    return frames;
}

TEST(OutputStream, ARecordThatExactlyFillsTheRestOfABlockStartsANewOne)
{
    StreamSeam seam;
    ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 100), nullptr);
    BYTE* record = ReserveRecord(seam.stream, 100);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(seam.BlockCount(), 2u);
    EXPECT_EQ(record, seam.stream.tail->Data());
    // One byte less still fits the first block.
    StreamSeam other;
    ASSERT_NE(ReserveRecord(other.stream, kStreamBlockBytes - 100), nullptr);
    EXPECT_EQ(ReserveRecord(other.stream, 99), other.stream.first.data + kStreamBlockBytes - 100);
    EXPECT_EQ(other.BlockCount(), 1u);
}

TEST(OutputStream, ALargeReservationGetsTheSmallestMultipleOfTheBlockSize)
{
    StreamSeam seam;
    ASSERT_NE(ReserveRecord(seam.stream, 25000), nullptr);
    EXPECT_EQ(seam.stream.tail->end - seam.stream.tail->Data(), 30720);
    EXPECT_EQ(PdevPoolBytesInUse(seam.pool), sizeof(StreamBlock) + 30720);
    EXPECT_EQ(seam.stream.bufferedBytes, 25000u);
    EXPECT_EQ(seam.stream.recordCount, 1u);
}

TEST(OutputStream, FlushWritesEachBlockAsAFrameInSpoolWritesOfAtMost4096Bytes)
{
    StreamSeam seam;
    BYTE* first = ReserveRecord(seam.stream, kStreamBlockBytes - 4);
    std::memset(first, 0x11, kStreamBlockBytes - 4);
    BYTE* second = ReserveRecord(seam.stream, 8);
    std::memset(second, 0x22, 8);
    ASSERT_TRUE(FlushOutputStream(seam.stream));

    EXPECT_EQ(seam.spool.writes, (std::vector<DWORD>{8, 4096, 4096, 2044, 8, 8}));
    const std::vector<Frame> frames = SplitFrames(seam.spool.bytes);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, kFrameDisplayList);
    EXPECT_EQ(frames[0].payload, Bytes(kStreamBlockBytes - 4, 0x11));
    EXPECT_EQ(frames[1].payload, Bytes(8, 0x22));
    // The stream is empty again and its blocks went back to the pool.
    EXPECT_EQ(seam.BlockCount(), 1u);
    EXPECT_EQ(seam.stream.bufferedBytes, 0u);
    EXPECT_EQ(PdevPoolBytesInUse(seam.pool), 0u);
    // Nothing buffered: nothing written.
    ASSERT_TRUE(FlushOutputStream(seam.stream));
    EXPECT_EQ(seam.spool.writes.size(), 6u);
}

TEST(OutputStream, AnEarlyFlushPast1MBSendsNoEmptyFrameForTheEmptiedBlock)
{
    StreamSeam seam;
    // 103 blocks of 10,236 bytes: past 1 MB buffered when the 104th is needed.
    for (int i = 0; i < 104; ++i) ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    const std::vector<Frame> early = SplitFrames(seam.spool.bytes);
    ASSERT_EQ(early.size(), 103u);
    EXPECT_LE(PdevPoolHighWater(seam.pool), kEarlyFlushBytes + 2 * (kStreamBlockBytes + sizeof(StreamBlock)));
    EXPECT_EQ(seam.BlockCount(), 2u);
    EXPECT_EQ(seam.stream.bufferedBytes, kStreamBlockBytes - 4);

    seam.spool.bytes.clear();
    ASSERT_TRUE(FlushOutputStream(seam.stream));
    // The emptied inline block still heads the chain; it sends no frame.
    const std::vector<Frame> late = SplitFrames(seam.spool.bytes);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].type, kFrameDisplayList);
    EXPECT_EQ(late[0].payload.size(), kStreamBlockBytes - 4);
}

TEST(OutputStream, TheFirstPageOfAJobBinderJobSendsNoDisplayList)
{
    StreamSeam seam;
    seam.jobBinder = 1;
    seam.pageCount = 1;
    ASSERT_NE(EmitPageBeginRecord(seam.stream, 100, 100, 600), nullptr);
    ASSERT_NE(ReserveRecord(seam.stream, 3 * kStreamBlockBytes), nullptr);
    ASSERT_TRUE(FlushOutputStream(seam.stream));
    EXPECT_TRUE(seam.spool.writes.empty());
    EXPECT_EQ(seam.stream.bufferedBytes, 0u);

    seam.pageCount = 2;
    ASSERT_NE(EmitPageEndRecord(seam.stream), nullptr);
    ASSERT_TRUE(FlushOutputStream(seam.stream));
    EXPECT_EQ(seam.spool.bytes, (Bytes{0xF5, 0, 0, 0, 4, 0, 0, 0, 0x61, 0, 0, 0}));
}

TEST(OutputStream, AFailedOrShortWriteLatchesOutputFailedAndDiscardsTheBuffer)
{
    for (const bool shortWrite : {false, true}) {
        SCOPED_TRACE(shortWrite ? "short write" : "failed write");
        StreamSeam seam;
        (shortWrite ? seam.spool.shortCall : seam.spool.failCall) = 3;
        ASSERT_NE(ReserveRecord(seam.stream, 9000), nullptr);
        ASSERT_NE(ReserveRecord(seam.stream, 9000), nullptr);
        EXPECT_FALSE(FlushOutputStream(seam.stream));
        EXPECT_EQ(seam.flags & kPdevOutputFailed, kPdevOutputFailed);
        EXPECT_EQ(seam.spool.writes.size(), 3u);  // the writes stop at the failure
        EXPECT_EQ(seam.BlockCount(), 1u);
        EXPECT_EQ(seam.stream.bufferedBytes, 0u);
        EXPECT_EQ(PdevPoolBytesInUse(seam.pool), 0u);
        // The latch stays.
        EXPECT_TRUE(WriteToSpool(seam.stream, "x", 1));
        EXPECT_EQ(seam.flags & kPdevOutputFailed, kPdevOutputFailed);
    }
}

TEST(OutputStream, AFailedEarlyFlushFailsTheReservation)
{
    StreamSeam seam;
    seam.spool.failCall = 1;
    for (int i = 0; i < 103; ++i) ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    EXPECT_EQ(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    EXPECT_EQ(seam.flags & kPdevOutputFailed, kPdevOutputFailed);
}

TEST(OutputStream, AnExhaustedPoolFailsTheReservation)
{
    StreamSeam seam;
    SetPdevPoolLimit(seam.pool, 2 * kStreamBlockBytes);
    ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    ASSERT_NE(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    EXPECT_EQ(ReserveRecord(seam.stream, kStreamBlockBytes - 4), nullptr);
    EXPECT_EQ(EmitRectangleRecord(seam.stream, RECTL{0, 0, 1, 1}), nullptr);
    EXPECT_EQ(seam.stream.recordCount, 2u);
}

TEST(OutputStream, WithoutASpoolLibraryTheBytesAreDropped)
{
    StreamSeam seam;
    seam.stream.spool = SpoolBinding{};
    ASSERT_NE(EmitPageEndRecord(seam.stream), nullptr);
    EXPECT_TRUE(FlushOutputStream(seam.stream));
    EXPECT_TRUE(seam.spool.writes.empty());
    EXPECT_EQ(seam.flags, 0u);
}

TEST(OutputStream, TrimGivesBackTheUnusedEndOfTheLastReservationZeroPadded)
{
    StreamSeam seam;
    BYTE* record = ReserveRecord(seam.stream, 64);
    std::memset(record, 0x77, 6);
    TrimLastRecord(seam.stream, record + 6);
    EXPECT_EQ(seam.Buffered(), (Bytes{0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0, 0}));
    EXPECT_EQ(seam.stream.bufferedBytes, 64u);
    DropLastRecord(seam.stream, record);
    EXPECT_TRUE(seam.Buffered().empty());
}

TEST(OutputStream, ANewPdevTakesTheSpoolBindingButKeepsItsOwnBlocks)
{
    StreamSeam oldPdev;
    ASSERT_NE(ReserveRecord(oldPdev.stream, 2 * kStreamBlockBytes), nullptr);
    ASSERT_TRUE(FlushOutputStream(oldPdev.stream));
    ASSERT_NE(ReserveRecord(oldPdev.stream, 4), nullptr);  // left behind in the old Pdev

    StreamSeam newPdev;
    DWORD otherFlags = 0;
    newPdev.stream.owner.flags = &otherFlags;
    TakeOverOutputStream(newPdev.stream, oldPdev.stream);
    EXPECT_EQ(newPdev.stream.spool.job, oldPdev.stream.spool.job);
    EXPECT_EQ(newPdev.stream.spool.writePrinter, oldPdev.stream.spool.writePrinter);
    EXPECT_EQ(newPdev.stream.head, &newPdev.stream.first.header);
    EXPECT_EQ(newPdev.stream.tail, &newPdev.stream.first.header);
    EXPECT_EQ(newPdev.stream.owner.flags, &otherFlags);
    EXPECT_EQ(newPdev.stream.owner.pool, newPdev.pool);
    EXPECT_EQ(ReserveRecord(newPdev.stream, 4), newPdev.stream.first.data);
}

// A command-group writer over a fixed text; a negative length fails.
struct GroupText {
    std::string text;
    long measured;
    long written;
};

long EmitGroupText(void* context, BYTE* buffer)
{
    auto* group = static_cast<GroupText*>(context);
    if (!buffer) return group->measured;
    if (group->written >= 0) std::memcpy(buffer, group->text.data(), static_cast<std::size_t>(group->written));
    return group->written;
}

TEST(OutputStream, CommandGroupFramesCarryTheirTextAndPageStartIsFollowedByTheEmptyF0)
{
    StreamSeam seam;
    GroupText jobStart{"@PJL JOB\r\n", 10, 10};
    GroupText pageStart{"PS", 2, 2};
    GroupText pageEnd{"", 0, 0};
    ASSERT_TRUE(WriteJobStartFrame(seam.stream, &jobStart, EmitGroupText));
    ASSERT_TRUE(WritePageStartFrame(seam.stream, &pageStart, EmitGroupText));
    ASSERT_TRUE(WritePageEndFrame(seam.stream, &pageEnd, EmitGroupText));
    const Bytes expected = {0xF3, 0,    0,    0,    10, 0, 0,    0, '@', 'P', 'J', 'L', ' ', 'J',  'O',
                            'B',  '\r', '\n', 0xF4, 0,  0, 0,    2, 0,   0,   0,   'P', 'S', 0xF0, 0,
                            0,    0,    0,    0,    0,  0, 0xF1, 0, 0,   0,   0,   0,   0,   0};
    EXPECT_EQ(seam.spool.bytes, expected);
    EXPECT_EQ(PdevPoolBytesInUse(seam.pool), 0u);
}

TEST(OutputStream, AFailingCommandGroupWritesNoFrame)
{
    const GroupText cases[] = {
        {"", -1, 0},     // measuring fails
        {"ABC", 3, -1},  // writing fails
        {"ABCD", 3, 4},  // the text outgrows what was measured
    };
    for (const GroupText& group : cases) {
        StreamSeam seam;
        GroupText copy = group;
        EXPECT_FALSE(WritePageStartFrame(seam.stream, &copy, EmitGroupText));
        EXPECT_TRUE(seam.spool.writes.empty());
        EXPECT_EQ(PdevPoolBytesInUse(seam.pool), 0u);
    }
    StreamSeam seam;
    SetPdevPoolLimit(seam.pool, 4);
    GroupText group{"ABC", 3, 3};
    EXPECT_FALSE(WriteJobStartFrame(seam.stream, &group, EmitGroupText));
}

TEST(OutputStream, AShorterTextLeavesZeroBytesInItsFrame)
{
    StreamSeam seam;
    GroupText group{"AB", 4, 2};
    ASSERT_TRUE(WritePageEndFrame(seam.stream, &group, EmitGroupText));
    EXPECT_EQ(seam.spool.bytes, (Bytes{0xF1, 0, 0, 0, 4, 0, 0, 0, 'A', 'B', 0, 0}));
}

}  // namespace
}  // namespace vexl
