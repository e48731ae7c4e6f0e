// Several processes store their own settings into one printer's files at
// once (printer data and INI keys in one store, INI keys alone, settings-file
// sections, status writes through the settings library's export) while
// another process that writes to the same files is killed again and again.
// Afterwards no process hung, the files parse, every store that answered
// success is there when read back, and no temporary file is left.
#include "api_fixture.h"

#include "common/core/process.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/persistence.h"
#include "platform/inifile.h"
#include "platform/spooler.h"

#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace vexl::test {
namespace {

// A key or value name with its number ("k7").
std::string Named(const char* prefix, std::uint32_t number)
{
    std::string name = prefix;
    name += std::to_string(number);
    return name;
}

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kStressTime = 2500ms;
constexpr auto kHangLimit = 20s;

std::u16string Wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

// The successes of one writer, "name value" a line, written when it ends.
class Successes {
public:
    void Add(const std::string& name, std::uint32_t value) { lines_ += name + " " + std::to_string(value) + "\n"; }
    void Save(const std::filesystem::path& file) const { std::ofstream(file) << lines_; }

    static std::map<std::string, std::uint32_t> Load(const std::filesystem::path& file)
    {
        std::map<std::string, std::uint32_t> last;
        std::ifstream in(file);
        std::string name;
        std::uint32_t value = 0;
        while (in >> name >> value) last[name] = value;
        return last;
    }

private:
    std::string lines_;
};

class StoreStressTest : public ApiPrinterTest {
public:
    void SetUp() override
    {
        ApiPrinterTest::SetUp();
        DriverContext* instance = OpenInstance();
        ASSERT_NE(instance, nullptr);
        ASSERT_NE(GetSettingsIniPath(instance), nullptr);
        settingsIni_ = GetSettingsIniPath(instance);
        results_ = machine_.root().parent_path() / ("stress-" + std::to_string(::getpid()));
        std::filesystem::create_directories(results_);
        library_.Load();
    }
    void TearDown() override
    {
        library_.Unload();
        std::error_code ignored;
        std::filesystem::remove_all(results_, ignored);
        ApiPrinterTest::TearDown();
    }

    std::filesystem::path ResultFile(const char* writer) const { return results_ / writer; }

    // A forked writer that runs until the stress time is over.
    pid_t StartWriter(const char* name, void (StoreStressTest::*work)(Successes&, Clock::time_point))
    {
        const Clock::time_point end = Clock::now() + kStressTime;
        const pid_t child = ::fork();
        if (child == 0) {
            Successes successes;
            (this->*work)(successes, end);
            successes.Save(ResultFile(name));
            ::_exit(0);
        }
        return child;
    }

    // Printer data and INI keys gathered in batches and written by one store.
    void StoreInBatches(Successes& successes, Clock::time_point end)
    {
        HANDLE printer = OpenDriverPrinter();
        for (std::uint32_t n = 1; Clock::now() < end; ++n) {
            vexl::StoreBatches batches{printer, settingsIni_.c_str(), BeginPrinterDataBatch(printer) == ERROR_SUCCESS,
                                       BeginProfileBatch(settingsIni_.c_str()) != FALSE};
            std::u16string name = Wide("StressData" + std::to_string(n % 8));
            SetPrinterDataW(printer, name.data(), REG_DWORD, reinterpret_cast<BYTE*>(&n), sizeof n);
            WriteIniString(u"StressBatch", Wide(Named("b", n % 8)).c_str(), Wide(std::to_string(n)).c_str(),
                           settingsIni_.c_str());
            if (CommitStoreBatches(nullptr, batches)) {
                successes.Add("data" + std::to_string(n % 8), n);
                successes.Add("batch" + std::to_string(n % 8), n);
            }
        }
        ClosePrinter(printer);
    }

