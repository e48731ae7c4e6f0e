#include "printer_store.h"

#include "platform/machine.h"

#include "profile.h"
#include "record_file.h"
#include "storage.h"
#include "unicode.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <span>

namespace vexl::platform {
namespace {

namespace fs = std::filesystem;
using machine::JobSetup;
using machine::PrinterSetup;

constexpr std::size_t kMaxFileNameBytes = 240;
constexpr std::size_t kDevmodeHeaderBytes = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);

// The spooler folder as host path text, built without splitting a path:
// every spooler call looks a printer up by it. Empty without a machine.
std::string SpoolerFolderText()
{
    std::string root = machine::RootText();
    if (root.empty()) return root;
    if (root.back() != '/') root += '/';
    root += "spooler";
    return root;
}

fs::path SpoolerFolder()
{
    return SpoolerFolderText();
}

// ---- Field tables --------------------------------------------------------

template <typename Record> struct TextField {
    const char* key;
    std::u16string Record::*member;
};

template <typename Record> struct NumberField {
    const char* key;
    DWORD Record::*member;
};

const TextField<PrinterSetup> kPrinterTexts[] = {
    {"name", &PrinterSetup::name},
    {"serverName", &PrinterSetup::serverName},
    {"shareName", &PrinterSetup::shareName},
    {"portName", &PrinterSetup::portName},
    {"driverName", &PrinterSetup::driverName},
    {"comment", &PrinterSetup::comment},
    {"location", &PrinterSetup::location},
    {"sepFile", &PrinterSetup::sepFile},
    {"printProcessor", &PrinterSetup::printProcessor},
    {"datatype", &PrinterSetup::datatype},
    {"parameters", &PrinterSetup::parameters},
    {"environment", &PrinterSetup::environment},
    {"driverDirectory", &PrinterSetup::driverDirectory},
    {"driverFile", &PrinterSetup::driverFile},
    {"dataFile", &PrinterSetup::dataFile},
    {"configFile", &PrinterSetup::configFile},
    {"helpFile", &PrinterSetup::helpFile},
    {"monitorName", &PrinterSetup::monitorName},
    {"defaultDataType", &PrinterSetup::defaultDataType},
    {"objectGuid", &PrinterSetup::objectGuid},
};

const NumberField<PrinterSetup> kPrinterNumbers[] = {
    {"attributes", &PrinterSetup::attributes},
    {"priority", &PrinterSetup::priority},
    {"defaultPriority", &PrinterSetup::defaultPriority},
    {"startTime", &PrinterSetup::startTime},
    {"untilTime", &PrinterSetup::untilTime},
    {"status", &PrinterSetup::status},
    {"driverVersion", &PrinterSetup::driverVersion},
    {"dsAction", &PrinterSetup::dsAction},
};

const TextField<JobSetup> kJobTexts[] = {
    {"job.document", &JobSetup::document},       {"job.userName", &JobSetup::userName},
    {"job.machineName", &JobSetup::machineName}, {"job.notifyName", &JobSetup::notifyName},
    {"job.datatype", &JobSetup::datatype},       {"job.printProcessor", &JobSetup::printProcessor},
    {"job.parameters", &JobSetup::parameters},   {"job.statusText", &JobSetup::statusText},
};

const NumberField<JobSetup> kJobNumbers[] = {
    {"job.status", &JobSetup::status},
    {"job.priority", &JobSetup::priority},
    {"job.position", &JobSetup::position},
    {"job.totalPages", &JobSetup::totalPages},
    {"job.pagesPrinted", &JobSetup::pagesPrinted},
    {"job.size", &JobSetup::size},
    {"job.startTime", &JobSetup::startTime},
    {"job.untilTime", &JobSetup::untilTime},
    {"job.time", &JobSetup::time},
};

template <typename Record>
void FormatFields(const Record& record, std::span<const TextField<Record>> texts,
                  std::span<const NumberField<Record>> numbers, std::string& out)
{
    for (const TextField<Record>& field : texts) out += FormatRecord({field.key, ToUtf8(record.*field.member)});
    for (const NumberField<Record>& field : numbers)
        out += FormatRecord({field.key, std::to_string(record.*field.member)});
}

// Sets the field named by the record's key; false when no field has that key.
template <typename Record>
bool ReadField(Record& record, std::span<const TextField<Record>> texts, std::span<const NumberField<Record>> numbers,
               const RecordFields& line)
{
    for (const TextField<Record>& field : texts) {
        if (line[0] == field.key) {
            record.*field.member = FromUtf8(line[1]);
            return true;
        }
    }
    for (const NumberField<Record>& field : numbers) {
        if (line[0] == field.key) {
            if (const std::optional<DWORD> value = ParseNumber(line[1])) record.*field.member = *value;
            return true;
        }
    }
    return false;
}

// SYSTEMTIME as its eight numbers.
std::string FormatTime(const SYSTEMTIME& time)
{
    const WORD parts[] = {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
                          time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
    std::string text;
    for (WORD part : parts) text += (text.empty() ? "" : " ") + std::to_string(part);
    return text;
}

SYSTEMTIME ParseTime(std::string_view text)
{
    WORD parts[8] = {};
    std::size_t index = 0;
    std::size_t start = 0;
    while (index < 8 && start <= text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        parts[index++] = static_cast<WORD>(ParseNumber(text.substr(start, end - start)).value_or(0));
        start = end + 1;
    }
    return {parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6], parts[7]};
}

std::string FormatPrinter(const StoredPrinter& printer)
{
    const PrinterSetup& setup = printer.setup;
    std::string text = "# VEXL printer 1\n";
    FormatFields<PrinterSetup>(setup, kPrinterTexts, kPrinterNumbers, text);
    text += FormatRecord({"administrationAllowed", setup.administrationAllowed ? "1" : "0"});
    text += FormatRecord({"printerDataReadOnly", setup.printerDataReadOnly ? "1" : "0"});
    for (const std::u16string& file : setup.dependentFiles) text += FormatRecord({"dependentFile", ToUtf8(file)});
    if (!setup.devmode.empty()) text += FormatRecord({"devmode", ToHex(setup.devmode)});
    for (const auto& [name, value] : setup.printerData)
        text += FormatRecord({"data", ToUtf8(name), std::to_string(value.type), ToHex(value.bytes)});
    for (const SpoolerFailure& failure : printer.failures)
        text += FormatRecord({"failure", failure.function, std::to_string(failure.error)});
    for (const JobSetup& job : printer.jobs) {
        text += FormatRecord({"job", std::to_string(job.id)});
        FormatFields<JobSetup>(job, kJobTexts, kJobNumbers, text);
        text += FormatRecord({"job.submitted", FormatTime(job.submitted)});
        if (!job.devmode.empty()) text += FormatRecord({"job.devmode", ToHex(job.devmode)});
    }
    return text;
}

// A stored DEVMODE that is not whole is dropped rather than handed out.
std::string ReadDevmode(const std::string& hex)
{
    std::optional<std::string> bytes = FromHex(hex);
    return bytes && IsWholeDevmode(*bytes) ? std::move(*bytes) : std::string();
}

StoredPrinter ParsePrinter(std::string_view text)
{
    StoredPrinter printer;
    PrinterSetup& setup = printer.setup;
    for (const RecordFields& line : ParseRecords(text)) {
        if (line.size() < 2) continue;
        const std::string& key = line[0];
        if (key == "job") {
            printer.jobs.emplace_back();
            printer.jobs.back().id = ParseNumber(line[1]).value_or(0);
        } else if (key.starts_with("job.")) {
            if (printer.jobs.empty()) continue;
            JobSetup& job = printer.jobs.back();
            if (key == "job.submitted")
                job.submitted = ParseTime(line[1]);
            else if (key == "job.devmode")
                job.devmode = ReadDevmode(line[1]);
            else
                ReadField<JobSetup>(job, kJobTexts, kJobNumbers, line);
        } else if (key == "administrationAllowed") {
            setup.administrationAllowed = line[1] == "1";
        } else if (key == "printerDataReadOnly") {
            setup.printerDataReadOnly = line[1] == "1";
        } else if (key == "dependentFile") {
            setup.dependentFiles.push_back(FromUtf8(line[1]));
        } else if (key == "devmode") {
            setup.devmode = ReadDevmode(line[1]);
        } else if (key == "data" && line.size() == 4) {
            const std::optional<DWORD> type = ParseNumber(line[2]);
            std::optional<std::string> bytes = FromHex(line[3]);
            if (type && bytes) setup.printerData[FromUtf8(line[1])] = {*type, std::move(*bytes)};
        } else if (key == "failure" && line.size() == 3) {
            printer.failures.push_back({line[1], ParseNumber(line[2]).value_or(ERROR_INVALID_FUNCTION)});
        } else {
            ReadField<PrinterSetup>(setup, kPrinterTexts, kPrinterNumbers, line);
        }
    }
    return printer;
}

// Appends the file name of a printer name, without its extension.
void AppendEncodedName(std::string& encoded, std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded) c = FoldCase(c);
    for (char c : ToUtf8(folded)) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '-' || byte == '_';
        if (plain) {
            encoded += c;
        } else {
            constexpr char kDigits[] = "0123456789ABCDEF";
            encoded += '%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 0xF];
        }
    }
}

