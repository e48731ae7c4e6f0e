// The description compiler and the compiled-model cache against their goals:
// - compiling costs the same per KiB at 1, 4 and 16 times the package's
//   description (within 1.2 times);
// - compiling costs at most half of the CUPS PPD functions per KiB (open,
//   mark the defaults, check the conflicts, close), on the PPD files of about
//   the description's size and on the largest one, with the description made
//   as large;
// - a model from the warm cache costs at most 1.25 times the bare host calls
//   of its two files.
// Each row runs its goal and its peer or floor in turn inside one loop, so
// that a loaded machine weighs on both alike, and reports the medians of the
// iterations; a ratio x_goal of 1 or less meets the goal. The compile rows
// count the thread's CPU time, the warm cache (microseconds a sample) the
// time that passed.
#include "common/core/process.h"
#include "common/model/bcs_cache.h"
#include "common/model/compiled_model.h"
#include "common/model/model_list.h"
#include "common/model/reader.h"
#include "common/wiring.h"
#include "platform/machine.h"
#include "support/integration_fixture.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <time.h>
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

double Micros(Clock::duration duration)
{
    return std::chrono::duration<double, std::micro>(duration).count();
}

template <typename Body> double TimeMicros(Body&& body)
{
    const Clock::time_point start = Clock::now();
    body();
    return Micros(Clock::now() - start);
}

// The CPU time of this thread that the body takes, in µs: the compile rows
// take milliseconds, and on a shared machine most such samples would
// otherwise carry a stretch spent waiting for a processor.
template <typename Body> double CpuMicros(Body&& body)
{
    const auto now = [] {
        timespec time{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
        return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_nsec) / 1e3;
    };
    const double start = now();
    body();
    return now() - start;
}

double Median(std::vector<double> samples)
{
    if (samples.empty()) return 0;
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

// ---- descriptions of several sizes ------------------------------------------------------------

// Lines that a description holds once: a copy repeats everything else.
bool IsHeaderLine(std::string_view line)
{
    return line.starts_with("*FileVersion") || line.starts_with("*UIResDLLName") ||
           line.starts_with("*ExcDepDLLName");
}

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The words of a line, each passed through `rename`.
template <typename Rename> std::string RenameWords(std::string_view line, Rename&& rename)
{
    std::string out;
    for (std::size_t i = 0; i < line.size();) {
        if (!IsWordChar(line[i])) {
            out.push_back(line[i++]);
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && IsWordChar(line[end])) ++end;
        out += rename(line.substr(i, end - i));
        i = end;
    }
    return out;
}

// Numbered record lines ("*Judge 3=Name:") and the names they define.
constexpr std::string_view kRecordKeywords[] = {"*Judge ", "*Item ", "*Action ", "*Transact ", "*AlertAction ",
                                                "*Alert ", "*CommandString "};

bool IsRecordLine(std::string_view line)
{
    return std::any_of(std::begin(kRecordKeywords), std::end(kRecordKeywords),
                       [&](std::string_view keyword) { return line.starts_with(keyword); });
}

std::set<std::string, std::less<>> RecordNames(const std::vector<std::string>& lines)
{
    std::set<std::string, std::less<>> names;
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        const std::size_t colon = line.find(':');
        if (IsRecordLine(line) && equals != std::string::npos && colon != std::string::npos && equals < colon)
            names.insert(line.substr(equals + 1, colon - equals - 1));
    }
    return names;
}

// Names of the model database's UI symbols that the description does not use.
std::vector<std::string> UnusedSymbols(const std::string& description)
{
    std::ifstream in(std::filesystem::path(VEXL_SOURCE_DIR) / "common/core/modeldb/symbols.tsv");
    std::vector<std::string> unused;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || line.starts_with("key\t")) continue;
        std::istringstream fields(line);
        std::string key, item, name;
        std::getline(fields, key, '\t');
        std::getline(fields, item, '\t');
        std::getline(fields, name, '\t');
        if (!name.empty() && description.find(name) == std::string::npos) unused.push_back(name);
    }
    return unused;
}

