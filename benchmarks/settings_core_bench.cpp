// The settings core against its goals: creating contexts, the constraint
// checks, merging and checking DEVMODEs, and storing and loading the
// printer's settings (compiling and the compiled-model cache are measured by
// the model benchmark). Each row reports its time and its ratio to its
// goal or to its peer (the CUPS PPD functions on real PPD files, measured in
// the same run when libcups and the PPD packages are there); a ratio of 1 or
// less meets the goal.
#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/process.h"
#include "common/model/bcs_cache.h"
#include "common/model/compile_state.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/model/judge_eval.h"
#include "common/model/reader.h"
#include "common/storage/directories.h"
#include "common/storage/persistence.h"
#include "common/wiring.h"
#include "platform/machine.h"
#include "support/integration_fixture.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef VEXL_BENCH_CUPS
#include <cups/cups.h>
#include <cups/ppd.h>
// The PPD functions are deprecated in libcups but are still the peer.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif

namespace vexl::bench {
namespace {

using Clock = std::chrono::steady_clock;
using test::kPackageFolder;

// The peers' figures of this run (µs), or the figures when the peer
// cannot run here.
double g_cupsMicrosPerKiB = 15.0;
double g_cupsConflictMicros = 59.0;
bool g_cupsMeasured = false;

// Times the loop body by hand so that each row can print its ratio.
template <typename Body>
void Run(benchmark::State& state, double goalMicros, Body&& body, double unitsPerIteration = 1.0)
{
    std::int64_t iterations = 0;
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        body();
        spent += Clock::now() - start;
        ++iterations;
    }
    const double micros =
        std::chrono::duration<double, std::micro>(spent).count() / static_cast<double>(iterations) / unitsPerIteration;
    state.counters["us"] = micros;
    state.counters["x_goal"] = micros / goalMicros;
}

// A machine with the package's printer, for the whole program.
class Bench {
public:
    static Bench& Get()
    {
        static Bench bench;
        return bench;
    }

    HANDLE printer() const { return printer_; }
    DriverContext* context() const { return context_; }
    std::u16string descriptionPath() const { return model::GetDescriptionFilePath(printer_); }
    double descriptionKiB() const
    {
        return static_cast<double>(std::filesystem::file_size(kPackageFolder / "TZ16E1MD.VXD")) / 1024.0;
    }

private:
    Bench()
    {
        machine_ = std::make_unique<test::TestMachine>();
        test::InstallDriverPrinter();
        printer_ = test::OpenDriverPrinter();
        context_ = CreateDriverContextEx(printer_, printer_, 0, kCallerPropertySheet, 0, nullptr);
        if (!context_) std::fprintf(stderr, "the package's printer has no context\n");
    }

    std::unique_ptr<test::TestMachine> machine_;
    HANDLE printer_ = nullptr;
    DriverContext* context_ = nullptr;
};

// ---- the peer ------------------------------------------------------------------------------

#ifdef VEXL_BENCH_CUPS
std::vector<std::filesystem::path> PeerPpdFiles()
{
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"/usr/share/ppd/hp-ppd", "/usr/share/ppd/okidata"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && (name.ends_with(".ppd") || name.ends_with(".ppd.gz")))
                files.push_back(entry.path());
            if (files.size() >= 40) return files;
        }
    }
    return files;
}

double UncompressedKiB(const std::filesystem::path& file)
{
    cups_file_t* in = cupsFileOpen(file.c_str(), "r");
    if (!in) return 0;
    char buffer[65536];
    double bytes = 0;
    for (ssize_t n; (n = cupsFileRead(in, buffer, sizeof buffer)) > 0;) bytes += static_cast<double>(n);
    cupsFileClose(in);
    return bytes / 1024.0;
}

void BM_PeerOpenMarkConflicts(benchmark::State& state)
{
    const std::vector<std::filesystem::path> files = PeerPpdFiles();
    if (files.empty()) {
        state.SkipWithError("no PPD files: install hp-ppd and printer-driver-oki (./bench does as root)");
        return;
    }
    double kib = 0;
    for (const auto& file : files) kib += UncompressedKiB(file);
    std::int64_t iterations = 0;
    Clock::duration spent{}, conflicts{};
    for (auto _ : state) {
        for (const auto& file : files) {
            const Clock::time_point start = Clock::now();
            ppd_file_t* ppd = ppdOpenFile(file.c_str());
            if (ppd) {
                ppdMarkDefaults(ppd);
                const Clock::time_point checked = Clock::now();
                benchmark::DoNotOptimize(ppdConflicts(ppd));
                conflicts += Clock::now() - checked;
                ppdClose(ppd);
            }
            spent += Clock::now() - start;
        }
        ++iterations;
    }
    g_cupsMicrosPerKiB =
        std::chrono::duration<double, std::micro>(spent).count() / static_cast<double>(iterations) / kib;
    g_cupsConflictMicros =
        std::chrono::duration<double, std::micro>(conflicts).count() / static_cast<double>(iterations * files.size());
    g_cupsMeasured = true;
    state.counters["us_per_KiB"] = g_cupsMicrosPerKiB;
    state.counters["conflicts_us"] = g_cupsConflictMicros;
    state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_PeerOpenMarkConflicts)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

