// The stream test seam: an OutputStream with its pool, state caches and the
// few Pdev fields it reads, bound to a spool stand-in that captures every
// write, so that records and frames encode bytes without a DriverContext.
#pragma once

#include "graphics/path_encoder.h"
#include "graphics/records.h"
#include "graphics/stream.h"

#include <cstring>
#include <memory>
#include <vector>

namespace vexl::test {

// DrvSplWritePrinter of the stand-in: appends the bytes; the N-th call
// (from 1) can fail or write one byte short.
struct SpoolCapture {
    std::vector<BYTE> bytes;
    std::vector<DWORD> writes;
    int failCall = 0;
    int shortCall = 0;

    static BOOL WritePrinter(HANDLE job, const void* data, DWORD count, DWORD* written)
    {
        auto* spool = static_cast<SpoolCapture*>(job);
        spool->writes.push_back(count);
        const int call = static_cast<int>(spool->writes.size());
        if (call == spool->failCall) return FALSE;
        const DWORD taken = call == spool->shortCall ? count - 1 : count;
        const auto* from = static_cast<const BYTE*>(data);
        spool->bytes.insert(spool->bytes.end(), from, from + taken);
        *written = taken;
        return TRUE;
    }
};

// Fill of pool memory and of the inline block: a writer that forgets to
// zero a reserved byte shows it.
inline constexpr int kStaleByte = 0xCD;

struct StreamSeam {
    PdevPool* pool = CreatePdevPool();
    DWORD flags = 0;
    LONG pageCount = 2;
    WORD jobBinder = 0;
    std::unique_ptr<OutputStream> owned = std::make_unique<OutputStream>();
    OutputStream& stream = *owned;
    StateCaches caches{};
    SpoolCapture spool;

    StreamSeam()
    {
        SetPdevPoolFill(pool, kStaleByte);
        InitOutputStream(stream, StreamOwner{pool, &flags, &pageCount, &jobBinder}, nullptr, nullptr);
        std::memset(stream.first.data, kStaleByte, sizeof stream.first.data);
        stream.spool = SpoolBinding{reinterpret_cast<HMODULE>(this), &spool, &SpoolCapture::WritePrinter};
    }

    ~StreamSeam()
    {
        FreeStreamBlocks(stream);
        DestroyPdevPool(pool);
    }

    // The used bytes of every block, in order.
    std::vector<BYTE> Buffered() const
    {
        std::vector<BYTE> out;
        for (StreamBlock* block = stream.head; block; block = block->next)
            out.insert(out.end(), block->Data(), block->writePos);
        return out;
    }

    std::size_t BlockCount() const
    {
        std::size_t count = 0;
        for (StreamBlock* block = stream.head; block; block = block->next) ++count;
        return count;
    }
};

// A stand-in PATHOBJ that hands out its pieces as the engine does.
struct PathPiece {
    FLONG flags;
    std::vector<POINTFIX> points;
};

struct FakePath : PATHOBJ {
    std::vector<PathPiece> pieces;
    RECTFX bounds{};
    std::size_t next = 0;
};

inline void FakeEnumStart(PATHOBJ* path)
{
    static_cast<FakePath*>(path)->next = 0;
}

inline BOOL FakeEnumNext(PATHOBJ* path, PATHDATA* data)
{
    auto* fake = static_cast<FakePath*>(path);
    PathPiece& piece = fake->pieces.at(fake->next++);
    data->flags = piece.flags;
    data->count = static_cast<ULONG>(piece.points.size());
    data->pptfx = piece.points.empty() ? nullptr : piece.points.data();
    return fake->next < fake->pieces.size();
}

inline void FakeGetBounds(PATHOBJ* path, RECTFX* bounds)
{
    *bounds = static_cast<FakePath*>(path)->bounds;
}

inline const PathEnumerator kFake = {FakeEnumStart, FakeEnumNext, FakeGetBounds};

inline FakePath MakePath(ULONG curves, std::vector<PathPiece> pieces, RECTFX bounds = {16, 32, 160, 320})
{
    FakePath path;
    path.fl = 0;
    path.cCurves = curves;
    path.pieces = std::move(pieces);
    path.bounds = bounds;
    return path;
}

}  // namespace vexl::test
