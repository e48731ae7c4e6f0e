// The spool library "TZ16C123.DLL" of the driver package. The graphics
// driver hands it a job's bytes; it writes each job to job-<jobId>.bin in a
// folder of the machine, or only counts them. Its scenario file
// C:\standin\TZ16C123.ini says how, in the section [Library]:
//
//   Folder=C:\standin\spool   where the job files go (the default)
//   Sink=count                count the bytes and keep a running hash, write no file
//   FailWrite=3               the third write of a job fails (FALSE, nothing written)
//   ShortWrite=2              the second write of a job takes only half its bytes
//   Log=1                     keep the call log
//   Hash=1                    keep the running hash of a job written to a file
//
// By default the library is a plain writer: it neither logs nor hashes. With
// Log=1 every call appends a line to C:\standin\TZ16C123.log: the function,
// the job handle, and for a write its count, the job's byte offset before it,
// the result and the bytes written; the close line gives the job's bytes and
// hash. Page calls are logged only: bytes are never split or placed by them,
// since the driver ends a page before it writes the page's last bytes.
//
// The library is built in three forms: whole, without DrvSplStartDocEx, and
// without DrvSplWritePrinter.
#include "platform/machine.h"
#include "platform/types.h"
#include "scenario.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

constexpr char16_t kScenarioFile[] = u"C:\\standin\\TZ16C123.ini";
constexpr char16_t kLogFile[] = u"C:\\standin\\TZ16C123.log";
constexpr char16_t kDefaultFolder[] = u"C:\\standin\\spool";

using vexl::standin::AppendLog;
using vexl::standin::ReadScenarioSection;
using vexl::standin::ScenarioNumber;
using vexl::standin::Section;
using vexl::standin::ToUtf16;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Job {
    DWORD jobId = 0;
    std::unique_ptr<std::FILE, FileCloser> file;  // none for the counting sink
    std::uint64_t offset = 0;
    std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a over every byte taken
    long writes = 0;
    long failWrite = 0;
    long shortWrite = 0;
    bool log = false;
    bool hashing = false;  // the running hash is kept
};

std::map<std::uintptr_t, Job> g_jobs;
std::uintptr_t g_nextHandle = 0x100;
// The totals of the last job closed, for a benchmark in the same process.
std::uint64_t g_lastBytes = 0;
std::uint64_t g_lastHash = 0;

std::string Hex(std::uint64_t value)
{
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

std::string HandleText(HANDLE handle)
{
    return Hex(reinterpret_cast<std::uintptr_t>(handle));
}

Job* FindJob(HANDLE handle)
{
    const auto it = g_jobs.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == g_jobs.end() ? nullptr : &it->second;
}

bool LogsCalls()
{
    // Without a job the scenario decides; a job keeps what it read at its start.
    return ScenarioNumber(ReadScenarioSection(kScenarioFile, "Library"), "Log", 0) != 0;
}

void Log(bool enabled, const std::string& line)
{
    if (enabled) AppendLog(kLogFile, line);
}

HANDLE StartJob(const char* function, HANDLE printer, DWORD jobId)
{
    const Section scenario = ReadScenarioSection(kScenarioFile, "Library");
    Job job;
    job.jobId = jobId;
    job.failWrite = ScenarioNumber(scenario, "FailWrite", 0);
    job.shortWrite = ScenarioNumber(scenario, "ShortWrite", 0);
    job.log = ScenarioNumber(scenario, "Log", 0) != 0;
    const auto sink = scenario.find("sink");
    const bool counting = sink != scenario.end() && vexl::standin::Lower(sink->second) == "count";
    // The counting sink and the log's close line show the hash.
    job.hashing = counting || job.log || ScenarioNumber(scenario, "Hash", 0) != 0;
    if (!counting) {
        const auto folderKey = scenario.find("folder");
        const std::u16string folder = folderKey != scenario.end() ? ToUtf16(folderKey->second) : kDefaultFolder;
        const std::filesystem::path path =
            vexl::machine::HostPath(folder + u"\\job-" + ToUtf16(std::to_string(jobId)) + u".bin");
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        job.file.reset(std::fopen(path.c_str(), "wb"));
        // Large writes go straight through; small ones gather in a buffer of 1 MB.
        if (job.file) std::setvbuf(job.file.get(), nullptr, _IOFBF, std::size_t{1} << 20);
        if (!job.file) {
            Log(job.log, std::string(function) + " printer=" + HandleText(printer) + " job=" + std::to_string(jobId) +
                             " -> 0x0");
            return nullptr;
        }
    }
    const std::uintptr_t handle = g_nextHandle++;
    const bool log = job.log;
    g_jobs.emplace(handle, std::move(job));
    Log(log, std::string(function) + " printer=" + HandleText(printer) + " job=" + std::to_string(jobId) + " -> " +
                 Hex(handle));
    return reinterpret_cast<HANDLE>(handle);
}

// A page or end call: logged, and the job's file flushed at the end of the document.
void NoteCall(const char* function, HANDLE handle)
{
    Job* job = FindJob(handle);
    Log(job ? job->log : LogsCalls(), std::string(function) + " " + HandleText(handle));
}

}  // namespace

