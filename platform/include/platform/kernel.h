// Kernel services: last error, heap, clock and handles.
#pragma once

#include "platform/types.h"

// Last error: one value per thread, shared by every module of the process.
VEXL_API DWORD GetLastError();
VEXL_API void SetLastError(DWORD error);

// Heap. GlobalAlloc and LocalAlloc answer a usable address (fixed memory).
inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
inline constexpr UINT LMEM_FIXED = 0x0000;
inline constexpr UINT LMEM_ZEROINIT = 0x0040;
inline constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
inline constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;

VEXL_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
VEXL_API HGLOBAL GlobalFree(HGLOBAL memory);
VEXL_API SIZE_T GlobalSize(HGLOBAL memory);
// The memory is fixed: GlobalLock answers its address, GlobalUnlock FALSE
// with no error (no lock left).
VEXL_API LPVOID GlobalLock(HGLOBAL memory);
VEXL_API BOOL GlobalUnlock(HGLOBAL memory);
VEXL_API HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
VEXL_API HLOCAL LocalFree(HLOCAL memory);
VEXL_API HANDLE GetProcessHeap();
VEXL_API LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
VEXL_API BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// Clock. The tick count is milliseconds in 32 bits and wraps.
VEXL_API DWORD GetTickCount();
VEXL_API void GetLocalTime(LPSYSTEMTIME time);
VEXL_API void GetSystemTime(LPSYSTEMTIME time);
VEXL_API BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
VEXL_API BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
VEXL_API void GetSystemTimeAsFileTime(LPFILETIME fileTime);

// Every kernel handle (file, mutex, find, mapping) is closed here.
VEXL_API BOOL CloseHandle(HANDLE handle);

VEXL_API DWORD GetCurrentProcessId();
VEXL_API DWORD GetCurrentThreadId();
VEXL_API HANDLE GetCurrentProcess();
VEXL_API HANDLE GetCurrentThread();

// System messages. Only FORMAT_MESSAGE_FROM_SYSTEM is supported: the text of
// a known error code, ending with CR LF, in a buffer that the call allocates
// (FORMAT_MESSAGE_ALLOCATE_BUFFER, freed by LocalFree; buffer receives its
// address) or in the caller's buffer of size characters. Answers the
// characters written without the terminator; 0 with
// ERROR_MR_MID_NOT_FOUND for a code without text.
inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD LANG_USER_DEFAULT = 0x0400;
VEXL_API DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                              DWORD size, void* arguments);