// ---- contexts --------------------------------------------------------------------------------

void BM_CreateDestroyListedModel(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    PurgeContextCache(TRUE);
    Run(state, 1000.0, [&] {
        DriverContext* context = CreateDriverContext(bench.printer(), bench.printer(), nullptr, kCallerPropertySheet);
        benchmark::DoNotOptimize(context);
        ReleaseDriverContext(context, kReleaseDestroy);
    });
}
BENCHMARK(BM_CreateDestroyListedModel)->Unit(benchmark::kMicrosecond);

// A creation that finds its context parked (the caller names the printer);
// the time of parking it again is not counted.
void BM_CreateFromParkedContext(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    PurgeContextCache(TRUE);
    std::u16string name = test::kPrinterName;
    ReleaseDriverContextDefault(
        CreateDriverContext(bench.printer(), bench.printer(), name.c_str(), kCallerPropertySheet));
    std::int64_t iterations = 0;
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        DriverContext* context =
            CreateDriverContext(bench.printer(), bench.printer(), name.c_str(), kCallerPropertySheet);
        spent += Clock::now() - start;
        ++iterations;
        ReleaseDriverContextDefault(context);
    }
    PurgeContextCache(TRUE);
    const double micros = std::chrono::duration<double, std::micro>(spent).count() / static_cast<double>(iterations);
    state.counters["us"] = micros;
    state.counters["x_goal"] = micros / 10.0;
}
BENCHMARK(BM_CreateFromParkedContext)->Unit(benchmark::kMicrosecond);

// ---- constraints -----------------------------------------------------------------------------

// Every UI entry of the package with each of its options, as a property
// sheet shows them: not offered, refused.
void BM_EvaluateEveryUiEntry(benchmark::State& state)
{
    using namespace model;
    DriverContext* context = Bench::Get().context();
    const CompiledModel* compiled = context->compiledModel;
    struct Check {
        BlockOffset entry;
        std::uint16_t option;
    };
    std::vector<Check> checks;
    std::size_t entries = 0;
    for (BlockOffset at = GetFirstUiEntry(compiled); at != 0; at = ReadUiEntry(compiled, at).next) {
        const UiEntryRecord entry = ReadUiEntry(compiled, at);
        ++entries;
        if (!IsPickKind(entry.type)) {
            checks.push_back({at, 0});
            continue;
        }
        for (BlockOffset option = entry.options; option != 0; option = ReadUiOption(compiled, option, entry.type).next)
            checks.push_back({at, ReadUiOption(compiled, option, entry.type).optionId});
    }
    Run(state, g_cupsConflictMicros, [&] {
        std::uint32_t refused = 0;
        for (const Check& check : checks) {
            refused += IsUiOptionUnavailable(check.entry, check.option, context);
            refused += IsUiOptionRestricted(check.entry, check.option, context);
        }
        benchmark::DoNotOptimize(refused);
    });
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["options"] = static_cast<double>(checks.size());
    state.counters["peer_measured"] = g_cupsMeasured;
}
BENCHMARK(BM_EvaluateEveryUiEntry)->Unit(benchmark::kMicrosecond);

// One judge run: the first judge of the exclusive table.
void BM_OneJudgeRun(benchmark::State& state)
{
    using namespace model;
    DriverContext* context = Bench::Get().context();
    const CompiledModel* compiled = context->compiledModel;
    BlockOffset judge = 0;
    for (BlockOffset at = GetFirstExclusive(compiled); at != 0 && judge == 0;) {
        const ExclusiveBlockRecord record = ReadExclusiveRecord(compiled, at);
        for (BlockOffset rule = record.items; rule != 0 && judge == 0;) {
            const OptionRuleRecord option = ReadOptionRule(compiled, rule);
            judge = option.j1 ? option.j1 : option.j2;
            rule = option.next;
        }
        at = record.next;
    }
    if (judge == 0) {
        state.SkipWithError("the package has no judge");
        return;
    }
    Run(state, 0.5, [&] { benchmark::DoNotOptimize(EvaluateJudge(judge, context)); });
}
BENCHMARK(BM_OneJudgeRun);

// ---- DEVMODEs --------------------------------------------------------------------------------

// An application's DEVMODE: the driver's own, with the public fields an
// application changes.
std::vector<std::uint8_t> ApplicationDevmode()
{
    std::vector<std::uint8_t> bytes = test::DevmodeBytes(Bench::Get().context());
    auto* devmode = reinterpret_cast<DEVMODEW*>(bytes.data());
    devmode->dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    devmode->dmOrientation = DMORIENT_LANDSCAPE;
    devmode->dmPaperSize = 9;  // A4
    devmode->dmCopies = 3;
    return bytes;
}