#define SPOOL_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef VEXL_SPOOL_WITHOUT_STARTDOCEX
SPOOL_EXPORT HANDLE DrvSplStartDocEx(HANDLE printer, DWORD jobId)
{
    return StartJob("DrvSplStartDocEx", printer, jobId);
}
#endif

SPOOL_EXPORT HANDLE DrvSplStartDoc(HANDLE printer, DWORD jobId)
{
    return StartJob("DrvSplStartDoc", printer, jobId);
}

SPOOL_EXPORT BOOL DrvSplStartPage(HANDLE job)
{
    NoteCall("DrvSplStartPage", job);
    return FindJob(job) ? TRUE : FALSE;
}

#ifndef VEXL_SPOOL_WITHOUT_WRITEPRINTER
SPOOL_EXPORT BOOL DrvSplWritePrinter(HANDLE handle, const void* bytes, DWORD count, DWORD* written)
{
    if (written) *written = 0;
    Job* job = FindJob(handle);
    if (!job || (!bytes && count > 0)) {
        Log(job ? job->log : LogsCalls(),
            "DrvSplWritePrinter " + HandleText(handle) + " count=" + std::to_string(count) + " -> 0 unknown job");
        return FALSE;
    }
    ++job->writes;
    const std::uint64_t offset = job->offset;
    DWORD take = count;
    BOOL result = TRUE;
    if (job->writes == job->failWrite) {
        take = 0;
        result = FALSE;
    } else if (job->writes == job->shortWrite) {
        take = count / 2;
    }
    if (take > 0 && job->file && std::fwrite(bytes, 1, take, job->file.get()) != take) {
        take = 0;
        result = FALSE;
    }
    if (job->hashing) {
        const auto* data = static_cast<const std::uint8_t*>(bytes);
        for (DWORD i = 0; i < take; ++i) job->hash = (job->hash ^ data[i]) * 0x100000001B3ull;
    }
    job->offset += take;
    if (written) *written = take;
    if (job->log)
        Log(true, "DrvSplWritePrinter " + HandleText(handle) + " count=" + std::to_string(count) + " offset=" +
                      std::to_string(offset) + " -> " + std::to_string(result) + " written=" + std::to_string(take));
    return result;
}
#endif

SPOOL_EXPORT BOOL DrvSplEndPage(HANDLE job)
{
    NoteCall("DrvSplEndPage", job);
    return FindJob(job) ? TRUE : FALSE;
}

SPOOL_EXPORT BOOL DrvSplEndDoc(HANDLE handle)
{
    NoteCall("DrvSplEndDoc", handle);
    Job* job = FindJob(handle);
    if (!job) return FALSE;
    if (job->file) std::fflush(job->file.get());
    return TRUE;
}

SPOOL_EXPORT BOOL DrvSplClose(HANDLE handle)
{
    const auto it = g_jobs.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == g_jobs.end()) {
        Log(LogsCalls(), "DrvSplClose " + HandleText(handle) + " -> 0 unknown job");
        return FALSE;
    }
    g_lastBytes = it->second.offset;
    g_lastHash = it->second.hashing ? it->second.hash : 0;
    Log(it->second.log,
        "DrvSplClose " + HandleText(handle) + " bytes=" + std::to_string(g_lastBytes) + " hash=" + Hex(g_lastHash));
    g_jobs.erase(it);
    return TRUE;
}

// The byte count and hash of the last job closed (for a benchmark that loaded
// the library); the hash is 0 for a job that kept none.
SPOOL_EXPORT void VexlSplLastJobTotals(std::uint64_t* bytes, std::uint64_t* hash)
{
    if (bytes) *bytes = g_lastBytes;
    if (hash) *hash = g_lastHash;
}
