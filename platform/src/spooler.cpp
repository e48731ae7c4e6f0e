// The spooler's client functions over the printers kept in the machine
// (printer_store.h). A printer handle names its printer; every call reads the
// printer's file afresh, so changes made by other processes are seen at once.
#include "platform/spooler.h"
#include "platform/printers.h"

#include "platform/kernel.h"

#include "handles.h"
#include "printer_store.h"
#include "record_file.h"
#include "registry_values.h"
#include "storage.h"
#include "unicode.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::platform {
namespace {

using machine::JobSetup;
using machine::PrinterSetup;

struct PrinterObject : KernelObject {
    std::u16string name;
};

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// A batch of printer-data changes that a thread makes through one handle:
// kept in memory, with the printer as the thread sees it meanwhile, and
// written in one replace of the printer file when the batch ends.
struct DataChange {
    std::u16string name;
    std::optional<machine::PrinterData> value;  // none: the value is deleted
};

// The printer's new file, written and flushed ahead of the batch's end from
// the file's version of the stamp, with the batch's first changeCount changes.
struct PreparedData {
    FileStamp version;
    std::size_t changeCount = 0;
    PreparedReplace replace;  // nothing prepared: the changes change nothing
};

struct DataBatch {
    HANDLE handle = nullptr;
    int depth = 0;
    std::vector<DataChange> changes;
    std::shared_ptr<const StoredPrinter> view;
    std::optional<PreparedData> prepared;
};

thread_local std::vector<DataBatch> t_batches;

DataBatch* FindBatch(HANDLE handle)
{
    for (DataBatch& batch : t_batches) {
        if (batch.handle == handle) return &batch;
    }
    return nullptr;
}

// The printer behind a handle, as stored now (with the changes of the
// thread's open batch); the error a test injected for the function comes
// back as the result.
DWORD LoadHandlePrinter(HANDLE handle, std::string_view function, std::shared_ptr<const StoredPrinter>& printer)
{
    const auto object = FindHandle<PrinterObject>(handle);
    if (!object) return ERROR_INVALID_HANDLE;
    const DataBatch* batch = FindBatch(handle);
    std::shared_ptr<const StoredPrinter> stored = batch && batch->view ? batch->view : LoadPrinter(object->name);
    if (!stored) return ERROR_INVALID_HANDLE;  // removed since it was opened
    if (const std::optional<DWORD> error = InjectedFailure(*stored, function)) return *error;
    printer = std::move(stored);
    return ERROR_SUCCESS;
}

// What a change answers when it succeeded without changing anything: the
// printer's file is then left as it is.
constexpr DWORD kNothingChanged = 0xFFFFFFFF;

// Runs a change of the handle's printer under the spooler lock and stores
// the printer when the change succeeds.
template <typename Change> DWORD ChangeHandlePrinter(HANDLE handle, std::string_view function, Change change)
{
    if (!FindHandle<PrinterObject>(handle)) return ERROR_INVALID_HANDLE;
    FileLock lock(SpoolerLockFile());
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(handle, function, stored); error != ERROR_SUCCESS) return error;
    StoredPrinter printer = *stored;
    if (const DWORD error = change(printer.setup); error != ERROR_SUCCESS)
        return error == kNothingChanged ? ERROR_SUCCESS : error;
    const int error = SavePrinter(printer);
    return error == 0 ? ERROR_SUCCESS : ErrorOfStoreFailure(error);
}

// ---- Blocks handed back to callers ---------------------------------------

// Lays out a block for a caller: the records first, then the DEVMODEs and
// texts they point at. A layout runs twice, first without a block to measure
// it, then into the caller's block; both runs make the same calls, so the
// measure is exact.
class InfoBlock {
public:
    InfoBlock(BYTE* block, std::size_t recordBytes) : block_(block), used_(recordBytes) {}

    std::size_t used() const { return used_; }

    LPWSTR AddText(std::u16string_view text) { return AddJoinedText({text}); }