void BM_MergeDevmode(benchmark::State& state)
{
    DriverContext* context = Bench::Get().context();
    const std::vector<std::uint8_t> caller = ApplicationDevmode();
    Run(state, 50.0, [&] {
        benchmark::DoNotOptimize(
            MergeDevmode(context, reinterpret_cast<const DEVMODEW*>(caller.data()), kMergeFromCaller));
    });
}
BENCHMARK(BM_MergeDevmode)->Unit(benchmark::kMicrosecond);

void BM_ValidatePublicFields(benchmark::State& state)
{
    DriverContext* context = Bench::Get().context();
    const std::vector<std::uint8_t> caller = ApplicationDevmode();
    std::vector<std::uint8_t> work(caller.size());
    Run(state, 10.0, [&] {
        std::memcpy(work.data(), caller.data(), caller.size());
        ValidatePublicFields(reinterpret_cast<DEVMODEW*>(work.data()), context);
    });
}
BENCHMARK(BM_ValidatePublicFields)->Unit(benchmark::kMicrosecond);

// ---- storage ---------------------------------------------------------------------------------

// Every stored setting of the context, changed or not.
// A store pass's time and the holds of the settings mutex (timed at its
// wait and its release): the longest, and all of a pass together, each
// beside its goal of 5 ms. The longest hold of a few hundred passes also
// takes the machine's own stalls (a shared machine stops a thread for a few
// milliseconds now and then).
void ReportStorePasses(benchmark::State& state, Clock::duration spent, std::int64_t iterations)
{
    const auto micros = [&](auto duration) { return std::chrono::duration<double, std::micro>(duration).count(); };
    const double passMicros = micros(spent) / static_cast<double>(iterations);
    const SettingsMutexHolds holds = TakeSettingsMutexHolds();
    const double heldPerPass = micros(holds.total) / static_cast<double>(iterations);
    state.counters["us"] = passMicros;
    state.counters["x_goal"] = passMicros / 5000.0;
    state.counters["mutex_held_us"] = heldPerPass;
    state.counters["mutex_x_goal"] = heldPerPass / 5000.0;
    state.counters["mutex_longest_us"] = micros(holds.longest);
}

void BM_StoreAllSettings(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    DriverContext* context = bench.context();
    TakeSettingsMutexHolds();
    std::int64_t iterations = 0;
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        StoreItemsPass(bench.printer(), context, kAllAreas, kStoreForce);
        spent += Clock::now() - start;
        ++iterations;
    }
    ReportStorePasses(state, spent, iterations);
}
BENCHMARK(BM_StoreAllSettings)->Unit(benchmark::kMillisecond);

// The same pass when the stored values differ from the context's: before
// each pass (not timed) one printer-data value is deleted and one INI value
// changed, so that the pass replaces the printer's file and rewrites the INI.
void BM_StoreChangedSettings(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    DriverContext* context = bench.context();
    const SettingItemDescriptor* dataItem = nullptr;
    for (int i = 0; i < context->itemTable->count && !dataItem; ++i) {
        const SettingItemDescriptor& item = context->itemTable->items[i];
        if (item.key && item.persistence == kPersistPrinterData && ItemArea(item) == kAreaPrinter) dataItem = &item;
    }
    // The first key of the first section of the settings INI, as the pass wrote it.
    const WCHAR* iniPath = GetSettingsIniPath(context);
    StoreItemsPass(bench.printer(), context, kAllAreas, kStoreForce);
    WCHAR section[256] = {}, key[256] = {};
    if (iniPath) GetPrivateProfileSectionNamesW(section, 256, iniPath);
    if (iniPath) GetPrivateProfileStringW(section, nullptr, u"", key, 256, iniPath);
    if (!dataItem || !section[0] || !key[0]) {
        state.SkipWithError("the context stores no printer-data or INI value");
        return;
    }
    std::u16string dataName = dataItem->key;
    TakeSettingsMutexHolds();
    std::int64_t iterations = 0, rewrites = 0;
    Clock::duration spent{};
    for (auto _ : state) {
        rewrites += DeletePrinterDataW(bench.printer(), dataName.data()) == ERROR_SUCCESS;
        WritePrivateProfileStringW(section, key, u"changed", iniPath);
        const Clock::time_point start = Clock::now();
        StoreItemsPass(bench.printer(), context, kAllAreas, kStoreForce);
        spent += Clock::now() - start;
        ++iterations;
    }
    ReportStorePasses(state, spent, iterations);
    state.counters["data_rewrites"] = static_cast<double>(rewrites) / static_cast<double>(iterations);
}
BENCHMARK(BM_StoreChangedSettings)->Unit(benchmark::kMillisecond);

void BM_LoadAllSettings(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    Run(state, 1000.0, [&] { LoadStoredItems(bench.printer(), kAllAreas, bench.context()); });
}
BENCHMARK(BM_LoadAllSettings)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexl::bench
