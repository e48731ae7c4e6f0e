// Storing changed values: a store pass that writes the printer's file and the
// settings INI on every pass, alone and while another process writes to the
// same disk. The goal is the settings mutex: held at most 1 ms at a time, as
// nothing slow (no flush to disk) happens under it. Each row reports the
// pass, the mutex held per pass, the longest hold with its ratio to the goal
// (1 or less meets it) and how many files each pass replaced.
#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/process.h"
#include "common/storage/directories.h"
#include "common/storage/persistence.h"
#include "common/wiring.h"
#include "support/integration_fixture.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexl::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kLongestHoldGoalMicros = 1000.0;

// A machine with the package's printer and a context for it.
class StoreBench {
public:
    StoreBench()
    {
        machine_ = std::make_unique<test::TestMachine>();
        test::InstallDriverPrinter();
        printer_ = test::OpenDriverPrinter();
        context_ = CreateDriverContextEx(printer_, printer_, 0, kCallerPropertySheet, 0, nullptr);
    }
    ~StoreBench()
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        if (printer_) ClosePrinter(printer_);
    }
    StoreBench(const StoreBench&) = delete;
    StoreBench& operator=(const StoreBench&) = delete;

    HANDLE printer() const { return printer_; }
    DriverContext* context() const { return context_; }
    const std::filesystem::path& root() const { return machine_->root(); }

private:
    std::unique_ptr<test::TestMachine> machine_;
    HANDLE printer_ = nullptr;
    DriverContext* context_ = nullptr;
};

ino_t InodeOf(const std::filesystem::path& file)
{
    struct stat status {};
    return ::stat(file.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Another process that writes to the disk of the machine without pause:
// 4 MiB at a time, each flushed, until it is stopped.
class DiskWriter {
public:
    explicit DiskWriter(const std::filesystem::path& folder)
    {
        const std::filesystem::path file = folder / "disk-writer.bin";
        pid_ = ::fork();
        if (pid_ != 0) return;
        const std::string block(1 << 20, 'w');
        for (;;) {
            const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            for (int i = 0; i < 4 && fd >= 0; ++i) {
                if (::write(fd, block.data(), block.size()) < 0) break;
            }
            if (fd >= 0) {
                ::fsync(fd);
                ::close(fd);
            }
        }
    }
    ~DiskWriter()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    DiskWriter(const DiskWriter&) = delete;
    DiskWriter& operator=(const DiskWriter&) = delete;

private:
    pid_t pid_ = -1;
};

// Store passes that each change one printer-data value and one value of
// the settings INI, so that each pass replaces both files.
void RunChangedStores(benchmark::State& state, bool diskWriter)
{
    StoreBench bench;
    DriverContext* context = bench.context();
    if (!context) {
        state.SkipWithError("the package's printer has no context");
        return;
    }
    const std::filesystem::path printerFolder = bench.root() / "spooler" / "printers";
    const WCHAR* iniPath = GetSettingsIniPath(context);
    const std::filesystem::path iniFile = iniPath ? machine::HostPath(iniPath) : std::filesystem::path();
    StoreItemsPass(bench.printer(), context, kAllAreas, kStoreForce);
    std::filesystem::path printerFile;
    for (const auto& entry : std::filesystem::directory_iterator(printerFolder))
        if (entry.path().extension() == ".printer") printerFile = entry.path();

    std::unique_ptr<DiskWriter> writer;
    if (diskWriter) writer = std::make_unique<DiskWriter>(bench.root());
    TakeSettingsMutexHolds();
    std::int64_t iterations = 0, replaced = 0, failed = 0;
    Clock::duration spent{};
    for (auto _ : state) {
        const auto n = static_cast<std::uint32_t>(iterations);
        SetItemValue(context, rdmLogging, 100 + n % 2);
        SetItemValue(context, rdmFrontFunc, 200 + n % 2);
        const ino_t printerBefore = InodeOf(printerFile);
        const ino_t iniBefore = InodeOf(iniFile);
        const Clock::time_point start = Clock::now();
        failed += !StoreItemsPass(bench.printer(), context, kAllAreas, kStoreForce);
        spent += Clock::now() - start;
        replaced += (InodeOf(printerFile) != printerBefore) + (InodeOf(iniFile) != iniBefore);
        ++iterations;
    }
    const SettingsMutexHolds holds = TakeSettingsMutexHolds();
    writer.reset();
    const auto micros = [](auto duration) { return std::chrono::duration<double, std::micro>(duration).count(); };
    const double count = static_cast<double>(iterations);
    state.counters["us"] = micros(spent) / count;
    state.counters["mutex_held_us"] = micros(holds.total) / count;
    state.counters["mutex_longest_us"] = micros(holds.longest);
    state.counters["x_goal"] = micros(holds.longest) / kLongestHoldGoalMicros;
    state.counters["files_per_pass"] = static_cast<double>(replaced) / count;
    if (failed) state.SkipWithError("a store pass answered failure");
}

void BM_StoreWritesFiles(benchmark::State& state)
{
    RunChangedStores(state, false);
}
BENCHMARK(BM_StoreWritesFiles)->Unit(benchmark::kMillisecond)->Iterations(300);

void BM_StoreWritesFilesBesideDiskWriter(benchmark::State& state)
{
    RunChangedStores(state, true);
}
BENCHMARK(BM_StoreWritesFilesBesideDiskWriter)->Unit(benchmark::kMillisecond)->Iterations(300);

}  // namespace
}  // namespace vexl::bench
