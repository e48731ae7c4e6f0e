// The all-capabilities record of requests 0x80000001 and 0x80000002: every
// answer of the capabilities whose status is enabled, in one record of the
// public layout (vexlapi/vexl_allcaps.h), with the lists in arrays of their
// own, all below 2 GB.
#pragma once

#include "api/frame.h"
#include "vexlapi/vexl_allcaps.h"

#include <cstdint>

namespace vexl::api {

// Asks one capability of the instance. With buffer NULL the answer alone
// (a value, or the count of a list); with a buffer, room for capacity
// entries: a list writes at most that many and answers its full count, so
// a list that grew since its count was asked answers more than capacity.
using CapabilityAsker = std::int32_t (*)(DriverContext* instance, std::uint32_t id, void* buffer,
                                         std::uint32_t capacity);

// What a build depends on besides the instance.
struct AllCapabilitiesSource {
    CapabilityAsker ask;
    std::uint32_t apiVersion;  // in force
    bool machineSubCode1;      // the model's machine sub-code is 1: capability 45 may answer -1
};

// The record, or NULL when it could not be built (nothing is left allocated).
VEXLALLCAPS* BuildAllCapabilitiesRecord(DriverContext* instance, const AllCapabilitiesSource& source);
// Frees a record that BuildAllCapabilitiesRecord issued and every array it
// allocated for it; any other pointer, and NULL, is left alone. Answers 1.
std::uint32_t ReleaseAllCapabilitiesRecord(const void* record);

}  // namespace vexl::api
