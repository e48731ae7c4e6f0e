// The per-printer install and upkeep work that the entry points start: the
// per-printer initialisation and the services it is made of.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"
#include "ui/install/answer_file.h"
#include "ui/install/install_ini.h"
#include "ui/install/install_services.h"
#include "ui/install/locale_defaults.h"
#include "ui/install/settings_package.h"

namespace vexl::ui {

// Modes of InitializePrinterSettings: 0 first installation (a default
// DEVMODE into out), 1 the printer initialised or an incompatible DEVMODE, 2
// a connection added, 5 a conversion with install settings (base mode 0,
// the stored settings loaded), 6 the per-user refresh (base mode 1), 7 the
// first use of a connection (base mode 2).
inline constexpr int kInitFirstInstall = 0;
inline constexpr int kInitPrinter = 1;
inline constexpr int kInitConnection = 2;
inline constexpr int kInitInstallSettings = 5;
inline constexpr int kInitUserRefresh = 6;
inline constexpr int kInitConnectionFirstUse = 7;

// Sets up everything the driver keeps for the printer; FALSE only when no
// context could be made. A default DEVMODE goes into out in base mode 0: the
// driver's size for mode 0 (whose caller made room for it), the caller's
// declared size for mode 5.
BOOL InitializePrinterSettings(HANDLE printer, DEVMODEW* out, int mode);

}  // namespace vexl::ui
