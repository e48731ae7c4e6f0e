// The spooler's news about a printer (DrvPrinterEvent) and about a new
// driver version (DrvUpgradePrinter): the per-printer data of a new printer
// or connection is initialised, the job-control plug-in's records are
// cleaned up when one goes, a connection's companion files are refreshed,
// and the file-name printer data is rewritten after an upgrade.
#pragma once

#include "platform/printui.h"
#include "platform/win32.h"

namespace vexl::ui {

BOOL HandlePrinterEvent(LPWSTR printerName, int event, DWORD flags, LPARAM lParam);
BOOL UpgradePrinterData(DWORD level, LPBYTE info);

// The spooler's identity: the client's token, or NULL when the revert failed.
HANDLE RevertToSpooler();
BOOL ImpersonateClient(HANDLE token);

BOOL AddConnectionWork(LPWSTR printerName);
BOOL DeleteConnectionWork(LPWSTR printerName);
BOOL InitializePrinterWork(LPWSTR printerName);
BOOL DeletePrinterWork(LPWSTR printerName);
BOOL CacheRefreshWork(LPWSTR printerName);

}  // namespace vexl::ui
