// The parts of a file name in a path of backslash-separated components.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

const WCHAR* FindFileNamePart(const WCHAR* path);
const WCHAR* FindExtension(const WCHAR* path, std::int32_t* length);
const WCHAR* GetFileBaseName(const WCHAR* path, std::int32_t* length);
BOOL HasShortExtension(const WCHAR* path);
BOOL HasValidFileName(const WCHAR* path);
BOOL IsAbsolutePath(const WCHAR* path);

}  // namespace vexl
