#include "common/storage/job_control.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/spooler.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace vexl {
namespace {

// What a value carries and how it is taken from the context.
enum class JobValueSource {
    TextItem,       // a text setting, both ways
    NumberItem,     // a numeric setting carried as decimal text, both ways
    DriverFamily,   // kJobControlDriverFamily, written only
    DriverVersion,  // wdmDriverVersion completed by the settings modules, written only
    Language,       // the LANGID of rdmLanguageID as a number, written only
};

struct JobValueRow {
    std::uint32_t id;
    std::uint32_t maskBit;
    std::uint16_t item;
    JobValueSource source;
};

// In the order the masks are walked.
constexpr JobValueRow kJobValueRows[] = {
    {kJobValueUserCode, 0x1, rdmUserCode, JobValueSource::TextItem},
    {kJobValueOwnerName, 0x2, rdmOwnerName, JobValueSource::TextItem},
    {kJobValueJobPassword, 0x4, rdmJOBPassword, JobValueSource::TextItem},
    {kJobValueUserId, 0x8, rdmUserID, JobValueSource::TextItem},
    {kJobValueDocumentName, 0x10, rdmDocumentName, JobValueSource::TextItem},
    {kJobValueTelNo, 0x20, rdmTelNo, JobValueSource::TextItem},
    {kJobValueTelLine, 0x40, rdmTelLine, JobValueSource::NumberItem},
    {kJobValueStoredPassword, 0x80, rdmStoredPassword, JobValueSource::TextItem},
    {kJobValueDriverFamily, 0x100, 0, JobValueSource::DriverFamily},
    {kJobValueDriverVersion, 0x200, wdmDriverVersion, JobValueSource::DriverVersion},
    {kJobValueLanguage, 0x400, rdmLanguageID, JobValueSource::Language},
    {kJobValueAuthUserName, 0x800, wdmAuthenticationUserName, JobValueSource::TextItem},
    {kJobValueAuthPassword, 0x1000, wdmAuthenticationPassword, JobValueSource::TextItem},
    {kJobValueAuthNetworkKey, 0x2000, wdmAuthenticationNetworkKey, JobValueSource::TextItem},
};

// Versions asked for when binding, newest first.
constexpr std::uint16_t kBindVersions[] = {kJobControlVersion261, kJobControlVersion260, kJobControlVersion259,
                                           kJobControlVersion258, kJobControlVersion257};
// Versions asked for by the context-free read.
constexpr std::uint16_t kPrinterReadVersions[] = {kJobControlVersion258, kJobControlVersion257};

// Bytes of the buffer of a number carried as text, of the family word and of the version text.
constexpr DWORD kShortTextBytes = 32;
constexpr std::uint32_t kDriverVersionChars = 16;

// Buffer sizes of the context-free read by value id.
struct PrinterReadSize {
    std::uint32_t id;
    DWORD bytes;
};
constexpr PrinterReadSize kPrinterReadSizes[] = {
    {kJobValueUserCode, 18},     {kJobValueOwnerName, 34}, {kJobValueJobPassword, 18}, {kJobValueUserId, 18},
    {kJobValueDocumentName, 34}, {kJobValueTelNo, 130},    {kJobValueTelLine, 18},     {kJobValueStoredPassword, 18},
};
constexpr DWORD kPrinterReadOtherBytes = 2;

const JobValueRow* FindJobValueRow(std::uint32_t id)
{
    for (const JobValueRow& row : kJobValueRows)
        if (row.id == id) return &row;
    return nullptr;
}

JobControlBinding& BindingOf(DriverContext* context)
{
    return context->workArea->jobControl;
}

const JobControlInterface* InterfaceOf(DriverContext* context)
{
    return BindingOf(context).iface;
}

// Bytes of a value's text buffer: the item's length doubled, or the short-text size.
DWORD ValueBufferBytes(DriverContext* context, const JobValueRow& row)
{
    if (row.source != JobValueSource::TextItem) return kShortTextBytes;
    const SettingItemDescriptor* item = FindItem(context, row.item);
    return item ? 2 * ItemLength(*item) : 0;
}

// The number a text starts with, in decimal; stops short of overflow.
std::uint32_t ParseLeadingNumber(const WCHAR* text)
{
    std::uint32_t number = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) {
        const std::uint32_t digit = static_cast<std::uint32_t>(*text - u'0');
        if (number > (std::numeric_limits<std::uint32_t>::max() - digit) / 10) break;
        number = number * 10 + digit;
    }
    return number;
}

