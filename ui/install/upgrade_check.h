// The upgrade check that every user-interface entry point runs first: the
// first use of a printer connection, a connection whose driver version
// changed, and on a terminal server the refresh of the user's copy of the
// printer's settings INI from the shared one; and the install time stamps.
#pragma once

#include "common/core/context.h"
#include "platform/spooler.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// Refresh decisions.
inline constexpr std::uint16_t kRefreshNone = 0;
inline constexpr std::uint16_t kRefreshCopy = 1;
inline constexpr std::uint16_t kRefreshUpgrade = 2;
inline constexpr std::uint16_t kRefreshAdministrator = 3;
inline constexpr std::uint16_t kRefreshUnstamped = 4;

// The install kind StampInstallTime records for an initialised printer.
inline constexpr std::uint16_t kInstallKindInitialised = 1;

// Where StampInstallTime writes.
inline constexpr std::uint16_t kStampShared = 0;
inline constexpr std::uint16_t kStampUser = 1;
inline constexpr std::uint16_t kStampFirstInstall = 2;

// Mode bit 0: the first-use work of a connection.
inline constexpr std::uint32_t kUpgradeConnectionFirstUse = 1;

BOOL CheckPrinterUpgrade(HANDLE printer);
BOOL CheckPrinterUpgradeEx(HANDLE printer, std::uint32_t mode, const PRINTER_INFO_2W* info);
BOOL DecideUserSettingsRefresh(HANDLE printer, std::uint16_t* result, const PRINTER_INFO_2W* info);
BOOL CopySharedSettingsToUser(HANDLE printer);
BOOL RefreshUserSettings(HANDLE printer, std::uint16_t result);
BOOL CheckConnectionDirectory(HANDLE printer, const PRINTER_INFO_2W* info);
BOOL RefreshConnectionSettings(HANDLE printer, const WCHAR* ini, const WCHAR* section);
BOOL StampInstallTime(HANDLE printer, std::uint16_t kind, std::uint16_t where);

// "RstVersion" of the context's language section of the INI: absent sets
// *absent and answers TRUE; else TRUE when its major version differs from
// the model's settings version.
BOOL IsLanguageSectionOutdated(const WCHAR* ini, DriverContext* context, int* absent);

// Driver version texts "major.minor" compared as numbers, majors first:
// negative when stored is older than current, 0 when equal, positive when
// newer. A text without a '.' counts as major only.
int CompareDriverVersionTexts(const WCHAR* stored, const WCHAR* current);

// The local time as "YYYYMMDDhhmmss".
void FormatInstallTime(WCHAR (&out)[15]);

}  // namespace vexl::ui