    // One text made of the parts one after another.
    LPWSTR AddJoinedText(std::initializer_list<std::u16string_view> parts)
    {
        std::size_t length = 0;
        for (std::u16string_view part : parts) length += part.size();
        BYTE* const place = Reserve((length + 1) * sizeof(WCHAR), alignof(WCHAR));
        if (!place) return nullptr;
        BYTE* end = place;
        for (std::u16string_view part : parts) {
            if (part.empty()) continue;
            std::memcpy(end, part.data(), part.size() * sizeof(WCHAR));
            end += part.size() * sizeof(WCHAR);
        }
        const WCHAR terminator = u'\0';
        std::memcpy(end, &terminator, sizeof terminator);
        return reinterpret_cast<LPWSTR>(place);
    }

    // NULL for an empty text.
    LPWSTR AddOptionalText(std::u16string_view text) { return text.empty() ? nullptr : AddText(text); }

    // A list of texts, each with its terminator, ended by an empty one; NULL
    // for an empty list.
    LPWSTR AddTextList(const std::vector<std::u16string>& texts)
    {
        if (texts.empty()) return nullptr;
        std::u16string joined;
        for (const std::u16string& text : texts) joined += text + u'\0';
        return AddText(joined);
    }

    // NULL when there is no DEVMODE.
    LPDEVMODEW AddDevmode(std::string_view bytes)
    {
        if (bytes.empty()) return nullptr;
        BYTE* place = Reserve(bytes.size(), alignof(std::max_align_t));
        if (!place) return nullptr;
        std::memcpy(place, bytes.data(), bytes.size());
        return reinterpret_cast<LPDEVMODEW>(place);
    }

    template <typename Record> void PutRecord(std::size_t index, const Record& record)
    {
        if (block_) std::memcpy(block_ + index * sizeof(Record), &record, sizeof(Record));
    }

private:
    BYTE* Reserve(std::size_t bytes, std::size_t alignment)
    {
        used_ = (used_ + alignment - 1) / alignment * alignment;
        BYTE* place = block_ ? block_ + used_ : nullptr;
        used_ += bytes;
        return place;
    }

    BYTE* block_;
    std::size_t used_;
};