    // Single INI keys, each written at once.
    void WriteKeys(Successes& successes, Clock::time_point end)
    {
        for (std::uint32_t n = 1; Clock::now() < end; ++n) {
            const std::string key = Named("k", n % 16);
            if (WriteIniString(u"StressKeys", Wide(key).c_str(), Wide(std::to_string(n)).c_str(), settingsIni_.c_str()))
                successes.Add(key, n);
        }
    }

    // A settings file's section rewritten as a whole, first in the file.
    void RewriteSections(Successes& successes, Clock::time_point end)
    {
        for (std::uint32_t n = 1; Clock::now() < end; ++n) {
            const std::string text = "[StressSection]\r\nlast=" + std::to_string(n) + "\r\n";
            if (RewriteIniSection(nullptr, settingsIni_.c_str(), u"StressSection", text.data(),
                                  static_cast<std::uint32_t>(text.size())))
                successes.Add("section", n);
        }
    }

    // The print method written through VEXLDrvSetStatus, 0 and 2 in turn.
    void WriteStatuses(Successes& successes, Clock::time_point end)
    {
        VEXLDRVHANDLE instance = library_.enable(kPrinterNameAnsi);
        const VEXLDRVINITRECORD record{0, api::kApiVersionLatest};
        if (instance == nullptr || library_.init(1, &record) != 1) return;
        for (std::uint32_t n = 1; Clock::now() < end; ++n) {
            const int size = library_.getStatus(instance, 10, nullptr, 0);
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size > 0 ? size : 0));
            if (bytes.size() < 17 || library_.getStatus(instance, 10, bytes.data(), 0) <= 0) continue;
            const std::uint32_t method = 2 * (n % 2);
            const std::uint32_t on = 1;
            std::memcpy(bytes.data() + 4, &method, sizeof method);
            std::memcpy(bytes.data() + 8, &on, sizeof on);
            std::memcpy(bytes.data() + 12, "app7", 5);
            if (library_.setStatus(instance, 10, bytes.data(), nullptr, 0) == 0) successes.Add("method", method);
        }
        library_.disable(instance);
    }

    // The process that is killed: every kind of write to the same files.
    void WriteUntilKilled(std::uint32_t seed)
    {
        HANDLE printer = OpenDriverPrinter();
        const std::string big(64 << 10, 'v');
        for (std::uint32_t n = seed;; ++n) {
            const std::string text = "[Victim]\r\nv=" + std::to_string(n) + big + "\r\n";
            RewriteIniSection(nullptr, settingsIni_.c_str(), u"Victim", text.data(),
                              static_cast<std::uint32_t>(text.size()));
            WriteIniString(u"VictimKeys", u"n", Wide(std::to_string(n)).c_str(), settingsIni_.c_str());
            std::u16string name = u"VictimData";
            SetPrinterDataW(printer, name.data(), REG_BINARY, reinterpret_cast<BYTE*>(const_cast<char*>(big.data())),
                            static_cast<DWORD>(n % big.size()));
        }
    }

    // Kills a writer of the files at random moments until the time is over.
    int KillAgainAndAgain()
    {
        std::mt19937 random(12345);
        int kills = 0;
        for (const Clock::time_point end = Clock::now() + kStressTime; Clock::now() < end; ++kills) {
            const pid_t victim = ::fork();
            if (victim == 0) WriteUntilKilled(static_cast<std::uint32_t>(kills) * 100000);
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
            ::kill(victim, SIGKILL);
            ::waitpid(victim, nullptr, 0);
        }
        return kills;
    }

    std::u16string settingsIni_;
    std::filesystem::path results_;
    ApiLibrary library_;
};

// Waits for a writer; false when it did not end in time (it is then killed).
bool EndsInTime(pid_t child, Clock::time_point limit)
{
    int status = 0;
    while (Clock::now() < limit) {
        if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return false;
}

// Every line of an INI file is a section header, key=value, blank or a
// comment, and no header appears twice.
void ExpectIniParses(const std::string& bytes)
{
    std::map<std::string, int> headers;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            EXPECT_EQ(line.back(), ']') << line;
            EXPECT_EQ(++headers[line], 1) << line;
        } else {
            EXPECT_NE(line.find('='), std::string::npos) << line.substr(0, 80);
        }
    }
}