void FormatNumber(std::uint32_t number, WCHAR* out, std::size_t chars)
{
    const std::string digits = std::to_string(number);
    const std::size_t count = std::min(digits.size(), chars - 1);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<WCHAR>(digits[i]);
    out[count] = 0;
}

std::uint32_t GetLanguageLangIdNumber(DriverContext* context)
{
    std::uint16_t sublanguage = 0;
    const std::uint8_t primary =
        GetLanguageLangId(static_cast<std::uint8_t>(GetItemValue(context, rdmLanguageID)), &sublanguage);
    return static_cast<std::uint32_t>(sublanguage << 10) | primary;
}

bool IsSizeAnswer(int result)
{
    return result == 0 || result == kJobControlMoreData;
}

void ClearDllUserCodeFlags(DriverContext* context)
{
    SetDllUserCodeFlagOff(context);
    SetDllUserCodeFlag2Off(context);
}

// Stores a text read from the plug-in into the value's setting.
void StoreReadValue(DriverContext* context, const JobValueRow& row, const WCHAR* text)
{
    if (text[0] == 0) return;
    if (row.source == JobValueSource::NumberItem) {
        SetItemValue(context, row.item, ParseLeadingNumber(text));
        return;
    }
    SetItemString(context, FindItem(context, row.item), text);
}

void ClearSetting(DriverContext* context, const JobValueRow& row)
{
    SettingItemDescriptor* item = FindItem(context, row.item);
    if (row.source == JobValueSource::NumberItem) {
        ResetItemToModelDefault(context, item);
    } else if (row.source == JobValueSource::TextItem) {
        SetItemString(context, item, u"");
    }
}

}  // namespace

void ClearJobControlValue(DriverContext* context, std::uint32_t valueId)
{
    if (context == nullptr) return;
    for (const JobValueRow& row : kJobValueRows) {
        if (row.id != valueId || row.item == 0) continue;
        // The authentication texts are the plug-in's only with feature class 0.
        if (valueId >= kJobValueAuthUserName && valueId <= kJobValueAuthNetworkKey && !IsFeatureClassOn(context, 0, 0))
            return;
        if (row.source == JobValueSource::NumberItem)
            SetItemValue(context, row.item, 0);
        else if (row.source == JobValueSource::TextItem)
            SetItemString(context, FindItem(context, row.item), u"");
        return;
    }
}

