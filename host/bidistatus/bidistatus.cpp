// The bidirectional status library. Its initialisation entries fill the
// driver's function table; every entry answers from the scenario file
// C:\standin\tz4manNT.ini, one section per printer name:
//
//   [Printer name]
//   Open=1                 0: opening fails
//   Supported=1            0: the library does not serve the printer
//   OpenError=2            the error of either
//   Model=VEXL 4500        the model name (ModelError=<code> fails)
//   StartQueryError=0      non-zero: starting fails with this error
//   OpenChannelError=0     non-zero: opening channel 15 fails with this error
//   Data<code>=3,4,12      answer of a data code as 32-bit values
//   Text<code>=V1.0|V2.0   NUL-ended 8-bit strings, one after the other
//   Raw<code>=V1.0         8-bit bytes without a terminator
//   ReadError<code>=<code> reading the code fails (-1) with this error
//   ChannelData<code>=...  the same three forms for channel 15 requests
//   ChannelSizeError=5     size queries on the channel fail with this error
//                          but still report the size
//
// A code without an answer reports size 0. Every call appends a line to
// C:\standin\tz4manNT.log.
#include "common/storage/bidi_library.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "scenario.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

using vexl::BidiLibraryInterface;

constexpr char16_t kScenarioFile[] = u"C:\\standin\\tz4manNT.ini";
constexpr char16_t kLogFile[] = u"C:\\standin\\tz4manNT.log";

using vexl::standin::AppendLog;
using vexl::standin::Lower;
using vexl::standin::ReadScenarioSection;
using vexl::standin::Section;
using vexl::standin::ToUtf8;
using vexl::standin::Trim;

// The section of the printer opened last; filled by open, used until close.
Section g_printer;
std::string g_printerName;

// Handles the driver gets back: only their being non-null matters.
HANDLE const kPrinterHandle = reinterpret_cast<HANDLE>(0x51);
HANDLE const kQueryHandle = reinterpret_cast<HANDLE>(0x52);

Section ReadPrinterSection(const std::string& printer)
{
    return ReadScenarioSection(kScenarioFile, printer);
}

const std::string* Find(const std::string& key)
{
    const auto it = g_printer.find(Lower(key));
    return it == g_printer.end() ? nullptr : &it->second;
}

long Number(const std::string& key, long fallback)
{
    const std::string* value = Find(key);
    return value ? std::strtol(value->c_str(), nullptr, 0) : fallback;
}

// The answer of a code in one of the three forms; prefix "" for data codes,
// "Channel" for channel requests.
std::string Answer(const std::string& prefix, DWORD code)
{
    const std::string number = std::to_string(code);
    std::string bytes;
    if (const std::string* values = Find(prefix + "Data" + number)) {
        std::stringstream list(*values);
        std::string item;
        while (std::getline(list, item, ',')) {
            const auto value = static_cast<std::uint32_t>(std::strtoul(Trim(item).c_str(), nullptr, 0));
            for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
        }
    } else if (const std::string* texts = Find(prefix + "Text" + number)) {
        std::stringstream list(*texts);
        std::string item;
        while (std::getline(list, item, '|')) bytes += item + '\0';
    } else if (const std::string* raw = Find(prefix + "Raw" + number)) {
        bytes = *raw;
    }
    return bytes;
}

void Log(const std::string& line)
{
    AppendLog(kLogFile, line);
}

const char* BufferText(const void* buffer)
{
    return buffer ? "buf" : "null";
}

// Fails with the error of key when it names one.
bool FailsWith(const std::string& key)
{
    const long error = Number(key, 0);
    if (error == 0) return false;
    SetLastError(static_cast<DWORD>(error));
    return true;
}

BOOL VEXL_CALL Open(const WCHAR* printerName, HANDLE* handle, BOOL* supported)
{
    g_printerName = ToUtf8(printerName);
    g_printer = ReadPrinterSection(g_printerName);
    const bool opened = Number("Open", 1) != 0;
    const BOOL serves = Number("Supported", 1) != 0 ? TRUE : FALSE;
    if (!opened || !serves) SetLastError(static_cast<DWORD>(Number("OpenError", 2)));
    if (handle) *handle = opened ? kPrinterHandle : nullptr;
    if (supported) *supported = serves;
    Log("open " + g_printerName + " -> " + std::to_string(opened) + " supported=" + std::to_string(serves));
    return opened ? TRUE : FALSE;
}

void VEXL_CALL Close(HANDLE handle)
{
    Log(std::string("close ") + (handle == kPrinterHandle ? "printer" : "other"));
    g_printer.clear();
}

