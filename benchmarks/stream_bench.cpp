// The display-list encoder against memcpy of the same bytes, in one run:
// pages of rectangles (state-cache hits and alternating colours), paths of
// Beziers, a job of empty pages and the frame writer over 100 MB; and beside
// the encoder alone, the same rectangle and Bezier pages through the
// driver's DrvBitBlt and DrvFillPath as the engine calls them. The spool
// library is a counting sink (bytes, calls and a running hash, no file).
// Each workload reports its MB/s, its ratio to a memcpy of the same bytes
// timed in the same process (in pieces of the pool's high-water mark, the
// memory the encoder writes into), its spool write calls and the pool's
// high-water mark.
#include "driver_pdev.h"
#include "graphics/hooks.h"
#include "graphics/path_encoder.h"
#include "graphics/records.h"
#include "graphics/stream.h"
#include "platform/engine_host.h"
#include "spool_sink.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vexl {
namespace {

// A Pdev's stream fields, as the device object embeds them.
struct BenchPdev {
    PdevPool* pool = CreatePdevPool();
    DWORD flags = 0;
    LONG pageCount = 2;
    WORD jobBinder = 0;
    std::unique_ptr<OutputStream> owned = std::make_unique<OutputStream>();
    OutputStream& stream = *owned;
    StateCaches caches{};
    CountingSink sink;

    BenchPdev()
    {
        InitOutputStream(stream, StreamOwner{pool, &flags, &pageCount, &jobBinder}, nullptr, nullptr);
        stream.spool = SpoolBinding{reinterpret_cast<HMODULE>(this), &sink, &CountingSink::WritePrinter};
    }
    ~BenchPdev()
    {
        FreeStreamBlocks(stream);
        DestroyPdevPool(pool);
    }
    PdevPool* Pool() const { return pool; }
};

// A Pdev for the driver's hooks, with the same counters.
struct HookPdev : DriverPdev {
    PdevPool* Pool() const { return pdev->pool; }
};

// The counters every workload reports.
template <typename Device> void Report(benchmark::State& state, Device& pdev, double seconds)
{
    const auto iterations = static_cast<double>(state.iterations());
    const double bytesPerIteration = static_cast<double>(pdev.sink.bytes) / iterations;
    const auto highWater = static_cast<std::size_t>(PdevPoolHighWater(pdev.Pool()));
    state.SetBytesProcessed(static_cast<std::int64_t>(pdev.sink.bytes));
    state.counters["spool_writes"] = benchmark::Counter(static_cast<double>(pdev.sink.calls) / iterations);
    state.counters["pool_high_water"] = benchmark::Counter(static_cast<double>(highWater), benchmark::Counter::kDefaults,
                                                           benchmark::Counter::kIs1024);
    const double encoderRate = static_cast<double>(pdev.sink.bytes) / seconds;
    const double memcpyRate = 1.0 / MemcpySecondsPerByte(static_cast<std::size_t>(bytesPerIteration), highWater);
    state.counters["ratio_to_memcpy"] = benchmark::Counter(encoderRate / memcpyRate);
    state.counters["bytes_per_iteration"] = benchmark::Counter(bytesPerIteration);
    state.counters["page_ms"] = benchmark::Counter(seconds / iterations * 1000.0);
}

// Runs a workload per iteration and times the whole loop for the ratio.
template <typename Device, typename Work> void RunWorkload(benchmark::State& state, Device& pdev, Work work)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!work()) {
            state.SkipWithError("the encoder failed");
            return;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(pdev.sink.hash);
    Report(state, pdev, took.count());
}

// The grid of the rectangle page.
RECTL GridRectangle(LONG i)
{
    const LONG x = (i % 100) * 49, y = (i / 100) * 70;
    return RECTL{x, y, x + 40, y + 60};
}

// One vector page of 10,000 filled rectangles; `alternate` changes the
// colour at every rectangle, otherwise every state is a cache hit.
bool RectanglePage(BenchPdev& pdev, bool alternate)
{
    InvalidateStateCaches(pdev.caches);
    if (!EmitPageBeginRecord(pdev.stream, 4960, 7016, 600)) return false;
    RealizedBrush solid{};
    ColorState colors[2] = {};
    colors[0].foreground = 0x0000FF;
    colors[1].foreground = 0x00FF00;
    for (ColorState& color : colors) {
        color.background = 0xFFFFFF;
        color.backgroundMode = 1;
    }
    for (LONG i = 0; i < 10000; ++i) {
        const ColorState& color = colors[alternate ? (i & 1) : 0];
        if (!SelectPattern(pdev.stream, pdev.caches, &solid) || !SelectColor(pdev.stream, pdev.caches, &color) ||
            !SelectBackgroundMode(pdev.stream, pdev.caches, 1) || !SelectRop(pdev.stream, pdev.caches, 0xF0))
            return false;
        if (!EmitRectangleRecord(pdev.stream, GridRectangle(i))) return false;
    }
    return EmitPageEndRecord(pdev.stream) && FlushOutputStream(pdev.stream);
}

