// Text: bounded UTF-16 helpers, code pages and character sets.
#pragma once

#include "platform/types.h"

// UTF-16 helpers over terminated texts (null counts as empty).
VEXL_API int lstrlenW(LPCWSTR text);
VEXL_API LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int maxChars);
VEXL_API int lstrcmpW(LPCWSTR a, LPCWSTR b);
VEXL_API int lstrcmpiW(LPCWSTR a, LPCWSTR b);
VEXL_API int lstrlenA(LPCSTR text);

// Code pages. CP_ACP is the machine's ANSI code page (1252 unless the machine
// profile names another single-byte page the layer knows).
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD MB_PRECOMPOSED = 0x00000001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

// Windows semantics: a length of -1 converts through the terminator; a
// destination size of 0 answers the size needed; a short destination gets
// what fits and the call fails with ERROR_INSUFFICIENT_BUFFER. A character
// the page lacks becomes the default character ('?' or the caller's) and
// sets *usedDefaultChar; there is no best-fit mapping. The known pages are
// 1252, 1250, 1251, 28591, 437 and UTF-8; any other fails with
// ERROR_INVALID_PARAMETER.
VEXL_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR destination,
                                 int destinationChars);
VEXL_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars, LPSTR destination,
                                 int destinationBytes, LPCSTR defaultChar, BOOL* usedDefaultChar);
VEXL_API UINT GetACP();
VEXL_API UINT GetOEMCP();
VEXL_API BOOL IsDBCSLeadByte(BYTE byte);
VEXL_API BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte);

// Character sets. TranslateCharsetInfo fills ciCharset, ciACP and the code
// page's bit in fs.fsCsb[0].
inline constexpr DWORD TCI_SRCCHARSET = 1;
inline constexpr DWORD TCI_SRCCODEPAGE = 2;
inline constexpr DWORD TCI_SRCFONTSIG = 3;

inline constexpr UINT ANSI_CHARSET = 0;
inline constexpr UINT DEFAULT_CHARSET = 1;
inline constexpr UINT SYMBOL_CHARSET = 2;
inline constexpr UINT SHIFTJIS_CHARSET = 128;
inline constexpr UINT HANGUL_CHARSET = 129;
inline constexpr UINT JOHAB_CHARSET = 130;
inline constexpr UINT GB2312_CHARSET = 134;
inline constexpr UINT CHINESEBIG5_CHARSET = 136;
inline constexpr UINT GREEK_CHARSET = 161;
inline constexpr UINT TURKISH_CHARSET = 162;
inline constexpr UINT VIETNAMESE_CHARSET = 163;
inline constexpr UINT HEBREW_CHARSET = 177;
inline constexpr UINT ARABIC_CHARSET = 178;
inline constexpr UINT BALTIC_CHARSET = 186;
inline constexpr UINT RUSSIAN_CHARSET = 204;
inline constexpr UINT THAI_CHARSET = 222;
inline constexpr UINT EASTEUROPE_CHARSET = 238;

struct FONTSIGNATURE {
    DWORD fsUsb[4];
    DWORD fsCsb[2];
};

struct CHARSETINFO {
    UINT ciCharset;
    UINT ciACP;
    FONTSIGNATURE fs;
};
using LPCHARSETINFO = CHARSETINFO*;

// With TCI_SRCCODEPAGE and TCI_SRCCHARSET the source is the code page or
// character set number itself; with TCI_SRCFONTSIG it points to fsCsb and
// the lowest code page bit set there is taken.
VEXL_API BOOL TranslateCharsetInfo(DWORD* source, LPCHARSETINFO charsetInfo, DWORD flags);
