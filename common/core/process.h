// The process-wide state of the common library in each deliverable: the two
// context-cache critical sections and the handle of the settings mutex.
#pragma once

#include "platform/types.h"

#include <chrono>

namespace vexl {

struct DriverContext;

// The two context caches.
inline constexpr int kCapabilitiesCacheLock = 1;
inline constexpr int kGeneralCacheLock = 2;

// Process attach: empties the context caches, creates their critical
// sections and clears the settings-mutex handle.
void LibraryProcessAttach();

// Process detach: deletes the critical sections that were created and
// closes the settings-mutex handle.
void LibraryProcessDetach();

// Enters or leaves the critical section of cache 1 or 2 (other values do
// nothing). A section whose creation failed is created again at entry.
void EnterContextCacheLock(int which);
void LeaveContextCacheLock(int which);

// The settings mutex "Global\VexlMutexTse" serialises, across processes and
// across the three deliverables, every read and write of shared persistent
// state. It is created on first use, not owned, open to everyone.
HANDLE CreateSettingsMutex();

// Waits without time-out (an abandoned mutex is taken like a released one),
// and releases. The holder may wait again; each wait is matched by one
// release. Nothing happens for a context made by a creator that holds the
// mutex already.
void LockSettingsMutex(DriverContext* context);
void UnlockSettingsMutex(DriverContext* context);

// How long the threads of this process held the settings mutex since the
// last call, each hold from its outermost wait to its matching release: the
// longest, all together, and how many; for the benchmarks of the settings core.
struct SettingsMutexHolds {
    std::chrono::nanoseconds longest{};
    std::chrono::nanoseconds total{};
    std::int64_t count = 0;
};
SettingsMutexHolds TakeSettingsMutexHolds();

}  // namespace vexl