// The whole file in one read (the files are small).
std::optional<std::string> ReadFileAtOnce(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size < 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) return std::nullopt;
    return bytes;
}

// The driver reads its printer data item by item, so the last parsed form of
// each printer file is kept with the file's change stamp and used again while
// the stamp holds.
struct ParsedPrinter {
    FileStamp stamp;
    std::uint64_t generation = 0;
    std::uint64_t checkedTick = 0;
    std::shared_ptr<const StoredPrinter> printer;
};

// Keyed by the printer file's host path text.
std::mutex g_parsedLock;
std::map<std::string, ParsedPrinter, std::less<>> g_parsed;

std::uint64_t CoarseTick()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

// The spooler's change counter: one shared word in <spooler>/generation,
// mapped by every process of the machine and moved by every change of a
// printer file. While it stands still a reader may keep its parse without
// asking the file system; the file's stamp is still checked once per clock
// tick, so a file changed behind the spooler's back is seen soon.
struct ChangeCounter {
    std::string folder;             // the spooler folder it was mapped for
    std::uint64_t* word = nullptr;  // null when the counter cannot be mapped
};

std::mutex g_counterLock;
ChangeCounter g_counter;

std::uint64_t* MapChangeCounter(const fs::path& file)
{
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) return nullptr;
    struct stat status {};
    void* mapped = MAP_FAILED;
    const bool sized = ::fstat(descriptor, &status) == 0 &&
                       (status.st_size >= static_cast<off_t>(sizeof(std::uint64_t)) ||
                        ::ftruncate(descriptor, sizeof(std::uint64_t)) == 0);
    if (sized) mapped = ::mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    ::close(descriptor);
    return mapped == MAP_FAILED ? nullptr : static_cast<std::uint64_t*>(mapped);
}

