// The job-control plug-in. It hands out its table for the versions that the
// scenario file C:\standin\QYRJC32.ini grants, keeps each printer's values
// in a file of its own, and answers per printer:
//
//   [Library]
//   Versions=257,258       granted versions (default 257 to 261)
//   RefuseError=87         the answer to any other version
//
//   [Printer name]
//   Readable=1,2,7         ids that slot 4 marks readable (default: all)
//   SizeAnswer=0           result of a size query for a value (default 0x20000001)
//   OpenSessionError=5     slot 2 fails with this code
//   GetValueError=31       slot 5 fails with this code
//   ReadError=31           slot 5 fails with this code only when given a buffer
//   NoTerminator=1         texts fill the buffer without a terminator (the needed size counts none)
//   UserMissing=5,9        ids that slot 10 (the read for a named user) answers 13 for
//
//   [Transform]            the TransformInterface of version 385
//   Refuse=1               version 385 is not granted
//   OpenError=5            open fails with this code (in OpenErrorMode only, when given)
//   SetParameterError=5    set parameter fails
//   TransformError=5       transform fails (in TransformErrorMode only, when given)
//   Padding=600            the result gets this many '#' after it
//
// The transformation wraps its input: "T(" + input + ")".
//
// The values of a printer live in C:\standin\QYRJC32\<printer>.txt, one a
// line: "<id>=t:<text>" or "<id>=n:<number>". A value that is not there
// answers 13. Every call appends a line to C:\standin\QYRJC32.log.
#include "common/storage/job_control_library.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "scenario.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

using vexl::JobControlInterface;
using vexl::JobControlLocaleRecord;

constexpr char16_t kScenarioFile[] = u"C:\\standin\\QYRJC32.ini";
constexpr char16_t kLogFile[] = u"C:\\standin\\QYRJC32.log";
constexpr char16_t kStoreFolder[] = u"C:\\standin\\QYRJC32";

constexpr DWORD kTextKind = vexl::kJobControlKindText;
constexpr DWORD kNumberKind = vexl::kJobControlKindNumber;

using vexl::standin::AppendLog;
using vexl::standin::Lower;
using vexl::standin::ReadScenarioSection;
using vexl::standin::ScenarioNumber;
using vexl::standin::Section;
using vexl::standin::ToUtf16;
using vexl::standin::ToUtf8;
using vexl::standin::Trim;

// The printer of the open connection.
std::string g_printerName;
HANDLE const kConnection = reinterpret_cast<HANDLE>(0x71);

std::string TextOf(const WCHAR* text)
{
    return text ? ToUtf8(text) : std::string("(null)");
}

Section ReadSection(const std::string& name)
{
    return ReadScenarioSection(kScenarioFile, name);
}

long Number(const Section& section, const std::string& key, long fallback)
{
    return ScenarioNumber(section, key, fallback);
}

bool ListHas(const Section& section, const std::string& key, long value, bool fallback)
{
    const auto it = section.find(Lower(key));
    if (it == section.end()) return fallback;
    std::stringstream list(it->second);
    std::string item;
    while (std::getline(list, item, ','))
        if (std::strtol(Trim(item).c_str(), nullptr, 0) == value) return true;
    return false;
}

void Log(const std::string& line)
{
    AppendLog(kLogFile, line);
}

std::string Hex(long value)
{
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

// ---- the value store of a printer ----------------------------------------------------------------

std::filesystem::path StorePath(const std::string& printer)
{
    std::string file;
    for (const char c : printer) file += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return vexl::machine::HostPath(std::u16string(kStoreFolder) + u"\\" + ToUtf16(file) + u".txt");
}

using Store = std::map<DWORD, std::string>;  // id -> "t:<text>" or "n:<number>"

Store ReadStore(const std::string& printer)
{
    std::ifstream in(StorePath(printer));
    Store store;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            store[static_cast<DWORD>(std::strtoul(line.substr(0, equals).c_str(), nullptr, 10))] =
                line.substr(equals + 1);
    }
    return store;
}

void WriteStore(const std::string& printer, const Store& store)
{
    const std::filesystem::path path = StorePath(printer);
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::trunc);
    for (const auto& [id, value] : store) out << id << "=" << value << "\n";
}