namespace {

// The text of a value to write into buffer (chars characters).
void ComposeWriteText(DriverContext* context, const JobValueRow& row, WCHAR* buffer, std::size_t chars)
{
    switch (row.source) {
    case JobValueSource::TextItem:
        GetItemString(context, FindItem(context, row.item), buffer, chars);
        break;
    case JobValueSource::NumberItem:
        FormatNumber(GetItemValue(context, row.item), buffer, chars);
        break;
    case JobValueSource::DriverFamily:
        std::char_traits<WCHAR>::copy(buffer, kJobControlDriverFamily,
                                      std::char_traits<WCHAR>::length(kJobControlDriverFamily) + 1);
        break;
    case JobValueSource::DriverVersion: {
        GetItemString(context, FindItem(context, row.item), buffer, kDriverVersionChars);
        DriverVersionTextRecord record{buffer, kDriverVersionChars};
        NotifySettingsModules(context, kModuleEventDriverVersionText, &record);
        buffer[kDriverVersionChars - 1] = 0;
        break;
    }
    case JobValueSource::Language:
        break;
    }
}

bool IsSkippedForVersion(std::uint32_t id, std::uint16_t version)
{
    if (version < kJobControlVersion258 && id >= kJobValueDriverFamily && id <= kJobValueLanguage) return true;
    return version < kJobControlVersion260 && id >= kJobValueAuthUserName && id <= kJobValueAuthNetworkKey;
}

void ReadMaskedValues(DriverContext* context, std::uint32_t mask)
{
    for (const JobValueRow& row : kJobValueRows)
        if (mask & row.maskBit) ReadJobControlValue(context, row.id);
}

void WriteMaskedValues(DriverContext* context, std::uint32_t mask, std::uint32_t request)
{
    for (const JobValueRow& row : kJobValueRows)
        if (mask & row.maskBit) WriteJobControlValues(context, row.id, request);
}

int BindAndOpen(DriverContext* context)
{
    const int bound = BindJobControlPlugin(&BindingOf(context), context);
    return bound != 0 ? bound : OpenJobControlSession(context);
}

void CloseAndUnbind(DriverContext* context)
{
    CloseJobControlSession(context);
    UnbindJobControlPlugin(&BindingOf(context), context);
}

// Bind, open the connection, run work on it when it opened, close, unbind.
template <typename Work> int RunInSession(DriverContext* context, Work work)
{
    const int bound = BindJobControlPlugin(&BindingOf(context), context);
    if (bound != 0) return bound;
    const int opened = OpenJobControlSession(context);
    if (opened == 0) work();
    CloseAndUnbind(context);
    return opened;
}

// Bind, one printer call, unbind.
int RunPrinterCall(DriverContext* context, int (*call)(DriverContext*))
{
    const int bound = BindJobControlPlugin(&BindingOf(context), context);
    if (bound != 0) return bound;
    const int result = call(context);
    UnbindJobControlPlugin(&BindingOf(context), context);
    return result;
}

// The error of a failed load or look-up; never 0, so that a failure cannot pass for success.
int LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return static_cast<int>(error != 0 ? error : fallback);
}

// Asks for the versions in order; the first granted one with a table wins.
template <std::size_t N>
int TakeVersionedInterface(JobControlGetInterfaceFunction getInterface, const std::uint16_t (&versions)[N],
                           JobControlInterface** table, std::uint16_t* granted)
{
    int result = kJobControlMoreData;
    for (std::uint16_t version : versions) {
        *granted = version;
        *table = nullptr;
        result = getInterface(version, table);
        if (result == 0 && *table != nullptr) return 0;
        if (result == 0) result = ERROR_INVALID_DATA;
    }
    *table = nullptr;
    return result;
}

// ---- the context-free read ------------------------------------------------------------------------------

DWORD PrinterReadBytes(std::uint32_t valueId)
{
    for (const PrinterReadSize& size : kPrinterReadSizes)
        if (size.id == valueId) return size.bytes;
    return kPrinterReadOtherBytes;
}

bool GetPrinterName(HANDLE printer, std::u16string& name)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return false;
    std::vector<std::uint8_t> buffer(needed);
    if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    if (info->pPrinterName == nullptr) return false;
    name = info->pPrinterName;
    return true;
}

}  // namespace

std::u16string GetJobControlLibraryPath()
{
    WCHAR directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::u16string(directory) + u"\\" + kJobControlLibraryName;
}

bool LoadJobControlLibrary(JobControlLibrary* library)
{
    const std::u16string path = GetJobControlLibraryPath();
    if (path.empty()) return false;
    library->module = LoadLibraryW(path.c_str());
    if (library->module == nullptr) return false;
    library->getInterface = reinterpret_cast<JobControlGetInterfaceFunction>(
        reinterpret_cast<void*>(GetProcAddress(library->module, kJobControlGetInterfaceName)));
    library->dispose = reinterpret_cast<JobControlDisposeInterfaceFunction>(
        reinterpret_cast<void*>(GetProcAddress(library->module, kJobControlDisposeInterfaceName)));
    return library->getInterface != nullptr && library->dispose != nullptr;
}

