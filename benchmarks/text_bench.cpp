// A vector page of 60 lines of text against memcpy of the same bytes, in
// one run: DrvTextOut with the engine's synthetic font, once in a device
// font and once as downloaded glyphs with the page's glyph cache; and the
// same page as a 12-point page really is, 60 distinct glyphs of 48 x 72
// pixels. The spool library is a counting sink. Each page reports its
// driver time, its bytes, its ratio to a memcpy of those bytes timed in the
// same process, and the pool's high-water mark.
#include "driver_pdev.h"
#include "graphics/hooks.h"
#include "platform/engine_host.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

namespace vexl {
namespace {

// 60 distinct glyphs of 48 x 72 pixels, the cell of a 12-point letter at
// 600 dpi: each a frame with a stroke and a bar of its own.
std::vector<engine::Glyph> TwelvePointGlyphs()
{
    std::vector<engine::Glyph> glyphs;
    constexpr LONG kWidth = 48, kHeight = 72, kRowBytes = (kWidth + 7) / 8;
    for (int k = 0; k < 60; ++k) {
        engine::Glyph glyph;
        glyph.hg = static_cast<HGLYPH>(100 + k);
        glyph.size = SIZEL{kWidth, kHeight};
        glyph.origin = POINTL{0, -kHeight};
        glyph.advance = kWidth + 4;
        glyph.bits.assign(static_cast<std::size_t>(kRowBytes * kHeight), 0);
        const LONG stroke = (k * 5) % (kWidth - 6), bar = (k * 7) % (kHeight - 6);
        for (LONG y = 0; y < kHeight; ++y) {
            for (LONG x = 0; x < kWidth; ++x) {
                const bool on = x < 6 || (x >= stroke && x < stroke + 6) || (y >= bar && y < bar + 6) ||
                                (k % 2 && y >= kHeight - 6);
                if (on) glyph.bits[static_cast<std::size_t>(y * kRowBytes + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
        glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

constexpr char16_t kLetters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567";

// 60 lines of 80 letters, 12-point at 600 dpi: of the synthetic font's five
// letters of 8 x 12 pixels, or of the 60 glyphs of a 12-point cell.
struct TextPage {
    engine::Font font;
    std::vector<engine::String> lines;
    engine::Brush black = engine::Brush::Solid(0);
    engine::Clip clip = engine::Clip::Trivial(RECTL{0, 0, 4960, 7016});

    explicit TextPage(bool twelvePoint)
        : font(u"Test", twelvePoint ? TwelvePointGlyphs() : engine::SyntheticGlyphs(),
               XFORML{0.049f, 0, 0, 0.049f, 0, 0}, 77)
    {
        const int distinct = twelvePoint ? 60 : 5;
        const HGLYPH first = twelvePoint ? 100 : 5;
        for (int line = 0; line < 60; ++line) {
            std::u16string text;
            std::vector<HGLYPH> glyphs;
            for (int i = 0; i < 80; ++i) {
                const int k = (line + i) % distinct;
                text.push_back(static_cast<char16_t>(twelvePoint ? kLetters[k] : u'a' + k));
                glyphs.push_back(static_cast<HGLYPH>(first + k));
            }
            lines.push_back(engine::LayOutString(font, text, glyphs, POINTL{300, 400 + 100 * line}));
        }
    }

    bool Print(DriverPdev& device)
    {
        if (!device.BeginPage()) return false;
        for (engine::String& line : lines)
            if (!DrvTextOut(&device.surface, line.get(), font.get(), clip.get(), nullptr, nullptr, black.get(), nullptr,
                            nullptr, 0x0D0D))
                return false;
        return device.EndPage();
    }
};

void RunTextPage(benchmark::State& state, DWORD textAsBitmap, bool twelvePoint)
{
    TextPage page(twelvePoint);
    DriverPdev device(textAsBitmap);
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
    RunTextPage(state, 0, false);
}
void BM_TextPageDownloadedGlyphs(benchmark::State& state)
{
    RunTextPage(state, 1, false);
}
void BM_TwelvePointPageDeviceFont(benchmark::State& state)
{
    RunTextPage(state, 0, true);
}
void BM_TwelvePointPageDownloadedGlyphs(benchmark::State& state)
{
    RunTextPage(state, 1, true);
}

BENCHMARK(BM_TextPageDeviceFont)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextPageDownloadedGlyphs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwelvePointPageDeviceFont)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwelvePointPageDownloadedGlyphs)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexl

BENCHMARK_MAIN();
