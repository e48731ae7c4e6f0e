// The main of the benchmarks that link the common library without a
// deliverable: its services get their defaults before any benchmark runs.
#include "common/wiring.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    vexl::InstallDefaultServices();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
