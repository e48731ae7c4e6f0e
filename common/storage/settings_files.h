// Settings files: a chosen group of settings under their item names in INI
// form, behind a header that ties them to the machine family, the display
// language and the settings version. Preset and quality-list files, their
// user copies, the exchange file of the printer-side settings, and the
// stamp, custom-size and default sections of the settings INI are read and
// written here.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>

namespace vexl {

struct DriverContext;
struct IniSectionText;
struct SettingItemDescriptor;

// Kind flags of the file operations.
inline constexpr std::uint32_t kSettingsLoad = 0x1;
inline constexpr std::uint32_t kSettingsWrite = 0x2;
inline constexpr std::uint32_t kSettingsPreset = 0x4;
inline constexpr std::uint32_t kSettingsInstallFile = 0x8;
inline constexpr std::uint32_t kSettingsQualityList = 0x10;
inline constexpr std::uint32_t kSettingsStamp = 0x20;
inline constexpr std::uint32_t kSettingsFreeSize = 0x80;
inline constexpr std::uint32_t kSettingsPrinterItems = 0x100;
inline constexpr std::uint32_t kSettingsSrcFreeSize = 0x200;
inline constexpr std::uint32_t kSettingsRsdSection = 0x800;
inline constexpr std::uint32_t kSettingsWorkArea = 0x1000;
inline constexpr std::uint32_t kSettingsLanguageForm = 0x2000;
inline constexpr std::uint32_t kSettingsPresetCarrier = 0x8000;
inline constexpr std::uint32_t kSettingsLanguageSection = 0x10000;
inline constexpr std::uint32_t kSettingsDriverSectionTest = 0x20000;

// Settings-file status of the work area (SetSettingsFileError); any other
// value is the Windows error of a failed rewrite.
inline constexpr int kSettingsFileAccepted = 0;
inline constexpr int kSettingsFileHeaderRefused = 1;
inline constexpr int kSettingsFileUnreadable = 2;
inline constexpr int kSettingsFileLocked = 3;

// Sections of their own.
inline constexpr const WCHAR* kRsdSectionName = u"VEXLRsdSection";
inline constexpr const WCHAR* kPrinterItemsSectionName = u"VEXLPrnSection";
// The printer-side settings of the last plain write, in the settings directory.
inline constexpr const WCHAR* kPrinterItemsExportName = u"TZ00C172.txt";

// The printer-name field of the work area, which names the current section,
// switched to another name for the life of the object. The name it replaces
// is kept here, so switches may nest.
class PrinterSectionSwap {
public:
    PrinterSectionSwap(DriverContext* context, const WCHAR* section);
    ~PrinterSectionSwap();
    PrinterSectionSwap(const PrinterSectionSwap&) = delete;
    PrinterSectionSwap& operator=(const PrinterSectionSwap&) = delete;

private:
    DriverContext* context_;
    std::u16string kept_;
};

// ---- loading and writing ---------------------------------------------------------------------

// Loads the group that flags name from path under the settings mutex. A
// refused header loads nothing (status 1, result 1; a quality list is then
// refilled from its installed file); an unreadable file gives status 2 and
// 0; a file that differs from the administrator's locked values gives
// status 3 and 0. An item missing from the file keeps its value and makes
// the result 0. A plain load (flags 0x1 and 0x8000 only) then brings the
// lists, the colour settings and the DEVMODE in line with what was read.
BOOL LoadSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context);
// Writes the group into its section of path (the driver name for a plain
// write, the language section with 0x10000, else the current section);
// the other sections stay as they were.
BOOL SaveSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context);
// The write in the current section, under the settings mutex; plain and
// preset writes carry the current lists in their items.
BOOL SaveSettingsItemsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context);
// The item pass of one file in one direction (flags hold 0x1 or 0x2).
BOOL TransferSettingsItems(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context);
// The authentication modes and, under administrator locks, the lock items
// first to last: a plain write writes them, a plain load reads the two
// modes when the user may change the printer's data.
BOOL TransferLockAndAuthItems(const WCHAR* path, std::uint32_t flags, DriverContext* context, std::uint16_t first,
                              std::uint16_t last);

