#include "api/validators.h"

#include "common/core/textconv.h"
#include "common/storage/directories.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32.h"

#include <cstring>

namespace vexl::api {

namespace {

// A lead byte of a double-byte character takes the byte after it along,
// unless that byte is the terminator.
const char* NextChar(const char* p)
{
    if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

bool IsForbiddenChar(char c, BOOL allowBackslash)
{
    if (c == '\\') return !allowBackslash;
    return std::strchr("/:;,*?\"<>|", c) != nullptr;
}

// The last single-byte occurrence of c in the text, or NULL.
const char* FindLastAnsiChar(const char* text, char c)
{
    const char* found = nullptr;
    for (const char* p = text; *p != '\0'; p = NextChar(p)) {
        if (*p == c && !(IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0')) found = p;
    }
    return found;
}

bool EqualsNoCase(const char* text, std::int32_t length, const char* lower)
{
    if (static_cast<std::size_t>(length) != std::strlen(lower)) return false;
    for (std::int32_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

// The directory part of a UTF-16 path (without the separator), empty when
// the path has none.
std::size_t DirectoryPartLength(const WCHAR* path)
{
    std::size_t last = 0;
    bool found = false;
    for (std::size_t i = 0; path[i] != 0; ++i) {
        if (path[i] == u'\\' || path[i] == u'/') {
            last = i;
            found = true;
        }
    }
    return found ? last : 0;
}

// Creates the file and deletes it again; when its folder is missing, creates
// one folder level for the trial and removes it afterwards. afterCreate runs
// while the trial file exists.
template <typename AfterCreate> bool ProbeByCreating(const WCHAR* path, AfterCreate afterCreate)
{
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        const bool ok = afterCreate();
        DeleteFileW(path);
        return ok;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
    const std::size_t folderLength = DirectoryPartLength(path);
    if (folderLength == 0) return false;
    WCHAR folder[kProbePathCapacity + 1] = {};
    std::memcpy(folder, path, folderLength * sizeof(WCHAR));
    if (!CreateDirectoryW(folder, nullptr)) return false;
    file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = false;
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        ok = afterCreate();
        DeleteFileW(path);
    }
    RemoveDirectoryW(folder);
    return ok;
}

}  // namespace

BOOL IsAsciiAlphanumeric(const char* text)
{
    if (text == nullptr) return FALSE;
    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!ok) return FALSE;
    }
    return TRUE;
}

BOOL HasNoForbiddenChars(const char* text, BOOL allowBackslash)
{
    if (text == nullptr) return FALSE;
    for (const char* p = text; *p != '\0';) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
            p = NextChar(p);
            continue;
        }
        if (IsForbiddenChar(*p, allowBackslash)) return FALSE;
        ++p;
    }
    return TRUE;
}

BOOL IsValidFileNameText(const char* text)
{
    return HasNoForbiddenChars(text, FALSE);
}

BOOL IsValidPathText(const char* text)
{
    if (text == nullptr) return FALSE;
    if (text[0] != '\0' && text[1] == ':') text += 2;
    return HasNoForbiddenChars(text, TRUE);
}

const char* FindBaseNameAnsi(const char* path)
{
    if (path == nullptr) return nullptr;
    const char* slash = FindLastAnsiChar(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

const char* FindExtensionAnsi(const char* path, std::int32_t* outLength)
{
    if (outLength != nullptr) *outLength = 0;
    if (path == nullptr) return nullptr;
    const char* base = FindBaseNameAnsi(path);
    if (base == path || *base == '\0') return path;
    const char* dot = FindLastAnsiChar(base, '.');
    if (dot == nullptr) return path;
    if (outLength != nullptr) *outLength = static_cast<std::int32_t>(std::strlen(dot + 1));
    return dot + 1;
}

BOOL IsOverlayFilePath(const char* path)
{
    if (!IsValidPathText(path)) return FALSE;
    const char* base = FindBaseNameAnsi(path);
    if (base == path || !IsValidFileNameText(base)) return FALSE;
    std::int32_t length = 0;
    const char* extension = FindExtensionAnsi(path, &length);
    return EqualsNoCase(extension, length, "rpo") ? TRUE : FALSE;
}

BOOL ContainsAnsiChar(const char* text, char c)
{
    if (text == nullptr) return FALSE;
    for (const char* p = text; *p != '\0';) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
            p = NextChar(p);
            continue;
        }
        if (*p == c) return TRUE;
        ++p;
    }
    return FALSE;
}

// Both probes work on the full form of the path, so that a relative path is
// tried where it would be written: in the current folder.
BOOL ProbeOutputPath(const char* path, char* fullPath)
{
    if (path == nullptr || *path == '\0') return FALSE;
    WCHAR wide[kProbePathCapacity] = {};
    AnsiToWide(wide, path, kProbePathCapacity);
    WCHAR full[kProbePathCapacity] = {};
    const DWORD length = GetFullPathNameW(wide, kProbePathCapacity, full, nullptr);
    if (length == 0 || length >= kProbePathCapacity) return FALSE;
    if (!FileExists(full) && !ProbeByCreating(full, [] { return true; })) return FALSE;
    if (fullPath != nullptr) WideToAnsi(fullPath, full, kProbePathCapacity);
    return TRUE;
}

BOOL ProbeOutputPathShort(const WCHAR* path, WCHAR* shortPath)
{
    if (path == nullptr || *path == 0 || shortPath == nullptr) return FALSE;
    WCHAR bounded[kProbePathCapacity] = {};
    lstrcpynW(bounded, path, kProbePathCapacity);
    WCHAR full[kProbePathCapacity] = {};
    const DWORD fullLength = GetFullPathNameW(bounded, kProbePathCapacity, full, nullptr);
    if (fullLength == 0 || fullLength >= kProbePathCapacity) return FALSE;
    const auto takeShortPath = [&] {
        const DWORD got = GetShortPathNameW(full, shortPath, kProbePathCapacity);
        return got != 0 && got < kProbePathCapacity;
    };
    if (takeShortPath()) return TRUE;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return FALSE;
    return ProbeByCreating(full, takeShortPath) ? TRUE : FALSE;
}

}  // namespace vexl::api
