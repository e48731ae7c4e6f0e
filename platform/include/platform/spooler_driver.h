// The spooler's side of a printer driver's configuration library (its
// printer interface library, DRIVER_INFO_3 pConfigFile): what the spooler
// calls there when a printer is added, connected, deleted or upgraded, when
// an application asks DeviceCapabilitiesW or DocumentPropertiesW, when a
// DEVMODE of an older driver comes in, and when a job is checked before it
// prints. The library is loaded from the driver's directory for the one
// call and freed again.
//
// Drivers are installed with AddPrinterDriverW (level 3), kept in the
// machine's registry as the spooler keeps them.
#pragma once

#include "platform/devmode.h"
#include "platform/printui.h"
#include "platform/spooler.h"
#include "platform/types.h"

#include <string>
#include <vector>

// Installs (or replaces) a driver of the printer environment, level 3; its
// files must already be in the driver directory. FALSE with
// ERROR_INVALID_PARAMETER for another level or a driver without a name.
VEXL_API BOOL AddPrinterDriverW(LPWSTR serverName, DWORD level, LPBYTE info);

// Adds a local printer of an installed driver (level 2: name, driver name,
// port, attributes, ...; a DEVMODE given is taken as the default), then lets
// its configuration library initialise it (DrvPrinterEvent INITIALIZE) and
// hand out its default DEVMODE (DrvConvertDevMode CDM_DRIVER_DEFAULT: the
// size, then the DEVMODE), which becomes the printer's. The printer stays
// installed whatever the library answers. An open handle of the printer;
// NULL with ERROR_UNKNOWN_PRINTER_DRIVER for a driver not installed,
// ERROR_PRINTER_ALREADY_EXISTS for a name in use.
VEXL_API HANDLE AddPrinterW(LPWSTR serverName, DWORD level, LPBYTE info);
// DrvPrinterEvent DELETE, then the printer goes. The handle stays to be closed.
VEXL_API BOOL DeletePrinter(HANDLE printer);

// A connection "\\server\printer" to a shared printer (the server's printer
// is the one whose name follows the server name): a printer of that name
// with the server's driver and DEVMODE, then DrvPrinterEvent ADD_CONNECTION.
// The server is another machine when the file <root>/network/<server> holds
// that machine's root; its driver files are then copied into this machine's
// driver folder. Otherwise the server is this machine. DeletePrinterConnectionW sends
// DELETE_CONNECTION and removes it.
VEXL_API BOOL AddPrinterConnectionW(LPWSTR name);
VEXL_API BOOL DeletePrinterConnectionW(LPWSTR name);

// DrvDeviceCapabilities of the printer's configuration library; -1 when the
// printer or its library cannot be reached.
VEXL_API int DeviceCapabilitiesW(LPCWSTR device, LPCWSTR port, WORD capability, LPWSTR output, const DEVMODEW* devmode);
// DrvDocumentProperties of the printer's configuration library; -1 when the
// printer or its library cannot be reached.
VEXL_API LONG DocumentPropertiesW(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* output, DEVMODEW* input,
                                  DWORD mode);

