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
// "DefaultRst" of the answer section into out (260 characters), as
// ReadDefaultRstOf reads it.
BOOL ReadAnswerDefaultRst(WCHAR* out, DriverContext* context);
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

// After the printer was renamed: the default keys, the bidirectional
// section and the model's default settings under the new name, then the
// stored printer and driver names. FALSE when nothing was to be done.
BOOL RefreshAfterRename(DriverContext* context);

}  // namespace vexl::ui