// How a kind reads a value: kinds 1 and 4 say it, the request codes of the
// graphics library's job values (111 to 125) read text; any other kind goes
// by id.
bool ReadsAsNumber(DWORD id, DWORD kind)
{
    if (kind == kTextKind) return false;
    if (kind == kNumberKind) return true;
    if (kind >= 111 && kind <= 125) return false;
    return id == 7 || id == 258;
}

// The bytes of a stored value as the kind reads it; a text ends with its
// terminator unless the scenario leaves it out.
std::string ValueBytes(const std::string& stored, DWORD id, DWORD kind, bool withTerminator)
{
    const std::string content = stored.size() >= 2 ? stored.substr(2) : std::string();
    if (ReadsAsNumber(id, kind)) {
        const auto number = static_cast<std::uint32_t>(std::strtoul(content.c_str(), nullptr, 10));
        std::string bytes(sizeof(number), '\0');
        std::memcpy(bytes.data(), &number, sizeof(number));
        return bytes;
    }
    std::u16string text = ToUtf16(content);
    if (withTerminator) text += u'\0';
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

// Slots 5 and 10.
int GetValue(const char* slot, HANDLE connection, DWORD id, DWORD kind, const std::string& user, void* buffer,
             DWORD size, DWORD* needed)
{
    const Section printer = ReadSection(g_printerName);
    const bool noTerminator = Number(printer, "NoTerminator", 0) != 0;
    const Store store = ReadStore(g_printerName);
    const bool missingForUser = !user.empty() && ListHas(printer, "UserMissing", static_cast<long>(id), false);
    const auto value = missingForUser ? store.end() : store.find(id);
    const std::string bytes = value == store.end() ? std::string() : ValueBytes(value->second, id, kind, !noTerminator);
    const auto bytesNeeded = static_cast<DWORD>(bytes.size());
    if (needed) *needed = bytesNeeded;
    int result = 0;
    if (connection != kConnection) {
        result = ERROR_INVALID_HANDLE;
    } else if (const long error = Number(printer, "GetValueError", 0); error != 0) {
        result = static_cast<int>(error);
    } else if (value == store.end()) {
        result = vexl::kJobControlNoValue;
    } else if (buffer == nullptr) {
        result = static_cast<int>(Number(printer, "SizeAnswer", vexl::kJobControlMoreData));
    } else if (const long readError = Number(printer, "ReadError", 0); readError != 0) {
        std::memset(buffer, '#', size);
        result = static_cast<int>(readError);
    } else if (size < bytesNeeded) {
        result = vexl::kJobControlMoreData;
    } else {
        std::memcpy(buffer, bytes.data(), bytes.size());
    }
    Log(std::string(slot) + " conn=" + Hex(reinterpret_cast<long>(connection)) + " id=" + std::to_string(id) +
        " kind=" + std::to_string(kind) + user + " buf=" + (buffer ? "buf" : "null") + " size=" + std::to_string(size) +
        " -> " + Hex(result) + " needed=" + std::to_string(bytesNeeded));
    return result;
}

// ---- the slots ---------------------------------------------------------------------------------------------

int VEXL_CALL OpenPrinter(const WCHAR* printerName)
{
    Log("slot0 openPrinter " + TextOf(printerName) + " -> 0");
    return 0;
}

int VEXL_CALL ClosePrinter(const WCHAR* printerName)
{
    Log("slot1 closePrinter " + TextOf(printerName) + " -> 0");
    return 0;
}

int VEXL_CALL OpenSession(const WCHAR* printerName, HANDLE* connection)
{
    const std::string name = TextOf(printerName);
    const int result = static_cast<int>(Number(ReadSection(name), "OpenSessionError", 0));
    if (result == 0) g_printerName = name;
    if (connection) *connection = result == 0 ? kConnection : nullptr;
    Log("slot2 openSession " + name + " -> " + Hex(result));
    return result;
}

int VEXL_CALL CloseSession(HANDLE connection)
{
    Log("slot3 closeSession conn=" + Hex(reinterpret_cast<long>(connection)) + " -> 0");
    g_printerName.clear();
    return 0;
}

int VEXL_CALL GetAttributes(HANDLE connection, DWORD id, DWORD* flags)
{
    const bool readable = ListHas(ReadSection(g_printerName), "Readable", static_cast<long>(id), true);
    if (flags) *flags = readable ? vexl::kJobControlReadable : 0;
    Log("slot4 attributes id=" + std::to_string(id) + " -> 0 flags=" + std::to_string(readable ? 1 : 0));
    return connection == kConnection ? 0 : ERROR_INVALID_HANDLE;
}

int VEXL_CALL ReadValue(HANDLE connection, DWORD id, DWORD kind, void* buffer, DWORD size, DWORD* needed)
{
    return GetValue("slot5", connection, id, kind, "", buffer, size, needed);
}

int VEXL_CALL WriteValue(HANDLE connection, DWORD id, DWORD kind, const void* buffer, DWORD size)
{
    std::string stored;
    if (kind == kNumberKind && buffer != nullptr && size >= sizeof(std::uint32_t)) {
        std::uint32_t number = 0;
        std::memcpy(&number, buffer, sizeof(number));
        stored = "n:" + std::to_string(number);
    } else if (buffer != nullptr) {
        std::u16string text(size / sizeof(char16_t), u'\0');
        std::memcpy(text.data(), buffer, text.size() * sizeof(char16_t));
        stored = "t:" + ToUtf8(text.substr(0, text.find(u'\0')));
    }
    const int result = connection == kConnection && buffer != nullptr ? 0 : ERROR_INVALID_PARAMETER;
    if (result == 0) {
        Store store = ReadStore(g_printerName);
        store[id] = stored;
        WriteStore(g_printerName, store);
    }
    Log("slot6 set id=" + std::to_string(id) + " kind=" + std::to_string(kind) + " size=" + std::to_string(size) + " " +
        stored + " -> " + Hex(result));
    return result;
}

int VEXL_CALL Notify(HANDLE, DWORD code)
{
    Log("slot7 notify code=" + std::to_string(code) + " -> 0");
    return 0;
}

int VEXL_CALL SetLocale(HANDLE, DWORD kind, const JobControlLocaleRecord* record)
{
    Log("slot8 locale kind=" + std::to_string(kind) +
        (record ? " size=" + std::to_string(record->size) + " primary=" + Hex(record->primaryLanguage) +
                      " langid=" + Hex(record->langId)
                : std::string(" null")) +
        " -> 0");
    return 0;
}

int VEXL_CALL Reserved(HANDLE)
{
    Log("slot9 -> 0");
    return 0;
}

int VEXL_CALL ReadUserValue(HANDLE connection, DWORD id, DWORD kind, const WCHAR* userName, void* buffer, DWORD size,
                            DWORD* needed)
{
    return GetValue("slot10", connection, id, kind, " user=" + TextOf(userName), buffer, size, needed);
}

int VEXL_CALL Bracket(HANDLE, DWORD code)
{
    Log("slot11 bracket code=" + std::to_string(code) + " -> 0");
    return 0;
}

int VEXL_CALL Query(HANDLE, DWORD code, DWORD* answer)
{
    if (answer) *answer = 0;
    Log("slot12 query code=" + std::to_string(code) + " -> 0");
    return 0;
}

// ---- the TransformInterface ------------------------------------------------------------------------------

struct TransformHandle {
    DWORD mode;
};

Section TransformSection()
{
    return ReadSection("Transform");
}

// The scenario's error for a step, when it applies to the mode.
int TransformStepError(const char* key, const char* modeKey, DWORD mode)
{
    const Section section = TransformSection();
    const long error = Number(section, key, 0);
    const long onlyMode = Number(section, modeKey, 0);
    return error != 0 && (onlyMode == 0 || onlyMode == static_cast<long>(mode)) ? static_cast<int>(error) : 0;
}

int VEXL_CALL TransformOpen(HANDLE* handle, DWORD mode)
{
    const int result = TransformStepError("OpenError", "OpenErrorMode", mode);
    if (handle) *handle = result == 0 ? reinterpret_cast<HANDLE>(new TransformHandle{mode}) : nullptr;
    Log("transform open mode=" + std::to_string(mode) + " -> " + Hex(result));
    return result;
}

int VEXL_CALL TransformClose(HANDLE handle)
{
    const auto* open = reinterpret_cast<TransformHandle*>(handle);
    Log("transform close mode=" + std::to_string(open ? open->mode : 0) + " -> 0");
    delete open;
    return 0;
}

int VEXL_CALL TransformSetParameter(HANDLE handle, DWORD parameterId, const void* data, DWORD size)
{
    std::string texts;
    if (parameterId == vexl::kTransformParameterUser && data && size >= sizeof(vexl::TransformUserPair)) {
        const auto* pair = static_cast<const vexl::TransformUserPair*>(data);
        texts = " user=" + TextOf(pair->userName) + " key=" + TextOf(pair->networkKey);
    }
    const int result =
        handle ? static_cast<int>(Number(TransformSection(), "SetParameterError", 0)) : ERROR_INVALID_HANDLE;
    Log("transform parameter id=" + std::to_string(parameterId) + " size=" + std::to_string(size) + texts + " -> " +
        Hex(result));
    return result;
}

int VEXL_CALL Transform(HANDLE handle, const BYTE* input, DWORD length, BYTE* output, DWORD outputSize,
                        DWORD* outputLength)
{
    const auto* open = reinterpret_cast<TransformHandle*>(handle);
    const DWORD mode = open ? open->mode : 0;
    const std::string text = input ? std::string(reinterpret_cast<const char*>(input), length) : std::string();
    const std::string result =
        "T(" + text + ")" + std::string(static_cast<std::size_t>(Number(TransformSection(), "Padding", 0)), '#');
    if (outputLength) *outputLength = static_cast<DWORD>(result.size());
    int answer = open ? TransformStepError("TransformError", "TransformErrorMode", mode) : ERROR_INVALID_HANDLE;
    if (answer == 0 && output) {
        if (outputSize < result.size()) {
            answer = ERROR_INSUFFICIENT_BUFFER;
        } else {
            std::memcpy(output, result.data(), result.size());
            if (outputSize > result.size()) output[result.size()] = 0;
        }
    }
    Log("transform mode=" + std::to_string(mode) + " in=" + text + " out=" + (output ? "buf" : "null") +
        " size=" + std::to_string(outputSize) + " -> " + Hex(answer) + " length=" + std::to_string(result.size()));
    return answer;
}

vexl::TransformInterface g_transform = {TransformOpen, TransformClose, TransformSetParameter, Transform};

JobControlInterface g_table = {OpenPrinter,   ClosePrinter, OpenSession, CloseSession, GetAttributes,
                               ReadValue,     WriteValue,   Notify,      SetLocale,    Reserved,
                               ReadUserValue, Bracket,      Query};

}  // namespace