// The package description made `times` times as large: its body repeated.
// The records of each further copy are numbered and named apart (numbers
// moved by 100 a copy, names given the copy's suffix) so that every copy
// adds judges, constraint records and command strings of its own; its UI
// entries take the database's unused symbols while they last, so that the
// UI list holds as many distinct entries as the database names.
std::string ScaledDescription(int times)
{
    std::ifstream in(kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
    std::vector<std::string> lines;
    std::string original;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
        original += line;
        original += '\n';
    }
    const std::set<std::string, std::less<>> names = RecordNames(lines);
    const std::vector<std::string> unused = UnusedSymbols(original);
    std::size_t nextUnused = 0;

    std::string out = original;
    for (int copy = 1; copy < times; ++copy) {
        const std::string suffix = "_" + std::to_string(copy);
        bool afterStringType = false;
        std::string entryName, entryRename;  // the open entry's symbol and its name in this copy
        for (const std::string& line : lines) {
            if (IsHeaderLine(line)) continue;
            if (line.starts_with("*OpenUI *")) {
                const std::size_t end = line.find(':');
                entryName = line.substr(9, end == std::string::npos ? std::string::npos : end - 9);
                entryRename = nextUnused < unused.size() ? unused[nextUnused++] : entryName;
            }
            // The first number of a record line and the number after
            // "StringType" are record numbers.
            bool numberDue = IsRecordLine(line);
            out += RenameWords(line, [&](std::string_view word) {
                const bool isNumber = std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(c); });
                std::string result(word);
                if (isNumber && (numberDue || afterStringType))
                    result = std::to_string(std::stoi(result) + 100 * copy);
                else if (names.contains(word))
                    result += suffix;
                else if (!entryName.empty() && word == entryName)
                    result = entryRename;
                else if (!entryName.empty() && word == "Default" + entryName)
                    result = "Default" + entryRename;
                if (isNumber) numberDue = false;
                afterStringType = word == "StringType";
                return result;
            });
            out += '\n';
            if (line.starts_with("*CloseUI")) entryName.clear();
        }
    }
    return out;
}

// ---- the machine ---------------------------------------------------------------------------------

// A machine with the package's printer and the description at each size the
// rows need, for the whole program.
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

    struct Description {
        std::u16string path;
        double kib = 0;
    };

    // The description `times` times as large, written once.
    const Description& Scaled(int times)
    {
        for (const auto& [known, description] : scaled_)
            if (known == times) return description;
        const std::string text = ScaledDescription(times);
        Description description;
        const std::string number = std::to_string(times);
        description.path =
            std::u16string(test::kDriverFolder) + u"\\SCALED" + std::u16string(number.begin(), number.end()) + u".VXD";
        description.kib = static_cast<double>(text.size()) / 1024.0;
        machine::WriteFile(description.path, text);
        scaled_.emplace_back(times, description);
        return scaled_.back().second;
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
    std::vector<std::pair<int, Description>> scaled_;
};

// One compilation of a description, in µs of CPU time; negative when it does not compile.
double CompileMicros(const Bench::Description& description)
{
    CompiledModel* model = nullptr;
    const double micros =
        CpuMicros([&] { model = model::CompileModel(Bench::Get().context(), description.path, false); });
    const bool compiled = model != nullptr;
    model::FreeCompiledModel(model);
    return compiled ? micros : -1;
}

// The UI entries of a description's model.
std::size_t CountUiEntries(const Bench::Description& description)
{
    CompiledModel* model = model::CompileModel(Bench::Get().context(), description.path, false);
    std::size_t entries = 0;
    for (model::BlockOffset at = model ? model::GetFirstUiEntry(model) : 0; at != 0;
         at = model::ReadUiEntry(model, at).next)
        ++entries;
    model::FreeCompiledModel(model);
    return entries;
}

// ---- compiling ----------------------------------------------------------------------------------

// The description at 1, 4 and 16 times its size. Each iteration compiles
// every size a few times running, so that a size is measured after its own
// compilations rather than after another size's, and the sizes share the
// machine's load alike. Goal: the cost per KiB of each larger size within
// 1.2 times that of the first, either way.
void BM_CompileLinearInSize(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    constexpr int kTimes[] = {1, 4, 16};
    constexpr int kRunsInARow = 4;
    std::vector<double> perKiB[3];
    for (auto _ : state) {
        for (int i = 0; i < 3; ++i) {
            const Bench::Description& description = bench.Scaled(kTimes[i]);
            for (int run = 0; run < kRunsInARow; ++run) {
                const double micros = CompileMicros(description);
                if (micros < 0) {
                    state.SkipWithError("a scaled description does not compile");
                    return;
                }
                perKiB[i].push_back(micros / description.kib);
            }
        }
    }
    const double first = Median(perKiB[0]);
    double worst = 0;
    for (int i = 0; i < 3; ++i) {
        const double median = Median(perKiB[i]);
        const std::string times = std::to_string(kTimes[i]);
        state.counters["us_per_KiB_x" + times] = median;
        state.counters["KiB_x" + times] = bench.Scaled(kTimes[i]).kib;
        if (i > 0) {
            const double ratio = median / first;
            state.counters["x" + times + "_over_x1"] = ratio;
            worst = std::max({worst, ratio, 1.0 / ratio});
        }
    }
    state.counters["x_goal"] = worst / 1.2;
    state.counters["entries_x16"] = static_cast<double>(CountUiEntries(bench.Scaled(16)));
}
BENCHMARK(BM_CompileLinearInSize)->Unit(benchmark::kMillisecond)->Iterations(30);

