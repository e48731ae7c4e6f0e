// Upkeep of the printer's settings INI: the per-printer default keys, the
// model's custom sizes, stamps and language keys copied into a new or
// outdated settings INI, the repair of incomplete size and stamp sections,
// the re-save of every list after an upgrade and the INI write that keeps a driver file's time stamp.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

namespace vexl::ui {

// Modes of WriteDefaultKeys.
inline constexpr int kDefaultKeysInitialise = 0;
inline constexpr int kDefaultKeysPackage = 1;
inline constexpr int kDefaultKeysUpgrade = 2;

// WriteIniString, with the file's last-write time put back afterwards (a
// missing file is created).
BOOL WriteIniKeepingTime(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file);

BOOL WriteDefaultKeys(DriverContext* context, int mode, const WCHAR* package);
// The per-user merge and preview folders of the printer's section.
BOOL SetDefaultDataPaths(HANDLE printer);

// Brings the settings INI in step with the model INI: versionOnly copies only
// the settings version, else the lists of a new or outdated INI.
BOOL SyncSettingsIniWithModel(HANDLE printer, BOOL versionOnly, DriverContext* context);
BOOL CopyUserListsOnUpgrade(const WCHAR* settingsIni, const WCHAR* modelIni, DriverContext* context);
BOOL CopyLanguageVersion(const WCHAR* settingsIni, const WCHAR* modelIni, DriverContext* context);
BOOL CopyPrinterInformation(const WCHAR* settingsIni, const WCHAR* modelIni);
BOOL CopyFreeSizes(const WCHAR* settingsIni, const WCHAR* modelIni, DriverContext* context);

BOOL ValidateUserLists(DriverContext* context);
BOOL UpgradeUserLists(HANDLE printer, DriverContext* context);
int RunInstallTimeSync(int selector, DriverContext* context);

}  // namespace vexl::ui
