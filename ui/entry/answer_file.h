// The install answer file "VEXL.ini" of the system directory: one section
// per printer, whose keys an administrator leaves for the printer's
// installation (a default-settings package, the user code, identity and
// authentication values, the settings and spool folders). Each key is
// applied once and deleted; marks left in the section tell later steps what
// was done. The directory and spool keys may also stand in the model INI.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

inline constexpr const WCHAR* kAnswerFileName = u"VEXL.ini";

// Answer flags of the authentication keys.
inline constexpr std::uint8_t kAnswerAuthModeSet = 0x01;
inline constexpr std::uint8_t kAnswerSecureModeSet = 0x02;
inline constexpr std::uint8_t kAnswerNetworkKeySet = 0x04;
inline constexpr std::uint8_t kAnswerNetworkKeyEmpty = 0x08;
inline constexpr std::uint8_t kAnswerUserNameSet = 0x10;
inline constexpr std::uint8_t kAnswerUserNameEmpty = 0x20;

// Flags of the package install lists (InstallPackageLists).
inline constexpr std::uint32_t kPackageListsRegister = 0x1;
inline constexpr std::uint32_t kPackageListsCopy = 0x2;
inline constexpr std::uint32_t kPackageListsRenamed = 0x10;
inline constexpr std::uint32_t kPackageListsMarkDone = 0x100;
// The mode ApplyModelDefaultSettings gets after a rename.
inline constexpr int kModelDefaultsRename = -1;

// ---- tests ------------------------------------------------------------------------------
BOOL IsAnswerSectionEmpty(const WCHAR* iniFile, const WCHAR* section);
BOOL HasAnswerWork(DriverContext* context);
BOOL HasAnswerWorkForSection(const WCHAR* section);
BOOL HasModelIniAnswerWork(const WCHAR* section, HANDLE printer);
BOOL HasAnswerSection(HANDLE printer);
BOOL ReadDrvInstSetMark(const WCHAR* answerFile, const WCHAR* section);
BOOL ReadBatchInstallDoneData(HANDLE printer);

// ---- readers ------------------------------------------------------------------------------
// The answer file's path into out (at least 260 characters, else untouched).
WCHAR* BuildAnswerFilePath(WCHAR* out, int size);
// "DefaultRst" of the answer section, of the model INI's language section
// and of the settings INI's printer section into out (260 characters);
// FALSE when that file's path is not absolute or the value is empty.
BOOL ReadAnswerDefaultRst(WCHAR* out, DriverContext* context);
BOOL ReadModelDefaultRst(WCHAR* out, DriverContext* context);
BOOL ReadStoredDefaultRst(WCHAR* out, DriverContext* context);
BOOL ReadIniFlag(const WCHAR* iniFile, const WCHAR* section, const WCHAR* key);
BOOL IsUsableSettingsPath(const WCHAR* path);
WCHAR* GetPrinterNameOfHandle(HANDLE printer, WCHAR* out, int capacity);

// ---- marks ----------------------------------------------------------------------------------
void WriteDrvInstSetMark(const WCHAR* answerFile, const WCHAR* section, int value);
void MarkAnswerBatchInstallDone(const WCHAR* answerFile, const WCHAR* section, int value);
void MarkBatchInstallDone(const WCHAR* settingsIni, const WCHAR* section, int value, BOOL alsoPrinterData,
                          DriverContext* context);

// ---- application ----------------------------------------------------------------------------
BOOL ApplyDirectorySettings(HANDLE printer, const WCHAR* section, const WCHAR* iniFile);
BOOL ApplyModelIniDirectorySettings(HANDLE printer, const WCHAR* section, DriverContext* context);
BOOL ApplyAnswerDirectorySettings(HANDLE printer, const WCHAR* section);
BOOL ApplySpoolDirectory(const WCHAR* iniFile, const WCHAR* section, DriverContext* context);
BOOL ApplyAnswerUserCode(const WCHAR* answerFile, const WCHAR* section, DriverContext* context);
BOOL ApplyAnswerIdentity(const WCHAR* answerFile, const WCHAR* section, DriverContext* context);
BOOL ApplyAnswerFile(DriverContext* context);
BOOL ApplyAnswerDefaultSettings(std::uint32_t flags, DriverContext* context, BOOL batchReplay);
BOOL ApplyModelDefaultSettings(std::uint32_t flags, int mode, DriverContext* context);

}  // namespace vexl::ui
