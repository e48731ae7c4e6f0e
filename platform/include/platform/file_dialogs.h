// The old-style open and save dialogs: a dialog from the caller's template
// (OFN_ENABLETEMPLATE) or from a plain one, with the classic controls (edt1
// the file name, lst1 the files, lst2 the folders of the current path, cmb1
// the filters, cmb2 the drives) and the caller's hook called first for every
// message, as the dialog procedure; a non-zero answer of the hook leaves the
// message to it.
//
// OK with a wildcard in edt1 filters the files by it and stays; with a
// folder it opens the folder; otherwise the name is resolved against the
// current folder into lpstrFile ("dir\name", or with OFN_ALLOWMULTISELECT
// "dir name1 name2"), with nFileOffset and nFileExtension, and the dialog
// answers TRUE. Cancel answers FALSE. The test driver plays the dialog
// through the script of its template id (or its caption).
#pragma once

#include "platform/windows.h"

using LPOFNHOOKPROC = UINT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;

inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
inline constexpr DWORD OFN_SHOWHELP = 0x00000010;
inline constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
inline constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
inline constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x00000080;
inline constexpr DWORD OFN_NOVALIDATE = 0x00000100;
inline constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
inline constexpr DWORD OFN_NOLONGNAMES = 0x00040000;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;

// The classic controls.
inline constexpr int edt1 = 0x0480;
inline constexpr int lst1 = 0x0460;
inline constexpr int lst2 = 0x0461;
inline constexpr int cmb1 = 0x0470;
inline constexpr int cmb2 = 0x0471;
inline constexpr int stc1 = 0x0440;
inline constexpr int chx1 = 0x0410;

// CommDlgExtendedError answers.
inline constexpr DWORD CDERR_FINDRESFAILURE = 0x0006;
inline constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
inline constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

VEXL_API BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn);
VEXL_API BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn);
// The reason the last file dialog answered FALSE; 0 after Cancel.
VEXL_API DWORD CommDlgExtendedError();