#ifdef VEXL_BENCH_CUPS

struct PpdFile {
    std::filesystem::path path;
    double kib = 0;
};

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

// Every PPD file of the two packages, by size.
const std::vector<PpdFile>& PeerPpdFiles()
{
    static const std::vector<PpdFile> files = [] {
        std::vector<PpdFile> found;
        for (const char* folder : {"/usr/share/ppd/hp-ppd", "/usr/share/ppd/okidata"}) {
            std::error_code error;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
                const std::string name = entry.path().filename().string();
                if (entry.is_regular_file() && (name.ends_with(".ppd") || name.ends_with(".ppd.gz")))
                    found.push_back({entry.path(), UncompressedKiB(entry.path())});
            }
        }
        std::sort(found.begin(), found.end(), [](const PpdFile& a, const PpdFile& b) { return a.kib < b.kib; });
        return found;
    }();
    return files;
}

// The peer's work on one PPD file, in µs of CPU time.
double PeerMicros(const PpdFile& file)
{
    return CpuMicros([&] {
        ppd_file_t* ppd = ppdOpenFile(file.path.c_str());
        if (!ppd) return;
        ppdMarkDefaults(ppd);
        benchmark::DoNotOptimize(ppdConflicts(ppd));
        ppdClose(ppd);
    });
}

// The PPD files a row compares with: those within a fifth of the
// description's size, or the largest one.
enum PeerSet { kDescriptionSize = 0, kLargest = 1 };

std::vector<PpdFile> PeerFilesOf(PeerSet set, double descriptionKiB)
{
    const std::vector<PpdFile>& all = PeerPpdFiles();
    if (all.empty()) return {};
    if (set == kLargest) return {all.back()};
    std::vector<PpdFile> near;
    for (const PpdFile& file : all)
        if (file.kib >= descriptionKiB * 0.8 && file.kib <= descriptionKiB * 1.25) near.push_back(file);
    return near;
}

// The description (made about as large as the largest PPD file for that
// set) against the peer, in turn in each iteration, per KiB. Goal: at most
// half of the peer.
void BM_CompileAgainstCups(benchmark::State& state, PeerSet set)
{
    Bench& bench = Bench::Get();
    const double descriptionKiB = bench.Scaled(1).kib;
    const std::vector<PpdFile> files = PeerFilesOf(set, descriptionKiB);
    if (files.empty()) {
        state.SkipWithError("no PPD files: install hp-ppd and printer-driver-oki (./bench does as root)");
        return;
    }
    double peerKiB = 0;
    for (const PpdFile& file : files) peerKiB += file.kib;
    const int times = set == kLargest ? std::max(1, static_cast<int>(std::lround(peerKiB / descriptionKiB))) : 1;
    const Bench::Description& description = bench.Scaled(times);

    std::vector<double> ours, peer;
    bool peerFirst = false;
    for (auto _ : state) {
        const auto runPeer = [&] {
            double micros = 0;
            for (const PpdFile& file : files) micros += PeerMicros(file);
            peer.push_back(micros / peerKiB);
        };
        if (peerFirst) runPeer();
        const double micros = CompileMicros(description);
        if (micros < 0) {
            state.SkipWithError("the description does not compile");
            return;
        }
        ours.push_back(micros / description.kib);
        if (!peerFirst) runPeer();
        peerFirst = !peerFirst;
    }
    const double oursMedian = Median(ours), peerMedian = Median(peer);
    state.counters["us_per_KiB"] = oursMedian;
    state.counters["cups_us_per_KiB"] = peerMedian;
    state.counters["x_cups"] = oursMedian / peerMedian;
    state.counters["x_goal"] = oursMedian / peerMedian / 0.5;
    state.counters["KiB"] = description.kib;
    state.counters["cups_KiB"] = peerKiB;
    state.counters["cups_files"] = static_cast<double>(files.size());
}
BENCHMARK_CAPTURE(BM_CompileAgainstCups, description_size, kDescriptionSize)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(BM_CompileAgainstCups, largest_ppd, kLargest)->Unit(benchmark::kMillisecond)->Iterations(40);

