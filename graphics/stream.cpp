#include "graphics/stream.h"

#include "common/core/le.h"

#include <algorithm>
#include <cstring>

namespace vexl {

namespace {

static_assert(offsetof(InlineStreamBlock, data) == sizeof(StreamBlock), "the data of a block follows its header");

// Data bytes of a block that holds a reservation of `size` bytes: 10,240,
// or the smallest multiple of 10,240 that holds it.
std::size_t BlockDataBytes(std::uint32_t size)
{
    if (size == 0) return kStreamBlockBytes;
    return (static_cast<std::size_t>(size - 1) / kStreamBlockBytes + 1) * kStreamBlockBytes;
}

bool NeedsNewBlock(const StreamBlock* tail, std::uint32_t size)
{
    return static_cast<std::size_t>(tail->end - tail->writePos) <= size;
}

bool DisplayListLeftOut(const OutputStream& stream)
{
    const StreamOwner& owner = stream.owner;
    return owner.jobBinder && (*owner.jobBinder & 1) && owner.pageCount && *owner.pageCount == 1;
}

void LatchOutputFailed(OutputStream& stream)
{
    if (stream.owner.flags) *stream.owner.flags |= kPdevOutputFailed;
}

}  // namespace

void InitOutputStream(OutputStream& stream, const StreamOwner& owner, HANDLE printer, void* pdev)
{
    stream.printer = printer;
    stream.pdev = pdev;
    stream.owner = owner;
    stream.spool = SpoolBinding{};
    ResetOutputStream(stream);
}

void ResetOutputStream(OutputStream& stream)
{
    StreamBlock& first = stream.first.header;
    first.next = nullptr;
    first.writePos = stream.first.data;
    first.end = stream.first.data + kStreamBlockBytes;
    stream.head = &first;
    stream.tail = &first;
    stream.bufferedBytes = 0;
    stream.recordCount = 0;
}

void TakeOverOutputStream(OutputStream& to, const OutputStream& from)
{
    FreeStreamBlocks(to);
    ResetOutputStream(to);
    to.spool = from.spool;
}

BYTE* ReserveRecord(OutputStream& stream, std::uint32_t size)
{
    if (size > UINT32_MAX - stream.bufferedBytes) return nullptr;
    if (NeedsNewBlock(stream.tail, size)) {
        if (stream.bufferedBytes > kEarlyFlushBytes && !FlushOutputStream(stream)) return nullptr;
        const std::size_t dataBytes = BlockDataBytes(size);
        auto* block = static_cast<StreamBlock*>(PdevPoolAlloc(stream.owner.pool, sizeof(StreamBlock) + dataBytes));
        if (!block) return nullptr;
        block->next = nullptr;
        block->writePos = block->Data();
        block->end = block->Data() + dataBytes;
        stream.tail->next = block;
        stream.tail = block;
    }
    BYTE* record = stream.tail->writePos;
    stream.tail->writePos += size;
    stream.bufferedBytes += size;
    stream.recordCount += 1;
    return record;
}

void TrimLastRecord(OutputStream& stream, BYTE* end)
{
    StreamBlock* tail = stream.tail;
    if (end < tail->Data() || end > tail->writePos) return;
    const std::size_t used = static_cast<std::size_t>(end - tail->Data());
    BYTE* rounded = tail->Data() + ((used + 3) & ~std::size_t(3));
    if (rounded > tail->writePos) rounded = tail->writePos;
    std::fill(end, rounded, BYTE(0));
    tail->writePos = rounded;
}

void DropLastRecord(OutputStream& stream, BYTE* start)
{
    StreamBlock* tail = stream.tail;
    if (start < tail->Data() || start > tail->writePos) return;
    tail->writePos = start;
}

void FreeStreamBlocks(OutputStream& stream)
{
    StreamBlock* block = stream.first.header.next;
    stream.first.header.next = nullptr;
    while (block) {
        StreamBlock* next = block->next;
        PdevPoolFree(stream.owner.pool, block);
        block = next;
    }
    stream.tail = &stream.first.header;
}

StreamMark MarkOutputStream(const OutputStream& stream)
{
    return StreamMark{stream.tail, stream.tail->writePos, stream.bufferedBytes, stream.recordCount};
}

BOOL FlushedSinceMark(const OutputStream& stream, const StreamMark& mark, std::uint64_t reservedSince)
{
    // Reservations only add to the count; a flush sets it back to 0.
    return stream.bufferedBytes < mark.bufferedBytes + reservedSince;
}

void RollBackToMark(OutputStream& stream, const StreamMark& mark)
{
    StreamBlock* block = mark.tail->next;
    mark.tail->next = nullptr;
    while (block) {
        StreamBlock* next = block->next;
        PdevPoolFree(stream.owner.pool, block);
        block = next;
    }
    mark.tail->writePos = mark.writePos;
    stream.tail = mark.tail;
    stream.bufferedBytes = mark.bufferedBytes;
    stream.recordCount = mark.recordCount;
}

BOOL WriteToSpool(OutputStream& stream, const void* bytes, std::uint32_t size)
{
    const auto* piece = static_cast<const BYTE*>(bytes);
    const SpoolBinding& spool = stream.spool;
    while (size > 0) {
        const DWORD count = std::min(size, kSpoolWriteBytes);
        if (spool.module && spool.writePrinter) {
            DWORD written = 0;
            if (!spool.writePrinter(spool.job, piece, count, &written) || written != count) {
                LatchOutputFailed(stream);
                return FALSE;
            }
        }
        piece += count;
        size -= count;
    }
    return TRUE;
}

BOOL WriteFrameHeader(OutputStream& stream, BYTE type, std::uint32_t length)
{
    BYTE header[kFrameHeaderBytes] = {};
    WriteLe8(header, type);
    WriteLe32(header + 4, length);
    return WriteToSpool(stream, header, sizeof header);
}

BOOL SendDisplayListFrames(OutputStream& stream)
{
    for (StreamBlock* block = stream.head; block; block = block->next) {
        if (DisplayListLeftOut(stream)) return TRUE;
        const std::uint32_t used = block->Used();
        // The inline block an early flush emptied carries nothing: no frame.
        if (used == 0) continue;
        if (!WriteFrameHeader(stream, kFrameDisplayList, used)) return FALSE;
        if (!WriteToSpool(stream, block->Data(), used)) return FALSE;
    }
    return TRUE;
}

BOOL FlushOutputStream(OutputStream& stream)
{
    if (stream.bufferedBytes == 0) return TRUE;
    const BOOL sent = SendDisplayListFrames(stream);
    FreeStreamBlocks(stream);
    ResetOutputStream(stream);
    return sent;
}

BOOL WriteCommandGroupFrame(OutputStream& stream, void* context, BYTE type, CommandGroupEmitter emitter)
{
    const long measured = emitter(context, nullptr);
    if (measured < 0 || static_cast<unsigned long>(measured) > UINT32_MAX - 12) return FALSE;
    const auto length = static_cast<std::uint32_t>(measured);
    auto* frame = static_cast<BYTE*>(PdevPoolAlloc(stream.owner.pool, std::size_t(length) + 12));
    if (!frame) return FALSE;
    std::memset(frame, 0, std::size_t(length) + 12);
    WriteLe8(frame, type);
    WriteLe32(frame + 4, length);
    // The text must not outgrow what was measured; a shorter text leaves
    // zero bytes, never stale memory.
    const long written = emitter(context, frame + kFrameHeaderBytes);
    BOOL result = FALSE;
    if (written >= 0 && written <= measured) result = WriteToSpool(stream, frame, length + kFrameHeaderBytes);
    PdevPoolFree(stream.owner.pool, frame);
    return result;
}

BOOL WriteJobStartFrame(OutputStream& stream, void* context, CommandGroupEmitter emitter)
{
    return WriteCommandGroupFrame(stream, context, kFrameJobStart, emitter);
}

BOOL WritePageStartFrame(OutputStream& stream, void* context, CommandGroupEmitter emitter)
{
    if (!WriteCommandGroupFrame(stream, context, kFramePageStart, emitter)) return FALSE;
    return WriteFrameHeader(stream, kFrameDisplayListBegin, 0);
}

BOOL WritePageEndFrame(OutputStream& stream, void* context, CommandGroupEmitter emitter)
{
    return WriteCommandGroupFrame(stream, context, kFramePageEnd, emitter);
}

}  // namespace vexl
