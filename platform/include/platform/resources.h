// Resources of a module: the string table (and, in the same format, dialog
// templates and bitmaps) that a resource library holds as data in its
// section ".vexl.rsrc". A module loaded as code or as a data file serves them
// alike.
//
// The section is a little-endian block: "VXRS", a u32 entry count, then one
// 16-byte entry per resource {u16 type, u16 reserved, u32 id, u32 offset from
// the block's start, u32 size in bytes}, then the data. A string is UTF-16
// without a terminator.
#pragma once

#include "platform/types.h"

inline constexpr WORD RT_BITMAP = 2;
inline constexpr WORD RT_DIALOG = 5;
inline constexpr WORD RT_STRING = 6;

inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// The string of that id, cut to bufferMax - 1 characters and terminated;
// answers the characters copied. A missing string answers 0 with an empty
// buffer (ERROR_RESOURCE_NAME_NOT_FOUND; ERROR_RESOURCE_DATA_NOT_FOUND when
// the module has no resources). bufferMax 0 stores a read-only pointer to the
// string (not terminated) in the buffer and answers its length.
VEXL_API int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