// The two-call protocol: *needed := the block's size; the block is written
// only when the caller's buffer holds it whole.
template <typename Layout>
BOOL ReturnBlock(std::size_t recordBytes, LPBYTE buffer, DWORD bufferSize, LPDWORD needed, Layout layout)
{
    InfoBlock measure(nullptr, recordBytes);
    layout(measure);
    if (measure.used() > std::numeric_limits<DWORD>::max()) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    const auto size = static_cast<DWORD>(measure.used());
    *needed = size;
    if (bufferSize < size || (size > 0 && !buffer)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    InfoBlock block(buffer, recordBytes);
    layout(block);
    return TRUE;
}

void LayOutPrinterInfo2(InfoBlock& block, const StoredPrinter& printer)
{
    const PrinterSetup& setup = printer.setup;
    PRINTER_INFO_2W info{};
    info.pServerName = block.AddOptionalText(setup.serverName);
    info.pPrinterName = block.AddText(setup.name);
    info.pShareName = block.AddText(setup.shareName);
    info.pPortName = block.AddText(setup.portName);
    info.pDriverName = block.AddText(setup.driverName);
    info.pComment = block.AddText(setup.comment);
    info.pLocation = block.AddText(setup.location);
    info.pDevMode = block.AddDevmode(setup.devmode);
    info.pSepFile = block.AddText(setup.sepFile);
    info.pPrintProcessor = block.AddText(setup.printProcessor);
    info.pDatatype = block.AddText(setup.datatype);
    info.pParameters = block.AddText(setup.parameters);
    info.pSecurityDescriptor = nullptr;
    info.Attributes = setup.attributes;
    info.Priority = setup.priority;
    info.DefaultPriority = setup.defaultPriority;
    info.StartTime = setup.startTime;
    info.UntilTime = setup.untilTime;
    info.Status = setup.status;
    info.cJobs = static_cast<DWORD>(printer.jobs.size());
    info.AveragePPM = 0;
    block.PutRecord(0, info);
}

void LayOutPrinterInfo7(InfoBlock& block, const StoredPrinter& printer)
{
    PRINTER_INFO_7W info{};
    info.pszObjectGUID = block.AddOptionalText(printer.setup.objectGuid);
    info.dwAction = printer.setup.dsAction;
    block.PutRecord(0, info);
}

// A driver file's full path in its parts: the driver folder, a backslash
// unless the folder ends with one, and the file; a name that is already a
// full path stays as it is, and so does an empty one.
struct DriverPath {
    std::u16string_view folder;
    std::u16string_view separator;
    std::u16string_view file;

    std::u16string Text() const { return std::u16string(folder).append(separator).append(file); }
};

DriverPath DriverFilePath(const PrinterSetup& setup, std::u16string_view file)
{
    if (file.empty() || (file.size() >= 2 && file[1] == u':') || file.starts_with(u"\\\\")) return {{}, {}, file};
    const std::u16string_view folder = setup.driverDirectory;
    const bool separated = folder.empty() || folder.back() == u'\\';
    return {folder, separated ? u"" : u"\\", file};
}

LPWSTR AddDriverPath(InfoBlock& block, const DriverPath& path)
{
    return block.AddJoinedText({path.folder, path.separator, path.file});
}

template <typename Info> void FillDriverInfo2(InfoBlock& block, const PrinterSetup& setup, Info& info)
{
    info.cVersion = setup.driverVersion;
    info.pName = block.AddText(setup.driverName);
    info.pEnvironment = block.AddText(setup.environment);
    info.pDriverPath = AddDriverPath(block, DriverFilePath(setup, setup.driverFile));
    info.pDataFile = AddDriverPath(block, DriverFilePath(setup, setup.dataFile));
    info.pConfigFile = AddDriverPath(block, DriverFilePath(setup, setup.configFile));
}

void LayOutDriverInfo1(InfoBlock& block, const PrinterSetup& setup)
{
    DRIVER_INFO_1W info{};
    info.pName = block.AddText(setup.driverName);
    block.PutRecord(0, info);
}

void LayOutDriverInfo2(InfoBlock& block, const PrinterSetup& setup)
{
    DRIVER_INFO_2W info{};
    FillDriverInfo2(block, setup, info);
    block.PutRecord(0, info);
}

void LayOutDriverInfo3(InfoBlock& block, const PrinterSetup& setup)
{
    DRIVER_INFO_3W info{};
    FillDriverInfo2(block, setup, info);
    info.pHelpFile = setup.helpFile.empty() ? nullptr : AddDriverPath(block, DriverFilePath(setup, setup.helpFile));
    std::vector<std::u16string> dependentFiles;
    for (const std::u16string& file : setup.dependentFiles)
        dependentFiles.push_back(DriverFilePath(setup, file).Text());
    info.pDependentFiles = block.AddTextList(dependentFiles);
    info.pMonitorName = block.AddOptionalText(setup.monitorName);
    info.pDefaultDataType = block.AddOptionalText(setup.defaultDataType);
    block.PutRecord(0, info);
}

void LayOutForms(InfoBlock& block, const std::vector<StoredForm>& forms)
{
    for (std::size_t i = 0; i < forms.size(); ++i) {
        FORM_INFO_1W info{};
        info.Flags = forms[i].flags;
        info.pName = block.AddText(forms[i].name);
        info.Size = forms[i].size;
        info.ImageableArea = forms[i].imageableArea;
        block.PutRecord(i, info);
    }
}

void LayOutJobInfo1(InfoBlock& block, const PrinterSetup& printer, const JobSetup& job)
{
    JOB_INFO_1W info{};
    info.JobId = job.id;
    info.pPrinterName = block.AddText(printer.name);
    info.pMachineName = block.AddText(job.machineName);
    info.pUserName = block.AddText(job.userName);
    info.pDocument = block.AddText(job.document);
    info.pDatatype = block.AddText(job.datatype);
    info.pStatus = block.AddOptionalText(job.statusText);
    info.Status = job.status;
    info.Priority = job.priority;
    info.Position = job.position;
    info.TotalPages = job.totalPages;
    info.PagesPrinted = job.pagesPrinted;
    info.Submitted = job.submitted;
    block.PutRecord(0, info);
}

void LayOutJobInfo2(InfoBlock& block, const PrinterSetup& printer, const JobSetup& job)
{
    JOB_INFO_2W info{};
    info.JobId = job.id;
    info.pPrinterName = block.AddText(printer.name);
    info.pMachineName = block.AddText(job.machineName);
    info.pUserName = block.AddText(job.userName);
    info.pDocument = block.AddText(job.document);
    info.pNotifyName = block.AddText(job.notifyName);
    info.pDatatype = block.AddText(job.datatype);
    info.pPrintProcessor = block.AddText(job.printProcessor);
    info.pParameters = block.AddText(job.parameters);
    info.pDriverName = block.AddText(printer.driverName);
    info.pDevMode = block.AddDevmode(job.devmode);
    info.pStatus = block.AddOptionalText(job.statusText);
    info.pSecurityDescriptor = nullptr;
    info.Status = job.status;
    info.Priority = job.priority;
    info.Position = job.position;
    info.StartTime = job.startTime;
    info.UntilTime = job.untilTime;
    info.TotalPages = job.totalPages;
    info.Size = job.size;
    info.Submitted = job.submitted;
    info.Time = job.time;
    info.PagesPrinted = job.pagesPrinted;
    block.PutRecord(0, info);
}

// ---- SetPrinterW ---------------------------------------------------------

// The texts of PRINTER_INFO_2 that SetPrinterW stores, and where.
struct SettableText {
    LPWSTR PRINTER_INFO_2W::*info;
    std::u16string PrinterSetup::*setup;
};

const SettableText kSettableTexts[] = {
    {&PRINTER_INFO_2W::pShareName, &PrinterSetup::shareName},
    {&PRINTER_INFO_2W::pPortName, &PrinterSetup::portName},
    {&PRINTER_INFO_2W::pDriverName, &PrinterSetup::driverName},
    {&PRINTER_INFO_2W::pComment, &PrinterSetup::comment},
    {&PRINTER_INFO_2W::pLocation, &PrinterSetup::location},
    {&PRINTER_INFO_2W::pSepFile, &PrinterSetup::sepFile},
    {&PRINTER_INFO_2W::pPrintProcessor, &PrinterSetup::printProcessor},
    {&PRINTER_INFO_2W::pDatatype, &PrinterSetup::datatype},
    {&PRINTER_INFO_2W::pParameters, &PrinterSetup::parameters},
};

// The bytes of a caller's DEVMODE (dmSize + dmDriverExtra); nothing when its
// header is not one of a public DEVMODE (too small or larger than the record).
std::optional<std::string> CallerDevmodeBytes(const DEVMODEW* devmode)
{
    WORD size = 0;
    WORD extra = 0;
    std::memcpy(&size, reinterpret_cast<const BYTE*>(devmode) + offsetof(DEVMODEW, dmSize), sizeof size);
    std::memcpy(&extra, reinterpret_cast<const BYTE*>(devmode) + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    if (size < offsetof(DEVMODEW, dmFields) + sizeof(DWORD) || size > sizeof(DEVMODEW)) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(devmode), std::size_t(size) + extra);
}

DWORD SetPrinterInfo2(PrinterSetup& setup, const PRINTER_INFO_2W& info)
{
    std::optional<std::string> devmode;
    if (info.pDevMode) {
        devmode = CallerDevmodeBytes(info.pDevMode);
        if (!devmode) return ERROR_INVALID_PARAMETER;
    }
    for (const SettableText& text : kSettableTexts) {
        if (info.*text.info) setup.*text.setup = View(info.*text.info);
    }
    if (devmode) setup.devmode = std::move(*devmode);
    setup.attributes = info.Attributes;
    setup.priority = info.Priority;
    setup.defaultPriority = info.DefaultPriority;
    setup.startTime = info.StartTime;
    setup.untilTime = info.UntilTime;
    return ERROR_SUCCESS;
}

DWORD SetPrinterInfo7(PrinterSetup& setup, const PRINTER_INFO_7W& info)
{
    setup.dsAction = info.dwAction;
    if (info.dwAction == DSPRINT_UNPUBLISH)
        setup.objectGuid.clear();
    else if (info.pszObjectGUID)
        setup.objectGuid = View(info.pszObjectGUID);
    return ERROR_SUCCESS;
}

// ---- Printer data --------------------------------------------------------

// Value names are matched without case.
template <typename DataMap> auto FindData(DataMap& data, std::u16string_view name)
{
    for (auto it = data.begin(); it != data.end(); ++it) {
        if (EqualNoCase(it->first, name)) return it;
    }
    return data.end();
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;

BOOL OpenPrinterW(LPWSTR printerName, HANDLE* printer, PRINTER_DEFAULTSW* defaults)
{
    CountSpoolerCall("OpenPrinterW");
    if (!printer) return Fail(ERROR_INVALID_PARAMETER);
    *printer = nullptr;
    const std::shared_ptr<const StoredPrinter> stored = LoadPrinter(View(printerName));
    if (!stored) return Fail(ERROR_INVALID_PRINTER_NAME);
    if (const std::optional<DWORD> error = InjectedFailure(*stored, "OpenPrinterW")) return Fail(*error);

    ACCESS_MASK access = defaults ? defaults->DesiredAccess : 0;
    if (access == 0) access = PRINTER_ACCESS_USE;
    if ((access & PRINTER_ACCESS_ADMINISTER) && !stored->setup.administrationAllowed) return Fail(ERROR_ACCESS_DENIED);

    auto object = std::make_shared<PrinterObject>();
    object->name = stored->setup.name;
    *printer = AddHandle(std::move(object));
    return TRUE;
}

BOOL ClosePrinter(HANDLE printer)
{
    CountSpoolerCall("ClosePrinter");
    if (!FindHandle<PrinterObject>(printer)) return Fail(ERROR_INVALID_HANDLE);
    RemoveHandle(printer);
    return TRUE;
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed)
{
    CountSpoolerCall("GetPrinterW");
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(printer, "GetPrinterW", stored); error != ERROR_SUCCESS)
        return Fail(error);
    if (!needed) return Fail(ERROR_INVALID_PARAMETER);
    switch (level) {
    case 2:
        return ReturnBlock(sizeof(PRINTER_INFO_2W), buffer, bufferSize, needed,
                           [&](InfoBlock& block) { LayOutPrinterInfo2(block, *stored); });
    case 7:
        return ReturnBlock(sizeof(PRINTER_INFO_7W), buffer, bufferSize, needed,
                           [&](InfoBlock& block) { LayOutPrinterInfo7(block, *stored); });
    default:
        return Fail(ERROR_INVALID_LEVEL);
    }
}

BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD)
{
    CountSpoolerCall("SetPrinterW");
    if (level != 2 && level != 7)
        return Fail(FindHandle<PrinterObject>(printer) ? ERROR_INVALID_LEVEL : ERROR_INVALID_HANDLE);
    if (!info) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD error = ChangeHandlePrinter(printer, "SetPrinterW", [&](PrinterSetup& setup) -> DWORD {
        if (!setup.administrationAllowed) return ERROR_ACCESS_DENIED;
        if (level == 2) {
            PRINTER_INFO_2W record;
            std::memcpy(&record, info, sizeof record);
            return SetPrinterInfo2(setup, record);
        }
        PRINTER_INFO_7W record;
        std::memcpy(&record, info, sizeof record);
        return SetPrinterInfo7(setup, record);
    });
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed)
{
    CountSpoolerCall("GetPrinterDriverW");
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(printer, "GetPrinterDriverW", stored); error != ERROR_SUCCESS)
        return Fail(error);
    if (!needed) return Fail(ERROR_INVALID_PARAMETER);
    const PrinterSetup& setup = stored->setup;
    if (level < 1 || level > 3) return Fail(ERROR_INVALID_LEVEL);
    if (setup.driverName.empty() || (environment && !EqualNoCase(View(environment), setup.environment)))
        return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    switch (level) {
    case 1:
        return ReturnBlock(sizeof(DRIVER_INFO_1W), buffer, bufferSize, needed,
                           [&](InfoBlock& block) { LayOutDriverInfo1(block, setup); });
    case 2:
        return ReturnBlock(sizeof(DRIVER_INFO_2W), buffer, bufferSize, needed,
                           [&](InfoBlock& block) { LayOutDriverInfo2(block, setup); });
    default:
        return ReturnBlock(sizeof(DRIVER_INFO_3W), buffer, bufferSize, needed,
                           [&](InfoBlock& block) { LayOutDriverInfo3(block, setup); });
    }
}

