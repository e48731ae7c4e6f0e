// Locale information of the machine profile's user and system locale.
#pragma once

#include "platform/types.h"

using LCTYPE = DWORD;

inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

inline constexpr LCTYPE LOCALE_ILANGUAGE = 0x00000001;
inline constexpr LCTYPE LOCALE_ICOUNTRY = 0x00000005;
inline constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x00001004;

VEXL_API LCID GetUserDefaultLCID();
VEXL_API LCID GetSystemDefaultLCID();
VEXL_API LANGID GetUserDefaultLangID();

// One value of the locale as text (LOCALE_ICOUNTRY: the country code in
// decimal; LOCALE_ILANGUAGE: the language id in four hexadecimal digits;
// LOCALE_IDEFAULTANSICODEPAGE: the ANSI code page in decimal). A size of 0
// answers the characters needed with the terminator; a short buffer fails
// with ERROR_INSUFFICIENT_BUFFER; another type fails with ERROR_INVALID_FLAGS.
VEXL_API int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
