// The clipboard, help and the beep: the shell services a sheet calls beside
// its windows. The clipboard is the process's own; the test driver fills it
// as another program would and reads it back. Help and beeps are logged.
#pragma once

#include "platform/windows.h"

#include <string>
#include <vector>

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_UNICODETEXT = 13;

// Fails (ERROR_ACCESS_DENIED) while another window, or another program,
// has the clipboard open; the window that has it open may open it again.
VEXL_API BOOL OpenClipboard(HWND owner);
VEXL_API BOOL CloseClipboard();
// Frees every format; the clipboard must be open.
VEXL_API BOOL EmptyClipboard();
// The clipboard takes the memory (from GlobalAlloc) and frees it when the
// format is replaced or emptied; answers the memory, or NULL when the
// clipboard is not open.
VEXL_API HANDLE SetClipboardData(UINT format, HANDLE memory);
// The memory of a format, owned by the clipboard; NULL when the clipboard is
// not open or holds no such format. CF_TEXT is made from CF_UNICODETEXT
// through the ANSI code page when only the latter was set, its terminator
// included (so GlobalSize counts it).
VEXL_API HANDLE GetClipboardData(UINT format);
VEXL_API BOOL IsClipboardFormatAvailable(UINT format);

// WinHelpW commands.
inline constexpr UINT HELP_CONTEXT = 0x0001;
inline constexpr UINT HELP_QUIT = 0x0002;
inline constexpr UINT HELP_INDEX = 0x0003;
inline constexpr UINT HELP_CONTENTS = 0x0003;
inline constexpr UINT HELP_HELPONHELP = 0x0004;
inline constexpr UINT HELP_CONTEXTPOPUP = 0x0008;
inline constexpr UINT HELP_CONTEXTMENU = 0x000A;
inline constexpr UINT HELP_FINDER = 0x000B;
inline constexpr UINT HELP_WM_HELP = 0x000C;
inline constexpr UINT HELP_SETPOPUP_POS = 0x000D;

// Logged and answered TRUE; for HELP_CONTEXTMENU and HELP_WM_HELP the data is
// the address of {control id, help id} pairs ended by a 0 control id, which
// the log copies.
VEXL_API BOOL WinHelpW(HWND window, LPCWSTR helpFile, UINT command, ULONG_PTR data);
// Logged and answered TRUE.
VEXL_API BOOL MessageBeep(UINT type);