DWORD GetPrinterDataW(HANDLE printer, LPWSTR valueName, LPDWORD type, LPBYTE data, DWORD dataSize, LPDWORD needed)
{
    CountSpoolerCall("GetPrinterDataW");
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(printer, "GetPrinterDataW", stored); error != ERROR_SUCCESS) return error;
    if (!needed) return ERROR_INVALID_PARAMETER;
    const auto found = FindData(stored->setup.printerData, View(valueName));
    if (found == stored->setup.printerData.end()) return ERROR_FILE_NOT_FOUND;

    const vexl::machine::PrinterData& value = found->second;
    const std::string bytes = ValueBytesForReading(value.type, value.bytes);
    if (bytes.size() > std::numeric_limits<DWORD>::max()) return ERROR_NOT_ENOUGH_MEMORY;
    const auto size = static_cast<DWORD>(bytes.size());
    if (type) *type = value.type;
    *needed = size;
    if (dataSize < size || (size > 0 && !data)) return ERROR_MORE_DATA;
    if (size > 0) std::memcpy(data, bytes.data(), size);
    return ERROR_SUCCESS;
}

// Applies one printer-data change: to the printer's file, or to the
// thread's open batch of the handle.
template <typename Change> DWORD ChangePrinterData(HANDLE handle, std::string_view function, Change change)
{
    DataBatch* batch = FindBatch(handle);
    if (!batch) return ChangeHandlePrinter(handle, function, change);
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(handle, function, stored); error != ERROR_SUCCESS) return error;
    auto printer = std::make_shared<StoredPrinter>(*stored);
    if (const DWORD error = change(printer->setup); error != ERROR_SUCCESS) return error;
    batch->view = std::move(printer);
    return ERROR_SUCCESS;
}

