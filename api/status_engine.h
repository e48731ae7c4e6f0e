// The status write engine: one VEXLDrvSetStatus request as one transaction
// over the instance's settings, with its gates, backups, the set handler,
// the propagation to dependent settings with the changed-status bitmap, the
// verify handler and the roll-back.
#pragma once

#include "api/frame.h"

#include <cstdint>

namespace vexl::api {

// 2 without a structure; else 0 when its version is at most latest, and when
// it is above, 2 for mode 2 (answer only) and 1 for any other mode.
int CheckStructureVersion(const void* input, std::uint32_t latest, std::uint32_t mode);

// The context's saved settings copy taken again, and the constraint
// snapshot with it; nothing without a saved copy.
void RefreshSavedCopy(DriverContext* instance);
// One row per enabled status of the version in force: {unavailable,
// restricted} of each covered item's UI entry, option 0. Bounded by the rows
// the instance's snapshot block was made for.
void SnapshotStatusConstraints(DriverContext* instance);
// The transactions that make dependent settings follow a write, and the
// changed-status bitmap (NULL: none) by comparison with the saved copy.
void PropagateStatusChange(DriverContext* instance, const ApiDescriptor* descriptor, const void* input,
                           std::uint8_t* changed);

// Bytes of the changed-status bitmap under the API version in force.
std::uint32_t ChangedBitmapBytes();

}  // namespace vexl::api
