// Shared by the benchmark programs: the spool library as a counting sink
// (bytes, calls and a running hash, no file), and memcpy of the same number
// of bytes from memory of the same residence, timed in the same run, the
// baseline of every ratio.
#pragma once

#include "platform/types.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vexl {

// DrvSplWritePrinter of the counting sink.
struct CountingSink {
    std::uint64_t bytes = 0;
    std::uint64_t calls = 0;
    std::uint64_t hash = 0;

    static BOOL WritePrinter(HANDLE job, const void* data, DWORD count, DWORD* written)
    {
        auto* sink = static_cast<CountingSink*>(job);
        const auto* p = static_cast<const BYTE*>(data);
        std::uint64_t sum = 0, mix = 0;
        DWORD i = 0;
        for (; i + 8 <= count; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            sum += word;
            mix ^= word;
        }
        for (; i < count; ++i) sum += p[i];
        sink->hash = (sink->hash ^ sum ^ (mix << 1)) * 0x100000001B3ull;
        sink->bytes += count;
        sink->calls += 1;
        *written = count;
        return TRUE;
    }
};

// Seconds per byte of memcpy for `bytes` bytes, timed here and now, copied
// in pieces of `piece` bytes from one buffer to another of that size (0: in
// one piece). A workload whose working set stays in the cache is read
// against pieces of that working set, one that streams through memory
// against one piece of all its bytes.
inline double MemcpySecondsPerByte(std::size_t bytes, std::size_t piece = 0)
{
    if (piece == 0 || piece > bytes) piece = bytes;
    static std::vector<BYTE> from, to;
    if (from.size() < piece) {
        from.assign(piece, 0x5A);
        to.assign(piece, 0);
    }
    const int rounds = bytes > (64u << 20) ? 3 : 50;
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t done = 0; done < bytes; done += piece) {
            std::memcpy(to.data(), from.data(), std::min(piece, bytes - done));
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best / static_cast<double>(bytes);
}

}  // namespace vexl
