// Image records against memcpy of the same bytes, in one run: the bands of
// an A4 page at 600 dpi (4,960 x 7,016 in 14 bands of 512 rows) in 1 and 24
// bits per pixel, the same colour bands reduced to grey for a monochrome
// printer, and a 24 MB image in 1 MB pieces. The spool library is a counting
// sink. Each workload reports its ratio to a memcpy of the bytes it sent
// (grey: of the bytes it read), copied band by band from one band's memory
// as the page's bands are read from one band bitmap, its spool writes and
// the pool's high-water mark; the grey reduction also reports its input
// rate alone.
#include "graphics/image_records.h"
#include "graphics/pdev.h"
#include "graphics/surface.h"
#include "spool_sink.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace vexl {
namespace {

constexpr LONG kPageWidth = 4960;
constexpr LONG kPageHeight = 7016;
constexpr LONG kBandRows = 512;

// A Pdev with only what the image emitters read.
struct BenchPdev {
    std::unique_ptr<Pdev> pdev = std::make_unique<Pdev>();
    CountingSink sink;

    BenchPdev(DWORD machineColorType, DWORD color)
    {
        pdev->pool = CreatePdevPool();
        pdev->pageCount = 2;
        pdev->rasterMode = 1;
        pdev->machineColorType = machineColorType;
        pdev->color = color;
        InitOutputStream(pdev->stream, StreamOwner{pdev->pool, &pdev->flags, &pdev->pageCount, &pdev->jobBinder},
                         nullptr, pdev.get());
        pdev->stream.spool = SpoolBinding{reinterpret_cast<HMODULE>(this), &sink, &CountingSink::WritePrinter};
    }
    ~BenchPdev()
    {
        FreeStreamBlocks(pdev->stream);
        DestroyPdevPool(pdev->pool);
    }
};

// A band bitmap as the engine hands it to DrvNextBand.
struct Band {
    std::vector<BYTE> bits;
    SURFOBJ surface{};

    explicit Band(ULONG format)
    {
        const LONG stride = BitmapRowStride(kPageWidth, format);
        bits.resize(static_cast<std::size_t>(stride) * kBandRows);
        for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<BYTE>((i * 131) >> 3);
        surface.sizlBitmap = SIZEL{kPageWidth, kBandRows};
        surface.cjBits = static_cast<ULONG>(bits.size());
        surface.pvBits = bits.data();
        surface.pvScan0 = bits.data();
        surface.lDelta = stride;
        surface.iBitmapFormat = format;
        surface.iType = STYPE_BITMAP;
        surface.fjBitmap = BMF_TOPDOWN;
    }
};

// The bands of one page, sent and flushed as DrvNextBand and DrvSendPage do.
bool SendPageOfBands(BenchPdev& bench, Band& band)
{
    for (LONG top = 0; top < kPageHeight; top += kBandRows) {
        const RECTL rect{0, top, kPageWidth, top + kBandRows};
        if (!EmitCopiedImage(*bench.pdev, nullptr, &band.surface, nullptr, rect)) return false;
    }
    return FlushOutputStream(bench.pdev->stream) != FALSE;
}

// Counters of a workload; `baselineBytes` per iteration is what the memcpy
// copies, in pieces of `piece` bytes (the band a page of bands reads again
// and again; 0: one piece).
void Report(benchmark::State& state, BenchPdev& bench, double seconds, double baselineBytes, std::size_t piece)
{
    const auto iterations = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(baselineBytes * iterations));
    state.counters["spool_writes"] = benchmark::Counter(static_cast<double>(bench.sink.calls) / iterations);
    state.counters["pool_high_water"] = benchmark::Counter(static_cast<double>(PdevPoolHighWater(bench.pdev->pool)),
                                                           benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
    const double rate = baselineBytes * iterations / seconds;
    const double memcpyRate = 1.0 / MemcpySecondsPerByte(static_cast<std::size_t>(baselineBytes), piece);
    state.counters["ratio_to_memcpy"] = benchmark::Counter(rate / memcpyRate);
    state.counters["bytes_per_iteration"] = benchmark::Counter(baselineBytes);
}

template <typename Work>
void Run(benchmark::State& state, BenchPdev& bench, Work work, double baselineBytes = 0, std::size_t piece = 0)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!work()) {
            state.SkipWithError("the image encoder failed");
            return;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(bench.sink.hash);
    if (baselineBytes == 0)
        baselineBytes = static_cast<double>(bench.sink.bytes) / static_cast<double>(state.iterations());
    Report(state, bench, took.count(), baselineBytes, piece);
}

void BM_RasterBands1Bpp(benchmark::State& state)
{
    BenchPdev bench(1, 1);
    Band band(BMF_1BPP);
    Run(state, bench, [&] { return SendPageOfBands(bench, band); }, 0, band.bits.size());
}
BENCHMARK(BM_RasterBands1Bpp)->Unit(benchmark::kMillisecond);

void BM_RasterBands24Bpp(benchmark::State& state)
{
    BenchPdev bench(1, 2);
    Band band(BMF_24BPP);
    Run(state, bench, [&] { return SendPageOfBands(bench, band); }, 0, band.bits.size());
}
BENCHMARK(BM_RasterBands24Bpp)->Unit(benchmark::kMillisecond);

// Colour bands for a monochrome machine: read 24 bits, send 8-bit grey.
// The ratio is to a memcpy of the bytes read.
void BM_RasterBandsGreyReduced(benchmark::State& state)
{
    BenchPdev bench(0, 2);
    Band band(BMF_24BPP);
    const double bandsPerPage = (kPageHeight + kBandRows - 1) / kBandRows;
    const double readBytes = bandsPerPage * static_cast<double>(band.bits.size());
    Run(
        state, bench, [&] { return SendPageOfBands(bench, band); }, readBytes, band.bits.size());
}
BENCHMARK(BM_RasterBandsGreyReduced)->Unit(benchmark::kMillisecond);

// The grey reduction alone over one colour band, input bytes per second.
void BM_GreyReductionAlone(benchmark::State& state)
{
    Band band(BMF_24BPP);
    std::vector<BYTE> grey(static_cast<std::size_t>(kPageWidth));
    const std::size_t stride = static_cast<std::size_t>(band.surface.lDelta);
    for (auto _ : state) {
        for (LONG row = 0; row < kBandRows; ++row) {
            ReduceRowToGrey(band.bits.data() + row * stride, kPageWidth, grey.data());
            benchmark::DoNotOptimize(grey.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(band.bits.size()));
}
BENCHMARK(BM_GreyReductionAlone)->Unit(benchmark::kMicrosecond);

// One 24 MB colour image (4,096 x 2,048 at 24 bits) in 1 MB pieces.
void BM_LargeImageInPieces(benchmark::State& state)
{
    BenchPdev bench(1, 2);
    constexpr ULONG kWidth = 4096, kRows = 2048;
    std::vector<BYTE> bits(std::size_t{kWidth} * 3 * kRows, 0x6B);
    ImageRecordArgs image{};
    image.width = kWidth;
    image.height = kRows;
    image.bitmapWidth = kWidth;
    image.rows = kRows;
    image.formatFlags = kImageFormat24Bit;
    image.bits = bits.data();
    Run(state, bench, [&] { return EmitImageRecord(*bench.pdev, image) && FlushOutputStream(bench.pdev->stream); });
}
BENCHMARK(BM_LargeImageInPieces)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexl

BENCHMARK_MAIN();
