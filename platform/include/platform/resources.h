// Resources of a module: the strings, dialog templates, menus, bitmaps,
// icons and cursors that a resource library holds as data in its section
// ".vexl.rsrc". A module loaded as code or as a data file serves them alike.
//
// The section is a little-endian block: "VXRS", a u32 entry count, then one
// 16-byte entry per resource {u16 type, u16 reserved, u32 id, u32 offset from
// the block's start, u32 size in bytes}, then the data. A string is UTF-16
// without a terminator; the other types hold what Windows keeps for them
// (DLGTEMPLATE, menu templates, a bitmap file without its file header, icon
// and cursor images with their group directories).
#pragma once

#include "platform/types.h"

inline constexpr WORD RT_CURSOR = 1;
inline constexpr WORD RT_BITMAP = 2;
inline constexpr WORD RT_ICON = 3;
inline constexpr WORD RT_MENU = 4;
inline constexpr WORD RT_DIALOG = 5;
inline constexpr WORD RT_STRING = 6;
inline constexpr WORD RT_GROUP_CURSOR = 12;
inline constexpr WORD RT_GROUP_ICON = 14;

struct HRSRC__;
using HRSRC = HRSRC__*;

// The string of that id, cut to bufferMax - 1 characters and terminated;
// answers the characters copied. A missing string answers 0 with an empty
// buffer (ERROR_RESOURCE_NAME_NOT_FOUND; ERROR_RESOURCE_DATA_NOT_FOUND when
// the module has no resources). bufferMax 0 stores a read-only pointer to the
// string (not terminated) in the buffer and answers its length.
VEXL_API int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

// The resource of that name and type: a number (MAKEINTRESOURCEW of
// platform/windows.h) or its text "#123"; the resources carry no other names.
// Not found answers NULL with ERROR_RESOURCE_DATA_NOT_FOUND (the module has no
// resources), ERROR_RESOURCE_TYPE_NOT_FOUND (1813) or
// ERROR_RESOURCE_NAME_NOT_FOUND.
VEXL_API HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
// The resource's bytes, which stay for the life of the process; LockResource
// answers their address and FreeResource does nothing.
VEXL_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
VEXL_API LPVOID LockResource(HGLOBAL data);
VEXL_API DWORD SizeofResource(HMODULE module, HRSRC resource);
VEXL_API BOOL FreeResource(HGLOBAL data);

inline HRSRC FindResourceW(HMODULE module, LPCWSTR name, WORD type)
{
    return FindResourceW(module, name, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(type)));
}