// The counter word of the machine whose spooler folder is given (as
// SpoolerFolderText() answered it), mapped on first use; null when the
// machine has no spooler folder yet.
std::uint64_t* ChangeCounterWord(const std::string& folder)
{
    if (folder.empty()) return nullptr;
    std::lock_guard guard(g_counterLock);
    if (g_counter.word != nullptr && g_counter.folder == folder) return g_counter.word;
    std::error_code error;
    if (!fs::is_directory(folder, error)) return nullptr;
    if (g_counter.word != nullptr) ::munmap(g_counter.word, sizeof(std::uint64_t));
    std::uint64_t* word = MapChangeCounter(fs::path(folder) / "generation");
    g_counter = {folder, word};
    return g_counter.word;
}

// The counter now; 0 when there is none (every reader then checks stamps).
std::uint64_t ReadChangeCounter(const std::string& folder)
{
    std::uint64_t* word = ChangeCounterWord(folder);
    return word ? __atomic_load_n(word, __ATOMIC_ACQUIRE) : 0;
}

void MoveChangeCounter()
{
    if (std::uint64_t* word = ChangeCounterWord(SpoolerFolderText())) __atomic_add_fetch(word, 1, __ATOMIC_RELEASE);
}

std::mutex g_countLock;
std::map<std::string, unsigned, std::less<>> g_callCounts;

}  // namespace