#endif

// ---- the warm cache -----------------------------------------------------------------------------

// The floor under the warm cache: the host calls its rules need and nothing
// else. The description is opened, its times read and its head read for the
// FileVersion line; the cache is opened, its size and times read and the
// whole file read; both are closed. Plain POSIX calls on the same two files.
class HostCallFloor {
public:
    HostCallFloor(const std::u16string& description, const std::u16string& cache)
        : description_(machine::HostPath(description).string()), cache_(machine::HostPath(cache).string()),
          bytes_(1 << 20)
    {
    }

    bool FilesThere() const
    {
        return ::access(description_.c_str(), R_OK) == 0 && ::access(cache_.c_str(), R_OK) == 0;
    }

    void Run()
    {
        ReadFile(description_, 4096);
        ReadFile(cache_, bytes_.size());
    }

private:
    void ReadFile(const std::string& path, std::size_t most)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        ::fstat(fd, &status);
        const auto size = static_cast<std::size_t>(status.st_size);
        benchmark::DoNotOptimize(::read(fd, bytes_.data(), std::min({size, most, bytes_.size()})));
        ::close(fd);
    }

    std::string description_, cache_;
    std::vector<char> bytes_;
};

// The model of a new process: not listed, the cache file warm beside the
// description; in turn with the floor in each iteration. Goal: at most 1.25
// times the floor.
void BM_ModelFromWarmCache(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    DriverContext* context = bench.context();
    // A copy of the context asks for the model, so the bench context keeps
    // the listed one until the end.
    DriverContext probe = *context;
    FreeCompiledModelList();
    AcquireCompiledModel(&probe);  // writes the cache when it is missing
    std::u16string cache;
    model::GetCacheFilePath(cache, bench.descriptionPath());
    HostCallFloor floor(bench.descriptionPath(), cache);
    if (!floor.FilesThere()) {
        state.SkipWithError("the description or its cache file is missing");
        return;
    }
    const std::filesystem::path cacheHost = machine::HostPath(cache);
    const auto cacheWritten = std::filesystem::last_write_time(cacheHost);
    std::vector<double> ours, floors;
    bool floorFirst = false;
    for (auto _ : state) {
        if (floorFirst) floors.push_back(TimeMicros([&] { floor.Run(); }));
        FreeCompiledModelList();
        ours.push_back(TimeMicros([&] { benchmark::DoNotOptimize(AcquireCompiledModel(&probe)); }));
        if (!floorFirst) floors.push_back(TimeMicros([&] { floor.Run(); }));
        floorFirst = !floorFirst;
    }
    // A model compiled instead would have written the cache file again.
    const bool fromCache = floor.FilesThere() && std::filesystem::last_write_time(cacheHost) == cacheWritten;
    FreeCompiledModelList();
    context->compiledModel = AcquireCompiledModel(&probe);
    if (!fromCache) {
        state.SkipWithError("the model was compiled instead of read from its cache");
        return;
    }
    const double oursMedian = Median(ours), floorMedian = Median(floors);
    state.counters["us"] = oursMedian;
    state.counters["floor_us"] = floorMedian;
    state.counters["x_floor"] = oursMedian / floorMedian;
    state.counters["x_goal"] = oursMedian / floorMedian / 1.25;
}
BENCHMARK(BM_ModelFromWarmCache)->Unit(benchmark::kMicrosecond)->Iterations(20000);

// The check of the package model's block that a model read from the cache
// passes before use. No goal: the figure is shown.
void BM_ValidateCompiledModel(benchmark::State& state)
{
    Bench& bench = Bench::Get();
    CompiledModel* model = model::CompileModel(bench.context(), bench.descriptionPath(), false);
    if (!model) {
        state.SkipWithError("the description does not compile");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(model::ValidateCompiledModel(model));
    }
    state.counters["block_bytes"] = model->totalSize;
    model::FreeCompiledModel(model);
}
BENCHMARK(BM_ValidateCompiledModel)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexl::bench
