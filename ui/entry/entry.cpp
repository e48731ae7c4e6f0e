// Entry points of the printer interface library: each passes its arguments
// on, unchanged and in order, to its work function.
#include "platform/printui.h"
#include "platform/win32.h"
#include "ui/entry/device_capabilities.h"
#include "ui/entry/devmode_conversion.h"
#include "ui/entry/document_events.h"
#include "ui/entry/printer_events.h"
#include "ui/entry/unsupported_calls.h"
#include "ui/library.h"

using namespace vexl::ui;

VEXL_API BOOL DllInitialize(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    return HandleDllNotification(module, reason, reserved);
}

VEXL_API LONG DrvDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam)
{
    return RunDocumentPropertySheets(info, lParam);
}

VEXL_API LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam)
{
    return RunDevicePropertySheets(info, lParam);
}

VEXL_API LONG DrvDocumentProperties(HWND window, HANDLE printer, PWSTR device, DEVMODEW* out, DEVMODEW* in, DWORD mode)
{
    return HandleDocumentProperties(window, printer, device, out, in, mode);
}

VEXL_API LONG DrvAdvancedDocumentProperties(HWND window, HANDLE printer, PWSTR device, DEVMODEW* out, DEVMODEW* in)
{
    return HandleAdvancedDocumentProperties(window, printer, device, out, in);
}

VEXL_API BOOL PrinterProperties(HWND window, HANDLE printer)
{
    return ShowPrinterProperties(window, printer);
}

VEXL_API DWORD DrvDeviceCapabilities(HANDLE printer, PWSTR device, WORD capability, PVOID out, DEVMODEW* in)
{
    return QueryDeviceCapability(printer, device, capability, out, in);
}

VEXL_API BOOL DrvConvertDevMode(LPWSTR printerName, DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode)
{
    return ConvertDriverDevmode(printerName, in, out, size, mode);
}

VEXL_API BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info)
{
    return CheckJobDevmode(info);
}

VEXL_API BOOL DrvUpgradePrinter(DWORD level, LPBYTE info)
{
    return UpgradePrinterData(level, info);
}

VEXL_API BOOL DrvPrinterEvent(LPWSTR printerName, int event, DWORD flags, LPARAM lParam)
{
    return HandlePrinterEvent(printerName, event, flags, lParam);
}

VEXL_API int DrvDocumentEvent(HANDLE printer, HDC hdc, int escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out)
{
    return HandleDocumentEvent(printer, hdc, escape, inSize, in, outSize, out);
}