fs::path SpoolerLockFile()
{
    const fs::path folder = SpoolerFolder();
    return folder.empty() ? fs::path() : folder / "spooler.lock";
}

namespace {

// The printer file of a name as host path text, in the spooler folder given
// (as SpoolerFolderText() answered it); empty when the name cannot have one.
std::string PrinterFileText(const std::string& folder, std::u16string_view name)
{
    if (folder.empty() || name.empty()) return {};
    std::string file;
    file.reserve(folder.size() + 3 * name.size() + 18);  // room for an encoded ASCII name
    file.append(folder).append("/printers/");
    const std::size_t nameStart = file.size();
    AppendEncodedName(file, name);
    if (file.size() - nameStart > kMaxFileNameBytes) return {};
    file += ".printer";
    return file;
}

}  // namespace

fs::path PrinterFile(std::u16string_view name)
{
    return PrinterFileText(SpoolerFolderText(), name);
}

std::shared_ptr<const StoredPrinter> LoadPrinter(std::u16string_view name, std::optional<FileStamp>* version)
{
    if (version) version->reset();
    const std::string folder = SpoolerFolderText();
    const std::string file = PrinterFileText(folder, name);
    if (file.empty()) return nullptr;
    // Taken before the file is looked at: a change made meanwhile leaves the
    // parse with an older generation, so the next reader looks again.
    const std::uint64_t generation = ReadChangeCounter(folder);
    const std::uint64_t tick = CoarseTick();
    {
        std::lock_guard guard(g_parsedLock);
        const auto found = g_parsed.find(file);
        if (found != g_parsed.end() && found->second.printer && generation != 0 &&
            found->second.generation == generation && found->second.checkedTick == tick) {
            if (version) *version = found->second.stamp;
            return found->second.printer;
        }
    }
    const std::optional<FileStamp> stamp = StampOf(file.c_str());
    if (!stamp) {
        std::lock_guard guard(g_parsedLock);
        g_parsed.erase(file);
        return nullptr;
    }
    {
        std::lock_guard guard(g_parsedLock);
        const auto found = g_parsed.find(file);
        if (found != g_parsed.end() && found->second.printer && found->second.stamp == *stamp) {
            found->second.generation = generation;
            found->second.checkedTick = tick;
            if (version) *version = *stamp;
            return found->second.printer;
        }
    }
    // Read, then stamp again: a file replaced during the read is not kept.
    const std::optional<std::string> text = ReadFileAtOnce(file);
    if (!text) return nullptr;
    auto printer = std::make_shared<const StoredPrinter>(ParsePrinter(*text));
    const std::optional<FileStamp> after = StampOf(file.c_str());
    std::lock_guard guard(g_parsedLock);
    if (after && *after == *stamp) {
        g_parsed[file] = {*stamp, generation, tick, printer};
        if (version) *version = *stamp;
    } else {
        g_parsed.erase(file);
    }
    return printer;
}

int SavePrinter(const StoredPrinter& printer)
{
    const fs::path file = PrinterFile(printer.setup.name);
    if (file.empty()) return EINVAL;
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) return error.value();
    const int result = ReplaceFileAtomically(file, FormatPrinter(printer));
    {
        std::lock_guard guard(g_parsedLock);
        g_parsed.erase(file.native());
    }
    MoveChangeCounter();
    return result;
}

int PreparePrinterFile(const StoredPrinter& printer, PreparedReplace& replace)
{
    const fs::path file = PrinterFile(printer.setup.name);
    if (file.empty()) return EINVAL;
    return replace.Prepare(file, FormatPrinter(printer));
}

bool CommitPrinterFile(std::u16string_view name, const FileStamp& version, PreparedReplace& replace)
{
    const fs::path file = PrinterFile(name);
    const std::optional<FileStamp> now = file.empty() ? std::nullopt : StampOf(file);
    if (!now || !(*now == version)) return false;
    if (!replace.prepared()) return true;
    const bool done = replace.Commit() == 0;
    {
        std::lock_guard guard(g_parsedLock);
        g_parsed.erase(file.native());
    }
    MoveChangeCounter();
    return done;
}

