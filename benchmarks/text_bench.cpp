// A vector page of 60 lines of text against memcpy of the same bytes, in
// one run: DrvTextOut with the engine's synthetic font, once in a device
// font and once as downloaded glyphs with the page's glyph cache. The spool
// library is a counting sink. Each page reports its driver time, its bytes,
// its ratio to a memcpy of those bytes timed in the same process, and the
// pool's high-water mark.
#include "graphics/clip_cache.h"
#include "graphics/glyph_cache.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "platform/engine_host.h"
#include "spool_sink.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace vexl {
namespace {

// A vector-mode Pdev with the fields text output reads, over the sink.
struct TextPdev {
    std::unique_ptr<Pdev> pdev = std::make_unique<Pdev>();
    CountingSink sink;
    SURFOBJ surface{};

    explicit TextPdev(DWORD textAsBitmap)
    {
        Pdev& p = *pdev;
        p.leadingGuard = kPdevGuard;
        p.trailingGuard = kPdevGuard;
        p.pool = CreatePdevPool();
        p.textAsBitmap = textAsBitmap;
        p.pageCount = 1;
        InitOutputStream(p.stream, StreamOwner{p.pool, &p.flags, &p.pageCount, &p.jobBinder}, nullptr, &p);
        p.stream.spool = SpoolBinding{reinterpret_cast<HMODULE>(this), &sink, &CountingSink::WritePrinter};
        p.clipCache = CreateClipCache(&p);
        surface.dhpdev = reinterpret_cast<DHPDEV>(&p);
    }
    ~TextPdev()
    {
        ClearGlyphCache(pdev.get());
        FreeClipCache(pdev.get(), pdev->clipCache);
        FreeStreamBlocks(pdev->stream);
        DestroyPdevPool(pdev->pool);
    }
};

double MemcpySecondsPerByte(std::size_t bytes)
{
    static std::vector<BYTE> from, to;
    if (from.size() < bytes) {
        from.assign(bytes, 0x5A);
        to.assign(bytes, 0);
    }
    double best = 1e30;
    for (int r = 0; r < 50; ++r) {
        const auto start = std::chrono::steady_clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best / static_cast<double>(bytes);
}

// 60 lines of 80 letters of the synthetic font, 12-point at 600 dpi.
struct TextPage {
    engine::Font font{u"Test", engine::SyntheticGlyphs(), XFORML{0.049f, 0, 0, 0.049f, 0, 0}, 77};
    std::vector<engine::String> lines;
    engine::Brush black = engine::Brush::Solid(0);
    engine::Clip clip = engine::Clip::Trivial(RECTL{0, 0, 4960, 7016});

    TextPage()
    {
        std::u16string text;
        std::vector<HGLYPH> glyphs;
        for (int i = 0; i < 80; ++i) {
            text.push_back(static_cast<char16_t>(u'a' + i % 5));
            glyphs.push_back(static_cast<HGLYPH>(5 + i % 5));
        }
        for (int line = 0; line < 60; ++line)
            lines.push_back(engine::LayOutString(font, text, glyphs, POINTL{300, 400 + 100 * line}));
    }

    bool Print(TextPdev& device)
    {
        Pdev& p = *device.pdev;
        // A new page: the states, the clip and the glyphs are sent again.
        InvalidateStateCaches(p.states);
        InvalidateClipCache(p.clipCache);
        ClearGlyphCache(&p);
        if (!EmitPageBeginRecord(p.stream, 4960, 7016, 600)) return false;
        for (engine::String& line : lines)
            if (!DrvTextOut(&device.surface, line.get(), font.get(), clip.get(), nullptr, nullptr, black.get(), nullptr,
                            nullptr, 0x0D0D))
                return false;
        return EmitPageEndRecord(p.stream) && FlushOutputStream(p.stream);
    }
};

void RunTextPage(benchmark::State& state, DWORD textAsBitmap)
{
    TextPage page;
    TextPdev device(textAsBitmap);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!page.Print(device)) {
            state.SkipWithError("the text page failed");
            return;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const auto iterations = static_cast<double>(state.iterations());
    const double bytesPerPage = static_cast<double>(device.sink.bytes) / iterations;
    state.SetBytesProcessed(static_cast<std::int64_t>(device.sink.bytes));
    state.counters["page_ms"] = benchmark::Counter(took.count() / iterations * 1000.0);
    state.counters["bytes_per_page"] = benchmark::Counter(bytesPerPage);
    state.counters["pool_high_water"] = benchmark::Counter(static_cast<double>(PdevPoolHighWater(device.pdev->pool)),
                                                           benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
    const double driverRate = static_cast<double>(device.sink.bytes) / took.count();
    const double memcpyRate = 1.0 / MemcpySecondsPerByte(static_cast<std::size_t>(bytesPerPage));
    state.counters["ratio_to_memcpy"] = benchmark::Counter(driverRate / memcpyRate);
}

void BM_TextPageDeviceFont(benchmark::State& state)
{
    RunTextPage(state, 0);
}
void BM_TextPageDownloadedGlyphs(benchmark::State& state)
{
    RunTextPage(state, 1);
}

BENCHMARK(BM_TextPageDeviceFont)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextPageDownloadedGlyphs)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexl

BENCHMARK_MAIN();
