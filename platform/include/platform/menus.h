// Menus: popup menus loaded from menu templates of a module's resources, and
// TrackPopupMenu, which the test driver's menu script answers.
#pragma once

#include "platform/windows.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Item flags, of templates and of the menu functions.
inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_BYPOSITION = 0x0400;
inline constexpr UINT MF_ENABLED = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_DISABLED = 0x0002;
inline constexpr UINT MF_UNCHECKED = 0x0000;
inline constexpr UINT MF_CHECKED = 0x0008;
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_POPUP = 0x0010;
inline constexpr UINT MF_MENUBARBREAK = 0x0020;
inline constexpr UINT MF_MENUBREAK = 0x0040;
inline constexpr UINT MF_END = 0x0080;
inline constexpr UINT MF_SEPARATOR = 0x0800;
inline constexpr UINT MF_HELP = 0x4000;

// TrackPopupMenu flags.
inline constexpr UINT TPM_LEFTBUTTON = 0x0000;
inline constexpr UINT TPM_RIGHTBUTTON = 0x0002;
inline constexpr UINT TPM_LEFTALIGN = 0x0000;
inline constexpr UINT TPM_CENTERALIGN = 0x0004;
inline constexpr UINT TPM_RIGHTALIGN = 0x0008;
inline constexpr UINT TPM_TOPALIGN = 0x0000;
inline constexpr UINT TPM_VCENTERALIGN = 0x0010;
inline constexpr UINT TPM_BOTTOMALIGN = 0x0020;
inline constexpr UINT TPM_NONOTIFY = 0x0080;
inline constexpr UINT TPM_RETURNCMD = 0x0100;

struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
};
using LPTPMPARAMS = TPMPARAMS*;

// A menu from a module's RT_MENU resource; NULL (ERROR_RESOURCE_NAME_NOT_FOUND
// and the like) when it is missing, ERROR_INVALID_DATA when it is malformed.
VEXL_API HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
// Destroys the menu and its submenus.
VEXL_API BOOL DestroyMenu(HMENU menu);
VEXL_API BOOL IsMenu(HMENU menu);
// The popup at a position, or NULL.
VEXL_API HMENU GetSubMenu(HMENU menu, int position);
VEXL_API int GetMenuItemCount(HMENU menu);
// The command id at a position; -1 for a popup or no item.
VEXL_API UINT GetMenuItemID(HMENU menu, int position);
// The item's MF_* flags (a popup has its item count in the high byte); -1
// when there is no such item. MF_BYCOMMAND looks into submenus too.
VEXL_API UINT GetMenuState(HMENU menu, UINT item, UINT flags);
VEXL_API int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int textMax, UINT flags);
// Sets MF_ENABLED, MF_GRAYED or MF_DISABLED; answers the previous state, or
// -1 when there is no such item.
VEXL_API BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// Sets MF_CHECKED or MF_UNCHECKED; answers the previous one, or -1.
VEXL_API DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
// Shows the popup and asks the test driver's menu script for the choice. A
// chosen item posts WM_COMMAND(MAKEWPARAM(id, 0), 0) to the owner and the
// call answers TRUE; with TPM_RETURNCMD it posts nothing and answers the id.
// Dismissed, it answers FALSE (0).
VEXL_API BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
VEXL_API BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);