DWORD SetPrinterDataW(HANDLE printer, LPWSTR valueName, DWORD type, LPBYTE data, DWORD dataSize)
{
    CountSpoolerCall("SetPrinterDataW");
    if (!data && dataSize > 0) return ERROR_INVALID_PARAMETER;
    const std::u16string name(View(valueName));
    std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string();
    const vexl::machine::PrinterData value{type, std::move(bytes)};
    return ChangePrinterData(printer, "SetPrinterDataW", [&](PrinterSetup& setup) -> DWORD {
        if (setup.printerDataReadOnly) return ERROR_ACCESS_DENIED;
        const auto found = FindData(setup.printerData, name);
        (found != setup.printerData.end() ? found->second : setup.printerData[name]) = value;
        if (DataBatch* batch = FindBatch(printer)) batch->changes.push_back({name, value});
        return ERROR_SUCCESS;
    });
}

DWORD DeletePrinterDataW(HANDLE printer, LPWSTR valueName)
{
    CountSpoolerCall("DeletePrinterDataW");
    const std::u16string_view name = View(valueName);
    return ChangePrinterData(printer, "DeletePrinterDataW", [&](PrinterSetup& setup) -> DWORD {
        if (setup.printerDataReadOnly) return ERROR_ACCESS_DENIED;
        const auto found = FindData(setup.printerData, name);
        if (found == setup.printerData.end()) return ERROR_FILE_NOT_FOUND;
        if (DataBatch* batch = FindBatch(printer)) batch->changes.push_back({found->first, std::nullopt});
        setup.printerData.erase(found);
        return ERROR_SUCCESS;
    });
}

