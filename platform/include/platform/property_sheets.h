// The property-sheet frame: a dialog with a tab control (id 0x3020), OK (1),
// Cancel (2), Apply (0x3021, left out with PSH_NOAPPLYNOW) and Help (9, with
// PSH_HASHELP or a page with PSP_HASHELP). Pages are child dialogs of the
// frame, created from their templates when first shown, with WM_INITDIALOG's
// lParam the frame's copy of their PROPSHEETPAGEW.
//
// - Switching pages sends PSN_KILLACTIVE to the current page (TRUE in its
//   DWLP_MSGRESULT keeps it), hides it, creates and shows the new one and
//   sends it PSN_SETACTIVE.
// - OK: PSN_KILLACTIVE to the current page, then PSN_APPLY (PSHNOTIFY lParam
//   TRUE) to every created page in page order; PSNRET_INVALID or
//   PSNRET_INVALID_NOCHANGEPAGE stops, shows that page and keeps the sheet
//   open. Otherwise the sheet closes and PropertySheetW answers 1.
// - Apply: as OK with lParam FALSE, but the sheet stays and Apply is disabled.
// - Cancel (and Esc, and WM_CLOSE): PSN_RESET to every created page; 0.
// - Help: PSN_HELP to the current page.
// - PSM_PRESSBUTTON presses a button by its PSBTN_* index, whatever the ids
//   of the frame's children are now; WM_COMMAND ids the frame does not own
//   go to the current page.
#pragma once

#include "platform/windows.h"

struct PSP;
using HPROPSHEETPAGE = PSP*;

struct PROPSHEETPAGEW;
using LPFNPSPCALLBACKW = UINT (*)(HWND window, UINT message, PROPSHEETPAGEW* page);

struct PROPSHEETPAGEW {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCWSTR pszTemplate;
        LPCDLGTEMPLATEW pResource;
    };
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKW pfnCallback;
    UINT* pcRefParent;
};
using LPCPROPSHEETPAGEW = const PROPSHEETPAGEW*;

using PFNPROPSHEETCALLBACK = int (*)(HWND window, UINT message, LPARAM lParam);

struct PROPSHEETHEADERW {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCWSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGEW ppsp;
        HPROPSHEETPAGE* phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
};
using LPCPROPSHEETHEADERW = const PROPSHEETHEADERW*;

// Page flags.
inline constexpr DWORD PSP_DEFAULT = 0x0000;
inline constexpr DWORD PSP_DLGINDIRECT = 0x0001;
inline constexpr DWORD PSP_USEHICON = 0x0002;
inline constexpr DWORD PSP_USEICONID = 0x0004;
inline constexpr DWORD PSP_USETITLE = 0x0008;
inline constexpr DWORD PSP_HASHELP = 0x0020;
inline constexpr DWORD PSP_USEREFPARENT = 0x0040;
inline constexpr DWORD PSP_USECALLBACK = 0x0080;

// Page callback messages.
inline constexpr UINT PSPCB_RELEASE = 1;
inline constexpr UINT PSPCB_CREATE = 2;

// Sheet flags.
inline constexpr DWORD PSH_DEFAULT = 0x0000;
inline constexpr DWORD PSH_PROPTITLE = 0x0001;
inline constexpr DWORD PSH_USEHICON = 0x0002;
inline constexpr DWORD PSH_USEICONID = 0x0004;
inline constexpr DWORD PSH_PROPSHEETPAGE = 0x0008;
inline constexpr DWORD PSH_USEPSTARTPAGE = 0x0040;
inline constexpr DWORD PSH_NOAPPLYNOW = 0x0080;
inline constexpr DWORD PSH_USECALLBACK = 0x0100;
inline constexpr DWORD PSH_HASHELP = 0x0200;

// Sheet callback messages.
inline constexpr UINT PSCB_INITIALIZED = 1;
inline constexpr UINT PSCB_PRECREATE = 2;

// Notifications to the pages (WM_NOTIFY with a PSHNOTIFY).
inline constexpr UINT PSN_SETACTIVE = static_cast<UINT>(-200);
inline constexpr UINT PSN_KILLACTIVE = static_cast<UINT>(-201);
inline constexpr UINT PSN_APPLY = static_cast<UINT>(-202);
inline constexpr UINT PSN_RESET = static_cast<UINT>(-203);
inline constexpr UINT PSN_HELP = static_cast<UINT>(-205);
inline constexpr UINT PSN_QUERYCANCEL = static_cast<UINT>(-209);

inline constexpr LONG_PTR PSNRET_NOERROR = 0;
inline constexpr LONG_PTR PSNRET_INVALID = 1;
inline constexpr LONG_PTR PSNRET_INVALID_NOCHANGEPAGE = 2;

struct PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
};

// Messages to the frame.
inline constexpr UINT PSM_SETCURSEL = WM_USER + 101;
inline constexpr UINT PSM_REMOVEPAGE = WM_USER + 102;
inline constexpr UINT PSM_ADDPAGE = WM_USER + 103;
inline constexpr UINT PSM_CHANGED = WM_USER + 104;
inline constexpr UINT PSM_CANCELTOCLOSE = WM_USER + 107;
inline constexpr UINT PSM_UNCHANGED = WM_USER + 109;
inline constexpr UINT PSM_APPLY = WM_USER + 110;
inline constexpr UINT PSM_PRESSBUTTON = WM_USER + 113;
inline constexpr UINT PSM_SETCURSELID = WM_USER + 114;
inline constexpr UINT PSM_GETTABCONTROL = WM_USER + 116;
inline constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
inline constexpr UINT PSM_SETTITLEW = WM_USER + 120;

// PSM_PRESSBUTTON buttons.
inline constexpr int PSBTN_BACK = 0;
inline constexpr int PSBTN_NEXT = 1;
inline constexpr int PSBTN_FINISH = 2;
inline constexpr int PSBTN_OK = 3;
inline constexpr int PSBTN_APPLYNOW = 4;
inline constexpr int PSBTN_CANCEL = 5;
inline constexpr int PSBTN_HELP = 6;

// The frame's own controls.
inline constexpr int IDD_PROPSHEET_TAB = 0x3020;
inline constexpr int IDD_PROPSHEET_APPLYNOW = 0x3021;

// A page handle the sheet (or whoever it is handed to) owns; NULL when the
// record is too short or has no template.
VEXL_API HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page);
VEXL_API BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
// Runs the sheet modally: 1 after OK, 0 after Cancel, -1 when it cannot be
// made. The page handles given are
// destroyed with the sheet.
VEXL_API INT_PTR PropertySheetW(LPCPROPSHEETHEADERW header);
