// The entry points whose work the library does not have yet.
#include "ui/entry/unsupported_calls.h"

namespace vexl::ui {
namespace {

constexpr LONG kSheetFailure = -1;

template <typename Result> Result CannotDo(Result failure)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return failure;
}

}  // namespace

LONG RunDocumentPropertySheets(PROPSHEETUI_INFO*, LPARAM)
{
    return CannotDo(kSheetFailure);
}

LONG RunDevicePropertySheets(PROPSHEETUI_INFO*, LPARAM)
{
    return CannotDo(kSheetFailure);
}

LONG HandleDocumentProperties(HWND, HANDLE, PWSTR, DEVMODEW*, DEVMODEW*, DWORD)
{
    return CannotDo(kSheetFailure);
}

LONG HandleAdvancedDocumentProperties(HWND, HANDLE, PWSTR, DEVMODEW*, DEVMODEW*)
{
    return CannotDo(kSheetFailure);
}

BOOL ShowPrinterProperties(HWND, HANDLE)
{
    return CannotDo<BOOL>(FALSE);
}

}  // namespace vexl::ui
