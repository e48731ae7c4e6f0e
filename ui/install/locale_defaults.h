// The display language, default paper and unit of a printer's first
// initialisation, from the user's locale or from the values an installer
// left in the user-code INI "TZ00C170.ini", and that file's user-code keys.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

namespace vexl::ui {

// Modes of WriteUserCodeIni.
inline constexpr int kUserCodeIniFromSettings = 0;
inline constexpr int kUserCodeIniCleared = 2;

// Takes the values waiting in the file ("VexlInstDone" 0) into the work
// area and marks them taken; FALSE when none wait.
BOOL ReadLocaleDefaults(DriverContext* context);
BOOL GuessLocaleDefaults(DriverContext* context);
void ApplyLocaleDefaults(DriverContext* context);
BOOL WriteLocaleDefaults(DriverContext* context);
BOOL WriteUserCodeIni(const WCHAR* printerSection, int mode, DriverContext* context);

}  // namespace vexl::ui