TEST_F(StoreStressTest, StoresOfSeveralProcessesSurviveAKilledWriter)
{
    const std::vector<pid_t> writers = {
        StartWriter("batches", &StoreStressTest::StoreInBatches),
        StartWriter("keys", &StoreStressTest::WriteKeys),
        StartWriter("sections", &StoreStressTest::RewriteSections),
        StartWriter("statuses", &StoreStressTest::WriteStatuses),
    };
    const int kills = KillAgainAndAgain();
    const Clock::time_point limit = Clock::now() + kHangLimit;
    for (pid_t writer : writers) EXPECT_TRUE(EndsInTime(writer, limit)) << "a writer hung or failed";
    EXPECT_GT(kills, 5);

    // The next writer of each file removes what the killed one left.
    ASSERT_TRUE(WriteIniString(u"StressEnd", u"done", u"1", settingsIni_.c_str()));
    HANDLE printer = OpenDriverPrinter();
    ASSERT_NE(printer, nullptr);
    std::u16string endName = u"StressEnd";
    DWORD one = 1;
    ASSERT_EQ(SetPrinterDataW(printer, endName.data(), REG_DWORD, reinterpret_cast<BYTE*>(&one), sizeof one),
              ERROR_SUCCESS);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(machine_.root())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.find(".~") == std::string::npos && !name.ends_with(".tmp")) << name;
    }

    const std::vector<std::uint8_t> ini = ReadHostFileBytes(machine::HostPath(settingsIni_));
    ExpectIniParses(std::string(ini.begin(), ini.end()));
    const auto batches = Successes::Load(ResultFile("batches"));
    const auto keys = Successes::Load(ResultFile("keys"));
    const auto sections = Successes::Load(ResultFile("sections"));
    const auto statuses = Successes::Load(ResultFile("statuses"));
    ASSERT_FALSE(batches.empty() || keys.empty() || sections.empty() || statuses.empty())
        << batches.size() << " " << keys.size() << " " << sections.size() << " " << statuses.size();
    int lost = 0;
    for (const auto& [name, value] : batches) {
        const std::string slot = name.substr(name.find_first_of("0123456789"));
        if (name.starts_with("data")) {
            std::u16string valueName = Wide("StressData" + slot);
            DWORD stored = 0, type = 0, needed = 0;
            GetPrinterDataW(printer, valueName.data(), &type, reinterpret_cast<BYTE*>(&stored), sizeof stored, &needed);
            lost += stored != value;
        } else {
            lost += ReadIniInt(u"StressBatch", Wide("b" + slot).c_str(), 0, settingsIni_.c_str()) !=
                    static_cast<int>(value);
        }
    }
    for (const auto& [key, value] : keys)
        lost += ReadIniInt(u"StressKeys", Wide(key).c_str(), 0, settingsIni_.c_str()) != static_cast<int>(value);
    lost += ReadIniInt(u"StressSection", u"last", 0, settingsIni_.c_str()) != static_cast<int>(sections.at("section"));
    ClosePrinter(printer);

    VEXLDRVHANDLE reader = library_.enable(kPrinterNameAnsi);
    ASSERT_NE(reader, nullptr);
    const VEXLDRVINITRECORD record{0, api::kApiVersionLatest};
    ASSERT_EQ(library_.init(1, &record), 1);
    const int size = library_.getStatus(reader, 10, nullptr, 0);
    ASSERT_GE(size, 8);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    ASSERT_GT(library_.getStatus(reader, 10, bytes.data(), 0), 0);
    std::uint32_t method = 0;
    std::memcpy(&method, bytes.data() + 4, sizeof method);
    lost += method != statuses.at("method");
    library_.disable(reader);
    EXPECT_EQ(lost, 0) << "stores that answered success are gone";
}

}  // namespace
}  // namespace vexl::test
