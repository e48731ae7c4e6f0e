// The registry: keys and typed values under the predefined roots, kept in
// the machine (HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, one hive file each)
// and shared by every process that uses it. Key paths are matched without
// regard to case and separated by backslashes; names keep the case they were
// created with. The functions answer an error code (LSTATUS) and leave the
// last error alone.
#pragma once

#include "platform/types.h"

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003));

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// RegCreateKeyExW dispositions.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;

// Access rights (accepted; every key is readable and writable).
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// A handle whose key another handle or process has deleted.

VEXL_API LSTATUS RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
VEXL_API LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
VEXL_API LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
VEXL_API LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options,
                                 REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
VEXL_API LSTATUS RegCloseKey(HKEY key);

// A NULL data pointer asks for the type and size only; a short buffer gives
// ERROR_MORE_DATA and the size needed. String values come back terminated:
// a stored text without its terminator is answered with one added.
VEXL_API LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                  LPDWORD dataSize);
VEXL_API LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                DWORD dataSize);
VEXL_API LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED for one that has some).
VEXL_API LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// Subkeys come in name order, values in the order they were created. Name
// sizes are in characters: the buffer's size with its terminator on entry,
// the name's length without it on return.
VEXL_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                               LPWSTR className, LPDWORD classChars, LPFILETIME lastWriteTime);
VEXL_API LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameChars, LPDWORD reserved,
                               LPDWORD type, LPBYTE data, LPDWORD dataSize);
