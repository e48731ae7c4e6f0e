// The ten settings modules (presets, watermark, colour profiles, custom
// paper, chapters, options, font substitution, summary, settings lock, job
// options) take part in item changes, page events and store operations
// without the core knowing them: every context keeps its own copy of the
// module table, and commands and events go to the modules' hooks in table
// order until one answers. The three-level snapshot stack lets a sheet or
// dialog be cancelled.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// A hook answers non-zero to stop the walk, 0 to let the next module see
// the command or event. Results travel through the event's parameter record.
using ModuleCommandHook = int (*)(DriverContext* context, std::uint16_t command, void* privateBuffer);
using ModulePageHook = int (*)(DriverContext* context, PageDesc* page, PageItem* item, std::uint32_t message,
                               WPARAM wParam, LPARAM lParam, void* privateBuffer);
using ModuleEventHook = int (*)(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

// One row of the module table.
struct SettingsModule {
    std::int32_t privateSize;  // bytes of the module's private buffer; 0 for none
    void* privateBuffer;       // allocated per context, zero-filled
    ModuleCommandHook command;
    ModulePageHook page;
    ModuleEventHook event;
};

// The module table: the static one, and each context's copy with its own
// private buffers (the work area's moduleTable).
struct SettingsModuleTable {
    std::int32_t count;
    SettingsModule* rows;
};

// Rows of the table.
enum SettingsModuleRow : int {
    kModulePresets = 0,
    kModuleWatermark = 1,
    kModuleColorProfiles = 2,
    kModuleCustomPaper = 3,
    kModuleChapters = 4,
    kModuleOptions = 5,
    kModuleFontSubstitution = 6,
    kModuleSummary = 7,
    kModuleSettingsLock = 8,
    kModuleJobOptions = 9,
    kSettingsModuleCount = 10,
};

// The table that contexts copy: the static one of this library unless a
// library installed its own form of it.
const SettingsModuleTable& GetSettingsModuleTable();
// The common library's table of module rows, put in place when the
// library's default services are installed; NULL: rows that answer 0.
void SetDefaultSettingsModuleTable(const SettingsModuleTable* table);
// Puts a library's own form of the table in place of the static one for
// every context created afterwards; NULL brings the static one back.
void SetSettingsModuleTable(const SettingsModuleTable* table);

// Hooks of a module that has nothing to say: they answer 0.
int NullModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);
int NullModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);
int StubModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);
int NullModulePageHook(DriverContext* context, PageDesc* page, PageItem* item, std::uint32_t message, WPARAM wParam,
                       LPARAM lParam, void* privateBuffer);

// Copies the module table into the context (with private buffers) and sends
// event 1. 0 when memory runs out: the context then has no table.
BOOL InitSettingsModules(DriverContext* context);
// Sends event 2 and frees the context's table, its chapter list and preset
// snapshots. The store may already be gone: no event-2 hook touches it.
void ReleaseSettingsModules(DriverContext* context);

void SendSettingsModuleCommand(DriverContext* context, std::uint16_t command);
void NotifySettingsModules(DriverContext* context, std::uint32_t event, void* param);

// ---- the snapshot stack --------------------------------------------------------------

// Level 1 takes the current store and UiFlags; the older levels move down
// and the oldest is forgotten.
void PushSettingsSnapshot(DriverContext* context);
// With restore, level 1 comes back over the store and UiFlags and every
// change mark is cleared; in both cases the levels move up.
void PopSettingsSnapshot(DriverContext* context, BOOL restore);

// A copy of the store that owns copies of its heap lists, or NULL when
// memory runs out; RestoreStoreImage puts it back over the store (whose own
// lists go) and frees it.
std::uint8_t* CaptureStoreImage(DriverContext* context);
void RestoreStoreImage(DriverContext* context, std::uint8_t* image);

// Frees the lists that the snapshot levels own (the context goes).
void FreeSnapshotLists(DriverContext* context);

// ---- the run-time state of the item table ------------------------------------------

// A copy of the context's descriptors (change marks, state bits, event
// masks; the side blocks stay shared), or NULL when memory runs out.
ItemTable* SaveItemTableState(DriverContext* context);
// Copies a saved state back and frees it; a NULL copy is allowed.
void RestoreItemTableState(DriverContext* context, ItemTable* copy);

// What ManagePresetSnapshots does with the snapshots of the preset files.
enum PresetSnapshotMode : int {
    kSnapshotForget = 0,
    kSnapshotRestore = 1,
    kSnapshotCapture = 2,
    kSnapshotFreeAll = 3,
};

}  // namespace vexl