int TakeJobControlInterface(JobControlGetInterfaceFunction getInterface, JobControlInterface** table,
                            std::uint16_t* granted)
{
    return TakeVersionedInterface(getInterface, kBindVersions, table, granted);
}

namespace {

// What the context-free read holds open; each part is closed by ClosePrinterRead.
struct PrinterRead {
    HMODULE module = nullptr;
    JobControlDisposeInterfaceFunction dispose = nullptr;
    JobControlInterface* table = nullptr;
    HANDLE connection = nullptr;
    bool connected = false;
};

void ClosePrinterRead(PrinterRead& read)
{
    if (read.connected && read.table->closeSession) read.table->closeSession(read.connection);
    if (read.table && read.dispose) read.dispose(read.table);
    if (read.module) FreeLibrary(read.module);
}

bool OpenPrinterRead(PrinterRead& read, const std::u16string& printerName)
{
    JobControlLibrary library;
    const bool loaded = LoadJobControlLibrary(&library);
    read.module = library.module;
    read.dispose = library.dispose;
    if (!loaded) return false;
    const JobControlGetInterfaceFunction getInterface = library.getInterface;
    std::uint16_t granted = 0;
    if (TakeVersionedInterface(getInterface, kPrinterReadVersions, &read.table, &granted) != 0) return false;
    if (read.table->openSession == nullptr || read.table->getValue == nullptr) return false;
    read.connected = read.table->openSession(printerName.c_str(), &read.connection) == 0;
    return read.connected;
}

}  // namespace

// ---- requests ------------------------------------------------------------------------------------------

int JobControlRequest(DriverContext* context, std::uint32_t request, std::uint32_t mask)
{
    if (context == nullptr || context->workArea == nullptr) return ERROR_INVALID_PARAMETER;
    switch (request) {
    case kJobControlReadValues:
        ReadMaskedValues(context, mask);
        return 0;
    case kJobControlWriteValues:
    case kJobControlClearValues:
        WriteMaskedValues(context, mask, request);
        return 0;
    case kJobControlOpenKept:
        return BindAndOpen(context);
    case kJobControlOpenKeptAndRead: {
        const int result = BindAndOpen(context);
        if (result == 0) ReadMaskedValues(context, kJobControlAllValues);
        ClearDllUserCodeFlags(context);
        return result;
    }
    case kJobControlCloseKept:
    case kJobControlCloseKept2:
        CloseAndUnbind(context);
        return 0;
    case kJobControlOpenPrinter: {
        const int result = RunPrinterCall(context, OpenJobControlPrinter);
        ClearDllUserCodeFlags(context);
        return result;
    }
    case kJobControlClosePrinter:
        return RunPrinterCall(context, CloseJobControlPrinter);
    case kJobControlGetValues: {
        const int result = RunInSession(context, [&] { ReadMaskedValues(context, mask); });
        ClearDllUserCodeFlags(context);
        return result;
    }
    case kJobControlSetValues:
        return RunInSession(context, [&] { WriteMaskedValues(context, mask, kJobControlWriteValues); });
    default:
        return 0;
    }
}

int GetJobControlValues(DriverContext* context, std::uint32_t mask)
{
    return JobControlRequest(context, kJobControlGetValues, mask);
}

int SetJobControlValues(DriverContext* context, std::uint32_t mask)
{
    return JobControlRequest(context, kJobControlSetValues, mask);
}

int GetJobControlValuesIfOn(DriverContext* context, std::uint32_t mask)
{
    return IsJobControlEnabled() ? GetJobControlValues(context, mask) : 0;
}

