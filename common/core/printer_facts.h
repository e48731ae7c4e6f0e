// The printer facts kept in a context's work area: the printer's section
// name, the driver's name, the language code and the sections named after
// it; the user's locale class.
#pragma once

#include "platform/win32.h"

namespace vexl {

struct DriverContext;

// ---- printer facts ------------------------------------------------------------------
const WCHAR* GetPrinterSectionName(DriverContext* context);
const WCHAR* GetDriverName(DriverContext* context);
const WCHAR* CopyLanguageCode(DriverContext* context);
const WCHAR* InitLanguageFromHelpFile(DriverContext* context);
const WCHAR* GetInstallSectionName(DriverContext* context);
const WCHAR* GetStampCounterSection(DriverContext* context);
const WCHAR* GetProfileCounterSection(DriverContext* context);
UINT GetSystemDirectoryFor(WCHAR* out, int size, DriverContext* context);
// The directory of the printer's driver file with its trailing "\\"; without
// driver information, the system's default driver folder.
WCHAR* GetDriverDirectoryForPrinter(HANDLE printer, WCHAR* out);
// The model INI: its name from the model record, in the driver directory
// unless the name holds a drive. Kept in the work area.
const WCHAR* GetModelFilePath(DriverContext* context);

// ---- locale ------------------------------------------------------------------------------------
int GetLocaleCountryClass(DriverContext* context);
void SetLocaleItems(DriverContext* context);

}  // namespace vexl
