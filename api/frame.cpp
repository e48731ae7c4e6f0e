// The frame of the settings interface: instances, their record and printer,
// the last-error store, the live-handle registry and the request gates.
#include "api/frame.h"

#include "api/descriptors.h"
#include "api/devmode_delivery.h"
#include "api/item_helpers.h"
#include "api/load_share.h"
#include "api/option_tests.h"
#include "api/versions.h"
#include "common/core/devmode_merge.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_chapters.h"
#include "common/storage/resources.h"
#include "platform/spooler_driver.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

namespace vexl::api {
namespace {

constexpr int kPrinterNameChars = 261;  // 260 characters and the terminator
constexpr int kQualityValueChars = 260;
constexpr std::uint32_t kQualityListNameString = 922;
constexpr std::uint32_t kAllCapabilitiesRequest = 0x80000001;
constexpr std::uint32_t kAllCapabilitiesRelease = 0x80000002;

// ---- the live-handle registry ---------------------------------------------------------------

struct HandleRegistry {
    std::mutex lock;
    std::unordered_map<const void*, ApiHandleKind> live;
};

HandleRegistry& Registry()
{
    static HandleRegistry registry;
    return registry;
}

// ---- the instance's record --------------------------------------------------------------------

ApiRecord* RecordOf(DriverContext* instance)
{
    return instance && instance->workArea ? instance->workArea->apiRecord : nullptr;
}

void FreeApiRecord(DriverContext* instance)
{
    ApiRecord* record = RecordOf(instance);
    if (record == nullptr) return;
    delete[] record->constraintSnapshot;
    delete[] record->savedStore;
    delete record;
    instance->workArea->apiRecord = nullptr;
}

// The record with its constraint snapshot and the saved copy of the store.
// The snapshot has a row for every status the latest version knows, so a
// later change of the version in force never takes a write past it.
bool MakeApiRecord(DriverContext* instance)
{
    auto* record = new (std::nothrow) ApiRecord();
    if (record == nullptr) return false;
    instance->workArea->apiRecord = record;
    const std::uint32_t rows = GetStatusIdLimits(kApiVersionLatest).high;
    record->constraintSnapshot = new (std::nothrow) StatusConstraintRow[rows]();
    const std::uint32_t storeSize = GetSettingsStoreSize();
    record->savedStore = new (std::nothrow) std::uint8_t[storeSize]();
    if (record->constraintSnapshot == nullptr || record->savedStore == nullptr) return false;
    record->snapshotRows = rows;
    std::memcpy(record->savedStore, GetStoreBytes(instance), storeSize);
    return true;
}

std::u16string PrinterSectionOf(DriverContext* instance)
{
    const WCHAR* name = GetPrinterSectionName(instance);
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

// Quality list 128 is the instance's own: its file is the file of quality
// list 0 with the character before the last "." made "y", and its name the
// UI string 922. A value without a "." past its first character names no
// such file, and nothing is written.
void PrepareQualityList128(DriverContext* instance)
{
    const WCHAR* iniPath = GetSettingsIniPath(instance);
    if (iniPath == nullptr || iniPath[0] == 0) return;
    const std::u16string section = PrinterSectionOf(instance);
    WCHAR key[kListKeyChars] = {};
    FormatQualityKey(key, 0);
    WCHAR value[kQualityValueChars + 1] = {};
    ReadIniString(section.c_str(), key, u"", value, kQualityValueChars + 1, iniPath);
    std::u16string file = value;
    const std::size_t dot = file.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0) return;
    file[dot - 1] = u'y';
    FormatQualityKey(key, 128);
    WriteIniString(section.c_str(), key, file.c_str(), iniPath);
    WCHAR name[kQualityValueChars + 1] = {};
    LoadUiString(instance, kQualityListNameString, name, kQualityValueChars + 1, FALSE);
    const std::u16string nameKey = std::u16string(key) + u"Name";
    WriteIniString(section.c_str(), nameKey.c_str(), name, iniPath);
}

// The interface's own watermark, slot 256, made from slot 0 without text
// when it does not exist yet; the settings are left as they were.
void PrepareWorkingStamp(DriverContext* instance)
{
    if (IsCurrentStampStored(instance)) return;
    PushSettingsSnapshot(instance);
    LoadStampSlot(instance, 0);
    SetItemString(instance, FindItem(instance, wdmWmCharName), u"");
    SaveStampSlot(instance, kWorkingStampSlot);
    PopSettingsSnapshot(instance, TRUE);
}

// Frees what an instance made: its record and its context, then every
// parked context of the process.
void DestroyInstance(DriverContext* instance)
{
    FreeApiRecord(instance);
    ReleaseDriverContextDefault(instance);
    PurgeContextCache(TRUE);
}

// The spooler routes the two calls into the printer interface library,
// which runs its upgrade check of the printer's stored settings before the
// instance's context is built; the DEVMODE it hands out is not used. A size
// that cannot hold a DEVMODE gets no buffer: the library would write a whole
// DEVMODE into it. When the library cannot answer, the context is built
// from the stored settings as they are.
bool RunUpgradeCheck(HANDLE printer, WCHAR* name)
{
    const LONG size = DocumentPropertiesW(nullptr, printer, name, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(sizeof(DEVMODEW))) return true;
    auto* buffer = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]();
    if (buffer == nullptr) return false;
    DocumentPropertiesW(nullptr, printer, name, reinterpret_cast<DEVMODEW*>(buffer), nullptr, DM_OUT_BUFFER);
    delete[] buffer;
    return true;
}

bool SetUpInstance(DriverContext* instance, const WCHAR* name)
{
    ResetShiftDefaults(instance);
    lstrcpynW(instance->workArea->printerName, name, kPrinterNameChars);
    if (!MakeApiRecord(instance)) return false;
    if (EnsureChapterList(instance) == nullptr) return false;
    RecordOf(instance)->chapterIndex = 0;
    PrepareModuleData(instance);
    InitPrivateRuntimeFlags(instance);
    SetOsKindItem(instance);
    PrepareQualityList128(instance);
    PrepareWorkingStamp(instance);
    BindSettingControlEntry(rdmPresetNo, instance);
    RecordOf(instance)->loadShareAvailable = RefreshLoadShareAvailability(instance);
    return true;
}

bool IsMainItemGated(std::uint32_t id)
{
    return id == 8 || id == 55 || id == 61 || id == 64 || id == 65 || id == 70 || id == 72 || id == 75 || id == 126 ||
           (id >= 262 && id <= 269);
}

bool IsTerminalServerGated(std::uint32_t id)
{
    return (id >= 49 && id <= 53) || (id >= 121 && id <= 123);
}

}  // namespace

