// The driver context: the per-printer object that every subsystem passes.
// It holds the model's tables, the printer's settings store, the shared
// compiled model and the work area with the per-printer state of all
// subsystems. Neither record is ever stored or copied as a block.
#pragma once

#include "platform/spooler.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct SettingItemDescriptor;
struct PageDesc;
struct ModelRecord;
struct SettingsStore;
struct CompiledModel;
struct ApiRecord;
struct ChapterRecord;
struct SettingsModuleTable;
struct ModelNameEntry;
struct JobControlInterface;

// Per-context copy of the item table.
struct ItemTable {
    std::int16_t count;
    SettingItemDescriptor* items;
};

// Per-context copy of the page table.
struct PageTable {
    std::int16_t count;
    PageDesc* pages;
};

// A cached paper row of the work area: the ten custom sizes and the two
// fixed paper ids. Rows 0 to 9 keep their names as 8-bit text; rows 10 and
// 11 keep the display name as UTF-16.
struct PaperSizeRow {
    char displayName[64];
    char secondDisplayName[64];
    char userName[64];
    std::uint32_t width;
    std::uint32_t length;
    std::uint16_t tray;
    std::uint16_t orientation;
};

// Binding of the job-control plug-in.
struct JobControlBinding {
    HMODULE module;
    HANDLE connection;
    FARPROC getInterface;
    FARPROC disposeInterface;
    JobControlInterface* iface;
    std::uint16_t version;
};

inline constexpr int kStoreSnapshotLevels = 3;
inline constexpr int kPaperTableRows = 12;
inline constexpr int kJudgeDescriptorCacheSize = 91;
inline constexpr int kPresetSnapshotCount = 16;
inline constexpr int kPrinterDataBufferSize = 1044;

// Connection states of the printer facts cache.
inline constexpr std::uint32_t kConnectionUnknown = 0;
inline constexpr std::uint32_t kConnectionServer = 1;
inline constexpr std::uint32_t kConnectionLocal = 2;

// The locale defaults of a printer's first initialisation: taken from the
// values an installer left in the user-code INI, or guessed from the locale.
struct InstallLocaleState {
    std::uint8_t userCodeUse;
    std::uint8_t userCodeFixed;
    WCHAR userCode[9];
    std::uint16_t language;
    std::uint16_t paper;
    std::uint16_t unit;
    std::uint16_t localeClass;
};

// The work area of a context: starts all zero. Texts are UTF-16 with the
// stated capacity in characters, the terminator included.
struct ContextWorkArea {
    WCHAR settingsIniPath[260];
    std::uint8_t* storeSnapshots[kStoreSnapshotLevels];
    std::uint32_t documentPropertiesMode;
    std::uint16_t judgeStackIndex;
    std::uint32_t* judgeStack;
    std::uint32_t applyInProgress;
    std::uint32_t settingsModified;
    std::uint16_t creationMode;
    WCHAR languageCode[32];
    WCHAR driverName[32];
    WCHAR modelsEntry[33];
    WCHAR scratchText[1025];
    WCHAR printerName[261];
    WCHAR savedSectionName[261];
    PaperSizeRow paperTable[kPaperTableRows];
    std::uint32_t uiFlagsSnapshots[kStoreSnapshotLevels];
    std::uint32_t UiFlags;
    void* pendingFontTable;
    std::uint32_t settingsFileResult;
    WCHAR modelFilePath[261];
    WCHAR driverDirectory[261];
    std::uint32_t mergeFlags;
    SettingItemDescriptor* judgeDescriptorCache[kJudgeDescriptorCacheSize];
    std::uint16_t localeValues[3];
    std::uint8_t* presetSnapshots[kPresetSnapshotCount];
    std::uint8_t* savedStore;
    JobControlBinding jobControl;
    ApiRecord* apiRecord;
    ChapterRecord* chapters;
    std::uint32_t chapterCapacity;  // records that chapters holds
    std::uint32_t chapterDataLoaded;
    std::uint32_t savedChapterCount;
    std::uint32_t useSettingsMutex;
    std::uint32_t checkAdministrator;
    std::uint32_t callerKind;
    SettingsModuleTable* moduleTable;
    std::uint8_t printerDataBuffer[kPrinterDataBufferSize];
    std::uint8_t colorChangeFlags[5];
    std::uint8_t* defaultStore;
    std::uint32_t authPluginPresent;
    std::uint32_t authPluginPathFound;
    std::uint32_t paperFitRecord[8];
    std::uint32_t modelCapabilities;
    void* savedSizeOptions;
    std::uint32_t connectionState;
    std::uint32_t attributesLoaded;
    std::uint32_t printerAttributes;
    // The language (plus one) whose UI resource library failed to load, so
    // that it is not tried again for every string; 0 when none failed.
    std::uint32_t uiLibraryFailedLanguage;
    InstallLocaleState installLocale;
    // What the install answer file applied to the printer: the answer flags
    // of the authentication keys and whether it set the user code.
    std::uint8_t answerFlags;
    std::uint16_t userCodeApplied;
};

struct DriverContext {
    HANDLE printer;
    HANDLE secondPrinter;
    std::int16_t currentPageId;
    ItemTable* itemTable;
    PageTable* pageTable;
    const void* symbolTable;
    const void* constantTableA;
    const void* constantTableB;
    const void* messageTable;
    ModelRecord* modelRecord;
    SettingsStore* store;
    CompiledModel* compiledModel;
    ContextWorkArea* workArea;
    HMODULE uiResourceLibrary;
    HMODULE secondResourceLibrary;
};