// ---- header ----------------------------------------------------------------------------------

// Whether the header of section fits this machine family, language and
// settings version (majorOnly: the hundreds only). It is read from
// sectionText when given (from *position), else from the file; a write
// appends it to build when given, else writes it into the file.
BOOL VerifySettingsFileHeader(const WCHAR* path, const WCHAR* section, std::uint32_t flags, DriverContext* context,
                              const char* sectionText, IniSectionText* build, std::int32_t* position, BOOL majorOnly);
// "RstVersion", and unless versionOnly "RstMachine", "RstLanguage" and "RstOSKind".
void WriteSettingsFileHeader(const WCHAR* path, IniSectionText* build, DriverContext* context, const WCHAR* section,
                             BOOL versionOnly);
// a / 100 == b / 100.
BOOL SameVersionMajor(std::uint16_t a, std::uint16_t b);
// "RstOSKind" of the printer's section of path, 0xFFFF when absent.
std::uint32_t ReadSettingsFileOSKind(const WCHAR* path, DriverContext* context);

// ---- administrator locks -----------------------------------------------------------------

// Whether section of path holds the current value of every locked item.
BOOL CheckFileAgainstLocks(DriverContext* context, const WCHAR* path, const WCHAR* section, std::uint32_t flags);
BOOL CheckLockedKey(DriverContext* context, const WCHAR* path, const WCHAR* section, const WCHAR* key,
                    std::uint16_t itemId);

// ---- item filters --------------------------------------------------------------------------

BOOL IsRsdItem(const SettingItemDescriptor* item);
BOOL IsPresetLoadItem(const SettingItemDescriptor* item);
BOOL IsPresetSaveItem(const SettingItemDescriptor* item);
BOOL IsPrinterIniItem(const SettingItemDescriptor* item);
BOOL IsNotAuthSecretItem(const SettingItemDescriptor* item);
BOOL IsNotNotificationSupportItem(const SettingItemDescriptor* item);
BOOL IsNotNotificationItem(const SettingItemDescriptor* item);
BOOL IsNotLockInfoItem(std::uint16_t itemId);
BOOL IsLockItem(std::uint16_t itemId);

// ---- printer-side settings -------------------------------------------------------------------

// Writes the printer-side items into "VEXLPrnSection" of path, or with 0x8
// into "TZ00C172.txt" of the settings directory.
BOOL ExportPrinterItems(const WCHAR* path, std::uint32_t flags, DriverContext* context);
// Reads (0x2 clear) or writes (0x2) items 10001 to 10434 and 1452 to 1542 in
// "VEXLPrnSection", or for a read with 0x8 in the language section.
BOOL TransferPrinterItems(const WCHAR* path, std::uint32_t flags, DriverContext* context);
// Items first to last of the item table read from (flags without 0x2) or
// written to (with 0x2) section of path under their item names, through the
// system INI functions or, for a write with text, appended to that section
// text; with 0x8 the user-code items 10001 to 10003 are
// left out. The font-table items 10004 to 10009 never travel this way: a
// write stores them as 0, and both directions keep their values.
void TransferItemRange(const WCHAR* path, std::uint32_t flags, DriverContext* context, const WCHAR* section,
                       IniSectionText* text, std::uint16_t first, std::uint16_t last);

// ---- user copies -------------------------------------------------------------------------------

// Fills the user copy of an installed file with the installed file's rules,
// its settings of the kind in flags and its "Readonly"; the current
// settings are unchanged.
void InstallSettingsFileCopy(const WCHAR* userCopy, const WCHAR* installed, std::uint32_t flags,
                             DriverContext* context);
// Whether the printer's section of path holds "RstVersion".
BOOL IsSettingsFile(const WCHAR* path, DriverContext* context);

}  // namespace vexl