// ---- the live-handle registry ---------------------------------------------------------------

void RegisterApiHandle(const void* handle, ApiHandleKind kind)
{
    if (handle == nullptr) return;
    HandleRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.live[handle] = kind;
}

void UnregisterApiHandle(const void* handle)
{
    HandleRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.live.erase(handle);
}

bool IsLiveApiHandle(const void* handle, ApiHandleKind kind)
{
    if (handle == nullptr) return false;
    HandleRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    const auto found = registry.live.find(handle);
    return found != registry.live.end() && found->second == kind;
}

DriverContext* FindLiveInstance(const void* handle)
{
    if (!IsLiveApiHandle(handle, ApiHandleKind::kSettingsInstance)) return nullptr;
    return static_cast<DriverContext*>(const_cast<void*>(handle));
}

// ---- instances -----------------------------------------------------------------------------

DriverContext* OpenApiInstance(const char* printerName)
{
    if (printerName == nullptr || printerName[0] == 0) return nullptr;
    WCHAR name[kPrinterNameChars] = {};
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, printerName, -1, name, kPrinterNameChars) <= 0) return nullptr;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name, &printer, nullptr) || printer == nullptr) return nullptr;
    DriverContext* instance = nullptr;
    if (RunUpgradeCheck(printer, name)) {
        instance = CreateDriverContext(printer, printer, name, kCallerSettingsInterface);
    }
    if (instance != nullptr && (instance->workArea == nullptr || !SetUpInstance(instance, name))) {
        instance->printer = instance->secondPrinter = nullptr;
        DestroyInstance(instance);
        instance = nullptr;
    }
    // Each later request opens the printer again by the work area's name.
    if (instance != nullptr) instance->printer = instance->secondPrinter = nullptr;
    ClosePrinter(printer);
    if (instance != nullptr) RegisterApiHandle(instance, ApiHandleKind::kSettingsInstance);
    return instance;
}

void CloseApiInstance(DriverContext* instance)
{
    if (!IsLiveApiHandle(instance, ApiHandleKind::kSettingsInstance)) return;
    UnregisterApiHandle(instance);
    DestroyInstance(instance);
}

// ---- last error -------------------------------------------------------------------------------

int SetApiLastError(DriverContext* instance, std::int32_t code)
{
    ApiRecord* record = RecordOf(instance);
    if (record == nullptr || GetApiVersionInForce() < kApiVersionKeepsLastError) return 0;
    record->lastError = static_cast<std::uint32_t>(code);
    return 1;
}

std::int32_t GetApiLastError(DriverContext* instance)
{
    ApiRecord* record = RecordOf(instance);
    if (record == nullptr || GetApiVersionInForce() < kApiVersionKeepsLastError) return -1;
    return static_cast<std::int32_t>(record->lastError);
}

