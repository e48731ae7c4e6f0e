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
using StatusSetHandler = int (*)(DriverContext* instance, std::uint32_t id, const void* input,
                                 std::uint8_t* changed, std::uint32_t mode);
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

// The request bodies behind the exports' gates, each kept with its handlers.
// GetStatusDispatch: status_reads.cpp; SetStatusDispatch: status_engine.cpp;
// HandleAllCapabilitiesRequest (ids 0x80000001 and 0x80000002 of
// VEXLDrvGetCaps): all_capabilities.cpp.
int GetStatusDispatch(DriverContext* instance, std::uint32_t id, void* output, std::uint32_t version);
int SetStatusDispatch(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode);
std::uint32_t HandleAllCapabilitiesRequest(DriverContext* instance, std::uint32_t id, void* buffer);

}  // namespace vexl::api
