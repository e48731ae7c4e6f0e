// The printer-data and registry values of the interface library that other
// components of the driver package read by name: the file names of the
// driver's libraries, the help and log file names, the printer's own name,
// the administrator lock values and bytes, the font substitution tables,
// single settings under their item names and the print-log defaults.
//
// Texts are REG_SZ with their terminator counted, except
// "SPLUserModePrinterDriver" and "DriverIniFileName", whose byte count is
// twice their length (readers of those two expect no terminator).
#pragma once

#include "common/core/context.h"
#include "common/core/font_records.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The lock bytes "rdmLock000InfoBit" (for setting 10418) and
// "rdmLock001InfoBit" (for 10426); FALSE and 0 for another setting or when
// the value cannot be read.
inline constexpr std::uint16_t kLockBitsDefaultItem = 10418;
inline constexpr std::uint16_t kLockBitsColorItem = 10426;
BOOL ReadLockBits(HANDLE printer, std::uint8_t* out, std::uint16_t itemId);

// One setting read from or written to printer data under its item name (in
// place of its usual value name); FALSE for a setting without a name.
BOOL LoadSettingFromPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item);
BOOL StoreSettingToPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item);

// Printer data "HelpFileName" into out (size characters); FALSE when absent.
BOOL ReadHelpFileNameValue(HANDLE printer, WCHAR* out, int size);

// ---- file names and names --------------------------------------------------------------

// "SPLUserModePrinterDriver" and "DriverIniFileName" from the model's names,
// then the graphics and ED library names; the result is that of the first two.
BOOL WriteDriverFileNames(HANDLE printer, DriverContext* context);
// The file part of the driver's path (the graphics library).
BOOL WriteDriverGRFileName(HANDLE printer);
// DriverEDFileName of the model INI's [DriversFileName] (at most 26 characters).
BOOL WriteDriverEDFileName(HANDLE printer, DriverContext* context);
// The file part of the driver's help file.
BOOL WriteHelpFileNameValue(HANDLE printer, DriverContext* context);
// "VEXLPrinterName" and "DriverName" from the printer's information.
BOOL WritePrinterNameValue(HANDLE printer, DriverContext* context);
BOOL WriteDriverNameValue(HANDLE printer, DriverContext* context);
// "VEXLPrinterName" into buffer (261 characters), or into the context's
// printer name when buffer is null.
BOOL ReadPrinterNameValue(HANDLE printer, WCHAR* buffer, DriverContext* context);
// "Permission" as REG_DWORD.
BOOL WritePermissionValue(HANDLE printer, const BYTE* data, DWORD size);
// The print-log defaults, then with the flag "LogFileName": the graphics
// library's file name with the extension "log".
BOOL WriteLogFileName(BOOL withLogName, DriverContext* context);

// ---- registry -------------------------------------------------------------------------------

// HKLM "Software\VORNA\PrintLog": an empty or missing LogFileDirectory
// becomes <windir>\temp\PrintLog; a missing MaxLogFileSize becomes 64.
BOOL EnsurePrintLogDefaults(DriverContext* context);
// A REG_SZ of HKLM "SOFTWARE\VORNA\VexlDrv" (the key made when missing),
// byteSize bytes of text.
BOOL WriteDriverRegistryValue(const WCHAR* valueName, const WCHAR* text, DWORD byteSize);
// SaveDeviceSetup of HKLM "Software\VORNA\VexlDrvCustomSetup" counts only
// as a number 1 (a text "1" does not).
BOOL IsSaveDeviceSetupOn(DriverContext* context);
BOOL HasPrinterDefaultDevmode(HANDLE printer);

// ---- font substitution tables ---------------------------------------------------------

// The default table ("DefFontTableNum" and its pairs) as the current table
// of the store.
BOOL LoadDefaultFontTable(HANDLE printer, DriverContext* context);
// The font lists of the store (or of the model) into printer data; the
// current table's pairs beyond its new count are deleted.
BOOL StoreFontListsIfChanged(HANDLE printer, DriverContext* context);
BOOL StoreFontListsFromModel(HANDLE printer, DriverContext* context);
// The model's table as the default table, unless the printer has one.
BOOL StoreDefaultFontSubstTable(HANDLE printer, DriverContext* context);
// Writes count pairs: with kFontsDefaultTable (0x100) as the default table
// ("DefFontTableNum", "TTFontDefTable%d", "DevFontDefTable%d"); otherwise the
// pairs of the previous current table are deleted first and the table goes
// to "LastFontTableNum", "FontTableNum", "TTFontTable%d" and "DevFontTable%d".
// Pairs are numbered from 1; FALSE when any write failed.
BOOL WriteFontTables(HANDLE printer, const FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags);

// ---- locks and authentication ------------------------------------------------------------

// "AuthenticationMode" (4 bytes).
BOOL ReadAuthenticationModeValue(HANDLE printer, std::uint32_t* value);
// The locked values of the locks that are on, in order, stopping at the
// first failed write: LockTrayData, LockMediaData, LockPrnMethodData,
// LockColorData, LockNUPPOSTKindData and LockNUPTypeData, LockDuplexTypeData.
BOOL WriteLockValues(HANDLE printer, DriverContext* context);

}  // namespace vexl::ui
