// Basic Windows types, handles, error codes and the small records that every
// part of the platform layer shares. Text is UTF-16 in char16_t.
#pragma once

#include <cstddef>
#include <cstdint>

#define VEXL_API extern "C" __attribute__((visibility("default")))
// The layer's host face: C++ declarations for tests, host/ and the tools,
// exported between these two marks; the rest of the layer's C++ is hidden.
#define VEXL_HOST_FACE_BEGIN _Pragma("GCC visibility push(default)")
#define VEXL_HOST_FACE_END _Pragma("GCC visibility pop")

using BOOL = int;
using BYTE = std::uint8_t;
using CHAR = char;
using WCHAR = char16_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using WORD = std::uint16_t;
using INT = int;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using LANGID = WORD;
using LCID = DWORD;
using ACCESS_MASK = DWORD;
using REGSAM = ACCESS_MASK;
using LSTATUS = LONG;
using HRESULT = LONG;
using SIZE_T = std::size_t;
using ULONG_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using INT_PTR = std::intptr_t;
using DWORD_PTR = ULONG_PTR;
using UINT_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;

using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PLONG = LONG*;

using HANDLE = void*;
using HGLOBAL = HANDLE;
using HLOCAL = HANDLE;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using FARPROC = LRESULT (*)();

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr DWORD MAX_PATH = 260;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct POINTL {
    LONG x;
    LONG y;
};

// A point in LONGs, and one in SHORTs (the forms of DC_PAPERSIZE and of
// DC_MINEXTENT / DC_MAXEXTENT).
struct POINT {
    LONG x;
    LONG y;
};
struct POINTS {
    SHORT x;
    SHORT y;
};

struct RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct SIZEL {
    LONG cx;
    LONG cy;
};

inline constexpr WORD LOWORD(DWORD_PTR value)
{
    return static_cast<WORD>(value & 0xFFFF);
}
inline constexpr WORD HIWORD(DWORD_PTR value)
{
    return static_cast<WORD>((value >> 16) & 0xFFFF);
}
inline constexpr DWORD MAKELONG(WORD low, WORD high)
{
    return DWORD(low) | (DWORD(high) << 16);
}

// Every error code, in one list.
#include "platform/errors.h"
