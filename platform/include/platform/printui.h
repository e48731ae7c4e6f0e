// What the spooler and GDI hand to a printer driver's configuration library
// (its printer interface library) and what that library calls back: the
// capability indexes of DeviceCapabilitiesW, the DEVMODE conversion modes,
// the printer and document events, the job check record, the driver-upgrade
// record, the document-properties modes, and ExtEscape on a device context.
//
// The spooler's own calls into the configuration library (AddPrinterW,
// DeviceCapabilitiesW, DocumentPropertiesW, ...) are declared in
// platform/spooler_driver.h.
#pragma once

#include "platform/devmode.h"
#include "platform/types.h"

// A wide text of a spooler call.
using PWSTR = WCHAR*;

// A window of the user interface.
using HWND = struct HWND__*;

// A device context of GDI.
using HDC = struct HDC__*;

// DeviceCapabilitiesW indexes.
inline constexpr WORD DC_FIELDS = 1;
inline constexpr WORD DC_PAPERS = 2;
inline constexpr WORD DC_PAPERSIZE = 3;
inline constexpr WORD DC_MINEXTENT = 4;
inline constexpr WORD DC_MAXEXTENT = 5;
inline constexpr WORD DC_BINS = 6;
inline constexpr WORD DC_DUPLEX = 7;
inline constexpr WORD DC_SIZE = 8;
inline constexpr WORD DC_EXTRA = 9;
inline constexpr WORD DC_VERSION = 10;
inline constexpr WORD DC_DRIVER = 11;
inline constexpr WORD DC_BINNAMES = 12;
inline constexpr WORD DC_ENUMRESOLUTIONS = 13;
inline constexpr WORD DC_FILEDEPENDENCIES = 14;
inline constexpr WORD DC_TRUETYPE = 15;
inline constexpr WORD DC_PAPERNAMES = 16;
inline constexpr WORD DC_ORIENTATION = 17;
inline constexpr WORD DC_COPIES = 18;
inline constexpr WORD DC_BINADJUST = 19;
inline constexpr WORD DC_EMF_COMPLIANT = 20;
inline constexpr WORD DC_DATATYPE_PRODUCED = 21;
inline constexpr WORD DC_COLLATE = 22;
inline constexpr WORD DC_MANUFACTURER = 23;
inline constexpr WORD DC_MODEL = 24;
inline constexpr WORD DC_PERSONALITY = 25;
inline constexpr WORD DC_PRINTRATE = 26;
inline constexpr WORD DC_PRINTRATEUNIT = 27;
inline constexpr WORD DC_PRINTERMEM = 28;
inline constexpr WORD DC_MEDIAREADY = 29;
inline constexpr WORD DC_STAPLE = 30;
inline constexpr WORD DC_PRINTRATEPPM = 31;
inline constexpr WORD DC_COLORDEVICE = 32;
inline constexpr WORD DC_NUP = 33;

// Element sizes of the DeviceCapabilitiesW lists, in characters for texts.
inline constexpr int CCH_BINNAME = 24;
inline constexpr int CCH_PAPERNAME = 64;
inline constexpr int CCH_PERSONALITY = 32;

// DC_TRUETYPE answers.
inline constexpr DWORD DCTT_BITMAP = 0x1;
inline constexpr DWORD DCTT_DOWNLOAD = 0x2;
inline constexpr DWORD DCTT_SUBDEV = 0x4;
// DC_PRINTRATEUNIT answers.
inline constexpr DWORD PRINTRATEUNIT_PPM = 1;

// DrvConvertDevMode modes.
inline constexpr DWORD CDM_CONVERT = 1;
inline constexpr DWORD CDM_CONVERT351 = 2;
inline constexpr DWORD CDM_DRIVER_DEFAULT = 4;

// DrvPrinterEvent events.
inline constexpr int PRINTER_EVENT_ADD_CONNECTION = 1;
inline constexpr int PRINTER_EVENT_DELETE_CONNECTION = 2;
inline constexpr int PRINTER_EVENT_INITIALIZE = 3;
inline constexpr int PRINTER_EVENT_DELETE = 4;
inline constexpr int PRINTER_EVENT_CACHE_REFRESH = 5;