namespace {

// Makes a batch's changes on the printer's data as they are in setup now; a
// change to the value the printer has already changes nothing.
DWORD ApplyDataChanges(PrinterSetup& setup, const std::vector<DataChange>& changes)
{
    if (setup.printerDataReadOnly) return ERROR_ACCESS_DENIED;
    bool changed = false;
    for (const DataChange& change : changes) {
        const auto found = FindData(setup.printerData, change.name);
        if (!change.value) {
            if (found == setup.printerData.end()) continue;
            setup.printerData.erase(found);
        } else if (found == setup.printerData.end()) {
            setup.printerData[change.name] = *change.value;
        } else if (found->second == *change.value) {
            continue;
        } else {
            found->second = *change.value;
        }
        changed = true;
    }
    return changed ? ERROR_SUCCESS : kNothingChanged;
}

// Puts the batch's prepared file in place when it holds every change of the
// batch and the printer's file is still the version it was made from.
bool CommitPreparedData(HANDLE printer, DataBatch& batch)
{
    if (!batch.prepared || batch.prepared->changeCount != batch.changes.size()) return false;
    const auto object = FindHandle<PrinterObject>(printer);
    if (!object) return false;
    FileLock lock(SpoolerLockFile());
    return CommitPrinterFile(object->name, batch.prepared->version, batch.prepared->replace);
}

}  // namespace

