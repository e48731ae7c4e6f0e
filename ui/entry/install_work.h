// The per-printer install and upkeep work that the entry points start and
// that other parts of the library carry out: the per-printer
// initialisation, the model files, the user lists and the data folder.
// Until that work is in the library, InitializePrinterSettings only hands
// out the model's default DEVMODE (it stores nothing for the printer) and
// fails with ERROR_CALL_NOT_IMPLEMENTED where there is none to hand out, and
// the upkeep steps find nothing to do.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"
#include "ui/services/model_registration.h"
#include "ui/services/settings_folder.h"

#include <cstdint>

namespace vexl::ui {

// Initialises the printer's stored settings in the mode (0 first install,
// 1 incompatible DEVMODE, 2 connection refresh, 5 install settings, 6 user
// refresh, 7 connection first use) and hands out its default DEVMODE into
// out when given.
BOOL InitializePrinterSettings(HANDLE printer, DEVMODEW* out, int mode);

// Upkeep steps of an upgrade; each answers TRUE when there was nothing to do.
BOOL InstallModelFiles(DriverContext* context, std::uint32_t flags);
BOOL UpgradeUserLists(HANDLE printer, DriverContext* context);
BOOL SyncSettingsIniWithModel(DriverContext* context, BOOL versionOnly);
BOOL SetDefaultDataPaths(HANDLE printer);
// Whether the install answer file or the model INI has install settings for
// the printer's section.
BOOL HasAnswerWorkForSection(DriverContext* context);

}  // namespace vexl::ui