// DrvDocumentEvent escapes and answers.
inline constexpr int DOCUMENTEVENT_CREATEDCPRE = 1;
inline constexpr int DOCUMENTEVENT_CREATEDCPOST = 2;
inline constexpr int DOCUMENTEVENT_RESETDCPRE = 3;
inline constexpr int DOCUMENTEVENT_RESETDCPOST = 4;
inline constexpr int DOCUMENTEVENT_STARTDOC = 5;
inline constexpr int DOCUMENTEVENT_STARTPAGE = 6;
inline constexpr int DOCUMENTEVENT_ENDPAGE = 7;
inline constexpr int DOCUMENTEVENT_ENDDOC = 8;
inline constexpr int DOCUMENTEVENT_ABORTDOC = 9;
inline constexpr int DOCUMENTEVENT_DELETEDC = 10;
inline constexpr int DOCUMENTEVENT_ESCAPE = 11;
inline constexpr int DOCUMENTEVENT_ENDDOCPOST = 12;
inline constexpr int DOCUMENTEVENT_STARTDOCPOST = 13;
inline constexpr int DOCUMENTEVENT_FAILURE = -1;
inline constexpr int DOCUMENTEVENT_UNSUPPORTED = 0;
inline constexpr int DOCUMENTEVENT_SUCCESS = 1;

// Document-properties mode bits.
inline constexpr DWORD DM_UPDATE = 1;
inline constexpr DWORD DM_COPY = 2;
inline constexpr DWORD DM_PROMPT = 4;
inline constexpr DWORD DM_MODIFY = 8;
inline constexpr DWORD DM_IN_BUFFER = DM_MODIFY;
inline constexpr DWORD DM_IN_PROMPT = DM_PROMPT;
inline constexpr DWORD DM_OUT_BUFFER = DM_COPY;
inline constexpr DWORD DM_OUT_DEFAULT = DM_UPDATE;

// The job check of the spooler (DevQueryPrintEx), level 1.
struct DEVQUERYPRINT_INFO {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    DEVMODEW* pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
};

// The driver upgrade of the spooler (DrvUpgradePrinter), level 1.
struct DRIVER_UPGRADE_INFO_1W {
    LPWSTR pPrinterName;
    LPWSTR pOldDriverDirectory;
};

// The record of the common property sheet library's sheet callbacks; the
// printer interface library answers them only as a driver without sheets.
struct PROPSHEETUI_INFO {
    WORD cbSize;
    WORD Version;
    WORD Flags;
    WORD Reason;
    HANDLE hComPropSheet;
    void* pfnComPropSheet;
    LPARAM lParamInit;
    ULONG_PTR UserData;
    ULONG_PTR Result;
};

// The common property sheet library's side of a sheet: the driver's sheet
// function is called once per reason; it adds pages and sets the result
// through the library's function (pfnComPropSheet) with the sheet handle.
using PFNCOMPROPSHEET = LONG_PTR (*)(HANDLE hComPropSheet, UINT function, LPARAM lParam1, LPARAM lParam2);
using PFNPROPSHEETUI = LONG (*)(PROPSHEETUI_INFO* info, LPARAM lParam);

inline constexpr WORD PROPSHEETUI_REASON_INIT = 0;
inline constexpr WORD PROPSHEETUI_REASON_GET_INFO_HEADER = 1;
inline constexpr WORD PROPSHEETUI_REASON_DESTROY = 2;
inline constexpr WORD PROPSHEETUI_REASON_SET_RESULT = 3;
inline constexpr WORD PROPSHEETUI_REASON_GET_ICON = 4;

inline constexpr UINT CPSFUNC_ADD_HPROPSHEETPAGE = 0;
inline constexpr UINT CPSFUNC_ADD_PROPSHEETPAGEW = 1;
inline constexpr UINT CPSFUNC_GET_PAGECOUNT = 8;
inline constexpr UINT CPSFUNC_SET_RESULT = 9;

inline constexpr LONG CPSUI_CANCEL = 0;
inline constexpr LONG CPSUI_OK = 1;
inline constexpr LONG ERR_CPSUI_GETLASTERROR = -1;

inline constexpr WORD PSUIHDRF_NOAPPLYNOW = 0x0002;
inline constexpr WORD PSUIHDRF_PROPTITLE = 0x0004;
inline constexpr WORD PSUIHDRF_USEHICON = 0x0008;

inline constexpr WORD DPS_NOPERMISSION = 0x0001;

struct PROPSHEETUI_INFO_HEADER {
    WORD cbSize;
    WORD Flags;
    LPWSTR pTitle;
    HWND hWndParent;
    HINSTANCE hInst;
    union {
        HANDLE hIcon;
        ULONG_PTR IconID;
    };
};

struct SETRESULT_INFO {
    WORD cbSize;
    WORD wReserved;
    HANDLE hSetResult;
    LRESULT Result;
};

struct DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    DEVMODEW* pdmIn;
    DEVMODEW* pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

struct DEVICEPROPERTYHEADER {
    WORD cbSize;
    WORD Flags;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
};

// ExtEscape on a device context: the escape reaches the DC's driver
// (DrvEscape of the graphics library). The driver's answer; 0 for a DC
// without a driver, a negative answer when the driver fails.
VEXL_API int ExtEscape(HDC hdc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output);
