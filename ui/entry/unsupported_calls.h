// The entry points whose work the library does not have yet: the property
// sheets and the document and printer properties (they need the property
// pages). Each answers as a driver that cannot do the
// call: its failure value, with the last error ERROR_CALL_NOT_IMPLEMENTED.
#pragma once

#include "platform/devmode.h"
#include "platform/printui.h"
#include "platform/win32.h"

namespace vexl::ui {

LONG RunDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
LONG RunDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
LONG HandleDocumentProperties(HWND window, HANDLE printer, PWSTR device, DEVMODEW* out, DEVMODEW* in, DWORD mode);
LONG HandleAdvancedDocumentProperties(HWND window, HANDLE printer, PWSTR device, DEVMODEW* out, DEVMODEW* in);
BOOL ShowPrinterProperties(HWND window, HANDLE printer);

}  // namespace vexl::ui
