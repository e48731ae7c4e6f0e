// The driver context: the per-printer object that every subsystem passes.
// It holds the model's tables, the printer's settings store, the shared
// compiled model and the work area with the per-printer state of all
// subsystems. Neither record is ever stored or copied as a block.
#pragma once

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
struct SettingsModuleRow;
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
    std::uint32_t chapterDataLoaded;
    std::uint32_t savedChapterCount;
    std::uint32_t useSettingsMutex;
    std::uint32_t checkAdministrator;
    std::uint32_t callerKind;
    SettingsModuleRow* moduleTable;
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

}  // namespace vexl
