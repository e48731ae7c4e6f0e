// Where the driver keeps its files: the shared and per-user settings
// directory, the settings INI, the driver directory, the model INI and the
// UI resource library; the path macros of install lists and companion
// files; the names of settings files; small file operations. The printer
// facts and the parts of a file name are the core's and come along.
//
// Paths are UTF-16 of at most MAX_PATH characters with the terminator. Every
// append is checked against the final length before it is made: a path that
// does not fit is not resolved. Nothing here creates a directory.
#pragma once

#include "common/core/file_names.h"
#include "common/core/languages.h"
#include "common/core/printer_facts.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;

// Folder names of the settings directory.
inline constexpr const WCHAR* kSettingsFolderName = u"_vexl";
inline constexpr const WCHAR* kMakerFolderName = u"vorna";
// The registry key of the driver and the directory values.
inline constexpr const WCHAR* kDriverRegistryKey = u"SOFTWARE\\VORNA\\VexlDrv";
inline constexpr const WCHAR* kDirectoryValueName = u"_VEXLDirectory";
inline constexpr const WCHAR* kClientDirectoryValueName = u"_VEXLDirectoryClient";
// A caller kind with this bit keeps the shared settings directory on a terminal server.
inline constexpr std::uint32_t kCallerSharedSettingsDirectory = 0x40000;

// ---- directories --------------------------------------------------------------
// Each answers the length of the text written into out (size characters), 0 on failure.
int GetSettingsDirectory(WCHAR* out, int size, DriverContext* context);
int GetUserSettingsDirectory(WCHAR* out, int size, DriverContext* context);
int GetUserSettingsDirectoryNoContext(WCHAR* out, int size);
int GetSettingsDirectoryForPrinter(WCHAR* out, int size, HANDLE printer);
// A value of HKLM "SOFTWARE\VORNA\VexlDrv": only a REG_SZ or REG_EXPAND_SZ
// text terminated within the buffer (sizeBytes) counts.
BOOL ReadDriverRegistryValue(const WCHAR* valueName, WCHAR* out, DWORD sizeBytes);
// A directory named by a printer-data value: resolved (copied into out), or
// not resolved (also when it does not fit out), or not resolved because a
// "%USERPROFILE%" value met no per-user settings directory.
enum class DirectoryRead { kResolved, kNotResolved, kNoUserDirectory };
DirectoryRead ReadPrinterDataDirectory(HANDLE printer, const WCHAR* valueName, WCHAR* out, int size);

// ---- files of the printer ---------------------------------------------------------
const WCHAR* GetSettingsIniPath(DriverContext* context);
BOOL GetSettingsIniPathForPrinter(WCHAR* out, std::uint16_t perUser, HANDLE printer);
const WCHAR* GetDriverDirectory(DriverContext* context);
const WCHAR* ReadModelsEntry(DriverContext* context);
const WCHAR* GetUiResourceLibraryPath(DriverContext* context);
// The resource library's path: the driver directory, then the name with
// the two characters before its last dot replaced by the language code.
// FALSE (out emptied) when a part is missing or the path does not fit.
BOOL BuildUiResourceLibraryPath(WCHAR* out, int size, const WCHAR* driverDirectory, const WCHAR* libraryName,
                                const WCHAR* languageCode);
BOOL IsJapaneseUiResource(DriverContext* context);
// The face name of the UI font, into out (kFaceNameChars characters).
WCHAR* GetUiFontName(DriverContext* context, WCHAR* out);

// ---- macros -------------------------------------------------------------------------
BOOL ExpandInstallPath(WCHAR* path, int size, std::uint16_t mode, DriverContext* context);
BOOL ExpandAndCheckInstallPath(WCHAR* path, int size, DriverContext* context);
BOOL ExpandSystemRootPath(WCHAR* path, int size, DriverContext* context);

// ---- path builders (out unchanged for a null out or name or size 0) ---------------
WCHAR* BuildSettingsDirPath(WCHAR* out, int size, const WCHAR* name, DriverContext* context);
WCHAR* BuildWindowsDirPath(WCHAR* out, int size, const WCHAR* name);
WCHAR* BuildSystemDirPath(WCHAR* out, int size, const WCHAR* name);
WCHAR* BuildDriverDirPath(WCHAR* out, int size, const WCHAR* name, HANDLE printer);
WCHAR* BuildSystemParentPath(WCHAR* out, int size, const WCHAR* relative);
WCHAR* BuildSystemDrivePath(WCHAR* out, int size, const WCHAR* rest, DriverContext* context);
WCHAR* BuildSystemRootPath(WCHAR* out, int size, const WCHAR* rest, DriverContext* context);

// ---- settings-file names ---------------------------------------------------------------
BOOL BuildUserCopyPathEx(WCHAR* out, const WCHAR* path, int size, DriverContext* context);
BOOL BuildUserCopyPath(WCHAR* out, const WCHAR* path, int size, DriverContext* context);
BOOL BuildDriverRsqPath(WCHAR* out, const WCHAR* path, int size, DriverContext* context);
inline constexpr std::uint32_t kSettingsNameRsd = 0x4;
inline constexpr std::uint32_t kSettingsNameRsq = 0x10;
BOOL BuildDriverDirSettingsName(WCHAR* out, const WCHAR* path, std::uint32_t flags, DriverContext* context);
// out holds MAX_PATH characters.
BOOL ReplaceExtension(WCHAR* out, const WCHAR* path, const WCHAR* extension);
BOOL ReplaceExtensionRsd(WCHAR* out, const WCHAR* path, int size);
BOOL ReplaceExtensionRsq(WCHAR* out, const WCHAR* path, int size);

// ---- files ----------------------------------------------------------------------------------
BOOL FileExists(const WCHAR* path);
BOOL ForceDeleteFile(const WCHAR* path);
BOOL CopyFileNormal(const WCHAR* from, const WCHAR* to, BOOL failIfExists);
inline constexpr int kFileTimesEqual = 0;
inline constexpr int kFileTimeNotLater = 1;
BOOL CompareFileTimes(const WCHAR* first, const WCHAR* second, int mode);
int ReadFileChecked(HANDLE file, void* buffer, DWORD count);
int WriteFileChecked(HANDLE file, const void* buffer, DWORD count);
inline constexpr std::uint16_t kInstallCopyWhenMissing = 1;
BOOL InstallDriverFileEx(const WCHAR* target, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context,
                         int timeMode);
BOOL InstallDriverFile(const WCHAR* target, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context);
BOOL CopyDriverFileToSystemDir(const WCHAR* name, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context);

}  // namespace vexl
