// What the common library relies on of the application interfaces: the
// switch of optional behaviour classes and the settings-interface record
// that a context holds while an application has the library enabled.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Optional behaviour classes.
inline constexpr std::uint16_t kFeatureAuthJobValues = 0;
inline constexpr std::uint16_t kFeatureAdminLocks = 2;
inline constexpr std::uint16_t kFeatureAuthPluginMerge = 3;
inline constexpr std::uint16_t kFeatureUiControlMerge = 4;
inline constexpr std::uint16_t kFeatureCustomMedia = 5;

// 1 for classes 0 to 5, 0 for every other; a constant of this build.
BOOL IsFeatureClassOn(DriverContext* context, std::uint16_t classId, std::uint32_t reserved);

// One row of an instance's status-constraint snapshot: for each covered
// item of the status, whether its UI entry was unavailable and restricted.
struct StatusConstraintEntry {
    std::uint32_t unavailable;
    std::uint32_t restricted;
};
inline constexpr int kConstraintEntriesPerStatus = 8;
struct StatusConstraintRow {
    StatusConstraintEntry entries[kConstraintEntriesPerStatus];
};

// How deep the requests of one instance may nest their printer handles.
inline constexpr int kInstancePrinterDepth = 8;

// The settings-interface record of an instance (the work area's apiRecord).
// The common library touches only lastError and chapterIndex; every user
// tests that the context has a record first.
struct ApiRecord {
    std::uint32_t lastError = 0;
    std::uint32_t chapterIndex = 0;  // used by the chapter list operations
    // Row id-1 for status id (ids 257 upward alike), snapshotRows rows; every
    // access is bounded by snapshotRows.
    StatusConstraintRow* constraintSnapshot = nullptr;
    std::uint32_t snapshotRows = 0;
    // A copy of the whole settings store, taken at instance start and by the
    // quality-data save.
    std::uint8_t* savedStore = nullptr;
    std::uint32_t reserved = 0;
    // The load-sharing rows (bit n: row n) whose option this instance's
    // model offers, found at instance start.
    std::uint32_t loadShareAvailable = 0;
    // The context's printer handles that each open request found, put back
    // when it closes its own.
    HANDLE savedPrinters[kInstancePrinterDepth][2] = {};
    std::uint32_t printerDepth = 0;
};
}  // namespace vexl
