// Thin wrappers over the spooler's printer and driver queries, and the
// printer facts each context keeps once it has asked for them.
#pragma once

#include "platform/spooler.h"

namespace vexl {

struct DriverContext;

// PRINTER_INFO_* or DRIVER_INFO_* of the printer in a zero-filled block of
// the exact size the spooler asks for, or null. The caller frees it with
// FreeIfNotNull.
void* GetPrinterInfo(HANDLE printer, DWORD level);
void* GetPrinterDriverInfo(HANDLE printer, DWORD level);

// Fills the context's printer facts that are still empty from a PRINTER_INFO_2.
void CachePrinterInfo(const PRINTER_INFO_2W* info, DriverContext* context);

// Whether the printer's attributes share a bit with the mask; asked once per context.
BOOL TestPrinterAttributes(DWORD mask, DriverContext* context);
BOOL IsPrinterBidiEnabled(DriverContext* context);

// Whether the printer is a connection to a print server; asked once per
// context (a failed query counts as a local printer).
BOOL IsPrinterConnection(DriverContext* context);

// The same test without a context and without caching.
BOOL IsNetworkPrinter(HANDLE printer);

}  // namespace vexl
