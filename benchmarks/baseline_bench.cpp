// The baseline every stream and copy workload is read against: memcpy of
// the same number of bytes, in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

void BM_Memcpy(benchmark::State& state)
{
    const auto bytes = static_cast<size_t>(state.range(0));
    std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Memcpy)->Arg(4096)->Arg(1 << 20)->Arg(100 << 20);

}  // namespace

BENCHMARK_MAIN();
