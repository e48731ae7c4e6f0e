// Modules: libraries loaded from the machine by their Windows paths.
//
// A module is an ELF shared object installed in the machine under its
// Windows name. LoadLibraryW maps the path into the machine and opens the
// file with dlopen; a bare name is looked for in the system directory, then
// in the Windows directory. The first load of a module runs its entry point
// (the first of the exports DllMain, DllEntryPoint and DllInitialize that it
// has) with DLL_PROCESS_ATTACH; the FreeLibrary that drops the last
// reference runs it with DLL_PROCESS_DETACH before the file is closed.
//
// An HMODULE is a small number from the process's module table, not an
// address; GetModuleHandleW(NULL) names the main program.
#pragma once

#include "platform/types.h"

#include <filesystem>

inline constexpr DWORD DLL_PROCESS_DETACH = 0;
inline constexpr DWORD DLL_PROCESS_ATTACH = 1;
inline constexpr DWORD DLL_THREAD_ATTACH = 2;
inline constexpr DWORD DLL_THREAD_DETACH = 3;

inline constexpr DWORD DONT_RESOLVE_DLL_REFERENCES = 0x00000001;
inline constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
inline constexpr DWORD LOAD_WITH_ALTERED_SEARCH_PATH = 0x00000008;
inline constexpr DWORD LOAD_LIBRARY_AS_IMAGE_RESOURCE = 0x00000020;

// The entry point of a module, as the loader calls it.
using DLLMAIN = BOOL (*)(HINSTANCE module, DWORD reason, LPVOID reserved);

// ERROR_MOD_NOT_FOUND for a file that is missing or that dlopen refuses;
// ERROR_DLL_INIT_FAILED when the entry point refuses the attach.
VEXL_API HMODULE LoadLibraryW(LPCWSTR fileName);
// The flags are ignored, except LOAD_LIBRARY_AS_DATAFILE and
// LOAD_LIBRARY_AS_IMAGE_RESOURCE: the file is then only found and kept for
// its resources; it is not opened as code and its entry point does not run.
VEXL_API HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags);
VEXL_API BOOL FreeLibrary(HMODULE module);
// Finds a loaded module (by its file name or full path) without adding a reference.
VEXL_API HMODULE GetModuleHandleW(LPCWSTR moduleName);
// ERROR_PROC_NOT_FOUND for a name the module does not export (and for ordinals).
VEXL_API FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// The Windows path the module was loaded from (NULL: the main program, in the
// system directory). A short buffer gets what fits, terminated; the call then
// answers size and sets ERROR_INSUFFICIENT_BUFFER.
VEXL_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