DWORD BeginPrinterDataBatch(HANDLE printer)
{
    if (!FindHandle<PrinterObject>(printer)) return ERROR_INVALID_HANDLE;
    if (DataBatch* batch = FindBatch(printer)) {
        ++batch->depth;
        return ERROR_SUCCESS;
    }
    t_batches.push_back({printer, 1, {}, nullptr, std::nullopt});
    return ERROR_SUCCESS;
}

DWORD PreparePrinterDataBatch(HANDLE printer)
{
    DataBatch* batch = FindBatch(printer);
    if (!batch) return ERROR_INVALID_PARAMETER;
    batch->prepared.reset();
    const auto object = FindHandle<PrinterObject>(printer);
    if (batch->depth > 1 || batch->changes.empty() || !object) return ERROR_SUCCESS;
    // Whatever stands in the way here is met again, and answered, at the end.
    std::optional<FileStamp> version;
    const std::shared_ptr<const StoredPrinter> stored = LoadPrinter(object->name, &version);
    if (!stored || !version || InjectedFailure(*stored, "SetPrinterDataW")) return ERROR_SUCCESS;
    StoredPrinter printerNow = *stored;
    PreparedData prepared{*version, batch->changes.size(), {}};
    const DWORD error = ApplyDataChanges(printerNow.setup, batch->changes);
    if (error != ERROR_SUCCESS && error != kNothingChanged) return ERROR_SUCCESS;
    if (error == ERROR_SUCCESS && PreparePrinterFile(printerNow, prepared.replace) != 0) return ERROR_SUCCESS;
    batch->prepared = std::move(prepared);
    return ERROR_SUCCESS;
}

DWORD EndPrinterDataBatch(HANDLE printer)
{
    const auto at = std::find_if(t_batches.begin(), t_batches.end(),
                                 [&](const DataBatch& batch) { return batch.handle == printer; });
    if (at == t_batches.end()) return ERROR_INVALID_PARAMETER;
    if (--at->depth > 0) return ERROR_SUCCESS;
    DataBatch batch = std::move(*at);
    t_batches.erase(at);
    if (batch.changes.empty() || CommitPreparedData(printer, batch)) return ERROR_SUCCESS;
    // The changes are made again on the printer as stored now, so that what
    // other processes changed meanwhile stays; a batch that only writes the
    // values the printer has leaves its file alone.
    return ChangeHandlePrinter(printer, "SetPrinterDataW",
                               [&](PrinterSetup& setup) { return ApplyDataChanges(setup, batch.changes); });
}

