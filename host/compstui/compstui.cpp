// The common property sheet library "compstui.dll". CommonPropertySheetUIW
// runs a sheet function as the spooler's sheets do:
//
//   1. PROPSHEETUI_REASON_INIT with the caller's lParam: the function adds
//      its pages (CPSFUNC_ADD_HPROPSHEETPAGE, CPSFUNC_ADD_PROPSHEETPAGEW) and
//      keeps what it needs in UserData. A result below 1 ends the call: -1,
//      no sheet, no DESTROY.
//   2. PROPSHEETUI_REASON_GET_INFO_HEADER with a PROPSHEETUI_INFO_HEADER:
//      title, flags (PSUIHDRF_PROPTITLE, PSUIHDRF_NOAPPLYNOW) and instance of
//      the sheet.
//   3. The sheet runs (PropertySheetW) with the pages added.
//   4. PROPSHEETUI_REASON_DESTROY with lParam 1 after OK, 0 after Cancel.
//
// The result word gets PROPSHEETUI_INFO Result as DESTROY left it, and the
// call answers it too. CPSFUNC_SET_RESULT hands a result to the sheet's
// parent: here there is none above the function, so it is only logged.
// Every reason and every function call is logged, one line each, in
// C:\standin\compstui.log.
#include "platform/printui.h"
#include "platform/property_sheets.h"
#include "scenario.h"

#include <string>
#include <vector>

namespace {

constexpr char16_t kLogFile[] = u"C:\\standin\\compstui.log";

struct ComPropSheet {
    std::vector<HPROPSHEETPAGE> pages;
};

void Log(const std::string& line)
{
    vexl::standin::AppendLog(kLogFile, line);
}

LONG CallReason(PFNPROPSHEETUI function, PROPSHEETUI_INFO& info, WORD reason, LPARAM lParam, const char* name)
{
    info.Reason = reason;
    const LONG result = function(&info, lParam);
    Log(std::string("reason ") + name + " -> " + std::to_string(result) + " result " + std::to_string(info.Result));
    return result;
}

LONG_PTR ComPropSheetFunction(HANDLE handle, UINT function, LPARAM lParam1, LPARAM lParam2)
{
    auto* sheet = static_cast<ComPropSheet*>(handle);
    LONG_PTR answer = 0;
    switch (function) {
    case CPSFUNC_ADD_HPROPSHEETPAGE:
        if (lParam1 != 0) {
            sheet->pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(lParam1));
            answer = static_cast<LONG_PTR>(sheet->pages.size());
        }
        break;
    case CPSFUNC_ADD_PROPSHEETPAGEW:
        if (HPROPSHEETPAGE page = CreatePropertySheetPageW(reinterpret_cast<const PROPSHEETPAGEW*>(lParam1))) {
            sheet->pages.push_back(page);
            answer = static_cast<LONG_PTR>(sheet->pages.size());
        }
        break;
    case CPSFUNC_GET_PAGECOUNT:
        answer = static_cast<LONG_PTR>(sheet->pages.size());
        break;
    case CPSFUNC_SET_RESULT:
        answer = 1;
        break;
    default:
        answer = 0;
        break;
    }
    Log("function " + std::to_string(function) + " " + std::to_string(lParam1 != 0 ? 1 : 0) + " " +
        std::to_string(lParam2) + " -> " + std::to_string(answer));
    return answer;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI function,
                                                                              LPARAM lParam, LPDWORD result)
{
    if (function == nullptr) return ERR_CPSUI_GETLASTERROR;
    ComPropSheet sheet;
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof(info);
    info.Version = 0x0100;
    info.hComPropSheet = &sheet;
    info.pfnComPropSheet = reinterpret_cast<void*>(&ComPropSheetFunction);
    info.lParamInit = lParam;
    if (CallReason(function, info, PROPSHEETUI_REASON_INIT, lParam, "init") < 1) {
        for (HPROPSHEETPAGE page : sheet.pages) DestroyPropertySheetPage(page);
        return ERR_CPSUI_GETLASTERROR;
    }

    std::u16string title;
    PROPSHEETUI_INFO_HEADER header{};
    header.cbSize = sizeof(header);
    header.hWndParent = owner;
    CallReason(function, info, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&header), "header");
    if (header.pTitle != nullptr) title = header.pTitle;

    PROPSHEETHEADERW sheetHeader{};
    sheetHeader.dwSize = sizeof(sheetHeader);
    sheetHeader.dwFlags = ((header.Flags & PSUIHDRF_PROPTITLE) ? PSH_PROPTITLE : 0) |
                          ((header.Flags & PSUIHDRF_NOAPPLYNOW) ? PSH_NOAPPLYNOW : 0);
    sheetHeader.hwndParent = owner;
    sheetHeader.hInstance = header.hInst;
    sheetHeader.pszCaption = title.c_str();
    sheetHeader.nPages = static_cast<UINT>(sheet.pages.size());
    sheetHeader.phpage = sheet.pages.data();
    // The sheet destroys the pages it was given.
    const INT_PTR outcome = sheet.pages.empty() ? 0 : PropertySheetW(&sheetHeader);
    Log("sheet -> " + std::to_string(outcome));

    CallReason(function, info, PROPSHEETUI_REASON_DESTROY, outcome > 0 ? 1 : 0, "destroy");
    const auto answer = static_cast<LONG>(info.Result);
    if (result != nullptr) *result = static_cast<DWORD>(answer);
    return answer;
}
