// The load-sharing table of status 61 and capability 93: the codes an
// application exchanges, the values rdmLoadShare stores, and which rows an
// instance's model offers. Availability is kept per instance (a bit per
// row), so an instance never offers or writes a value its model refuses.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>
#include <span>

namespace vexl::api {

struct LoadShareRow {
    std::uint32_t code;    // what applications exchange
    std::uint32_t value;   // what rdmLoadShare stores
    std::uint16_t option;  // the option of rdmLoadShare with that value
};

std::span<const LoadShareRow> LoadShareTable();

// Bit i set: row i's option of rdmLoadShare is not unavailable for the
// instance's model and settings. Computed when the instance is enabled and
// kept in its record.
std::uint32_t RefreshLoadShareAvailability(DriverContext* instance);
// The value to store for a code: the first row of that code that is
// available, still offered under the current settings, and whose value the
// model does not refuse (CheckItemValue). 1 with *value set, else 0.
BOOL FindLoadShareValue(DriverContext* instance, std::uint32_t available, std::uint32_t code, std::uint32_t* value);
// 1 when the stored rdmLoadShare is the value of an available row with that
// code.
BOOL IsLoadShareCodeStored(DriverContext* instance, std::uint32_t available, std::uint32_t code);
// The code of the last available row whose value rdmLoadShare stores, or -1
// when none has it.
std::int32_t GetLoadShareCode(DriverContext* instance, std::uint32_t available);

}  // namespace vexl::api