DWORD EndPreparedPrinterDataBatch(HANDLE printer)
{
    const auto at = std::find_if(t_batches.begin(), t_batches.end(),
                                 [&](const DataBatch& batch) { return batch.handle == printer; });
    if (at == t_batches.end()) return ERROR_INVALID_PARAMETER;
    if (at->depth > 1 || at->changes.empty() || !at->prepared) return EndPrinterDataBatch(printer);
    if (!CommitPreparedData(printer, *at)) return ERROR_RETRY;
    t_batches.erase(at);
    return ERROR_SUCCESS;
}

DWORD AbandonPrinterDataBatch(HANDLE printer)
{
    const auto at = std::find_if(t_batches.begin(), t_batches.end(),
                                 [&](const DataBatch& batch) { return batch.handle == printer; });
    if (at == t_batches.end()) return ERROR_INVALID_PARAMETER;
    if (--at->depth == 0) t_batches.erase(at);
    return ERROR_SUCCESS;
}

BOOL EnumFormsW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed, LPDWORD returned)
{
    CountSpoolerCall("EnumFormsW");
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(printer, "EnumFormsW", stored); error != ERROR_SUCCESS)
        return Fail(error);
    if (!needed || !returned) return Fail(ERROR_INVALID_PARAMETER);
    *returned = 0;
    if (level != 1) return Fail(ERROR_INVALID_LEVEL);
    const std::vector<StoredForm> forms = LoadForms();
    if (!ReturnBlock(forms.size() * sizeof(FORM_INFO_1W), buffer, bufferSize, needed,
                     [&](InfoBlock& block) { LayOutForms(block, forms); }))
        return FALSE;
    *returned = static_cast<DWORD>(forms.size());
    return TRUE;
}

BOOL GetJobW(HANDLE printer, DWORD jobId, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed)
{
    CountSpoolerCall("GetJobW");
    std::shared_ptr<const StoredPrinter> stored;
    if (const DWORD error = LoadHandlePrinter(printer, "GetJobW", stored); error != ERROR_SUCCESS) return Fail(error);
    if (!needed) return Fail(ERROR_INVALID_PARAMETER);
    if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL);
    const JobSetup* job = nullptr;
    for (const JobSetup& candidate : stored->jobs) {
        if (candidate.id == jobId) job = &candidate;
    }
    if (!job) return Fail(ERROR_INVALID_PARAMETER);
    if (level == 1)
        return ReturnBlock(sizeof(JOB_INFO_1W), buffer, bufferSize, needed,
                           [&](InfoBlock& block) { LayOutJobInfo1(block, stored->setup, *job); });
    return ReturnBlock(sizeof(JOB_INFO_2W), buffer, bufferSize, needed,
                       [&](InfoBlock& block) { LayOutJobInfo2(block, stored->setup, *job); });
}

// ---- the spooler's identity ------------------------------------------------------------------------------

namespace vexl::platform {
namespace {

std::atomic<int> g_spoolerIdentity{0};
std::atomic<bool> g_revertFails{false};
int g_clientToken = 0;

}  // namespace
}  // namespace vexl::platform

HANDLE RevertToPrinterSelf()
{
    CountSpoolerCall("RevertToPrinterSelf");
    if (g_revertFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    ++g_spoolerIdentity;
    return &g_clientToken;
}

BOOL ImpersonatePrinterClient(HANDLE token)
{
    CountSpoolerCall("ImpersonatePrinterClient");
    if (token != &g_clientToken || g_spoolerIdentity.load() == 0) return Fail(ERROR_INVALID_HANDLE);
    --g_spoolerIdentity;
    return TRUE;
}

namespace vexl::machine {

bool IsSpoolerIdentity()
{
    return platform::g_spoolerIdentity.load() != 0;
}

void SetRevertFailure(bool fail)
{
    platform::g_revertFails = fail;
}

}  // namespace vexl::machine
