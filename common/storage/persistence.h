// Item persistence: the settings items whose descriptors name printer data
// or the settings INI are loaded into a context's store and stored back,
// each by its value type. Also the printer-data values that are not single
// items (font lists, font substitution tables, custom media, lock data, the
// compound values that pack runs of bit items), the companion-function and
// "Enabled" registry reads, the special functions of the user-information
// INI, the printer's stored default DEVMODE, thin printer-data wrappers and
// the bidi flags kept in printer data.
#pragma once

#include "common/core/font_records.h"
#include "common/core/modeldb.h"
#include "common/storage/ini.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;

// Where a load pass takes printer-data values from instead of the spooler
// (a print server's configuration): answers a spooler-style status.
struct PrinterDataCallback {
    DWORD (*getValue)(void* state, const WCHAR* valueName, DWORD expectedType, BYTE* data, DWORD size, DWORD* needed);
    void* state;
};

// Areas of a pass; -1 is every area.
inline constexpr std::int32_t kAllAreas = -1;
// Modes and flags of the passes.
inline constexpr std::uint32_t kPassModeByName = 2;        // unclaimed items under their item names
inline constexpr std::uint32_t kPassModeCallback = 0x10;   // printer data from the callback
inline constexpr std::uint32_t kStorePrinterSide = 1;      // printer-side items and custom media
inline constexpr std::uint32_t kStoreCustomFunctions = 4;  // only wdmCustomFunc0..31
inline constexpr std::uint32_t kStoreForce = 0x80000000;   // store unchanged items too

// Settings-module command of the store pass.
inline constexpr std::uint16_t kModuleCommandCopyLocks = 312;

// ---- passes ------------------------------------------------------------------------------------
// The open batches of one store: the printer data of printer and the
// settings INI at iniPath, each begun by the caller when its flag is set.
struct StoreBatches {
    HANDLE printer = nullptr;
    const WCHAR* iniPath = nullptr;
    bool data = false;
    bool ini = false;
};
// Ends a store's batches with nothing slow under the settings mutex: their
// new files are written and flushed while the mutex is free, and under it
// only put in place when nothing came in between; otherwise written ahead
// again (the last try writes under the mutex). whileLocked, when given, runs
// once under the mutex before the first files are put in place. FALSE, with
// the last error of the cause, when a batch was not written.
BOOL CommitStoreBatches(DriverContext* context, StoreBatches& batches, void (*whileLocked)(void* state) = nullptr,
                        void* state = nullptr);
// Passes answer FALSE, with the last error of the cause, when the values
// they gathered could not be written; values they could not gather keep
// the item's current value and are not failures.
BOOL LoadStoredItems(HANDLE printer, std::int32_t area, DriverContext* context);
BOOL LoadItemsOfClass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t mode);
BOOL LoadItemsPass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t mode,
                   const PrinterDataCallback* callback);
BOOL StoreRegularItems(HANDLE printer, DriverContext* context);
BOOL StoreItemsPass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t flags);
BOOL StoreIniItems(HANDLE printer, DriverContext* context);

// ---- single items ------------------------------------------------------------------------------
// Loaders answer 1 when a value was taken, 0 when the item kept its value.
BOOL StoreItem(HANDLE printer, DriverContext* context, SettingItemDescriptor* item, const WCHAR* iniPath);
BOOL StoreItemToPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item);
// With text, the entry is appended to the section being built instead of the file.
BOOL StoreItemToIni(DriverContext* context, SettingItemDescriptor* item, const WCHAR* iniPath, IniSectionText* text);
BOOL LoadItemFromPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item, std::uint32_t flags,
                             const PrinterDataCallback* callback);
// With text, the value is looked up in the in-memory INI from *position.
BOOL LoadItemFromIni(DriverContext* context, SettingItemDescriptor* item, const WCHAR* iniPath, const char* text,
                     std::int32_t* position);
BOOL KeepsEmptyIniValue(std::uint16_t itemId);

// ---- compound values ---------------------------------------------------------------------------
inline constexpr std::uint32_t kCompoundInPrinterData = 2;
BOOL LoadCompoundItem(HANDLE printer, DriverContext* context, SettingItemDescriptor* first, std::uint32_t storage,
                      std::uint32_t typeCode, const WCHAR* valueName, std::uint16_t firstId, std::uint16_t lastId);
