// The frame of the settings interface, shared by every part of the settings
// library: the last-error codes, the handler shapes of the status and
// capability descriptors, and the instance services every request uses.
#pragma once

#include "common/core/appservices.h"
#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::api {

// Last-error codes an application reads with VEXLDrvGetLastError. A code is
// kept only while the API version in force is 9 or more.
enum ApiErrorCode : std::int32_t {
    kApiErrorNone = 0,
    kApiErrorUnknownRequest = 1,
    kApiErrorNotEnabled = 2,
    kApiErrorMachineSubCode = 3,
    kApiErrorNoInput = 5,
    kApiErrorVersion = 6,
    kApiErrorRefused = 7,
    kApiErrorFontMissing = 8,
    kApiErrorStampNotStored = 9,
    kApiErrorBadFile = 10,
    kApiErrorBadCharacter = 11,
    kApiErrorSelectorRetired = 12,
    kApiErrorSelectorWriteOnly = 13,
    kApiErrorNeedsAdministrator = 14,
    kApiErrorCombinationRefused = 15,
    kApiErrorFailure = 100,
    kApiErrorQualityMacro = 1000,
    kApiErrorPresetLoad = 1001,
    kApiErrorPerUserAction = 1002,
};

// Handler shapes. The instance is the settings instance's driver context.
using CapabilityHandler = int (*)(DriverContext* instance, std::uint32_t id, void* buffer);
using StatusSetHandler = int (*)(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                                 std::uint32_t mode);
using StatusVerifyHandler = StatusSetHandler;
using StatusGetHandler = int (*)(DriverContext* instance, std::uint32_t id, void* output, std::uint32_t version);

// What the settings interface knows of one status or capability identifier.
struct ApiDescriptor {
    std::uint32_t id;
    std::uint32_t enabled;       // 0 or 1
    std::uint32_t versionCount;  // latest structure version of a status; 1 for a capability
    std::uint16_t mainItem;      // the setting item the identifier is about, 0 when none
    CapabilityHandler capability;
    StatusSetHandler set;
    StatusVerifyHandler verify;
    StatusGetHandler get;
    std::uint16_t coveredItems[8];  // ended by the first 0
};

// ---- instances -----------------------------------------------------------------------------
// The body of VEXLDrvEnable after the version check: a context of caller
// kind 0x200000 on the printer with its ApiRecord, registered as a live
// instance; NULL on any failure, with nothing left behind.
DriverContext* OpenApiInstance(const char* printerName);
// The body of VEXLDrvDisable: frees the record, releases the context and
// purges every parked context of the process. A handle that is not a live
// instance is left alone.
void CloseApiInstance(DriverContext* instance);

// Live handles of the library's interfaces: an application's handle is
// looked up here before it is followed, so a stale or foreign one is
// refused. Each interface registers its own kind.
enum class ApiHandleKind : std::uint8_t { kSettingsInstance = 1, kExclusiveSession = 2 };
void RegisterApiHandle(const void* handle, ApiHandleKind kind);
void UnregisterApiHandle(const void* handle);
bool IsLiveApiHandle(const void* handle, ApiHandleKind kind);
// The instance behind an application's handle, or NULL when the handle is
// not a live settings instance.
DriverContext* FindLiveInstance(const void* handle);

// ---- last error -------------------------------------------------------------------------------
// Stores the code and answers 1; does nothing and answers 0 for a NULL
// instance, an instance without record, or an API version in force below 9.
int SetApiLastError(DriverContext* instance, std::int32_t code);
// The stored code, or -1 under the same three conditions.
std::int32_t GetApiLastError(DriverContext* instance);

// ---- the instance's printer -------------------------------------------------------------------
// Opens the printer by the work area's name and installs the handle as both
// printer handles of the context, keeping the pair it found; FALSE for a
// NULL instance, no work area or name, a NULL out, or a failed open.
// Requests nest (a handler asks a capability, which opens again); each
// CloseInstancePrinter puts back the pair its open found, so between
// requests the context holds no handle.
BOOL OpenInstancePrinter(DriverContext* instance, HANDLE* out, PRINTER_DEFAULTSW* defaults);
void CloseInstancePrinter(DriverContext* instance, HANDLE printer);

// The instance's printer for one request.
class InstancePrinter {
public:
    explicit InstancePrinter(DriverContext* instance, PRINTER_DEFAULTSW* defaults = nullptr) : instance_(instance)
    {
        if (!OpenInstancePrinter(instance, &handle_, defaults)) handle_ = nullptr;
    }
    ~InstancePrinter()
    {
        if (handle_) CloseInstancePrinter(instance_, handle_);
    }
    InstancePrinter(const InstancePrinter&) = delete;
    InstancePrinter& operator=(const InstancePrinter&) = delete;
    bool IsOpen() const { return handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    DriverContext* instance_;
    HANDLE handle_ = nullptr;
};

// ---- capability and status gates --------------------------------------------------------------
// The status-enabled bitmap of capability 0: 32 bytes under an API version
// in force below 6, else 64; a NULL buffer gets the size.
std::uint32_t GetEnabledStatusBitmap(void* buffer);
// An enabled capability through its record's handler, with the printer
// open, the main-item and terminal-server gates and code 100 while the
// handler runs (kept when it answers -1).
std::uint32_t DispatchCapability(DriverContext* instance, std::uint32_t id, void* buffer);
// The bodies of VEXLDrvGetCaps, VEXLDrvGetStatus and VEXLDrvSetStatus for a
// live instance (the exports refuse the others).
std::uint32_t GetInstanceCaps(DriverContext* instance, std::uint32_t id, void* buffer);
int GetInstanceStatus(DriverContext* instance, std::uint32_t id, void* output, std::uint32_t version);
int SetInstanceStatus(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode);

// The request bodies behind the exports' gates, each kept with its handlers.
// GetStatusDispatch: status_reads.cpp; SetStatusDispatch: status_engine.cpp;
// HandleAllCapabilitiesRequest (ids 0x80000001 and 0x80000002 of
// VEXLDrvGetCaps): all_capabilities.cpp.
int GetStatusDispatch(DriverContext* instance, std::uint32_t id, void* output, std::uint32_t version);
int SetStatusDispatch(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode);
std::uint32_t HandleAllCapabilitiesRequest(DriverContext* instance, std::uint32_t id, void* buffer);

}  // namespace vexl::api