BOOL VEXL_CALL StartQuery(HANDLE handle, HANDLE* query, DWORD mask, DWORD* result)
{
    std::ostringstream line;
    line << "startQuery mask=0x" << std::hex << mask;
    const bool failed = handle != kPrinterHandle || FailsWith("StartQueryError");
    if (query) *query = kQueryHandle;
    if (result) *result = 0;
    Log(line.str() + (failed ? " -> 0" : " -> 1"));
    return failed ? FALSE : TRUE;
}

BOOL VEXL_CALL OpenChannel(HANDLE handle, HANDLE* query, DWORD channel, DWORD argument)
{
    const bool failed = handle != kPrinterHandle || query == nullptr || FailsWith("OpenChannelError");
    Log("openChannel channel=" + std::to_string(channel) + " arg=" + std::to_string(argument) +
        (failed ? " -> 0" : " -> 1"));
    return failed ? FALSE : TRUE;
}

BOOL VEXL_CALL ModelName(HANDLE handle, DWORD reserved, WCHAR* out, DWORD chars)
{
    const std::string* model = Find("Model");
    const bool failed =
        handle != kPrinterHandle || out == nullptr || chars == 0 || model == nullptr || FailsWith("ModelError");
    if (!failed) {
        const std::size_t count = std::min<std::size_t>(model->size(), chars - 1);
        for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>((*model)[i]);
        out[count] = 0;
    }
    Log("modelName reserved=" + std::to_string(reserved) + " chars=" + std::to_string(chars) +
        (failed ? " -> 0" : " -> 1 " + *model));
    return failed ? FALSE : TRUE;
}

LONG VEXL_CALL ReadData(HANDLE query, DWORD code, void* buffer, DWORD size, DWORD* needed)
{
    const std::string bytes = Answer("", code);
    const auto bytesNeeded = static_cast<DWORD>(bytes.size());
    if (needed) *needed = bytesNeeded;
    LONG result = 0;
    if (query != kQueryHandle || FailsWith("ReadError" + std::to_string(code))) {
        result = -1;
    } else if (buffer != nullptr) {
        if (size < bytesNeeded) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            result = -1;
        } else {
            std::memcpy(buffer, bytes.data(), bytes.size());
            result = static_cast<LONG>((bytesNeeded + 3) / 4);
        }
    }
    Log("readData code=" + std::to_string(code) + " " + BufferText(buffer) + " size=" + std::to_string(size) + " -> " +
        std::to_string(result) + " needed=" + std::to_string(bytesNeeded));
    return result;
}

BOOL VEXL_CALL ChannelRequest(HANDLE query, DWORD channel, DWORD code, void* buffer, DWORD size, DWORD* needed)
{
    const std::string bytes = Answer("Channel", code);
    const auto bytesNeeded = static_cast<DWORD>(bytes.size());
    if (needed) *needed = bytesNeeded;
    bool done = query == kQueryHandle && channel == vexl::kBidiChannel;
    if (done && buffer == nullptr && bytesNeeded != 0) {
        done = !FailsWith("ChannelSizeError");
    } else if (done && buffer != nullptr) {
        if (size < bytesNeeded) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            done = false;
        } else {
            std::memcpy(buffer, bytes.data(), bytes.size());
        }
    }
    Log("channelRequest channel=" + std::to_string(channel) + " code=" + std::to_string(code) + " " +
        BufferText(buffer) + " size=" + std::to_string(size) + " -> " + std::to_string(done) +
        " needed=" + std::to_string(bytesNeeded));
    return done ? TRUE : FALSE;
}

BOOL FillTable(BidiLibraryInterface* table, const char* entryName)
{
    Log(entryName);
    if (table == nullptr) return FALSE;
    std::memset(table->header, 0, sizeof(table->header));
    table->open = Open;
    table->close = Close;
    table->startQuery = StartQuery;
    table->openChannel = OpenChannel;
    table->modelName = ModelName;
    table->unused = nullptr;
    table->readData = ReadData;
    table->channelRequest = ChannelRequest;
    return TRUE;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL VEXL_CALL VornaInitializeBidiApiW(BidiLibraryInterface* table)
{
    return FillTable(table, vexl::kBidiInitializeName);
}

extern "C" __attribute__((visibility("default"))) BOOL VEXL_CALL VornaInitializeBidiApiV2W(BidiLibraryInterface* table)
{
    return FillTable(table, vexl::kBidiInitializeNameV2);
}