// Creation flags (low byte: the creation mode).
inline constexpr std::uint16_t kCreateModeMask = 0x00FF;
inline constexpr std::uint16_t kCreateHoldsSettingsMutex = 0x0100;
inline constexpr std::uint16_t kCreateSkipAdministratorCheck = 0x0200;
inline constexpr std::uint16_t kCreateLoadStoredSettings = 0x0400;

// Caller kinds.
inline constexpr std::uint32_t kCallerPropertySheet = 0x80000000;
inline constexpr std::uint32_t kCallerDocumentProperties = 0x2000000;
inline constexpr std::uint32_t kCallerDeviceCapabilities = 0x1000000;
inline constexpr std::uint32_t kCallerPjlOptions = 0x100000;
inline constexpr std::uint32_t kCallerSettingsInterface = 0x200000;
inline constexpr std::uint32_t kCallerEnablePdev = 0x10000;
inline constexpr std::uint32_t kCallerEnablePdevStored = 0x20000000;

// Release types.
inline constexpr std::uint16_t kReleaseToGeneralCache = 0;
inline constexpr std::uint16_t kReleaseUiInstall = 1;  // destroys at once, as every type but 0 and 4
inline constexpr std::uint16_t kReleaseToCapabilitiesCache = 4;
inline constexpr std::uint16_t kReleaseDestroy = 5;

// How long a released context stays parked for a later request.
inline constexpr DWORD kContextCacheLifetimeMs = 500;

// ---- creation and release -------------------------------------------------------

// Opens a context for the printer: a parked context of the same printer
// handle, printer name and caller kind when the request has no creation
// flag; else a new one. selector is the caller's document-properties mode;
// info, when the caller has it, saves a spooler call and is not kept. NULL
// when the context cannot be built (for a full context: without a compiled
// model).
DriverContext* CreateDriverContextEx(HANDLE printer, HANDLE secondPrinter, std::uint16_t flags,
                                     std::uint32_t callerKind, std::int32_t selector, const PRINTER_INFO_2W* info);

// CreateDriverContextEx with flags 0, selector 0 and no info. A printer name
// that is given serves the cache lookup instead of asking the spooler.
DriverContext* CreateDriverContext(HANDLE printer, HANDLE secondPrinter, const WCHAR* printerName,
                                   std::uint32_t callerKind);

// Types 0 and 4 park the context in the general or the capabilities cache;
// every other type destroys it at once.
void ReleaseDriverContext(DriverContext* context, std::uint16_t releaseType);
void ReleaseDriverContextDefault(DriverContext* context);

// ---- the context caches -----------------------------------------------------------

// Destroys the parked contexts that are stale, or every parked one when all
// is non-zero; answers how many were destroyed.
int PurgeContextCache(BOOL all);

// Empties both tables without destroying anything (process attach).
void ClearContextCaches();

// Takes a matching parked context out of its cache (purging stale ones
// first), or NULL. printerName may be NULL: then the spooler is asked.
DriverContext* LookUpCachedContext(HANDLE printer, std::uint16_t flags, std::uint32_t callerKind, std::int32_t selector,
                                   const WCHAR* printerName);

// Parks a context released with type 0 or 4. Answers what the caller must
// destroy: the evicted oldest context, the context itself when it is not
// parked, or NULL.
DriverContext* CacheReleasedContext(DriverContext* context, std::uint16_t releaseType);

// ---- the saved copy of the settings and the model names -------------------------------

// Copies the store into the saved copy, which gets its own font-list buffers.
BOOL SaveSettingsCopy(DriverContext* context);
// Frees the font-list buffers that the saved copy owns.
BOOL FreeSavedCopyBuffers(DriverContext* context);

// The first entry of the ModelRecord's model-name list whose name equals
// name exactly, or NULL.
const ModelNameEntry* FindModelNameEntry(DriverContext* context, const WCHAR* name);

// ---- steps that other subsystems carry out ---------------------------------------------

// What building and destroying a context asks of the compiled model, the
// default DEVMODE, the stored settings and the resource libraries. The
// wiring of the library installs each subsystem's own step; a test may put
// a fake in place.
struct ContextBuildSteps {
    CompiledModel* (*acquireCompiledModel)(DriverContext* context);
    int (*allocJudgeStack)(DriverContext* context);  // 0, or -1 when memory runs out
    void (*freeJudgeStack)(DriverContext* context);
    SettingsStore* (*createDefaultDevmode)(DriverContext* context, std::uint16_t mode);
    BOOL (*applyStoredBidiConfig)(DriverContext* context);
    BOOL (*freeFontListItems)(DriverContext* context);
    DriverContext* (*freeUiResourceLibraries)(DriverContext* context);
    // The context's page table from the model database's, and its release:
    // a copy of its own by default.
    PageTable* (*attachPageTable)(const PageTable* model, bool* complete);
    void (*detachPageTable)(PageTable* table);
};
const ContextBuildSteps& GetContextBuildSteps();
// A copy of the pages and their controls, whose run-time window fields start
// as in the template; *complete is false when memory ran out on the way.
PageTable* CopyPageTable(const PageTable* source, bool* complete);
void FreePageTable(PageTable* table);
void SetContextBuildSteps(const ContextBuildSteps& steps);

}  // namespace vexl
