// The module table, command and event dispatch, the snapshot stack and the
// copy of the item table's run-time state.
#include "common/core/settings_modules.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_chapters.h"
#include "common/storage/module_job_options.h"
#include "common/storage/module_locks.h"
#include "common/storage/module_small.h"

#include <cstring>

namespace vexl {
namespace {

// The modules' own hooks arrive with the modules; until then every row
// holds the hooks that answer 0. The chapter module keeps a 4-byte private
// buffer.
SettingsModule kModuleRows[kSettingsModuleCount] = {
    /* presets           */ {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    /* watermark         */ {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    /* colour profiles   */ {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    /* custom paper      */ {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    /* chapters          */ {4, nullptr, ChapterModuleCommand, NullModulePageHook, ChapterModuleEvent},
    /* options           */ {0, nullptr, NullModuleCommand, NullModulePageHook, StubModuleEvent},
    /* font substitution */ {0, nullptr, NullModuleCommand, NullModulePageHook, FontSubstModuleEvent},
    /* summary           */ {0, nullptr, NullModuleCommand, NullModulePageHook, StubModuleEvent},
    /* settings lock     */ {0, nullptr, LockModuleCommand, NullModulePageHook, LockModuleEvent},
    /* job options       */ {0, nullptr, JobOptionModuleCommand, NullModulePageHook, JobOptionModuleEvent},
};
const SettingsModuleTable kModuleTable = {kSettingsModuleCount, kModuleRows};

void FreeModuleTable(SettingsModuleTable* table)
{
    if (!table) return;
    if (table->rows) {
        for (int row = 0; row < table->count; ++row) FreeIfNotNull(table->rows[row].privateBuffer);
        FreeIfNotNull(table->rows);
    }
    FreeIfNotNull(table);
}

SettingsModuleTable* CopyModuleTable()
{
    const SettingsModuleTable& source = GetSettingsModuleTable();
    auto* table = static_cast<SettingsModuleTable*>(AllocZeroed(sizeof(SettingsModuleTable)));
    if (!table) return nullptr;
    table->rows = static_cast<SettingsModule*>(AllocZeroed(source.count * sizeof(SettingsModule)));
    if (!table->rows) {
        FreeModuleTable(table);
        return nullptr;
    }
    table->count = source.count;
    for (int row = 0; row < source.count; ++row) {
        SettingsModule& copy = table->rows[row];
        copy = source.rows[row];
        copy.privateBuffer = nullptr;
        if (copy.privateSize > 0) {
            copy.privateBuffer = AllocZeroed(static_cast<std::uint32_t>(copy.privateSize));
            if (!copy.privateBuffer) {
                FreeModuleTable(table);
                return nullptr;
            }
        }
    }
    return table;
}

// ---- snapshots ------------------------------------------------------------------------

bool HasSnapshotStack(DriverContext* context)
{
    if (!context || !context->store || !context->workArea) return false;
    for (std::uint8_t* level : context->workArea->storeSnapshots) {
        if (!level) return false;
    }
    return true;
}

// Copies snapshot level `from` over level `to` (0 is level 1), with its UiFlags.
void CopySnapshotLevel(ContextWorkArea* work, int from, int to)
{
    std::memcpy(work->storeSnapshots[to], work->storeSnapshots[from], GetSettingsStoreSize());
    work->uiFlagsSnapshots[to] = work->uiFlagsSnapshots[from];
}

// The heap address that an address item holds in a store image.
void* ReadImageHeapAddress(DriverContext* context, const std::uint8_t* image, std::uint16_t id)
{
    const SettingItemDescriptor* item = FindItem(context, id);
    if (!item || ItemLength(*item) != sizeof(void*)) return nullptr;
    const std::uint32_t start = GetStoreAreaBase(ItemArea(*item)) + item->offset;
    if (start + sizeof(void*) > GetSettingsStoreSize()) return nullptr;
    void* address = nullptr;
    std::memcpy(&address, image + start, sizeof(address));
    return address;
}

void ClearChangeMarks(DriverContext* context)
{
    ItemTable* table = context->itemTable;
    if (!table || !table->items) return;
    for (int i = 0; i < table->count; ++i) table->items[i].stateBits &= ~kItemChangeMarkMask;
}

}  // namespace

const SettingsModuleTable& GetSettingsModuleTable()
{
    return kModuleTable;
}

int NullModuleCommand(DriverContext*, std::uint16_t, void*)
{
    return 0;
}

int NullModuleEvent(DriverContext*, std::uint32_t, void*, void*)
{
    return 0;
}

int StubModuleEvent(DriverContext*, std::uint32_t, void*, void*)
{
    return 0;
}

int NullModulePageHook(DriverContext*, PageDesc*, PageItem*, std::uint32_t, WPARAM, LPARAM, void*)
{
    return 0;
}

BOOL InitSettingsModules(DriverContext* context)
{
    if (!context || !context->workArea) return 0;
    ContextWorkArea* work = context->workArea;
    work->chapters = nullptr;
    work->chapterDataLoaded = 0;
    ManagePresetSnapshots(context, nullptr, kSnapshotForget);
    work->moduleTable = CopyModuleTable();
    if (!work->moduleTable) return 0;
    NotifySettingsModules(context, kModuleEventSetUp, nullptr);
    return 1;
}

void ReleaseSettingsModules(DriverContext* context)
{
    if (!context || !context->workArea) return;
    ContextWorkArea* work = context->workArea;
    FreeIfNotNull(work->chapters);
    work->chapters = nullptr;
    ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
    if (!work->moduleTable) return;
    NotifySettingsModules(context, kModuleEventRelease, nullptr);
    FreeModuleTable(work->moduleTable);
    work->moduleTable = nullptr;
}

void SendSettingsModuleCommand(DriverContext* context, std::uint16_t command)
{
    if (!context || !context->workArea || !context->workArea->moduleTable) return;
    const SettingsModuleTable* table = context->workArea->moduleTable;
    for (int row = 0; row < table->count; ++row) {
        const SettingsModule& module = table->rows[row];
        if (module.command && module.command(context, command, module.privateBuffer) != 0) return;
    }
}

void NotifySettingsModules(DriverContext* context, std::uint32_t event, void* param)
{
    if (!context || !context->workArea || !context->workArea->moduleTable) return;
    const SettingsModuleTable* table = context->workArea->moduleTable;
    for (int row = 0; row < table->count; ++row) {
        const SettingsModule& module = table->rows[row];
        if (module.event && module.event(context, event, param, module.privateBuffer) != 0) return;
    }
}

void PushSettingsSnapshot(DriverContext* context)
{
    if (!HasSnapshotStack(context)) return;
    ContextWorkArea* work = context->workArea;
    CopySnapshotLevel(work, 1, 2);
    CopySnapshotLevel(work, 0, 1);
    std::memcpy(work->storeSnapshots[0], context->store->bytes, GetSettingsStoreSize());
    work->uiFlagsSnapshots[0] = work->UiFlags;
    NotifySettingsModules(context, kModuleEventSnapshotPushed, nullptr);
}

void PopSettingsSnapshot(DriverContext* context, BOOL restore)
{
    if (!HasSnapshotStack(context)) return;
    ContextWorkArea* work = context->workArea;
    if (restore) {
        // The font-substitution page keeps the table it replaced in
        // pendingFontTable. When level 1 holds that table, the restore gives
        // it back to the store and the newer table goes.
        if (work->pendingFontTable &&
            work->pendingFontTable == ReadImageHeapAddress(context, work->storeSnapshots[0], rdmFontTable)) {
            void* current = GetItemHeapAddress(context, rdmFontTable);
            if (current != work->pendingFontTable) FreeIfNotNull(current);
            work->pendingFontTable = nullptr;
        }
        std::memcpy(context->store->bytes, work->storeSnapshots[0], GetSettingsStoreSize());
        work->UiFlags = work->uiFlagsSnapshots[0];
        work->settingsModified = 0;
        ClearChangeMarks(context);
        NotifySettingsModules(context, kModuleEventSnapshotRestored, nullptr);
    } else {
        FreeIfNotNull(work->pendingFontTable);
        work->pendingFontTable = nullptr;
    }
    CopySnapshotLevel(work, 1, 0);
    CopySnapshotLevel(work, 2, 1);
}

ItemTable* SaveItemTableState(DriverContext* context)
{
    if (!context || !context->itemTable || !context->itemTable->items || context->itemTable->count <= 0) return nullptr;
    const ItemTable* table = context->itemTable;
    auto* copy = static_cast<ItemTable*>(AllocZeroed(sizeof(ItemTable)));
    if (!copy) return nullptr;
    const std::uint32_t bytes = static_cast<std::uint32_t>(table->count) * sizeof(SettingItemDescriptor);
    copy->items = static_cast<SettingItemDescriptor*>(AllocZeroed(bytes));
    if (!copy->items) {
        FreeIfNotNull(copy);
        return nullptr;
    }
    copy->count = table->count;
    std::memcpy(copy->items, table->items, bytes);
    return copy;
}

void RestoreItemTableState(DriverContext* context, ItemTable* copy)
{
    if (!copy) return;
    ItemTable* table = context ? context->itemTable : nullptr;
    if (table && table->items && copy->items) {
        // A copy of another table never writes past this one.
        const int count = copy->count < table->count ? copy->count : table->count;
        if (count > 0) std::memcpy(table->items, copy->items, count * sizeof(SettingItemDescriptor));
    }
    FreeIfNotNull(copy->items);
    FreeIfNotNull(copy);
}

}  // namespace vexl