void BM_RectanglePageCacheHits(benchmark::State& state)
{
    BenchPdev pdev;
    RunWorkload(state, pdev, [&] { return RectanglePage(pdev, false); });
}
BENCHMARK(BM_RectanglePageCacheHits)->Unit(benchmark::kMillisecond);

void BM_RectanglePageAlternatingColours(benchmark::State& state)
{
    BenchPdev pdev;
    RunWorkload(state, pdev, [&] { return RectanglePage(pdev, true); });
}
BENCHMARK(BM_RectanglePageAlternatingColours)->Unit(benchmark::kMillisecond);

// The same page through DrvBitBlt: per rectangle the engine's solid brush
// and trivial clip, the colour matched, the states selected, the record
// encoded.
void RectanglePageThroughDrvBitBlt(benchmark::State& state, bool alternate)
{
    HookPdev device;
    engine::Brush brushes[2] = {engine::Brush::Solid(0x0000FF), engine::Brush::Solid(0x00FF00)};
    engine::Clip clip = engine::Clip::Trivial(RECTL{0, 0, 4960, 7016});
    RunWorkload(state, device, [&] {
        if (!device.BeginPage()) return false;
        for (LONG i = 0; i < 10000; ++i) {
            RECTL rect = GridRectangle(i);
            POINTL origin{0, 0};
            if (!DrvBitBlt(&device.surface, nullptr, nullptr, clip.get(), nullptr, &rect, nullptr, nullptr,
                           brushes[alternate ? (i & 1) : 0].get(), &origin, 0xF0F0))
                return false;
        }
        return device.EndPage();
    });
}

void BM_RectanglePageCacheHitsThroughDrvBitBlt(benchmark::State& state)
{
    RectanglePageThroughDrvBitBlt(state, false);
}
BENCHMARK(BM_RectanglePageCacheHitsThroughDrvBitBlt)->Unit(benchmark::kMillisecond);

void BM_RectanglePageAlternatingColoursThroughDrvBitBlt(benchmark::State& state)
{
    RectanglePageThroughDrvBitBlt(state, true);
}
BENCHMARK(BM_RectanglePageAlternatingColoursThroughDrvBitBlt)->Unit(benchmark::kMillisecond);

// A path of 100 Beziers handed out in pieces of 30 points, as the engine does.
struct BezierPath : PATHOBJ {
    std::vector<POINTFIX> points;
    std::size_t next = 0;
};

void BezierEnumStart(PATHOBJ* path)
{
    static_cast<BezierPath*>(path)->next = 0;
}

BOOL BezierEnumNext(PATHOBJ* path, PATHDATA* data)
{
    auto* bezier = static_cast<BezierPath*>(path);
    const std::size_t first = bezier->next;
    const bool begin = first == 0;
    const std::size_t count = std::min<std::size_t>(begin ? 31 : 30, bezier->points.size() - first);
    bezier->next += count;
    const bool end = bezier->next == bezier->points.size();
    data->flags = PD_BEZIERS | (begin ? PD_BEGINSUBPATH : 0) | (end ? PD_ENDSUBPATH | PD_CLOSEFIGURE : 0);
    data->count = static_cast<ULONG>(count);
    data->pptfx = bezier->points.data() + first;
    return end ? FALSE : TRUE;
}

void BezierGetBounds(PATHOBJ*, RECTFX* bounds)
{
    *bounds = RECTFX{0, 0, 16 * 4960, 16 * 7016};
}

const PathEnumerator kBezierEnumerator = {BezierEnumStart, BezierEnumNext, BezierGetBounds};

