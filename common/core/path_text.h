// Small text helpers for building paths: views of null-terminated texts,
// checked joins into caller buffers and the system's folders.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vexl::path_text {

using Text = std::u16string_view;

inline Text View(const WCHAR* text)
{
    return text ? Text(text) : Text();
}

inline bool EqualNoCase(const WCHAR* a, const WCHAR* b)
{
    return a && b && lstrcmpiW(a, b) == 0;
}

inline bool StartsWithNoCase(Text text, Text prefix)
{
    return text.size() >= prefix.size() &&
           EqualNoCase(std::u16string(text.substr(0, prefix.size())).c_str(), std::u16string(prefix).c_str());
}

// Writes the joined parts into out when they fit with their terminator in
// size characters; otherwise leaves out alone and answers false.
inline bool WriteJoined(WCHAR* out, int size, std::initializer_list<Text> parts)
{
    std::size_t length = 0;
    for (Text part : parts) length += part.size();
    if (out == nullptr || size <= 0 || length + 1 > static_cast<std::size_t>(size)) return false;
    std::u16string joined;
    joined.reserve(length);
    for (Text part : parts) joined += part;
    joined.copy(out, length);
    out[length] = 0;
    return true;
}

// As WriteJoined, but a path that does not fit empties out.
inline bool WriteJoinedOrEmpty(WCHAR* out, int size, std::initializer_list<Text> parts)
{
    if (WriteJoined(out, size, parts)) return true;
    if (out && size > 0) out[0] = 0;
    return false;
}

inline std::u16string SystemDirectory()
{
    WCHAR buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

inline std::u16string WindowsDirectory()
{
    WCHAR buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

// "C:\" of "C:\WINDOWS\system32", or empty.
inline std::u16string SystemDriveRoot()
{
    const std::u16string system = SystemDirectory();
    return system.size() >= 3 ? system.substr(0, 3) : std::u16string();
}

inline Text DirectoryOf(Text path)
{
    const std::size_t slash = path.rfind(u'\\');
    return slash == Text::npos ? Text() : path.substr(0, slash);
}

inline Text LastComponent(Text path)
{
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    const std::size_t slash = path.rfind(u'\\');
    return slash == Text::npos ? path : path.substr(slash + 1);
}

inline ContextWorkArea* WorkOf(DriverContext* context)
{
    return context ? context->workArea : nullptr;
}

}  // namespace vexl::path_text