BOOL StoreCompoundItem(HANDLE printer, DriverContext* context, SettingItemDescriptor* first, std::uint32_t storage,
                       std::uint32_t typeCode, const WCHAR* valueName);

// ---- font lists and substitution tables -----------------------------------------------------------
// Flags of the font-table functions.
inline constexpr std::uint32_t kFontsFromModel = 1;
inline constexpr std::uint32_t kFontsIfChanged = 2;
inline constexpr std::uint32_t kFontsDefaultTable = 0x100;

BOOL LoadFontLists(HANDLE printer, DriverContext* context);
BOOL LoadDeviceFonts(HANDLE printer, DriverContext* context);
BOOL LoadOptionFonts(HANDLE printer, DriverContext* context);
BOOL LoadFontSubstTable(HANDLE printer, DriverContext* context);
BOOL StoreDeviceFonts(HANDLE printer, DriverContext* context, std::uint32_t flags);
BOOL StoreOptionFonts(HANDLE printer, DriverContext* context, std::uint32_t flags);
BOOL StoreFontSubstTable(HANDLE printer, DriverContext* context, std::uint32_t flags);
BOOL WriteFontSubstPairs(HANDLE printer, const FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags);
// 0, ERROR_NOT_ENOUGH_MEMORY for a missing buffer, or the error of a missing pair.
DWORD ReadFontSubstTable(HANDLE printer, FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags);
BOOL FreeFontListItems(DriverContext* context);

// ---- custom media --------------------------------------------------------------------------------
struct CustomMediaRecord {
    std::uint32_t quot;
    std::uint32_t charSet;
    char name[260];
};
inline constexpr std::uint32_t kCustomMediaRecordSize = 268;
static_assert(sizeof(CustomMediaRecord) == kCustomMediaRecordSize);
void EncodeCustomMediaRecord(const CustomMediaRecord& record, std::uint8_t* out);
CustomMediaRecord DecodeCustomMediaRecord(const std::uint8_t* bytes);
BOOL IsCustomMediaEnabled(DriverContext* context);
BOOL StoreCustomMediaRecords(HANDLE printer, DriverContext* context);
BOOL LoadCustomMediaRecords(HANDLE printer, DriverContext* context);
void ResetCustomMediaItems(DriverContext* context);

// ---- locks --------------------------------------------------------------------------------------
BOOL ApplyLockedValues(HANDLE printer, DriverContext* context);
BOOL ReadLockDefaultData(HANDLE printer, DriverContext* context);
BOOL WriteLockDefaultData(HANDLE printer, DriverContext* context);

// ---- special functions and the registry ------------------------------------------------------------
void LoadSpecialFunctions(DriverContext* context);
void LoadSettingsEnabledFlag(DriverContext* context);
BOOL ReadSettingsEnabledValue(std::uint32_t* out);
BOOL IsCompanionFunctionInstalled(int function, DriverContext* context);
BOOL ReadHklmValue(const WCHAR* subKey, const WCHAR* valueName, void* out, DWORD size, DriverContext* context);

// ---- the printer's default DEVMODE and printer data ---------------------------------------------------
BOOL UsePrinterDefaultDevmode(DriverContext* context);
BOOL ReadPrinterDefaultDevmode(DriverContext* context);
BOOL ReadHelpFileName(WCHAR* out, int size, DriverContext* context);
BOOL ReadPrinterDataValue(HANDLE printer, void* out, DWORD size, const WCHAR* valueName, DriverContext* context);
BOOL WritePrinterDataBinary(HANDLE printer, const void* data, DWORD size, const WCHAR* valueName,
                            DriverContext* context);
BOOL WritePrinterDataTyped(HANDLE printer, const void* data, DWORD size, DWORD type, const WCHAR* valueName,
                           DriverContext* context);

// ---- bidi flags in printer data ------------------------------------------------------------------------
inline constexpr const WCHAR* kBidiFlagName = u"BidiFlag";
inline constexpr const WCHAR* kBidiFuncName = u"BidiFunc";
inline constexpr DWORD kBidiFlagStored = 1;
BOOL IsBidiConfiguredInPrinterData(DriverContext* context);
BOOL ReadBidiFlag(DriverContext* context, DWORD* flag);
BOOL WriteBidiFlag(DriverContext* context, DWORD flag);
BOOL WriteBidiFunc(DriverContext* context, std::uint8_t bits);
BOOL RewriteBidiFlag(DriverContext* context);

}  // namespace vexl