void BM_BezierPathPage(benchmark::State& state)
{
    BenchPdev pdev;
    BezierPath path;
    path.fl = PO_BEZIERS;
    path.cCurves = 100;
    for (int i = 0; i < 301; ++i) path.points.push_back(POINTFIX{i * 16, (i * 37 % 500) * 16});
    RunWorkload(state, pdev, [&] {
        InvalidateStateCaches(pdev.caches);
        if (!EmitPageBeginRecord(pdev.stream, 4960, 7016, 600)) return false;
        for (int p = 0; p < 1000; ++p)
            if (!EmitPathRecord(pdev.stream, &path, kPathFillWinding, kBezierEnumerator)) return false;
        return EmitPageEndRecord(pdev.stream) && FlushOutputStream(pdev.stream);
    });
}
BENCHMARK(BM_BezierPathPage)->Unit(benchmark::kMillisecond);

// The same page through DrvFillPath, the path an engine path object handed
// out in pieces of 30 points.
void BM_BezierPathPageThroughDrvFillPath(benchmark::State& state)
{
    HookPdev device;
    engine::Path path;
    path.MoveTo(0, 0);
    for (int i = 1; i < 301; i += 3) {
        auto point = [](int k) { return POINTFIX{k * 16, (k * 37 % 500) * 16}; };
        path.BezierTo(point(i), point(i + 1), point(i + 2));
    }
    path.Close();
    path.SetPiecePoints(30);
    engine::Brush brush = engine::Brush::Solid(0x000000);
    engine::Clip clip = engine::Clip::Trivial(RECTL{0, 0, 4960, 7016});
    const MIX copyPen = (R2_COPYPEN << 8) | R2_COPYPEN;
    RunWorkload(state, device, [&] {
        if (!device.BeginPage()) return false;
        for (int p = 0; p < 1000; ++p) {
            POINTL origin{0, 0};
            if (DrvFillPath(&device.surface, path.get(), clip.get(), brush.get(), &origin, copyPen, FP_WINDINGMODE) !=
                TRUE)
                return false;
        }
        return device.EndPage();
    });
}
BENCHMARK(BM_BezierPathPageThroughDrvFillPath)->Unit(benchmark::kMillisecond);

// A PageStart or PageEnd group of a short text.
long ShortGroup(void* context, BYTE* buffer)
{
    const auto* text = static_cast<const char*>(context);
    const auto length = static_cast<long>(std::strlen(text));
    if (buffer) std::memcpy(buffer, text, static_cast<std::size_t>(length));
    return length;
}

void BM_JobOfEmptyPages(benchmark::State& state)
{
    BenchPdev pdev;
    char pageStart[] = "@PJL SET PAGE = START \r\n";
    char pageEnd[] = "";
    const int pages = 1000;
    RunWorkload(state, pdev, [&] {
        for (int page = 0; page < pages; ++page) {
            InvalidateStateCaches(pdev.caches);
            if (!WritePageStartFrame(pdev.stream, pageStart, ShortGroup) ||
                !EmitPageBeginRecord(pdev.stream, 4960, 7016, 600) || !EmitPageEndRecord(pdev.stream) ||
                !FlushOutputStream(pdev.stream) || !WritePageEndFrame(pdev.stream, pageEnd, ShortGroup))
                return false;
        }
        return true;
    });
    state.counters["pages_per_second"] =
        benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_JobOfEmptyPages)->Unit(benchmark::kMillisecond);

// 100 MB of display list reserved in records of `record` bytes, each filled
// by a copy, written as 0xF5 frames with the early flushes on the way.
void BM_FrameWriter100MB(benchmark::State& state)
{
    BenchPdev pdev;
    const auto record = static_cast<std::uint32_t>(state.range(0));
    const std::size_t total = std::size_t(100) << 20;
    std::vector<BYTE> source(record, 0x5A);
    RunWorkload(state, pdev, [&] {
        for (std::size_t done = 0; done < total; done += record) {
            BYTE* to = ReserveRecord(pdev.stream, record);
            if (!to) return false;
            std::memcpy(to, source.data(), record);
        }
        return FlushOutputStream(pdev.stream) == TRUE;
    });
}
BENCHMARK(BM_FrameWriter100MB)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);

// The baseline beside them: memcpy of the byte counts the workloads write
// (a rectangle page is about 0.4 MB, a Bezier page about 3 MB).
void BM_Memcpy(benchmark::State& state)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    std::vector<BYTE> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Memcpy)->Arg(400 << 10)->Arg(3 << 20)->Arg(100 << 20);

}  // namespace
}  // namespace vexl

BENCHMARK_MAIN();
