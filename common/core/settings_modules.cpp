// The module table, command and event dispatch, the snapshot stack and the
// copy of the item table's run-time state.
#include "common/core/settings_modules.h"

#include "common/core/devmode_services.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/module_events.h"
#include "common/core/store.h"

#include "platform/kernel.h"

#include <cstring>

namespace vexl {
namespace {

// Until the library's default table is installed, every row answers 0.
SettingsModule kNullModuleRows[kSettingsModuleCount] = {
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
};
const SettingsModuleTable kNullModuleTable = {kSettingsModuleCount, kNullModuleRows};
const SettingsModuleTable* g_defaultTable = &kNullModuleTable;
const SettingsModuleTable* g_installedTable = nullptr;

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

// Where an address item sits in a store image, or NULL.
std::uint8_t* ImageHeapField(DriverContext* context, std::uint8_t* image, std::uint16_t id)
{
    const SettingItemDescriptor* item = FindItem(context, id);
    if (!item || ItemLength(*item) != sizeof(void*)) return nullptr;
    const std::uint32_t start = GetStoreAreaBase(ItemArea(*item)) + item->offset;
    if (start + sizeof(void*) > GetSettingsStoreSize()) return nullptr;
    return image + start;
}

void* ReadImageHeapAddress(DriverContext* context, std::uint8_t* image, std::uint16_t id)
{
    void* address = nullptr;
    if (std::uint8_t* field = ImageHeapField(context, image, id)) std::memcpy(&address, field, sizeof(address));
    return address;
}

void WriteImageHeapAddress(DriverContext* context, std::uint8_t* image, std::uint16_t id, void* address)
{
    if (std::uint8_t* field = ImageHeapField(context, image, id)) std::memcpy(field, &address, sizeof(address));
}

// A snapshot level owns the heap lists its image names: it gets copies of
// its own when it is taken, and whoever drops the level frees them, so no
// restore can bring back a list that the store has freed since.
void TakeOwnListCopies(DriverContext* context, std::uint8_t* image)
{
    for (std::uint16_t id : kHeapAddressItems) {
        void* list = ReadImageHeapAddress(context, image, id);
        if (!list) continue;
        const auto bytes = static_cast<std::uint32_t>(GlobalSize(list));
        void* copy = bytes ? AllocZeroed(bytes) : nullptr;
        if (copy) std::memcpy(copy, list, bytes);
        WriteImageHeapAddress(context, image, id, copy);
    }
}

// The image no longer names its lists: another owner has them now.
void ForgetLists(DriverContext* context, std::uint8_t* image)
{
    for (std::uint16_t id : kHeapAddressItems) WriteImageHeapAddress(context, image, id, nullptr);
}

void FreeLists(DriverContext* context, std::uint8_t* image)
{
    for (std::uint16_t id : kHeapAddressItems) FreeIfNotNull(ReadImageHeapAddress(context, image, id));
    ForgetLists(context, image);
}

// The table that the font-substitution page replaced and kept goes, unless
// the store still names it.
void DropPendingFontTable(DriverContext* context)
{
    ContextWorkArea* work = context->workArea;
    if (work->pendingFontTable && work->pendingFontTable != GetItemHeapAddress(context, rdmFontTable))
        FreeIfNotNull(work->pendingFontTable);
    work->pendingFontTable = nullptr;
}

void ClearChangeMarks(DriverContext* context)
{
    ItemTable* table = context->itemTable;
    if (!table || !table->items) return;
    for (int i = 0; i < table->count; ++i) table->items[i].stateBits &= ~kItemChangeMarkMask;
}

void GivePendingFontTableBack(DriverContext* context, std::uint8_t* image)
{
    ContextWorkArea* work = context->workArea;
    void* pending = work->pendingFontTable;
    void* copy = ReadImageHeapAddress(context, image, rdmFontTable);
    if (!pending || !copy || pending == GetItemHeapAddress(context, rdmFontTable)) return;
    const SIZE_T bytes = GlobalSize(copy);
    if (GlobalSize(pending) != bytes || std::memcmp(pending, copy, bytes) != 0) return;
    WriteImageHeapAddress(context, image, rdmFontTable, pending);
    FreeIfNotNull(copy);
    work->pendingFontTable = nullptr;
}

}  // namespace

const SettingsModuleTable& GetSettingsModuleTable()
{
    return g_installedTable ? *g_installedTable : *g_defaultTable;
}

void SetDefaultSettingsModuleTable(const SettingsModuleTable* table)
{
    g_defaultTable = table ? table : &kNullModuleTable;
}

void SetSettingsModuleTable(const SettingsModuleTable* table)
{
    g_installedTable = table;
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
    services::ManagePresetSnapshots(context, nullptr, kSnapshotForget);
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
    services::ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
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
    // The oldest level is forgotten with its lists; the others hand theirs down.
    FreeLists(context, work->storeSnapshots[2]);
    CopySnapshotLevel(work, 1, 2);
    CopySnapshotLevel(work, 0, 1);
    std::memcpy(work->storeSnapshots[0], context->store->bytes, GetSettingsStoreSize());
    TakeOwnListCopies(context, work->storeSnapshots[0]);
    work->uiFlagsSnapshots[0] = work->UiFlags;
    NotifySettingsModules(context, kModuleEventSnapshotPushed, nullptr);
}

void PopSettingsSnapshot(DriverContext* context, BOOL restore)
{
    if (!HasSnapshotStack(context)) return;
    ContextWorkArea* work = context->workArea;
    if (restore) {
        // The store's lists go; level 1's own copies become the store's. A
        // font table that the page kept pending and that still reads as
        // level 1's copy is given back itself.
        GivePendingFontTableBack(context, work->storeSnapshots[0]);
        DropPendingFontTable(context);
        for (std::uint16_t id : kHeapAddressItems) FreeIfNotNull(GetItemHeapAddress(context, id));
        std::memcpy(context->store->bytes, work->storeSnapshots[0], GetSettingsStoreSize());
        ForgetLists(context, work->storeSnapshots[0]);
        work->UiFlags = work->uiFlagsSnapshots[0];
        work->settingsModified = 0;
        ClearChangeMarks(context);
        NotifySettingsModules(context, kModuleEventSnapshotRestored, nullptr);
    } else {
        DropPendingFontTable(context);
        FreeLists(context, work->storeSnapshots[0]);
    }
    CopySnapshotLevel(work, 1, 0);
    CopySnapshotLevel(work, 2, 1);
    ForgetLists(context, work->storeSnapshots[2]);
}

std::uint8_t* CaptureStoreImage(DriverContext* context)
{
    if (!context || !context->store) return nullptr;
    auto* image = static_cast<std::uint8_t*>(AllocZeroed(GetSettingsStoreSize()));
    if (!image) return nullptr;
    std::memcpy(image, context->store->bytes, GetSettingsStoreSize());
    TakeOwnListCopies(context, image);
    return image;
}

void RestoreStoreImage(DriverContext* context, std::uint8_t* image)
{
    if (!image) return;
    if (context && context->store) {
        for (std::uint16_t id : kHeapAddressItems) {
            void* current = GetItemHeapAddress(context, id);
            if (current != ReadImageHeapAddress(context, image, id)) FreeIfNotNull(current);
        }
        std::memcpy(context->store->bytes, image, GetSettingsStoreSize());
    } else {
        FreeLists(context, image);
    }
    FreeIfNotNull(image);
}

void FreeSnapshotLists(DriverContext* context)
{
    if (!HasSnapshotStack(context)) return;
    for (std::uint8_t* level : context->workArea->storeSnapshots) FreeLists(context, level);
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