extern "C" __attribute__((visibility("default"))) int VEXL_CALL JCGetInterface(DWORD version,
                                                                               JobControlInterface** table)
{
    if (version == vexl::kJobControlTransformVersion) {
        const bool refused = Number(TransformSection(), "Refuse", 0) != 0;
        const int result = refused ? ERROR_INVALID_PARAMETER : 0;
        if (table) *table = refused ? nullptr : reinterpret_cast<JobControlInterface*>(&g_transform);
        Log("JCGetInterface version=385 -> " + Hex(result));
        return result;
    }
    const Section library = ReadSection("Library");
    const bool granted = ListHas(library, "Versions", static_cast<long>(version), version >= 257 && version <= 261);
    const int result = granted ? 0 : static_cast<int>(Number(library, "RefuseError", ERROR_INVALID_PARAMETER));
    if (table) *table = granted ? &g_table : nullptr;
    Log("JCGetInterface version=" + std::to_string(version) + " -> " + Hex(result));
    return result;
}

extern "C" __attribute__((visibility("default"))) int VEXL_CALL JCDisposeInterface(JobControlInterface* table)
{
    const bool transform = reinterpret_cast<void*>(table) == static_cast<void*>(&g_transform);
    Log(std::string("JCDisposeInterface ") +
        (table == &g_table ? "table"
         : transform       ? "transform"
                           : "other") +
        " -> 0");
    return 0;
}