int SetJobControlValuesIfOn(DriverContext* context, std::uint32_t mask)
{
    return IsJobControlEnabled() ? SetJobControlValues(context, mask) : 0;
}

// ---- binding ---------------------------------------------------------------------------------------------

int BindJobControlPlugin(JobControlBinding* binding, DriverContext* context)
{
    (void)context;
    if (binding == nullptr) return ERROR_INVALID_PARAMETER;
    // A bound context keeps its interface: the open connection belongs to it.
    if (binding->module != nullptr && binding->iface != nullptr) return 0;
    if (binding->module == nullptr) {
        *binding = {};
        binding->module = LoadLibraryW(kJobControlLibraryName);
        if (binding->module == nullptr) return LastErrorOr(ERROR_MOD_NOT_FOUND);
    }
    binding->getInterface = GetProcAddress(binding->module, kJobControlGetInterfaceName);
    binding->disposeInterface = GetProcAddress(binding->module, kJobControlDisposeInterfaceName);
    int result = 0;
    if (binding->getInterface == nullptr || binding->disposeInterface == nullptr) {
        result = LastErrorOr(ERROR_PROC_NOT_FOUND);
    } else {
        auto getInterface =
            reinterpret_cast<JobControlGetInterfaceFunction>(reinterpret_cast<void*>(binding->getInterface));
        result = TakeJobControlInterface(getInterface, &binding->iface, &binding->version);
    }
    if (result != 0) UnbindJobControlPlugin(binding, context);
    return result;
}

int UnbindJobControlPlugin(JobControlBinding* binding, DriverContext* context)
{
    (void)context;
    if (binding == nullptr) return 0;
    if (binding->getInterface != nullptr && binding->disposeInterface != nullptr && binding->iface != nullptr) {
        auto dispose =
            reinterpret_cast<JobControlDisposeInterfaceFunction>(reinterpret_cast<void*>(binding->disposeInterface));
        dispose(binding->iface);
    }
    binding->getInterface = nullptr;
    binding->disposeInterface = nullptr;
    binding->iface = nullptr;
    if (binding->module != nullptr) FreeLibrary(binding->module);
    binding->module = nullptr;
    return 0;
}

// ---- printer and connection --------------------------------------------------------------------------------

int OpenJobControlPrinter(DriverContext* context)
{
    const JobControlInterface* table = InterfaceOf(context);
    if (table == nullptr || table->openPrinter == nullptr) return ERROR_INVALID_FUNCTION;
    return table->openPrinter(context->workArea->printerName);
}

int CloseJobControlPrinter(DriverContext* context)
{
    const JobControlInterface* table = InterfaceOf(context);
    if (table == nullptr || table->closePrinter == nullptr) return ERROR_INVALID_FUNCTION;
    return table->closePrinter(context->workArea->printerName);
}

int OpenJobControlSession(DriverContext* context)
{
    JobControlBinding& binding = BindingOf(context);
    if (binding.connection != nullptr) return 0;
    if (binding.iface == nullptr || binding.iface->openSession == nullptr) return ERROR_INVALID_FUNCTION;
    HANDLE connection = nullptr;
    const int result = binding.iface->openSession(context->workArea->printerName, &connection);
    // A connection counts only when the plug-in reports success.
    if (result == 0) binding.connection = connection;
    return result;
}

int CloseJobControlSession(DriverContext* context)
{
    JobControlBinding& binding = BindingOf(context);
    if (binding.connection == nullptr) return 0;
    int result = 0;
    if (binding.iface != nullptr && binding.iface->closeSession != nullptr)
        result = binding.iface->closeSession(binding.connection);
    binding.connection = nullptr;
    return result;
}

// ---- values ---------------------------------------------------------------------------------------------------

