#include "common/storage/directories.h"

namespace vexl {

// ---- file-name parts ----------------------------------------------------------------------------------

const WCHAR* FindFileNamePart(const WCHAR* path)
{
    if (path == nullptr) return nullptr;
    const WCHAR* part = path;
    for (const WCHAR* p = path; *p; ++p) {
        if (*p == u'\\') part = p + 1;
    }
    return part;
}

const WCHAR* FindExtension(const WCHAR* path, std::int32_t* length)
{
    const WCHAR* name = FindFileNamePart(path);
    if (name == nullptr) return nullptr;
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = name; *p; ++p) {
        if (*p == u'.') dot = p;
    }
    if (dot == nullptr) {
        if (length) *length = 0;
        return name;
    }
    if (length) *length = lstrlenW(dot + 1);
    return dot + 1;
}

const WCHAR* GetFileBaseName(const WCHAR* path, std::int32_t* length)
{
    const WCHAR* name = FindFileNamePart(path);
    if (name == nullptr) return nullptr;
    std::int32_t count = 0;
    while (name[count] && name[count] != u'.') ++count;
    if (length) *length = count;
    return name;
}

BOOL HasShortExtension(const WCHAR* path)
{
    if (path == nullptr) return FALSE;
    std::int32_t base = 0;
    std::int32_t extension = 0;
    GetFileBaseName(path, &base);
    FindExtension(path, &extension);
    return base >= 1 && extension >= 1 && extension <= 3 ? TRUE : FALSE;
}

BOOL HasValidFileName(const WCHAR* path)
{
    return HasShortExtension(path);
}

BOOL IsAbsolutePath(const WCHAR* path)
{
    if (path == nullptr || path[0] == 0) return FALSE;
    if (path[1] == u':' && path[2] == u'\\') return TRUE;
    return path[0] == u'\\' && path[1] == u'\\' ? TRUE : FALSE;
}

}  // namespace vexl
