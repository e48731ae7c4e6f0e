// The full and short forms of Windows paths. The full form is computed from
// the text alone (the current folder of the machine profile for relative
// paths); the short form is the path itself, as the machine keeps no 8.3
// names, for a file or folder that exists.
#include "platform/files.h"

#include "platform/kernel.h"

#include "profile.h"
#include "unicode.h"

#include <string>
#include <vector>

namespace vexl::platform {
namespace {

bool IsPathSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

bool IsDriveLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The root of a path ("C:\", "\\server\share\") and the rest after it; the
// root is empty for a relative path.
struct SplitPath {
    std::u16string root;
    std::u16string_view rest;
};

SplitPath SplitRoot(std::u16string_view path)
{
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':') {
        std::u16string root(path.substr(0, 2));
        root += u'\\';
        std::u16string_view rest = path.substr(2);
        if (!rest.empty() && IsPathSeparator(rest[0])) rest.remove_prefix(1);
        return {root, rest};
    }
    if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
        // \\server\share\ : the server and the share belong to the root.
        std::size_t at = 2;
        for (int part = 0; part < 2 && at <= path.size(); ++part) {
            while (at < path.size() && !IsPathSeparator(path[at])) ++at;
            if (at < path.size()) ++at;
        }
        std::u16string root(u"\\\\");
        for (char16_t c : path.substr(2, at - 2)) root += IsPathSeparator(c) ? u'\\' : c;
        if (root.back() != u'\\') root += u'\\';
        return {root, path.substr(at)};
    }
    return {std::u16string(), path};
}

// The path joined to the current folder, with "." and ".." resolved and
// separators as backslashes; a trailing separator is kept.
std::u16string FullPathOf(std::u16string_view path)
{
    SplitPath split = SplitRoot(path);
    std::u16string joined;
    if (split.root.empty()) {
        const std::u16string current = vexl::machine::CurrentProfile()->currentDirectory;
        if (!path.empty() && IsPathSeparator(path[0])) {
            // Rooted on the current drive.
            split = SplitRoot(current);
            split.rest = path.substr(1);
        } else {
            std::u16string base = current;
            if (!base.empty() && !IsPathSeparator(base.back())) base += u'\\';
            joined = base + std::u16string(path);
            split = SplitRoot(joined);
        }
    }
    std::vector<std::u16string_view> parts;
    std::u16string_view rest = split.rest;
    const bool trailing = !rest.empty() && IsPathSeparator(rest.back());
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !IsPathSeparator(rest[end])) ++end;
        const std::u16string_view part = rest.substr(0, end);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::u16string full = split.root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) full += u'\\';
        full += parts[i];
    }
    if (trailing && !parts.empty()) full += u'\\';
    return full;
}

DWORD CopyPathAnswer(const std::u16string& text, LPWSTR buffer, DWORD size)
{
    const DWORD length = static_cast<DWORD>(text.size());
    if (buffer == nullptr || size <= length) return length + 1;
    text.copy(buffer, length);
    buffer[length] = 0;
    return length;
}

}  // namespace
}  // namespace vexl::platform

using vexl::platform::CopyPathAnswer;
using vexl::platform::FullPathOf;
using vexl::platform::View;

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart)
{
    if (filePart != nullptr) *filePart = nullptr;
    if (fileName == nullptr || fileName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string full = FullPathOf(View(fileName));
    const DWORD answer = CopyPathAnswer(full, buffer, bufferLength);
    if (answer == full.size() && filePart != nullptr && !full.empty() && full.back() != u'\\') {
        const std::size_t last = full.find_last_of(u'\\');
        *filePart = buffer + (last == std::u16string::npos ? 0 : last + 1);
    }
    return answer;
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD bufferLength)
{
    if (longPath == nullptr || longPath[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // GetFileAttributesW leaves ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND.
    if (GetFileAttributesW(longPath) == INVALID_FILE_ATTRIBUTES) return 0;
    return CopyPathAnswer(std::u16string(View(longPath)), shortPath, bufferLength);
}
