// Building and destroying a driver context, the saved copy of its settings
// and the lookup of its model-name entry.
#include "common/core/context.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/printer.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/printer_facts.h"

#include <cstring>

namespace vexl {
namespace {

constexpr std::uint16_t kFirstBareMode = 4;
constexpr std::uint16_t kModeWithoutDriverName = 2;
constexpr std::uint16_t kModeFull = 0;

// A font list of the store: its count item, its address item and the size
// of one record.
struct FontList {
    std::uint16_t countItem;
    std::uint16_t addressItem;
    std::uint32_t recordSize;
};
constexpr FontList kFontLists[] = {
    {rdmDeviceFontNum, rdmDeviceFont, 68},
    {rdmOptionFontNum, rdmOptionFont, 68},
    {rdmFontTableNum, rdmFontTable, 128},
};

template <typename T> T* AllocRecords(std::size_t count)
{
    return static_cast<T*>(AllocZeroed(static_cast<std::uint32_t>(count * sizeof(T))));
}

// ---- table copies ---------------------------------------------------------------------

// Each descriptor gets its own side block; the value map, the name and the
// INI texts stay shared. The run-time bits and the event mask start at 0.
ItemTable* CopyItemTable(const ItemTable* source)
{
    auto* table = AllocRecords<ItemTable>(1);
    if (!table) return nullptr;
    const int count = source && source->count > 0 ? source->count : 0;
    if (count == 0) return table;
    table->items = AllocRecords<SettingItemDescriptor>(count);
    if (!table->items) return table;
    table->count = static_cast<std::int16_t>(count);
    for (int i = 0; i < count; ++i) {
        SettingItemDescriptor& item = table->items[i];
        item = source->items[i];
        item.stateBits &= kItemStaticStateMask;
        item.eventMask = 0;
        item.side = AllocRecords<ItemSideBlock>(1);
        if (item.side && source->items[i].side) *item.side = *source->items[i].side;
    }
    return table;
}

bool IsItemTableComplete(const ItemTable* table, const ItemTable* source)
{
    if (!table) return false;
    const int count = source && source->count > 0 ? source->count : 0;
    if (count == 0) return true;
    if (!table->items) return false;
    for (int i = 0; i < count; ++i) {
        if (!table->items[i].side) return false;
    }
    return true;
}

void FreeItemTable(ItemTable* table)
{
    if (!table) return;
    if (table->items) {
        for (int i = 0; i < table->count; ++i) FreeIfNotNull(table->items[i].side);
        FreeIfNotNull(table->items);
    }
    FreeIfNotNull(table);
}

// ---- the work area ---------------------------------------------------------------------

bool AllocStoreSizedBlocks(ContextWorkArea* work)
{
    const std::uint32_t size = GetSettingsStoreSize();
    bool allThere = true;
    for (std::uint8_t*& level : work->storeSnapshots) {
        level = static_cast<std::uint8_t*>(AllocZeroed(size));
        allThere = allThere && level;
    }
    return allThere;
}

template <std::size_t N> void CopyText(WCHAR (&field)[N], const WCHAR* text)
{
    if (text) lstrcpynW(field, text, static_cast<int>(N));
}

// The parts of a context that need nothing from other subsystems: the
// tables, the work area and the settings modules. False when memory ran out.
bool BuildContextTables(DriverContext* context, std::uint16_t flags, std::uint32_t callerKind,
                        const PRINTER_INFO_2W* info)
{
    const DriverContext* model = GetModelDatabase();
    context->itemTable = CopyItemTable(model->itemTable);
    if (!IsItemTableComplete(context->itemTable, model->itemTable)) return false;
    bool pagesComplete = false;
    context->pageTable = GetContextBuildSteps().attachPageTable(model->pageTable, &pagesComplete);
    if (!pagesComplete) return false;
    context->modelRecord = AllocRecords<ModelRecord>(1);
    if (!context->modelRecord) return false;
    if (model->modelRecord) *context->modelRecord = *model->modelRecord;

    context->workArea = AllocRecords<ContextWorkArea>(1);
    if (!context->workArea) return false;
    ContextWorkArea* work = context->workArea;
    work->jobControl = {};
    work->connectionState = kConnectionUnknown;
    work->attributesLoaded = 0;
    work->printerAttributes = 0;
    CachePrinterInfo(info, context);
    if (!AllocStoreSizedBlocks(work)) return false;
    work->useSettingsMutex = (flags & kCreateHoldsSettingsMutex) == 0;
    work->checkAdministrator = (flags & kCreateSkipAdministratorCheck) == 0;
    work->creationMode = flags & kCreateModeMask;
    work->callerKind = callerKind;

    const std::uint16_t mode = flags & kCreateModeMask;
    if (mode < kFirstBareMode && mode != kModeWithoutDriverName) GetDriverName(context);
    const ModelNameEntry* entry = FindModelNameEntry(context, work->driverName);
    work->modelCapabilities = entry ? entry->capabilities : 0;
    CopyText(work->languageCode, GetInstalledLanguageCode(context));

    work->savedStore = static_cast<std::uint8_t*>(AllocZeroed(GetSettingsStoreSize()));
    work->defaultStore = static_cast<std::uint8_t*>(AllocZeroed(GetSettingsStoreSize()));
    if (!work->savedStore || !work->defaultStore) return false;
    return InitSettingsModules(context) != 0;
}

// The compiled model, the judge stack and the store of a full context.
bool BuildContextSettings(DriverContext* context, std::uint16_t flags)
{
    const ContextBuildSteps& steps = GetContextBuildSteps();
    const std::uint16_t mode = flags & kCreateModeMask;
    context->compiledModel = steps.acquireCompiledModel(context);
    if (!context->compiledModel) return false;
    if (steps.allocJudgeStack(context) != 0) return false;
    context->store = steps.createDefaultDevmode(context, mode);
    if (!context->store) return false;
    if (mode == kModeFull || (flags & kCreateLoadStoredSettings)) steps.applyStoredBidiConfig(context);
    SaveSettingsCopy(context);
    return true;
}

void DestroyDriverContext(DriverContext* context)
{
    const ContextBuildSteps& steps = GetContextBuildSteps();
    ContextWorkArea* work = context->workArea;
    if (work) {
        FreeSnapshotLists(context);
        FreeSavedCopyBuffers(context);
        FreeIfNotNull(work->savedStore);
        FreeIfNotNull(work->defaultStore);
        work->savedStore = nullptr;
        work->defaultStore = nullptr;
    }
    // The font lists belong to the context whatever the release type.
    if (context->store) steps.freeFontListItems(context);
    steps.freeUiResourceLibraries(context);
    if (context->compiledModel) steps.freeJudgeStack(context);
    // The compiled model stays in the process-wide list; at process detach it
    // may already be gone, so nothing below may reach it.
    context->compiledModel = nullptr;

    FreeItemTable(context->itemTable);
    context->itemTable = nullptr;
    steps.detachPageTable(context->pageTable);
    context->pageTable = nullptr;
    FreeIfNotNull(context->modelRecord);
    context->modelRecord = nullptr;
    FreeIfNotNull(context->store);
    context->store = nullptr;

    if (work) {
        for (std::uint8_t*& level : work->storeSnapshots) {
            FreeIfNotNull(level);
            level = nullptr;
        }
        FreeIfNotNull(work->pendingFontTable);
        work->pendingFontTable = nullptr;
        ReleaseSettingsModules(context);
        FreeIfNotNull(work);
        context->workArea = nullptr;
    }
    FreeIfNotNull(context);
}

DriverContext* BuildDriverContext(HANDLE printer, HANDLE secondPrinter, std::uint16_t flags, std::uint32_t callerKind,
                                  std::int32_t selector, const PRINTER_INFO_2W* info, const WCHAR* printerName)
{
    if (callerKind == kCallerEnablePdev) callerKind = kCallerEnablePdevStored;

    // A caller that names the printer finds a parked context without a
    // spooler call; the printer's information is fetched only to build one.
    const bool named = printerName && printerName[0];
    DriverContext* context = named ? LookUpCachedContext(printer, flags, callerKind, selector, printerName) : nullptr;
    if (context) return context;

    PRINTER_INFO_2W* fetched = nullptr;
    if (!info) {
        fetched = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
        info = fetched;
    }
    if (!named) {
        context = LookUpCachedContext(printer, flags, callerKind, selector, info ? info->pPrinterName : nullptr);
        if (context) {
            FreeIfNotNull(fetched);
            return context;
        }
    }

    context = AllocRecords<DriverContext>(1);
    if (!context) {
        FreeIfNotNull(fetched);
        return nullptr;
    }
    *context = *GetModelDatabase();
    context->itemTable = nullptr;
    context->pageTable = nullptr;
    context->modelRecord = nullptr;
    context->store = nullptr;
    context->compiledModel = nullptr;
    context->workArea = nullptr;
    context->printer = printer;
    context->secondPrinter = secondPrinter;
    context->currentPageId = 0;

    // A context is never handed out half-built.
    bool built = BuildContextTables(context, flags, callerKind, info);
    if (built && (flags & kCreateModeMask) < kFirstBareMode) built = BuildContextSettings(context, flags);
    FreeIfNotNull(fetched);
    if (!built) {
        DestroyDriverContext(context);
        return nullptr;
    }
    return context;
}

}  // namespace

// Pages and their controls are byte copies: the run-time window fields
// start as in the template.
PageTable* CopyPageTable(const PageTable* source, bool* complete)
{
    *complete = false;
    auto* table = AllocRecords<PageTable>(1);
    if (!table) return nullptr;
    const int count = source && source->count > 0 ? source->count : 0;
    if (count == 0) {
        *complete = true;
        return table;
    }
    table->pages = AllocRecords<PageDesc>(count);
    if (!table->pages) return table;
    table->count = static_cast<std::int16_t>(count);
    bool allThere = true;
    for (int i = 0; i < count; ++i) {
        PageDesc& page = table->pages[i];
        page = source->pages[i];
        page.items = nullptr;
        const PageDesc& original = source->pages[i];
        if (original.items && original.itemCount > 0) {
            page.items = AllocRecords<PageItem>(original.itemCount);
            if (page.items)
                std::memcpy(page.items, original.items, original.itemCount * sizeof(PageItem));
            else
                allThere = false;
        }
    }
    *complete = allThere;
    return table;
}

void FreePageTable(PageTable* table)
{
    if (!table) return;
    if (table->pages) {
        for (int i = 0; i < table->count; ++i) FreeIfNotNull(table->pages[i].items);
        FreeIfNotNull(table->pages);
    }
    FreeIfNotNull(table);
}

DriverContext* CreateDriverContextEx(HANDLE printer, HANDLE secondPrinter, std::uint16_t flags,
                                     std::uint32_t callerKind, std::int32_t selector, const PRINTER_INFO_2W* info)
{
    return BuildDriverContext(printer, secondPrinter, flags, callerKind, selector, info, nullptr);
}

DriverContext* CreateDriverContext(HANDLE printer, HANDLE secondPrinter, const WCHAR* printerName,
                                   std::uint32_t callerKind)
{
    return BuildDriverContext(printer, secondPrinter, 0, callerKind, 0, nullptr, printerName);
}

void ReleaseDriverContext(DriverContext* context, std::uint16_t releaseType)
{
    if (!context) return;
    if (releaseType == kReleaseToGeneralCache || releaseType == kReleaseToCapabilitiesCache)
        context = CacheReleasedContext(context, releaseType);
    if (context) DestroyDriverContext(context);
}

void ReleaseDriverContextDefault(DriverContext* context)
{
    ReleaseDriverContext(context, kReleaseToGeneralCache);
}

// ---- the saved copy ----------------------------------------------------------------------

BOOL SaveSettingsCopy(DriverContext* context)
{
    if (!context || !context->store || !context->workArea || !context->workArea->savedStore) return 0;
    // The buffers of an earlier saved copy are its own: they go first.
    FreeSavedCopyBuffers(context);
    std::memcpy(context->workArea->savedStore, context->store->bytes, GetSettingsStoreSize());
    for (const FontList& list : kFontLists) {
        const std::uint32_t count = GetHeapListCount(context, list.countItem, list.addressItem, list.recordSize);
        const void* records = GetItemHeapAddress(context, list.addressItem);
        void* copy = count && records ? AllocZeroed(count * list.recordSize) : nullptr;
        if (copy) std::memcpy(copy, records, count * list.recordSize);
        SetSavedItemValue(context, list.countItem, copy ? count : 0);
        SetSavedItemHeapAddress(context, list.addressItem, copy);
    }
    return 1;
}

BOOL FreeSavedCopyBuffers(DriverContext* context)
{
    if (!context || !context->workArea || !context->workArea->savedStore) return 0;
    for (const FontList& list : kFontLists) {
        FreeIfNotNull(GetSavedItemHeapAddress(context, list.addressItem));
        SetSavedItemHeapAddress(context, list.addressItem, nullptr);
    }
    return 1;
}

// ---- model names ---------------------------------------------------------------------------

const ModelNameEntry* FindModelNameEntry(DriverContext* context, const WCHAR* name)
{
    if (!name) return nullptr;
    const std::uint16_t count = GetModelNameCount(context);
    for (int i = 0; i < count; ++i) {
        const ModelNameEntry* entry = GetModelNameEntry(context, i);
        if (entry && entry->name && lstrcmpW(entry->name, name) == 0) return entry;
    }
    return nullptr;
}

}  // namespace vexl