void ForgetSpoolerState()
{
    {
        std::lock_guard guard(g_parsedLock);
        g_parsed.clear();
    }
    std::lock_guard guard(g_counterLock);
    if (g_counter.word != nullptr) ::munmap(g_counter.word, sizeof(std::uint64_t));
    g_counter = {};
}

bool RemovePrinterFile(std::u16string_view name)
{
    const fs::path file = PrinterFile(name);
    if (file.empty()) return false;
    std::error_code error;
    const bool removed = fs::remove(file, error);
    {
        std::lock_guard guard(g_parsedLock);
        g_parsed.erase(file.native());
    }
    MoveChangeCounter();
    return removed;
}

// One line a form: "form", name, flags, width, height, then the imageable
// area's left, top, right and bottom (numbers as 32-bit two's complement).
std::vector<StoredForm> LoadForms()
{
    std::vector<StoredForm> forms;
    const fs::path folder = SpoolerFolder();
    if (folder.empty()) return forms;
    const std::optional<std::string> text = ReadWholeFile(folder / "forms");
    if (!text) return forms;
    for (const RecordFields& line : ParseRecords(*text)) {
        if (line.size() != 9 || line[0] != "form") continue;
        LONG numbers[7] = {};
        for (std::size_t i = 0; i < 7; ++i) numbers[i] = static_cast<LONG>(ParseNumber(line[i + 2]).value_or(0));
        StoredForm form;
        form.name = FromUtf8(line[1]);
        form.flags = static_cast<DWORD>(numbers[0]);
        form.size = {numbers[1], numbers[2]};
        form.imageableArea = {numbers[3], numbers[4], numbers[5], numbers[6]};
        forms.push_back(form);
    }
    return forms;
}

int SaveForms(const std::vector<StoredForm>& forms)
{
    const fs::path folder = SpoolerFolder();
    if (folder.empty()) return EINVAL;
    std::string text = "# VEXL forms 1\n";
    for (const StoredForm& form : forms) {
        const RECTL& area = form.imageableArea;
        const auto number = [](LONG value) { return std::to_string(static_cast<DWORD>(value)); };
        text += FormatRecord({"form", ToUtf8(form.name), std::to_string(form.flags), number(form.size.cx),
                              number(form.size.cy), number(area.left), number(area.top), number(area.right),
                              number(area.bottom)});
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return error.value();
    return ReplaceFileAtomically(folder / "forms", text);
}

bool IsWholeDevmode(std::string_view bytes)
{
    if (bytes.size() < kDevmodeHeaderBytes) return false;
    WORD size = 0;
    WORD extra = 0;
    std::memcpy(&size, bytes.data() + offsetof(DEVMODEW, dmSize), sizeof size);
    std::memcpy(&extra, bytes.data() + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    return size >= kDevmodeHeaderBytes && std::size_t(size) + extra == bytes.size();
}

std::optional<DWORD> InjectedFailure(const StoredPrinter& printer, std::string_view function)
{
    for (const SpoolerFailure& failure : printer.failures) {
        if (failure.function == function) return failure.error;
    }
    return std::nullopt;
}

void CountSpoolerCall(std::string_view function)
{
    std::lock_guard guard(g_countLock);
    auto found = g_callCounts.find(function);
    if (found == g_callCounts.end()) found = g_callCounts.emplace(std::string(function), 0).first;
    ++found->second;
}

}  // namespace vexl::platform

namespace vexl::machine {

unsigned SpoolerCallCount(std::string_view function)
{
    std::lock_guard guard(platform::g_countLock);
    const auto found = platform::g_callCounts.find(function);
    return found == platform::g_callCounts.end() ? 0 : found->second;
}

void ResetSpoolerCallCounts()
{
    std::lock_guard guard(platform::g_countLock);
    platform::g_callCounts.clear();
}

}  // namespace vexl::machine
