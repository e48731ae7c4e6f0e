// The capability handlers of the settings interface: one per capability
// identifier, each computing its answer from the instance's context in one
// of the output forms (a value; a value list; names in fixed ANSI slots; a
// size list; a packed pair; a pair). CapabilityHandlerRows (handler_rows.h)
// hands them to the descriptor tables; the settings interface's own
// questions (status reads and writes, the all-capabilities record, the
// DEVMODE delivery) run them here directly, without the request gates and
// without opening the printer again.
#pragma once

#include "api/capability_lists.h"
#include "api/frame.h"

#include <cstdint>
#include <span>

namespace vexl::api {

// A handler that knows how many entries the caller's buffer holds.
using BoundedCapabilityHandler = int (*)(DriverContext* instance, std::uint32_t id, const CapabilityBuffer& out);

struct BoundedCapabilityRow {
    std::uint32_t id;
    BoundedCapabilityHandler handler;
};
std::span<const BoundedCapabilityRow> BoundedCapabilityRows();

// The identifier of the colour capability that has no bit in the bitmaps.
inline constexpr std::uint32_t kMachineColorCapability = 0x30000;

// The handler's answer for id; 0 for an id without handler, -1 for a NULL
// instance. The bounded form writes a list only when it has no more entries
// than capacity, and answers -1 otherwise.
int RunCapabilityHandler(DriverContext* instance, std::uint32_t id, void* buffer);
int RunCapabilityHandlerBounded(DriverContext* instance, std::uint32_t id, void* buffer, std::uint32_t capacity);

// The value list of a capability, made in one pass; the handler's answer
// (-1, 0 or the count).
int GetCapabilityValues(DriverContext* instance, std::uint32_t id, ValueList* values);
// Whether the value list of the capability holds the value.
BOOL IsValueInCapabilityList(DriverContext* instance, std::uint32_t id, std::uint32_t value);

}  // namespace vexl::api