// ---- the instance's printer -------------------------------------------------------------------

BOOL OpenInstancePrinter(DriverContext* instance, HANDLE* out, PRINTER_DEFAULTSW* defaults)
{
    if (instance == nullptr || instance->workArea == nullptr || out == nullptr) return FALSE;
    WCHAR* name = instance->workArea->printerName;
    if (name[0] == 0) return FALSE;
    ApiRecord* record = RecordOf(instance);
    if (record != nullptr && record->printerDepth >= static_cast<std::uint32_t>(kInstancePrinterDepth)) {
        return FALSE;
    }
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name, &printer, defaults) || printer == nullptr) return FALSE;
    if (record != nullptr) {
        HANDLE* saved = record->savedPrinters[record->printerDepth++];
        saved[0] = instance->printer;
        saved[1] = instance->secondPrinter;
    }
    instance->printer = instance->secondPrinter = printer;
    *out = printer;
    return TRUE;
}

void CloseInstancePrinter(DriverContext* instance, HANDLE printer)
{
    if (printer == nullptr) return;
    ClosePrinter(printer);
    if (instance == nullptr || instance->printer != printer) return;
    ApiRecord* record = RecordOf(instance);
    if (record != nullptr && record->printerDepth > 0) {
        const HANDLE* saved = record->savedPrinters[--record->printerDepth];
        instance->printer = saved[0];
        instance->secondPrinter = saved[1];
    } else {
        instance->printer = instance->secondPrinter = nullptr;
    }
}

// ---- capability and status gates --------------------------------------------------------------

std::uint32_t GetEnabledStatusBitmap(void* buffer)
{
    const int version = GetApiVersionInForce();
    const std::uint32_t size = version < kApiVersionWideBitmaps ? kIdBitmapNarrowBytes : kIdBitmapBytes;
    if (buffer == nullptr) return size;
    auto* bitmap = static_cast<std::uint8_t*>(buffer);
    std::memset(bitmap, 0, size);
    const ApiIdLimits limits = GetStatusIdLimits(version);
    const std::uint32_t lastId = size * 8;
    for (std::uint32_t id = 1; id <= limits.low && id <= lastId; ++id) {
        if (IsApiIdEnabled(kApiKindStatus, id)) SetIdBit(bitmap, id);
    }
    for (std::uint32_t id = kFirstHighId; id <= limits.high && id <= lastId; ++id) {
        if (IsApiIdEnabled(kApiKindStatus, id)) SetIdBit(bitmap, id);
    }
    return size;
}

std::uint32_t DispatchCapability(DriverContext* instance, std::uint32_t id, void* buffer)
{
    const ApiDescriptor* record = FindCapabilityDescriptor(id);
    if (record == nullptr || !record->enabled || record->capability == nullptr) return 0;
    InstancePrinter printer(instance);
    if (!printer.IsOpen()) {
        SetApiLastError(instance, kApiErrorFailure);
        return static_cast<std::uint32_t>(-1);
    }
    if (IsMainItemGated(id) && !IsMainItemOffered(instance, record->mainItem)) return 0;
    if (IsTerminalServerGated(id) && IsPerUserMode(instance)) return 0;
    ApiRecord* apiRecord = RecordOf(instance);
    const std::uint32_t kept = apiRecord ? apiRecord->lastError : 0;
    SetApiLastError(instance, kApiErrorFailure);
    const int result = record->capability(instance, id, buffer);
    if (result != -1 && apiRecord) SetApiLastError(instance, static_cast<std::int32_t>(kept));
    return static_cast<std::uint32_t>(result);
}

std::uint32_t GetInstanceCaps(DriverContext* instance, std::uint32_t id, void* buffer)
{
    if (id == 0) return GetEnabledStatusBitmap(buffer);
    if (id == kAllCapabilitiesRequest || id == kAllCapabilitiesRelease) {
        return HandleAllCapabilitiesRequest(instance, id, buffer);
    }
    if (!IsApiIdEnabled(kApiKindCapability, id)) return 0;
    return DispatchCapability(instance, id, buffer);
}

int GetInstanceStatus(DriverContext* instance, std::uint32_t id, void* output, std::uint32_t version)
{
    if (!IsApiIdEnabled(kApiKindStatus, id)) {
        SetApiLastError(instance, kApiErrorNotEnabled);
        return -1;
    }
    return GetStatusDispatch(instance, id, output, version);
}

int SetInstanceStatus(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode)
{
    if (!IsApiIdEnabled(kApiKindStatus, id)) {
        SetApiLastError(instance, kApiErrorNotEnabled);
        return -1;
    }
    return SetStatusDispatch(instance, id, input, changed, mode);
}

}  // namespace vexl::api
