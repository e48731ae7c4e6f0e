// UTF-16 <-> UTF-8 for host file names and stored text, and the simple case
// folding that Windows uses to compare names (ASCII and Latin-1 letters).
#pragma once

#include "platform/types.h"

#include <string>
#include <string_view>

namespace vexl::platform {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

constexpr char16_t FoldCase(char16_t c)
{
    if (c >= u'a' && c <= u'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    return c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b);
int CompareNoCase(std::u16string_view a, std::u16string_view b);

// Length of a terminated UTF-16 text (0 for null).
std::size_t TextLength(const WCHAR* text);
std::u16string_view View(const WCHAR* text);

}  // namespace vexl::platform