int ReadJobControlValue(DriverContext* context, std::uint32_t valueId)
{
    const JobControlBinding& binding = BindingOf(context);
    if (binding.connection == nullptr) return 0;
    const JobValueRow* row = FindJobValueRow(valueId);
    if (row == nullptr || (row->source != JobValueSource::TextItem && row->source != JobValueSource::NumberItem))
        return kJobControlMoreData;
    const JobControlInterface* table = binding.iface;
    if (table == nullptr || table->getAttributes == nullptr || table->getValue == nullptr)
        return ERROR_INVALID_FUNCTION;

    const DWORD bytes = ValueBufferBytes(context, *row);
    if (bytes < sizeof(WCHAR)) return 0;
    std::vector<WCHAR> text(bytes / sizeof(WCHAR), 0);
    DWORD flags = 0;
    if (table->getAttributes(binding.connection, valueId, &flags) != 0 || (flags & kJobControlReadable) == 0) return 0;

    DWORD needed = 0;
    int result = table->getValue(binding.connection, valueId, kJobControlKindText, nullptr, 0, &needed);
    if (!IsSizeAnswer(result) || needed == 0) return result == kJobControlMoreData ? 0 : result;
    const auto read = [&](void* buffer, DWORD size) {
        return table->getValue(binding.connection, valueId, kJobControlKindText, buffer, size, &needed);
    };
    result = ReadJobControlValueOfSize(read, needed, reinterpret_cast<std::uint8_t*>(text.data()), bytes);
    // A failed read brings nothing; what the buffer holds then is not a value.
    if (result == 0) StoreReadValue(context, *row, text.data());
    return result;
}

int WriteJobControlValues(DriverContext* context, std::uint32_t valueId, std::uint32_t request)
{
    const JobControlBinding& binding = BindingOf(context);
    if (binding.connection == nullptr) return 0;
    const JobValueRow* row = FindJobValueRow(valueId);
    if (row == nullptr) return kJobControlMoreData;
    if (IsSkippedForVersion(valueId, binding.version)) return 0;
    const JobControlInterface* table = binding.iface;
    if (table == nullptr || table->setValue == nullptr) return ERROR_INVALID_FUNCTION;

    if (request == kJobControlClearValues) ClearSetting(context, *row);
    if (row->source == JobValueSource::Language) {
        const std::uint32_t langId = GetLanguageLangIdNumber(context);
        return table->setValue(binding.connection, valueId, kJobControlKindNumber, &langId, sizeof(langId));
    }
    const DWORD bytes = ValueBufferBytes(context, *row);
    if (bytes < sizeof(WCHAR)) return 0;
    std::vector<WCHAR> text(bytes / sizeof(WCHAR), 0);
    ComposeWriteText(context, *row, text.data(), text.size());
    return table->setValue(binding.connection, valueId, kJobControlKindText, text.data(), bytes);
}

BOOL ReadJobControlValueForPrinter(HANDLE printer, std::uint32_t valueId, std::uint32_t kind, WCHAR* out)
{
    if (out == nullptr) return FALSE;
    const DWORD bytes = PrinterReadBytes(valueId);
    std::memset(out, 0, bytes);
    std::u16string printerName;
    if (!GetPrinterName(printer, printerName)) return FALSE;

    PrinterRead read;
    bool done = OpenPrinterRead(read, printerName);
    if (done) {
        DWORD needed = 0;
        int result = read.table->getValue(read.connection, valueId, kind, nullptr, 0, &needed);
        if (result != kJobControlNoValue && needed != 0) {
            const auto readValue = [&](void* buffer, DWORD size) {
                return read.table->getValue(read.connection, valueId, kind, buffer, size, &needed);
            };
            if (IsSizeAnswer(result))
                result = ReadJobControlValueOfSize(readValue, needed, reinterpret_cast<std::uint8_t*>(out), bytes);
            done = result == 0;
            if (!done) std::memset(out, 0, bytes);
        }
    }
    ClosePrinterRead(read);
    return done ? TRUE : FALSE;
}

}  // namespace vexl
