// The job byte stream as it leaves the graphics library: 8-byte framed
// top-level records (the PJL command groups and the display list) written
// through the spool library, and the OutputStream that collects a page's
// display list in 10,240-byte blocks.
#pragma once

#include "graphics/pool.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

// Frame types of the job byte stream.
inline constexpr BYTE kFrameDisplayListBegin = 0xF0;  // empty, always after the PageStart frame
inline constexpr BYTE kFramePageEnd = 0xF1;
inline constexpr BYTE kFrameJobStart = 0xF3;  // also the JOBNAME line
inline constexpr BYTE kFramePageStart = 0xF4;
inline constexpr BYTE kFrameDisplayList = 0xF5;
inline constexpr std::uint32_t kFrameHeaderBytes = 8;

inline constexpr std::uint32_t kStreamBlockBytes = 10240;    // data bytes of a block
inline constexpr std::uint32_t kEarlyFlushBytes = 0x100000;  // buffered beyond this: flush for a new block
inline constexpr std::uint32_t kSpoolWriteBytes = 4096;      // most bytes of one DrvSplWritePrinter call

// Pdev flag that the stream writer latches when a write fails; never cleared.
inline constexpr DWORD kPdevOutputFailed = 0x8;

// DrvSplWritePrinter of the spool library.
using DrvSplWritePrinterFn = BOOL (*)(HANDLE job, const void* bytes, DWORD count, DWORD* written);

// One block of the display list: its header, then the data bytes.
struct StreamBlock {
    StreamBlock* next;
    BYTE* writePos;
    BYTE* end;
    BYTE* Data() { return reinterpret_cast<BYTE*>(this + 1); }
    std::uint32_t Used() { return static_cast<std::uint32_t>(writePos - Data()); }
};

// The first block lives inside the stream.
struct InlineStreamBlock {
    StreamBlock header;
    BYTE data[kStreamBlockBytes];
};

// The spool library as DrvStartDoc binds it.
struct SpoolBinding {
    HMODULE module;                     // the spool library
    HANDLE job;                         // from DrvSplStartDocEx or DrvSplStartDoc
    DrvSplWritePrinterFn writePrinter;  // DrvSplWritePrinter
};

// The Pdev fields the stream reads and writes, by address. They stay with
// their Pdev: TakeOverOutputStream never copies them.
struct StreamOwner {
    PdevPool* pool;         // stream blocks and frame buffers come from here
    DWORD* flags;           // the Pdev's flags; kPdevOutputFailed is latched here
    const LONG* pageCount;  // pages started in the document; 1 on the first page
    const WORD* jobBinder;  // job-binder bit: page 1 carries no display list
};

// One per Pdev, inside it. A plain record: the Pdev is zero-filled and then
// InitOutputStream binds it. It holds pointers into itself, so it is never
// copied; DrvResetPDEV hands a job over with TakeOverOutputStream.
struct OutputStream {
    HANDLE printer;  // the printer handle of DrvEnablePDEV
    void* pdev;      // back pointer to the owning Pdev
    StreamOwner owner;
    InlineStreamBlock first;
    StreamBlock* head;            // first block of the chain
    StreamBlock* tail;            // block being filled
    std::uint32_t bufferedBytes;  // sum of all reservations since the last reset
    std::uint32_t recordCount;    // reservations since the last reset
    SpoolBinding spool;
};

// Binds a zero-filled stream to its Pdev fields and resets it.
void InitOutputStream(OutputStream& stream, const StreamOwner& owner, HANDLE printer, void* pdev);

// The inline block becomes the only, empty block; counts 0. Chained blocks
// are not freed (FreeStreamBlocks does that).
void ResetOutputStream(OutputStream& stream);

// A new Pdev takes an open job over from the old one: the spool binding
// only. Its own blocks, owner fields, printer handle and back pointer stay,
// and its stream is reset, so it never points into the old Pdev's blocks.
// The old stream is flushed by the caller first.
void TakeOverOutputStream(OutputStream& to, const OutputStream& from);

// `size` writable bytes (not zeroed) at the end of the stream, or null when
// a block cannot be allocated or the early flush fails.
BYTE* ReserveRecord(OutputStream& stream, std::uint32_t size);

// Gives back the unused end of the last reservation: the tail's write
// position becomes `end` rounded up to 4. The buffered count stays.
void TrimLastRecord(OutputStream& stream, BYTE* end);

// Gives back the whole last reservation, which starts at `start`.
void DropLastRecord(OutputStream& stream, BYTE* start);

// Returns every chained block to the pool.
void FreeStreamBlocks(OutputStream& stream);

// Where the stream ends at a moment: a record that fails part-way can be
// withdrawn back to it as long as nothing was flushed since.
struct StreamMark {
    StreamBlock* tail;
    BYTE* writePos;
    std::uint32_t bufferedBytes;
    std::uint32_t recordCount;
};
StreamMark MarkOutputStream(const OutputStream& stream);
// TRUE when the stream was flushed since the mark, given the bytes reserved
// since then.
BOOL FlushedSinceMark(const OutputStream& stream, const StreamMark& mark, std::uint64_t reservedSince);
// Withdraws everything reserved since the mark (never flushed since): the
// blocks chained after it go back to the pool.
void RollBackToMark(OutputStream& stream, const StreamMark& mark);

// Writes bytes through DrvSplWritePrinter in pieces of at most 4,096
// bytes. A failed or short write latches the output-failed flag.
BOOL WriteToSpool(OutputStream& stream, const void* bytes, std::uint32_t size);

// Writes each block of the chain as a display-list frame.
BOOL SendDisplayListFrames(OutputStream& stream);

// Sends the buffered display list and empties the stream whatever the
// result; TRUE at once when nothing is buffered.
BOOL FlushOutputStream(OutputStream& stream);

// The command-group writer framed by WriteCommandGroupFrame: called with no
// buffer it returns the text length; with a buffer it writes the text and
// returns its length. Negative: failure.
using CommandGroupEmitter = long (*)(void* context, BYTE* buffer);

BOOL WriteCommandGroupFrame(OutputStream& stream, void* context, BYTE type, CommandGroupEmitter emitter);
BOOL WriteJobStartFrame(OutputStream& stream, void* context, CommandGroupEmitter emitter);
BOOL WritePageStartFrame(OutputStream& stream, void* context, CommandGroupEmitter emitter);
BOOL WritePageEndFrame(OutputStream& stream, void* context, CommandGroupEmitter emitter);

// Writes one frame header {type, 0, 0, 0, u32 length} straight to the spool.
BOOL WriteFrameHeader(OutputStream& stream, BYTE type, std::uint32_t length);

}  // namespace vexl
